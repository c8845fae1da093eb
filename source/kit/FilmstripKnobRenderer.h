#pragma once

#include "KnobRenderer.h"

#include <cstdint>
#include <unordered_map>

namespace kov
{
// Draws one frame of a pre-rendered filmstrip (square frames stacked top to bottom), tinted
// with the accent through a mask filmstrip of the same geometry: mask red = tint amount,
// mask green = highlight added before tinting. The tinted frame is cached per slider and
// recomposed only when the slider's frame or the accent changes.
class FilmstripKnobRenderer : public KnobRenderer
{
public:
    struct CachedFrame
    {
        juce::Image tinted;
        int frameIndex = -1;
        std::uint32_t accentArgb = 0;
    };

    FilmstripKnobRenderer (juce::Image baseStrip, juce::Image maskStrip, int numFrames);
    ~FilmstripKnobRenderer() override;

    // Draws nothing when the strips are not ARGB images large enough for numFrames frames.
    void draw (juce::Graphics& g, const juce::Rectangle<float>& bounds, float sliderPosProportional,
               float rotaryStartAngle, float rotaryEndAngle, juce::Colour accent, juce::Slider& slider) override;

    // The frame shown for a position along the travel: rounded to nearest (halves to even).
    int frameForPosition (float sliderPosProportional) const noexcept;

    // One channel of the tint: the base value B moved towards the accent channel C (plus the
    // highlight G) by the mask amount M / 255, in integers.
    static int tintChannel (int base, int maskAmount, int highlight, int accentChannel) noexcept;

    juce::Image baseStrip;
    juce::Image maskStrip;
    int numFrames;
    int frameSize;
    float maxDiameter = 1000000.0f;
    std::unordered_map<const juce::Slider*, CachedFrame> frameCache;

private:
    bool stripsCanHoldEveryFrame() const;
    void compose (CachedFrame& entry, int frame, juce::Colour accent) const;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (FilmstripKnobRenderer)
};
} // namespace kov
