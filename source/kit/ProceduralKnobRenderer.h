#pragma once

#include "KnobRenderer.h"

namespace kov
{
// A knob painted with vector graphics: grey body, accent-tinted cap, highlight, rim and pointer.
class ProceduralKnobRenderer : public KnobRenderer
{
public:
    void draw (juce::Graphics& g, const juce::Rectangle<float>& bounds, float sliderPosProportional,
               float rotaryStartAngle, float rotaryEndAngle, juce::Colour accent, juce::Slider& slider) override;
};
} // namespace kov
