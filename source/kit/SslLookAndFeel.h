#pragma once

#include "KnobRenderer.h"
#include "KovLookAndFeel.h"

#include <memory>

namespace kov
{
// The console look-and-feel: rotary knobs drawn by a shared KnobRenderer with a ring while
// the mouse is over them, and buttons drawn in one of four ways chosen by component properties:
//   plain       (bool)   a plain rounded button with centred text; overrides the others
//   tcflat      (bool)   a flat dark key; for a button that toggles on click, with a caption
//                        above and an LED strip
//   tcledlevel  (int)    a toggling flat key's LED: > 0 lit, 1 dim, 2 or more full; absent:
//                        the LED follows the toggle state
//   tcarrow     (string) a momentary flat key's triangle instead of its text: "up", "left",
//                        "right", anything else down
// Buttons with none of these are small light keycaps with a caption above and an LED below.
class SslLookAndFeel : public KovLookAndFeel
{
public:
    explicit SslLookAndFeel (const KitPalette& palette);
    ~SslLookAndFeel() override;

    void drawRotarySlider (juce::Graphics&, int x, int y, int width, int height, float sliderPos,
                           float rotaryStartAngle, float rotaryEndAngle, juce::Slider&) override;
    void drawButtonBackground (juce::Graphics&, juce::Button&, const juce::Colour& backgroundColour,
                               bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown) override;
    void drawButtonText (juce::Graphics&, juce::TextButton&, bool shouldDrawButtonAsHighlighted,
                         bool shouldDrawButtonAsDown) override;

    // Shared with other look-and-feels; none falls back to the arc knob of KovLookAndFeel.
    std::shared_ptr<KnobRenderer> knobRenderer;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SslLookAndFeel)
};
} // namespace kov
