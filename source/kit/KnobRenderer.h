#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace kov
{
// Draws the face of one rotary knob. Look-and-feels share renderers by shared pointer.
class KnobRenderer
{
public:
    virtual ~KnobRenderer() = default;

    virtual void draw (juce::Graphics& g, const juce::Rectangle<float>& bounds, float sliderPosProportional,
                       float rotaryStartAngle, float rotaryEndAngle, juce::Colour accent, juce::Slider& slider) = 0;
};
} // namespace kov
