#pragma once

#include "KitPalette.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace kov
{
// The kit's base look-and-feel: monospaced value boxes, a vertical fader and an arc knob,
// all painted from its own copy of a palette.
class KovLookAndFeel : public juce::LookAndFeel_V4
{
public:
    explicit KovLookAndFeel (const KitPalette& palette);
    ~KovLookAndFeel() override;

    void drawLinearSlider (juce::Graphics&, int x, int y, int width, int height, float sliderPos, float minSliderPos,
                           float maxSliderPos, juce::Slider::SliderStyle, juce::Slider&) override;
    void drawRotarySlider (juce::Graphics&, int x, int y, int width, int height, float sliderPos,
                           float rotaryStartAngle, float rotaryEndAngle, juce::Slider&) override;
    juce::Label* createSliderTextBox (juce::Slider&) override;

    // Edits show at the next repaint; the colour ids set at construction keep their values.
    KitPalette palette;

private:
    void drawVerticalFader (juce::Graphics&, int x, int y, int width, int height, float sliderPos);

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (KovLookAndFeel)
};
} // namespace kov
