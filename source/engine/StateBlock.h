#pragma once

#include "xml/PlainXml.h"

#include <juce_core/juce_core.h>

#include <functional>
#include <optional>

// Reading the framework's binary XML state block ("VC2!", length, text, zero) defensively.
namespace StateBlock
{
// Deepest element nesting accepted. Saved states are two levels deep; the limit only keeps a
// hostile block from driving the recursive XML parser through the host thread's stack, which
// on some hosts' threads is no more than 512 kB.
constexpr int maxNestingDepth = 64;

// True when the text's last element closes (ends in "/>" or "</...>"). The framework's parser
// takes a document cut short after its root tag ("<PARAMS") as an empty root, which would
// reset every parameter; a truncated block must be ignored instead.
bool endsWithClosedElement (const juce::String& text);

// The block's XML, or nothing when the block is malformed: too short, another magic, a length
// of zero or with its top bit set, text that is not valid UTF-8, not plain markup (above) or not
// a complete document (PlainXml). A length larger than the data is cut to the data; a zero
// byte ends the text earlier.
std::unique_ptr<juce::XmlElement> readXml (const void* data, int sizeInBytes);

// True when the text reads, as the parameter state reads a stored value, as a finite float.
bool readsAsFiniteFloat (const juce::String& text);

// The default raw value of the parameter with this id, or nothing when there is no such parameter.
using DefaultValueLookup = std::function<std::optional<float> (const juce::String& parameterId)>;

// Makes a state tree's XML safe to restore or to save: a PARAM child whose value does not read
// as a finite float takes its parameter's default (or goes, when no parameter has its id), and a
// view property of the root that is not finite is removed, so the editor uses its default.
void replaceNonFiniteValues (juce::XmlElement& state, const DefaultValueLookup& defaultFor);
} // namespace StateBlock
