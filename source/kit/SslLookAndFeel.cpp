#include "SslLookAndFeel.h"

#include "ConsoleKeys.h"
#include "KitFonts.h"
#include "ProceduralKnobRenderer.h"

namespace kov
{
namespace
{
const juce::Identifier plainId ("plain");
const juce::Identifier flatId ("tcflat");
const juce::Identifier ledLevelId ("tcledlevel");
const juce::Identifier arrowId ("tcarrow");

enum class ButtonKind
{
    none,
    plain,
    flatKey,
    flatToggle,
    keycap
};

ButtonKind kindOf (const juce::Button& button)
{
    if (dynamic_cast<const juce::ShapeButton*> (&button) != nullptr)
        return ButtonKind::none;

    const auto& properties = button.getProperties();
    if ((bool) properties[plainId])
        return ButtonKind::plain;
    if ((bool) properties[flatId])
        return button.getClickingTogglesState() ? ButtonKind::flatToggle : ButtonKind::flatKey;
    return ButtonKind::keycap;
}

// The column a button paints in, (0.5, 0.5, w, h).
struct Column
{
    float w, h;

    explicit Column (const juce::Component& c)
        : w (juce::jmax (0.0f, (float) c.getWidth() - 1.0f)), h (juce::jmax (0.0f, (float) c.getHeight() - 1.0f))
    {
    }
};

// Zones of a toggling flat key from the top: label, gap, LED, gap; the rest is the key.
struct FlatToggleZones
{
    float label, gap1, led, gap2;

    explicit FlatToggleZones (float h)
    {
        label = juce::jmin (h, 10.0f);
        gap1 = juce::jmin (h - label, 6.0f);
        led = juce::jmin (h - label - gap1, 5.0f);
        gap2 = juce::jmin (h - label - gap1 - led, 3.0f);
    }
};

constexpr float keycapBlock = 42.0f;

float keycapBlockTop (float h)
{
    return 0.5f + (h - keycapBlock) * 0.5f;
}

void drawPlainBackground (juce::Graphics& g, const juce::Button& button, Column col, bool down)
{
    const juce::Rectangle<float> area (0.5f, 0.5f, col.w, col.h);
    g.setColour (button.findColour (juce::TextButton::buttonColourId));
    g.fillRoundedRectangle (area, 4.0f);
    g.setColour (juce::Colours::black.withAlpha ((juce::uint8) 0x66));
    g.drawRoundedRectangle (1.0f, 1.0f, juce::jmax (0.0f, col.w - 1.0f), juce::jmax (0.0f, col.h - 1.0f), 4.0f, 1.0f);

    if (down)
    {
        g.setColour (juce::Colours::black.withAlpha ((juce::uint8) 0x2e));
        g.fillRoundedRectangle (area, 4.0f);
    }
}

void drawFlatToggleBackground (juce::Graphics& g, const juce::Button& button, Column col, bool down)
{
    const FlatToggleZones z (col.h);
    const auto keyTop = z.label + z.gap1 + z.led + z.gap2;
    drawFlatKey (g, { 0.5f, 0.5f + keyTop, col.w, col.h - keyTop }, down);

    const auto colour = button.findColour (juce::TextButton::buttonOnColourId);
    const auto& properties = button.getProperties();
    auto on = button.getToggleState();
    auto level = 1.0f;

    if (properties.contains (ledLevelId))
    {
        const auto value = (int) properties[ledLevelId];
        on = value > 0;
        level = value >= 2 ? 1.0f : 0.24f;
    }

    drawLed (g, { 0.5f + col.w * 0.5f - 8.0f, 0.5f + z.label + z.gap1 + z.led * 0.5f - 2.5f, 16.0f, 5.0f }, colour, on, level);
}

void drawKeycapBackground (juce::Graphics& g, const juce::Button& button, Column col, bool down)
{
    const auto keyW = juce::jmin (col.w - 2.0f, 18.0f);
    const auto keyX = 0.5f + col.w * 0.5f - keyW * 0.5f;
    const auto keyTop = keycapBlockTop (col.h) + 13.0f;
    const juce::Rectangle<float> key (keyX, keyTop, keyW, 18.0f);
    constexpr float corner = 4.0f;
    const auto lit = button.getToggleState();

    juce::ColourGradient face (juce::Colour (lit ? 0xffcdc8bb : 0xfff3f0e8), keyX, keyTop,
                               juce::Colour (lit ? 0xffe4e0d3 : 0xffccc8bb), keyX, keyTop + 18.0f, false);
    face.addColour (0.5, juce::Colour (lit ? 0xffd8d3c6 : 0xffe7e3d7));
    g.setGradientFill (face);
    g.fillRoundedRectangle (key, corner);

    if (lit)
    {
        g.setGradientFill (juce::ColourGradient (juce::Colours::black.withAlpha ((juce::uint8) 0x52), keyX, keyTop,
                                                 juce::Colours::transparentBlack, keyX, keyTop + 11.16f, false));
        g.fillRoundedRectangle (key, corner);
    }
    else
    {
        g.setColour (juce::Colours::white.withAlpha ((juce::uint8) 0x80));
        g.drawRoundedRectangle (keyX + 0.7f, keyTop + 0.7f, juce::jmax (0.0f, keyW - 1.4f), 6.7f, corner, 1.0f);
    }

    g.setColour (juce::Colours::black.withAlpha ((juce::uint8) 0x8c));
    g.drawRoundedRectangle (keyX + 0.4f, keyTop + 0.4f, juce::jmax (0.0f, keyW - 0.8f), 17.2f, corner, 1.0f);

    if (down)
    {
        g.setColour (juce::Colours::black.withAlpha ((juce::uint8) 0x29));
        g.fillRoundedRectangle (key, corner);
    }

    const auto lx = 0.5f + col.w * 0.5f;
    const auto ly = keyTop + 23.5f;
    const auto led = button.findColour (juce::TextButton::buttonOnColourId).withAlpha ((juce::uint8) 0xff);

    if (lit)
    {
        juce::ColourGradient glow (led.withAlpha ((juce::uint8) 0x73), lx, ly, led.withAlpha ((juce::uint8) 0), lx + 9.5f,
                                   ly, true);
        glow.addColour (0.5, led.withAlpha ((juce::uint8) 0x29));
        g.setGradientFill (glow);
        g.fillEllipse (lx - 9.5f, ly - 9.5f, 19.0f, 19.0f);
    }

    g.setColour (juce::Colour (0xff0a0b0d));
    g.fillEllipse (lx - 3.5f, ly - 3.5f, 7.0f, 7.0f);

    g.setColour (lit ? led : led.withMultipliedSaturation (0.5f).withMultipliedBrightness (0.2f));
    g.fillEllipse (lx - 2.5f, ly - 2.5f, 5.0f, 5.0f);

    g.setColour (juce::Colours::white.withAlpha ((juce::uint8) (lit ? 0x99 : 0x1f)));
    g.fillEllipse (lx - 1.2f, ly - 1.5f, 1.5f, 1.5f);
}

void drawArrow (juce::Graphics& g, const juce::String& direction, Column col)
{
    const auto s = 0.24f * juce::jmin (col.w, col.h);
    const auto cx = col.w * 0.5f + 0.5f;
    const auto cy = col.h * 0.5f + 0.5f;
    const auto p = 0.85f * s;
    const auto q = 0.65f * s;

    juce::Path triangle;
    if (direction == "up")
        triangle.addTriangle (cx - s, cy + q, cx + s, cy + q, cx, cy - p);
    else if (direction == "left")
        triangle.addTriangle (cx + q, cy - s, cx + q, cy + s, cx - p, cy);
    else if (direction == "right")
        triangle.addTriangle (cx - q, cy - s, cx - q, cy + s, cx + p, cy);
    else
        triangle.addTriangle (cx - s, cy - q, cx + s, cy - q, cx, cy + p);

    g.fillPath (triangle);
}
} // namespace

SslLookAndFeel::SslLookAndFeel (const KitPalette& p) : KovLookAndFeel (p), knobRenderer (std::make_shared<ProceduralKnobRenderer>())
{
}

SslLookAndFeel::~SslLookAndFeel()
{
    knobRenderer.reset();
}

void SslLookAndFeel::drawRotarySlider (juce::Graphics& g, int x, int y, int width, int height, float sliderPos,
                                       float rotaryStartAngle, float rotaryEndAngle, juce::Slider& slider)
{
    if (knobRenderer != nullptr)
        knobRenderer->draw (g, juce::Rectangle<int> (x, y, width, height).toFloat(), sliderPos, rotaryStartAngle,
                            rotaryEndAngle, palette.accent, slider);
    else
        KovLookAndFeel::drawRotarySlider (g, x, y, width, height, sliderPos, rotaryStartAngle, rotaryEndAngle, slider);

    if (slider.isMouseOverOrDragging())
        drawHoverRing (g, { x, y, width, height }, palette.accent, slider.isMouseButtonDown());
}

void SslLookAndFeel::drawButtonBackground (juce::Graphics& g, juce::Button& button, const juce::Colour&, bool, bool down)
{
    const Column col (button);

    switch (kindOf (button))
    {
        case ButtonKind::none:
            return;
        case ButtonKind::plain:
            drawPlainBackground (g, button, col, down);
            return;
        case ButtonKind::flatKey:
            drawFlatKey (g, { 0.5f, 0.5f, col.w, col.h }, down);
            return;
        case ButtonKind::flatToggle:
            drawFlatToggleBackground (g, button, col, down);
            return;
        case ButtonKind::keycap:
            drawKeycapBackground (g, button, col, down);
            return;
    }
}

void SslLookAndFeel::drawButtonText (juce::Graphics& g, juce::TextButton& button, bool, bool)
{
    const Column col (button);
    const auto text = button.getButtonText();
    const auto fitted = [&] (int y, float height)
    {
        g.drawFittedText (text, 0, y, juce::roundToInt (col.w), juce::roundToInt (height), juce::Justification::centred, 1);
    };

    switch (kindOf (button))
    {
        case ButtonKind::none:
            return;

        case ButtonKind::plain:
            g.setColour (button.findColour (button.getToggleState() ? juce::TextButton::textColourOnId
                                                                    : juce::TextButton::textColourOffId));
            g.setFont (boldFont (juce::jmin (13.0f, col.h * 0.5f)));
            g.drawText (text, button.getLocalBounds().toFloat(), juce::Justification::centred, false);
            return;

        case ButtonKind::flatKey:
        {
            g.setColour (button.findColour (juce::TextButton::textColourOffId));
            const auto arrow = button.getProperties()[arrowId].toString();
            if (arrow.isNotEmpty())
            {
                drawArrow (g, arrow, col);
                return;
            }
            g.setFont (boldFont (juce::jmin (12.0f, col.h * 0.42f)));
            fitted (0, col.h);
            return;
        }

        case ButtonKind::flatToggle:
        {
            const auto labelH = juce::jmin (col.h, 10.0f);
            g.setFont (boldFont (juce::jmin (10.0f, 0.94f * labelH)));
            g.setColour (juce::Colours::black.withAlpha ((juce::uint8) 0x80));
            fitted (2, labelH);
            g.setColour (juce::Colour (0xffb4b9c0));
            fitted (0, labelH);
            return;
        }

        case ButtonKind::keycap:
            g.setColour (palette.textDim);
            g.setFont (boldFont (9.2f));
            fitted (juce::roundToInt (keycapBlockTop (col.h)), 10.0f);
            return;
    }
}
} // namespace kov
