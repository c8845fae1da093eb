#include "KitPixels.h"
#include "kit/Knob.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
using kov::Knob;

TEST (Knob, ConstructsARotarySliderWithAnEditableValueBoxBelow)
{
    Knob knob ("Gain", kov::KitPalette::standard());
    EXPECT_EQ (knob.getCaption(), "Gain");
    EXPECT_EQ (knob.slider.getSliderStyle(), juce::Slider::RotaryHorizontalVerticalDrag);
    EXPECT_EQ (knob.slider.getTextBoxPosition(), juce::Slider::TextBoxBelow);
    EXPECT_TRUE (knob.slider.isTextBoxEditable());
    EXPECT_EQ (knob.slider.getTextBoxWidth(), 80);
    EXPECT_EQ (knob.slider.getTextBoxHeight(), 20);
    EXPECT_EQ (knob.slider.getParentComponent(), &knob);
    EXPECT_TRUE (knob.slider.isVisible());
}

struct LayoutCase
{
    int height;
    juce::Rectangle<int> sliderBounds;
};

class KnobLayout : public ::testing::TestWithParam<LayoutCase>
{
};

TEST_P (KnobLayout, GivesTheCaptionUpTo18Pixels)
{
    Knob knob ("Q", kov::KitPalette::standard());
    knob.setBounds (0, 0, 70, GetParam().height);
    EXPECT_EQ (knob.slider.getBounds(), GetParam().sliderBounds);
}

INSTANTIATE_TEST_SUITE_P (Heights, KnobLayout,
                          ::testing::Values (LayoutCase { 100, { 0, 18, 70, 82 } }, LayoutCase { 18, { 0, 18, 70, 0 } },
                                             LayoutCase { 10, { 0, 10, 70, 0 } }, LayoutCase { 0, { 0, 0, 70, 0 } }));

TEST (KnobPaint, CaptionStaysOnOneLineInsideTheCaptionBand)
{
    Knob knob ("A caption far wider than the knob itself", kov::KitPalette::standard());
    knob.setBounds (0, 0, 60, 90);
    const auto image = kitpixels::render (60, 90, 2.0f, juce::Colours::transparentBlack,
                                          [&] (juce::Graphics& g) { knob.paint (g); });

    int litInBand = 0, litOutside = 0;
    for (int y = 0; y < image.getHeight(); ++y)
        for (int x = 0; x < image.getWidth(); ++x)
            if (image.getPixelAt (x, y).getAlpha() > 0)
                (y < 36 ? litInBand : litOutside)++;

    EXPECT_GT (litInBand, 0);
    EXPECT_EQ (litOutside, 0); // no wrapped second line
}

// -------------------------------------------------------------------------------------------
// Decorations. A knob laid out in (0, 0, 100, 100) with the editor's insets has its rotary
// centre at (50, 49): x = 100 / 2, y = (100 - 38) x 0.5 + 18.

constexpr float decorScale = 4.0f;
const juce::Rectangle<int> knobArea { 0, 0, 100, 100 };

int alphaAt (const juce::Image& image, float x, float y)
{
    return kitpixels::at (image, x, y, decorScale).getAlpha();
}

// The logical y, in [from, to], where the column through x is darkest.
float darkestRow (const juce::Image& image, float x, float from, float to)
{
    int best = -1, bestY = 0;
    for (auto y = (int) (from * decorScale); y <= (int) (to * decorScale); ++y)
        if (const auto a = image.getPixelAt ((int) (x * decorScale), y).getAlpha(); a > best)
            best = a, bestY = y;
    return ((float) bestY + 0.5f) / decorScale;
}

TEST (KnobDecorations, EmptyOrNegativeAreasDrawNothing)
{
    for (auto area : { juce::Rectangle<int> (10, 10, 0, 50), juce::Rectangle<int> (10, 10, 50, 0), juce::Rectangle<int> (10, 10, -5, 40) })
    {
        const auto image = kitpixels::render (80, 80, 1.0f, juce::Colours::transparentBlack, [&] (juce::Graphics& g) {
            kov::drawKnobShadow (g, area, 25.0f, 18.0f, 38.0f);
            kov::drawKnobScale (g, kov::KitPalette::standard(), area, 25.0f, 18.0f, 38.0f);
        });
        for (int y = 0; y < image.getHeight(); ++y)
            for (int x = 0; x < image.getWidth(); ++x)
                ASSERT_EQ (image.getPixelAt (x, y).getAlpha(), 0);
    }
}

TEST (KnobDecorations, ShadowDiscIsThreePixelsBelowItsRing)
{
    const auto image = kitpixels::render (100, 100, decorScale, juce::Colours::transparentBlack, [] (juce::Graphics& g) {
        kov::drawKnobShadow (g, knobArea, 25.0f, 18.0f, 38.0f);
    });

    // Disc of radius 35 centred on (50, 52): darkest (0x9e) in its centre, symmetric about y 52.
    EXPECT_NEAR (alphaAt (image, 50.1f, 52.1f), 0x9e, 3);
    EXPECT_NEAR (alphaAt (image, 50.1f, 52.1f - 15.0f), alphaAt (image, 50.1f, 52.1f + 15.0f), 2);
    EXPECT_LE (alphaAt (image, 50.1f, 52.0f + 35.5f), 1);
    EXPECT_GT (alphaAt (image, 50.1f, 52.0f + 30.0f), 10);

    // Ring of radius 26 about (50, 49). The shadow's slope pulls both darkest rows inwards alike.
    const auto ringTop = darkestRow (image, 50.1f, 20.0f, 26.0f);
    const auto ringBottom = darkestRow (image, 50.1f, 72.0f, 78.0f);
    EXPECT_NEAR ((ringTop + ringBottom) * 0.5f, 49.0f, 0.15f);
    EXPECT_NEAR ((ringBottom - ringTop) * 0.5f, 26.0f, 0.5f);
}

TEST (KnobDecorations, ScaleHas21TicksOnA270DegreeArc)
{
    const auto& p = kov::KitPalette::standard();
    const auto image = kitpixels::render (100, 100, decorScale, juce::Colours::transparentBlack, [&] (juce::Graphics& g) {
        kov::drawKnobScale (g, p, knobArea, 25.0f, 18.0f, 38.0f);
    });
    const juce::Point<float> c (50.0f, 49.0f);

    // Walk the circle just outside the radius: 21 separate ticks, all within the arc.
    int ticks = 0;
    bool inTick = false;
    for (int step = 0; step < 3600; ++step)
    {
        const auto a = (float) step / 3600.0f * juce::MathConstants<float>::twoPi - juce::MathConstants<float>::pi;
        const auto pt = c + juce::Point<float> (std::sin (a), -std::cos (a)) * 26.0f;
        const bool lit = alphaAt (image, pt.x, pt.y) > 20;
        if (lit && ! inTick)
        {
            ++ticks;
            EXPECT_LE (std::abs (a), 2.3561945f + 0.06f) << "tick outside the arc at " << a;
        }
        inTick = lit;
    }
    EXPECT_EQ (ticks, 21);

    // Major ticks (straight up, 7:30 and 4:30) reach 3.5 px beyond the radius, minor ones 2 px.
    const auto along = [&] (float angle, float d) {
        return alphaAt (image, c.x + d * std::sin (angle), c.y - d * std::cos (angle));
    };
    EXPECT_NEAR (along (0.0f, 27.5f), 0x8c, 6);
    EXPECT_NEAR (along (-2.3561945f, 27.5f), 0x8c, 12);
    EXPECT_NEAR (along (2.3561945f, 27.5f), 0x8c, 12);
    EXPECT_EQ (along (0.0f, 29.2f), 0);
    const auto minor = 4.712389f / 20.0f * 11.0f - 2.3561945f;
    EXPECT_GT (along (minor, 26.0f), 20);
    EXPECT_LE (along (minor, 26.0f), 0x47);
    EXPECT_EQ (along (minor, 27.8f), 0);

    // Nothing but ticks: the centre and the area beyond the ticks stay clear.
    EXPECT_EQ (alphaAt (image, 50, 49), 0);
    EXPECT_EQ (alphaAt (image, 50, 10), 0);
}

TEST (KnobDecorations, ScaleLabelsShowTheSlidersEndValues)
{
    juce::Slider slider;
    slider.setRange (-24.0, 24.0);
    const auto& p = kov::KitPalette::standard();
    const auto paintScale = [&] (const juce::Slider* s) {
        return kitpixels::render (100, 100, 1.0f, juce::Colours::transparentBlack,
                                  [&] (juce::Graphics& g) { kov::drawKnobScale (g, p, knobArea, 25.0f, 18.0f, 38.0f, s); });
    };
    const auto without = paintScale (nullptr);
    const auto with = paintScale (&slider);

    // Labels at distance 37 along 7:30 and 4:30: around (24, 75) and (76, 75).
    const auto litNear = [] (const juce::Image& image, int cx, int cy) {
        int lit = 0;
        for (int y = cy - 4; y <= cy + 6; ++y)
            for (int x = cx - 14; x <= cx + 14; ++x)
                lit += image.getPixelAt (x, y).getAlpha() > 0 ? 1 : 0;
        return lit;
    };
    EXPECT_EQ (litNear (without, 24, 75), 0);
    EXPECT_EQ (litNear (without, 76, 75), 0);
    EXPECT_GT (litNear (with, 24, 75), 5);
    EXPECT_GT (litNear (with, 76, 75), 5);
}
} // namespace
