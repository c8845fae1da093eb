#pragma once

#include <juce_graphics/juce_graphics.h>

namespace kov
{
// The kit's colours and two layout numbers. A plain value: every kit object keeps its own copy.
struct KitPalette
{
    juce::Colour background { 0xff0b0612 };
    juce::Colour surface { 0xff16091e };
    juce::Colour well { 0xff06030c };
    juce::Colour accent { 0xffffd24a };
    juce::Colour magenta { 0xffff2d87 };
    juce::Colour red { 0xffff3b30 };
    juce::Colour violet { 0xff8b35ff };
    juce::Colour lavender { 0xffc48bff };
    juce::Colour text { 0xfff3ecff };
    juce::Colour textDim { 0xff8a7da6 };
    juce::Colour meterLow { 0xff36c75a };
    juce::Colour meterMid { 0xfff5b324 };
    juce::Colour meterHigh { 0xffe5392f };
    juce::Colour orange { 0xffffb23a };
    juce::Colour brown { 0xff734011 };
    float cornerRadius = 9.0f;
    float margin = 14.0f;

    // The one standard palette, built on first use and never modified.
    static const KitPalette& standard();
};
} // namespace kov
