#include "BandColours.h"

#include "engine/BandSettings.h"

#include <array>

juce::Colour bandColour (int band)
{
    static constexpr std::array<juce::uint32, 8> table { 0xff4a90d9, 0xff52b56a, 0xffd9a441, 0xffd95350,
                                                          0xff9b7fd6, 0xff3fb5c0, 0xffe0795a, 0xff7fb069 };
    return juce::Colour (table[(size_t) (((band % 8) + 8) % 8)]);
}

juce::Colour channelColour (int channel)
{
    switch (channel)
    {
        case ChannelMode::mid:   return juce::Colour (0xffe0b341);
        case ChannelMode::side:  return juce::Colour (0xff9b7fd6);
        case ChannelMode::left:  return juce::Colour (0xffe0795a);
        case ChannelMode::right: return juce::Colour (0xff3fb5c0);
        default:                 return juce::Colour (0xffb4b9c0);
    }
}
