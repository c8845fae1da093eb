#include "KovLookAndFeel.h"

#include "KitFonts.h"

#include <cmath>

namespace kov
{
namespace
{
juce::Point<float> pointAt (float cx, float cy, float angle, float distance)
{
    return { cx + distance * std::sin (angle), cy - distance * std::cos (angle) };
}

juce::Path radialLine (float cx, float cy, float angle, float from, float to)
{
    juce::Path p;
    p.startNewSubPath (pointAt (cx, cy, angle, from));
    p.lineTo (pointAt (cx, cy, angle, to));
    return p;
}

juce::Path centredArc (float cx, float cy, float radius, float from, float to)
{
    juce::Path p;
    p.addCentredArc (cx, cy, radius, radius, 0.0f, from, to, true);
    return p;
}
} // namespace

KovLookAndFeel::KovLookAndFeel (const KitPalette& p) : palette (p)
{
    setColour (juce::Slider::textBoxTextColourId, palette.text);
    setColour (juce::Slider::textBoxOutlineColourId, juce::Colours::transparentBlack);
    setColour (juce::Label::textColourId, palette.text);
    setColour (juce::Slider::rotarySliderFillColourId, palette.accent);
}

KovLookAndFeel::~KovLookAndFeel() = default;

juce::Label* KovLookAndFeel::createSliderTextBox (juce::Slider& slider)
{
    auto* label = juce::LookAndFeel_V4::createSliderTextBox (slider);
    label->setFont (monoFont (12.0f));
    label->setColour (juce::Label::textColourId, palette.textDim);
    label->setJustificationType (juce::Justification::centred);
    return label;
}

void KovLookAndFeel::drawLinearSlider (juce::Graphics& g, int x, int y, int width, int height, float sliderPos,
                                       float minSliderPos, float maxSliderPos, juce::Slider::SliderStyle style,
                                       juce::Slider& slider)
{
    if (style != juce::Slider::LinearVertical)
    {
        juce::LookAndFeel_V4::drawLinearSlider (g, x, y, width, height, sliderPos, minSliderPos, maxSliderPos, style, slider);
        return;
    }

    drawVerticalFader (g, x, y, width, height, sliderPos);
}

void KovLookAndFeel::drawVerticalFader (juce::Graphics& g, int x, int y, int width, int height, float sliderPos)
{
    const auto cx = (float) x + (float) width * 0.5f;
    const auto top = (float) y + 3.0f;
    const auto bottom = (float) y + (float) height - 3.0f;
    const auto len = bottom - top;
    const auto trackX = cx - 3.0f;

    g.setColour (palette.well);
    g.fillRoundedRectangle (trackX, top, 6.0f, len, 3.0f);
    g.setColour (juce::Colours::black.withAlpha ((juce::uint8) 0x66));
    g.drawRoundedRectangle (trackX + 0.5f, top + 0.5f, 5.0f, juce::jmax (0.0f, len - 1.0f), 3.0f, 1.0f);

    // A position outside the track puts the cap at the nearer end.
    const auto thumbY = juce::jlimit (juce::jmin (top, bottom), juce::jmax (top, bottom), sliderPos);

    g.setColour (palette.accent.withAlpha ((juce::uint8) 0x8c));
    g.fillRoundedRectangle (trackX, thumbY, 6.0f, bottom - thumbY, 3.0f);

    g.setColour (palette.textDim.withAlpha ((juce::uint8) 0x59));
    for (int i = 0; i < 5; ++i)
        g.fillRect (cx + 8.0f, top + len * (float) i * 0.25f - 0.5f, 6.0f, 1.0f);

    const auto capW = juce::jmin (34.0f, (float) width - 4.0f);
    const auto capX = cx - capW * 0.5f;
    const auto capY = thumbY - 7.0f;

    g.setColour (juce::Colours::black.withAlpha ((juce::uint8) 0x66));
    g.fillRoundedRectangle (capX, capY + 1.5f, capW, 14.0f, 3.0f);

    g.setGradientFill (juce::ColourGradient (palette.surface.brighter (0.35f), capX, capY, palette.well, capX,
                                             capY + 14.0f, false));
    g.fillRoundedRectangle (capX, capY, capW, 14.0f, 3.0f);

    g.setColour (juce::Colours::white.withAlpha ((juce::uint8) 0x14));
    g.drawRoundedRectangle (capX + 0.5f, capY + 0.5f, juce::jmax (0.0f, capW - 1.0f), 13.0f, 3.0f, 1.0f);

    g.setColour (palette.accent);
    g.fillRect (capX + 3.0f, capY + 6.0f, capW - 6.0f, 2.0f);
}

void KovLookAndFeel::drawRotarySlider (juce::Graphics& g, int x, int y, int width, int height, float sliderPos,
                                       float rotaryStartAngle, float rotaryEndAngle, juce::Slider&)
{
    const auto w = (float) juce::jmax (0, width - 10);
    const auto h = (float) juce::jmax (0, height - 10);
    const auto radius = juce::jmin (w, h) * 0.5f;
    const auto cx = (float) x + 5.0f + w * 0.5f;
    const auto cy = (float) y + 5.0f + h * 0.5f;

    const auto angle = rotaryStartAngle + sliderPos * (rotaryEndAngle - rotaryStartAngle);
    const auto stroke = juce::jmax (radius * 0.1f, 3.0f);
    const auto arcR = radius - stroke * 0.5f;

    const auto drawEndTick = [&] (float tickAngle, float length, juce::Colour colour)
    {
        g.setColour (colour);
        g.strokePath (radialLine (cx, cy, tickAngle, radius + 2.0f - length, radius + 2.0f),
                      juce::PathStrokeType (1.5f, juce::PathStrokeType::mitered, juce::PathStrokeType::butt));
    };
    const auto tickColour = palette.textDim.withAlpha ((juce::uint8) 0x80);
    drawEndTick (rotaryStartAngle, 4.0f, tickColour);
    drawEndTick (rotaryEndAngle, 4.0f, tickColour);

    const juce::PathStrokeType arcStroke (stroke, juce::PathStrokeType::curved, juce::PathStrokeType::rounded);
    g.setColour (palette.surface.brighter (0.22f));
    g.strokePath (centredArc (cx, cy, arcR, rotaryStartAngle, rotaryEndAngle), arcStroke);
    g.setColour (palette.accent);
    g.strokePath (centredArc (cx, cy, arcR, rotaryStartAngle, angle), arcStroke);

    const auto bodyR = arcR - 1.4f * stroke;
    g.setColour (juce::Colours::black.withAlpha ((juce::uint8) 0x59));
    g.fillEllipse (cx - bodyR, cy - bodyR + 2.5f, 2.0f * bodyR, 2.0f * bodyR);

    g.setGradientFill (juce::ColourGradient (palette.surface.brighter (0.3f), cx, cy - bodyR, palette.well, cx,
                                             cy + bodyR, false));
    g.fillEllipse (cx - bodyR, cy - bodyR, 2.0f * bodyR, 2.0f * bodyR);

    g.setColour (juce::Colours::white.withAlpha ((juce::uint8) 0x0f));
    g.drawEllipse (cx - bodyR + 0.5f, cy - bodyR + 0.5f, juce::jmax (0.0f, 2.0f * bodyR - 1.0f),
                   juce::jmax (0.0f, 2.0f * bodyR - 1.0f), 1.0f);

    g.setColour (palette.accent);
    g.strokePath (radialLine (cx, cy, angle, 0.3f * bodyR, 0.92f * bodyR),
                  juce::PathStrokeType (juce::jmax (0.7f * stroke, 2.0f), juce::PathStrokeType::curved,
                                        juce::PathStrokeType::rounded));
}
} // namespace kov
