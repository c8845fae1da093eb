#pragma once

#include <juce_core/juce_core.h>

// Guards applied to a state block before the framework parses it.
namespace StateBlock
{
// Deepest element nesting accepted. Saved states are two levels deep; the limit only keeps a
// hostile block from driving the recursive XML parser through the host thread's stack.
constexpr int maxNestingDepth = 256;

// True when no element in the text nests deeper than maxDepth. Over-counts rather than
// under-counts for odd input, which can only refuse text that is not a valid state anyway.
bool nestingWithin (const char* text, size_t length, int maxDepth);
} // namespace StateBlock
