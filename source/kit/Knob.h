#pragma once

#include "KitPalette.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace kov
{
// A caption above a rotary slider with an editable value box below it. The face is drawn by
// whichever look-and-feel the client installs on the slider.
class Knob : public juce::Component
{
public:
    static constexpr int captionHeight = 18;
    static constexpr int valueBoxWidth = 80;
    static constexpr int valueBoxHeight = 20;

    Knob (const juce::String& caption, const KitPalette& palette);
    ~Knob() override;

    void paint (juce::Graphics& g) override;
    void resized() override;

    const juce::String& getCaption() const noexcept { return caption; }

    // Stores the caption and repaints, only when it differs from the current one.
    void setCaption (const juce::String& newCaption);

    juce::Slider slider;
    KitPalette palette;

private:
    juce::String caption;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (Knob)
};

// A soft drop shadow under the rotary area of a Knob laid out in `area`, and a dark ring
// around it. `topInset` and `verticalReserve` say how much of the area is not rotary.
void drawKnobShadow (juce::Graphics& g, juce::Rectangle<int> area, float radius, float topInset, float verticalReserve);

// 21 ticks on a 270-degree arc around the same centre; with `labelSlider`, the slider's texts
// for both ends of its range beside the first and last tick.
void drawKnobScale (juce::Graphics& g, const KitPalette& palette, juce::Rectangle<int> area, float radius,
                    float topInset, float verticalReserve, const juce::Slider* labelSlider = nullptr);
} // namespace kov
