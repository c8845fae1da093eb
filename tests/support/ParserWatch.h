#pragma once

#include "support/Watchdog.h"

#include <juce_core/juce_core.h>

#include <atomic>
#include <memory>
#include <optional>
#include <vector>

namespace watchdog
{
// Hands each text to the framework's XML parser in turn, on a thread of its own: the text the
// parser does not return from within the limit, or nothing when it returns from all of them.
inline std::optional<juce::String> textTheParserHangsOn (std::vector<juce::String> texts)
{
    // How far the parser got, shared with a thread that may be left looping.
    const auto parsed = std::make_shared<std::atomic<size_t>> (0);

    if (returnsWithin ([texts, parsed] {
            for (const auto& text : texts)
            {
                juce::parseXML (text);
                ++*parsed;
            }
        }))
        return std::nullopt;

    return texts[parsed->load()];
}
} // namespace watchdog
