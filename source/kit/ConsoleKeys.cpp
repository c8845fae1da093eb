#include "ConsoleKeys.h"

namespace kov
{
void drawFlatKey (juce::Graphics& g, juce::Rectangle<float> area, bool down)
{
    const juce::Rectangle<float> k (area.getX() + 2.0f, area.getY() + 1.0f, juce::jmax (0.0f, area.getWidth() - 4.0f),
                                    juce::jmax (0.0f, area.getHeight() - 2.0f));
    constexpr float corner = 4.0f;

    g.setColour (juce::Colours::black.withAlpha ((juce::uint8) 0x73));
    g.fillRoundedRectangle (k.translated (0.0f, 1.2f), corner);

    juce::ColourGradient face (juce::Colour (0xff3a3b3e), k.getX(), k.getY(), juce::Colour (0xff0a0a0c), k.getX(),
                               k.getBottom(), false);
    face.addColour (0.45, juce::Colour (0xff222326));
    g.setGradientFill (face);
    g.fillRoundedRectangle (k, corner);

    if (! down)
    {
        g.setColour (juce::Colours::white.withAlpha ((juce::uint8) 0x21));
        g.fillRoundedRectangle (k.getX() + 2.5f, k.getY() + 1.4f, juce::jmax (0.0f, k.getWidth() - 5.0f),
                                juce::jmax (0.0f, k.getHeight() * 0.34f), 3.2f);
    }

    g.setColour (juce::Colours::black.withAlpha ((juce::uint8) 0xb2));
    g.drawRoundedRectangle (k, corner, 1.0f);

    if (down)
    {
        g.setColour (juce::Colours::black.withAlpha ((juce::uint8) 0x47));
        g.fillRoundedRectangle (k, corner);
        g.setColour (juce::Colours::black.withAlpha ((juce::uint8) 0x52));
        g.drawLine (k.getX() + 4.0f, k.getY() + 1.3f, k.getRight() - 4.0f, k.getY() + 1.3f, 1.4f);
    }
}

void drawLed (juce::Graphics& g, juce::Rectangle<float> r, juce::Colour colour, bool on, float level)
{
    const auto lvl = juce::jlimit (0.0f, 1.0f, level);

    if (on)
    {
        const auto c = r.getCentre();
        juce::ColourGradient glow (colour.withAlpha (lvl * 0.5f), c.x, c.y, colour.withAlpha (0.0f), c.x + r.getWidth(),
                                   c.y, true);
        glow.addColour (0.5, colour.withAlpha (lvl * 0.16f));
        g.setGradientFill (glow);
        g.fillRect (juce::Rectangle<float> (r.getX() - r.getWidth(), r.getY() - r.getWidth(),
                                            juce::jmax (0.0f, 3.0f * r.getWidth()),
                                            juce::jmax (0.0f, r.getHeight() + 2.0f * r.getWidth())));
    }

    g.setColour (juce::Colour (0xff080304));
    g.fillRoundedRectangle (r.getX() - 1.2f, r.getY() - 1.2f, juce::jmax (0.0f, r.getWidth() + 2.4f),
                            juce::jmax (0.0f, r.getHeight() + 2.4f), 1.8f);

    g.setColour (on ? colour.withMultipliedBrightness (0.3f + 0.7f * lvl)
                    : colour.withMultipliedBrightness (0.16f).withMultipliedSaturation (0.85f));
    g.fillRoundedRectangle (r, 1.4f);

    g.setColour (juce::Colours::white.withAlpha (on ? lvl * 0.45f : 0.1f));
    g.fillRoundedRectangle (r.getX() + 1.6f, r.getY() + 0.8f, r.getWidth() * 0.42f, r.getHeight() * 0.4f, 1.0f);
}

void drawHoverRing (juce::Graphics& g, juce::Rectangle<int> knobArea, juce::Colour accent, bool down)
{
    const auto r = (float) juce::jmin (knobArea.getWidth(), knobArea.getHeight()) * 0.5f - 1.0f;
    const auto cx = (float) knobArea.getX() + (float) knobArea.getWidth() * 0.5f;
    const auto cy = (float) knobArea.getY() + (float) knobArea.getHeight() * 0.5f;

    g.setColour (accent.brighter (0.1f).withAlpha (down ? 0.55f : 0.3f));
    g.drawEllipse (cx - r, cy - r, 2.0f * r, 2.0f * r, down ? 2.4f : 1.6f);
}
} // namespace kov
