#include "ProceduralKnobRenderer.h"

#include <cmath>

namespace kov
{
void ProceduralKnobRenderer::draw (juce::Graphics& g, const juce::Rectangle<float>& bounds, float sliderPosProportional,
                                   float rotaryStartAngle, float rotaryEndAngle, juce::Colour accent, juce::Slider&)
{
    const auto w = juce::jmax (0.0f, bounds.getWidth() - 6.0f);
    const auto h = juce::jmax (0.0f, bounds.getHeight() - 6.0f);
    const auto radius = juce::jmin (w, h) * 0.5f;
    const auto cx = bounds.getX() + 3.0f + w * 0.5f;
    const auto cy = bounds.getY() + 3.0f + h * 0.5f;
    const auto angle = rotaryStartAngle + sliderPosProportional * (rotaryEndAngle - rotaryStartAngle);

    const auto r = radius - 2.5f;
    g.setColour (juce::Colours::black.withAlpha ((juce::uint8) 0x52));
    g.fillEllipse (cx - r, cy - r + 3.0f, 2.0f * r, 2.0f * r);

    juce::ColourGradient body (juce::Colour (0xff9aa0a8), cx, cy - r, juce::Colour (0xff14171b), cx, cy + r, false);
    body.addColour (0.5, juce::Colour (0xff4a4f56));
    g.setGradientFill (body);
    g.fillEllipse (cx - r, cy - r, 2.0f * r, 2.0f * r);

    const auto rc = r - 5.2f;
    juce::ColourGradient cap (accent.brighter (0.12f), cx, cy - 0.4f * rc, accent.darker (0.42f), cx, cy + rc, true);
    cap.addColour (0.55, accent);
    g.setGradientFill (cap);
    g.fillEllipse (cx - rc, cy - rc, 2.0f * rc, 2.0f * rc);

    g.setColour (juce::Colours::white.withAlpha ((juce::uint8) 0x1a));
    g.fillEllipse (cx - 0.58f * rc, cy - 0.7f * rc, 1.16f * rc, 0.62f * rc);

    g.setColour (juce::Colours::black.withAlpha ((juce::uint8) 0x4c));
    g.drawEllipse (cx - rc + 0.5f, cy - rc + 0.5f, juce::jmax (0.0f, 2.0f * rc - 1.0f), juce::jmax (0.0f, 2.0f * rc - 1.0f), 1.0f);

    const juce::Point<float> direction (std::sin (angle), -std::cos (angle));
    const auto p1 = juce::Point<float> (cx, cy) + direction * (0.34f * rc);
    const auto p2 = juce::Point<float> (cx, cy) + direction * (0.86f * rc);
    const auto t = juce::jmax (0.11f * radius, 2.6f);
    const juce::Point<float> shadowOffset (0.0f, 1.1f);

    g.setColour (juce::Colours::black.withAlpha ((juce::uint8) 0x4c));
    g.drawLine ({ p1 + shadowOffset, p2 + shadowOffset }, t);
    g.setColour (juce::Colour (0xfff2f4f7));
    g.drawLine ({ p1, p2 }, t);
}
} // namespace kov
