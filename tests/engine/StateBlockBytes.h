#pragma once

#include <juce_core/juce_core.h>

#include <optional>
#include <string>

// A state block laid out by hand: the magic, a length field (the text's size unless given), the
// text's bytes as they are (valid UTF-8 or not) and, unless left off, a trailing zero.
inline juce::MemoryBlock makeStateBlock (const std::string& text, std::optional<uint32_t> lengthField = {},
                                         bool terminated = true)
{
    juce::MemoryOutputStream out;
    out.write ("VC2!", 4);
    out.writeInt ((int) lengthField.value_or ((uint32_t) text.size()));
    out.write (text.data(), text.size());

    if (terminated)
        out.writeByte (0);

    return out.getMemoryBlock();
}

inline std::string repeated (const std::string& s, int times)
{
    std::string result;
    result.reserve (s.size() * (size_t) times);

    for (int i = 0; i < times; ++i)
        result += s;

    return result;
}
