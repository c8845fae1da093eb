#pragma once

#include <juce_core/juce_core.h>

// Reading the framework's binary XML state block ("VC2!", length, text, zero) defensively.
namespace StateBlock
{
// Deepest element nesting accepted. Saved states are two levels deep; the limit only keeps a
// hostile block from driving the recursive XML parser through the host thread's stack.
constexpr int maxNestingDepth = 256;

// True when no element in the text nests deeper than maxDepth. Over-counts rather than
// under-counts for odd input, which can only refuse text that is not a valid state anyway.
bool nestingWithin (const juce::String& text, int maxDepth);

// True when the text's last element closes (ends in "/>" or "</...>"). The framework's parser
// takes a document cut short after its root tag ("<PARAMS") as an empty root, which would
// reset every parameter; a truncated block must be ignored instead.
bool endsWithClosedElement (const juce::String& text);

// The block's XML, or nothing when the block is malformed: too short, another magic, a length
// of zero or with its top bit set, text that is not a complete document, or nesting too deep.
// A length larger than the data is cut to the data.
std::unique_ptr<juce::XmlElement> readXml (const void* data, int sizeInBytes);
} // namespace StateBlock
