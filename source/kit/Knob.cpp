#include "Knob.h"

#include "KitFonts.h"

#include <cmath>

namespace kov
{
Knob::Knob (const juce::String& captionText, const KitPalette& p) : palette (p), caption (captionText)
{
    slider.setSliderStyle (juce::Slider::RotaryHorizontalVerticalDrag);
    slider.setTextBoxStyle (juce::Slider::TextBoxBelow, false, valueBoxWidth, valueBoxHeight);
    addAndMakeVisible (slider);
}

Knob::~Knob() = default;

void Knob::setCaption (const juce::String& newCaption)
{
    if (newCaption == caption)
        return;

    caption = newCaption;
    repaint();
}

void Knob::paint (juce::Graphics& g)
{
    g.setColour (palette.textDim);
    g.setFont (boldFont (11.0f));
    g.drawText (caption, juce::Rectangle<float> (0.0f, 0.0f, (float) getWidth(), (float) juce::jmin (getHeight(), captionHeight)),
                juce::Justification::centred, true);
}

void Knob::resized()
{
    const auto c = juce::jmin (getHeight(), captionHeight);
    slider.setBounds (0, c, getWidth(), getHeight() - c);
}

namespace
{
constexpr float scaleStart = -2.3561945f;
constexpr float scaleSweep = 4.712389f;

juce::Point<float> knobCentre (juce::Rectangle<int> area, float topInset, float verticalReserve)
{
    return { (float) (area.getX() + area.getWidth() / 2),
             ((float) area.getHeight() - verticalReserve) * 0.5f + ((float) area.getY() + topInset) };
}

juce::Point<float> pointAt (juce::Point<float> centre, float angle, float distance)
{
    return { centre.x + distance * std::sin (angle), centre.y - distance * std::cos (angle) };
}
} // namespace

void drawKnobShadow (juce::Graphics& g, juce::Rectangle<int> area, float radius, float topInset, float verticalReserve)
{
    if (area.getWidth() <= 0 || area.getHeight() <= 0)
        return;

    const auto c = knobCentre (area, topInset, verticalReserve);
    const auto R = radius + 10.0f;

    juce::ColourGradient shadow (juce::Colours::black.withAlpha ((juce::uint8) 0x9e), c.x, c.y + 3.0f,
                                 juce::Colours::transparentBlack, c.x, c.y + 3.0f - R, true);
    shadow.addColour (0.7, juce::Colours::black.withAlpha ((juce::uint8) 0x57));
    g.setGradientFill (shadow);
    g.fillEllipse (c.x - R, c.y + 3.0f - R, 2.0f * R, 2.0f * R);

    const auto ring = radius + 1.0f;
    g.setColour (juce::Colours::black.withAlpha ((juce::uint8) 0x73));
    g.drawEllipse (c.x - ring, c.y - ring, 2.0f * ring, 2.0f * ring, 1.2f);
}

void drawKnobScale (juce::Graphics& g, const KitPalette& palette, juce::Rectangle<int> area, float radius,
                    float topInset, float verticalReserve, const juce::Slider* labelSlider)
{
    if (area.getWidth() <= 0 || area.getHeight() <= 0)
        return;

    const auto c = knobCentre (area, topInset, verticalReserve);

    for (int i = 0; i <= 20; ++i)
    {
        const auto a = (float) i / 20.0f * scaleSweep + scaleStart;
        const bool major = i % 5 == 0;
        const auto length = major ? 3.5f : 2.0f;

        g.setColour (palette.textDim.withAlpha (major ? 0.55f : 0.28f));
        g.drawLine ({ pointAt (c, a, radius), pointAt (c, a, radius + length) }, major ? 1.4f : 1.0f);
    }

    if (labelSlider == nullptr)
        return;

    g.setColour (palette.textDim.withAlpha ((juce::uint8) 0x80));
    g.setFont (boldFont (8.0f));

    for (auto proportion : { 0.0f, 1.0f })
    {
        const auto p = pointAt (c, scaleStart + scaleSweep * proportion, radius + 12.0f);
        // JUCE 7 declares these two non-const although neither changes the slider.
        auto& slider = const_cast<juce::Slider&> (*labelSlider);
        const auto text = slider.getTextFromValue (slider.proportionOfLengthToValue (proportion));
        g.drawText (text, juce::Rectangle<float> ((float) ((int) p.x - 28), (float) ((int) p.y - 7), 56.0f, 14.0f),
                    juce::Justification::centred, false);
    }
}
} // namespace kov
