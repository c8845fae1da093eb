#pragma once

#include "KitPalette.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <vector>

namespace kov
{
// One stop of a segment colour list: segments whose centre lies at or below `position`
// (a proportion of the column's height from its base) take `colour`.
struct ColourStop
{
    float position = 0.0f;
    juce::Colour colour;
};

// Display proportion of a level meter for a dB value: -48 dB at the base, 0 dB at the top.
float dbToProportion (float db) noexcept;

// A column of segments lit up to `level` with the segment holding `peak` brightened.
// Both are proportions 0..1; with `fromTop` the column lights from its top edge down.
void drawSegmentedBar (juce::Graphics& g, const juce::Rectangle<float>& area, float level, float peak,
                       const std::vector<ColourStop>& stops, bool fromTop);

// Tick marks and dB numbers beside a segment column. Only the strip's x and width and the
// bar's y and height are used.
void drawMeterScale (juce::Graphics& g, const KitPalette& palette, juce::Rectangle<float> strip,
                     juce::Rectangle<float> bar, bool onLeft, const std::vector<float>& majorDb,
                     const std::vector<float>& minorDb, const std::function<float (float)>& toProportion,
                     bool fromTop, bool embossed);

// Vertical peak meter from -48 to 0 dB with a held peak and an optional scale strip.
// It has no timer: the ballistics advance once per setLevel call.
class LevelMeter : public juce::Component
{
public:
    static constexpr float minDb = -48.0f;
    static constexpr float maxInputDb = 6.0f;
    static constexpr float fallFactor = 0.3f;
    static constexpr float peakHoldCalls = 45.0f;
    static constexpr float peakFallFactor = 0.08f;
    static constexpr float wellInset = 4.0f;
    static constexpr float scaleWidth = 22.0f;

    explicit LevelMeter (const KitPalette& palette);
    ~LevelMeter() override;

    void setLevel (float levelInDb);
    void setScaleOnLeft (bool shouldBeOnLeft);
    void setScaleVisible (bool shouldBeVisible);

    float getLevelDb() const noexcept { return levelDb; }
    float getPeakDb() const noexcept { return peakDb; }
    float getPeakHold() const noexcept { return peakHold; }
    bool isScaleOnLeft() const noexcept { return scaleOnLeft; }
    bool isScaleVisible() const noexcept { return scaleVisible; }

    void paint (juce::Graphics& g) override;

    KitPalette palette;

private:
    float levelDb = minDb;
    float peakDb = minDb;
    float peakHold = 0.0f;
    bool scaleOnLeft = true;
    bool scaleVisible = true;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (LevelMeter)
};
} // namespace kov
