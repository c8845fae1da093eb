#include "KitPixels.h"
#include "kit/KitFonts.h"
#include "kit/KovLookAndFeel.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
using kitpixels::at;
using kitpixels::colourNear;
using kitpixels::over;

const auto& palette = kov::KitPalette::standard();
const juce::Colour canvas (0xff000000);

juce::Point<float> polar (juce::Point<float> centre, float angle, float distance)
{
    return { centre.x + distance * std::sin (angle), centre.y - distance * std::cos (angle) };
}

TEST (KovLookAndFeel, SetsFourColourIdsFromThePalette)
{
    auto edited = palette;
    edited.text = juce::Colour (0xff102030);
    edited.accent = juce::Colour (0xff405060);
    kov::KovLookAndFeel lf (edited);

    EXPECT_EQ (lf.findColour (juce::Slider::textBoxTextColourId), edited.text);
    EXPECT_EQ (lf.findColour (juce::Slider::textBoxOutlineColourId), juce::Colour (0x00000000));
    EXPECT_EQ (lf.findColour (juce::Label::textColourId), edited.text);
    EXPECT_EQ (lf.findColour (juce::Slider::rotarySliderFillColourId), edited.accent);

    // Later palette edits do not touch the colour ids.
    lf.palette.text = juce::Colours::red;
    EXPECT_EQ (lf.findColour (juce::Slider::textBoxTextColourId), edited.text);
}

TEST (KovLookAndFeel, ValueBoxesAreMonospacedCentredDimAndUnoutlined)
{
    kov::KovLookAndFeel lf (palette);
    juce::Slider slider (juce::Slider::RotaryHorizontalVerticalDrag, juce::Slider::TextBoxBelow);
    slider.setLookAndFeel (&lf);
    std::unique_ptr<juce::Label> box (lf.createSliderTextBox (slider));

    EXPECT_EQ (box->getFont().getTypefaceName(), kov::monoFont (12.0f).getTypefaceName());
    EXPECT_FLOAT_EQ (box->getFont().getHeight(), 12.0f);
    EXPECT_EQ (box->getJustificationType(), juce::Justification (juce::Justification::centred));
    EXPECT_EQ (box->findColour (juce::Label::textColourId), palette.textDim);
    EXPECT_EQ (box->findColour (juce::Label::outlineColourId).getAlpha(), 0);
    EXPECT_EQ (box->findColour (juce::TextEditor::textColourId), palette.text); // while typing
    slider.setLookAndFeel (nullptr);
}

// -------------------------------------------------------------------------------------------
// Vertical fader, painted 2x so that 1-px marks on half-pixel positions cover whole pixels.

constexpr float faderScale = 2.0f;

juce::Image paintFader (int width, int height, float sliderPos, juce::Slider::SliderStyle style = juce::Slider::LinearVertical,
                        juce::LookAndFeel_V4* lookAndFeel = nullptr)
{
    kov::KovLookAndFeel kit (palette);
    juce::Slider slider (style, juce::Slider::NoTextBox);
    auto& lf = lookAndFeel != nullptr ? *lookAndFeel : static_cast<juce::LookAndFeel_V4&> (kit);
    return kitpixels::render (width, height, faderScale, canvas, [&] (juce::Graphics& g) {
        lf.drawLinearSlider (g, 0, 0, width, height, sliderPos, 3.0f, (float) height - 3.0f, style, slider);
    });
}

TEST (KovFader, DrawsTrackFillTicksAndCap)
{
    // 60 x 120: cx 30, track (27, 3, 6, 114), thumb at 60, cap 34 wide (13..47), 14 tall (53..67).
    const auto image = paintFader (60, 120, 60.0f);

    EXPECT_TRUE (colourNear (at (image, 30, 20, faderScale), palette.well));
    EXPECT_TRUE (colourNear (at (image, 30, 100, faderScale), over (palette.well, palette.accent.withAlpha ((juce::uint8) 0x8c))));
    EXPECT_TRUE (colourNear (at (image, 25, 100, faderScale), canvas));

    // Centre line of the cap: (16, 59, 28, 2) in the accent.
    EXPECT_TRUE (colourNear (at (image, 16.25f, 60, faderScale), palette.accent));
    EXPECT_TRUE (colourNear (at (image, 43.75f, 59.25f, faderScale), palette.accent));
    EXPECT_FALSE (colourNear (at (image, 15.75f, 60, faderScale), palette.accent, 30));
    EXPECT_FALSE (colourNear (at (image, 30, 61.75f, faderScale), palette.accent, 30));
    // The cap's outer columns are just inside 13 and 47.
    EXPECT_FALSE (colourNear (at (image, 13.75f, 57, faderScale), canvas, 1));
    EXPECT_TRUE (colourNear (at (image, 12.25f, 57, faderScale), canvas, 1));
    EXPECT_TRUE (colourNear (at (image, 47.75f, 57, faderScale), canvas, 1));

    // Five ticks 8 px right of the centre, at 0, 1/4, 1/2, 3/4, 1 of the track: y 3, 31.5, 60, 88.5, 117.
    const auto tick = over (canvas, palette.textDim.withAlpha ((juce::uint8) 0x59));
    for (auto y : { 31.5f, 88.5f })
    {
        EXPECT_TRUE (colourNear (at (image, 38.25f, y - 0.25f, faderScale), tick)) << y;
        EXPECT_TRUE (colourNear (at (image, 43.75f, y - 0.25f, faderScale), tick)) << y;
        EXPECT_TRUE (colourNear (at (image, 44.25f, y - 0.25f, faderScale), canvas)) << y;
        EXPECT_TRUE (colourNear (at (image, 40.0f, y + 0.75f, faderScale), canvas)) << y;
    }
    EXPECT_TRUE (colourNear (at (image, 41.0f, 2.75f, faderScale), tick));
    EXPECT_TRUE (colourNear (at (image, 41.0f, 116.75f, faderScale), tick));
}

struct CapCase
{
    int width;
    float capWidth;
};

class KovFaderCap : public ::testing::TestWithParam<CapCase>
{
};

TEST_P (KovFaderCap, IsWidthLessFourUpTo34)
{
    const auto [width, capWidth] = GetParam();
    const auto image = paintFader (width, 100, 50.0f);
    const auto cx = (float) width * 0.5f;
    // The centre line runs from capX + 3 to capX + capW - 3.
    const auto lineLeft = cx - capWidth * 0.5f + 3.0f;
    EXPECT_TRUE (colourNear (at (image, lineLeft + 0.25f, 49.5f, faderScale), palette.accent)) << width;
    EXPECT_FALSE (colourNear (at (image, lineLeft - 0.25f, 49.5f, faderScale), palette.accent, 30)) << width;
}

INSTANTIATE_TEST_SUITE_P (Widths, KovFaderCap,
                          ::testing::Values (CapCase { 20, 16.0f }, CapCase { 38, 34.0f }, CapCase { 60, 34.0f }, CapCase { 200, 34.0f }));

TEST (KovFader, PositionsOutsideTheTrackClampToTheNearerEnd)
{
    // Above the top: the centre line sits at top + 0 - 1 .. +1 = 2..4; below: 116..118.
    const auto above = paintFader (60, 120, -80.0f);
    EXPECT_TRUE (colourNear (at (above, 30, 3.0f, faderScale), palette.accent));
    const auto below = paintFader (60, 120, 500.0f);
    EXPECT_TRUE (colourNear (at (below, 30, 117.0f, faderScale), palette.accent));
}

TEST (KovFader, OtherStylesAreTheFrameworksOwn)
{
    juce::LookAndFeel_V4 framework;
    for (auto style : { juce::Slider::LinearHorizontal, juce::Slider::LinearBar, juce::Slider::TwoValueVertical })
    {
        const auto ours = paintFader (120, 40, 70.0f, style);
        const auto theirs = paintFader (120, 40, 70.0f, style, &framework);
        for (int y = 0; y < ours.getHeight(); ++y)
            for (int x = 0; x < ours.getWidth(); ++x)
                ASSERT_EQ (ours.getPixelAt (x, y).getARGB(), theirs.getPixelAt (x, y).getARGB()) << style << " " << x << "," << y;
    }
}

// -------------------------------------------------------------------------------------------
// Arc knob. A 100 x 100 area: radius 45, stroke 4.5, arc radius 42.75, body radius 36.45,
// pointer 10.935..33.534 wide 3.15, end ticks 43..47.

constexpr float knobScale = 2.0f;
constexpr float startAngle = -2.3561945f;
constexpr float endAngle = 2.3561945f;
const juce::Point<float> knobCentre (50.0f, 50.0f);

juce::Image paintArcKnob (float sliderPos, int size = 100)
{
    kov::KovLookAndFeel lf (palette);
    juce::Slider slider;
    return kitpixels::render (juce::jmax (1, size), juce::jmax (1, size), knobScale, canvas, [&] (juce::Graphics& g) {
        lf.drawRotarySlider (g, 0, 0, size, size, sliderPos, startAngle, endAngle, slider);
    });
}

juce::Colour alongAngle (const juce::Image& image, float angle, float distance)
{
    const auto p = polar (knobCentre, angle, distance);
    return at (image, p.x, p.y, knobScale);
}

TEST (KovArcKnob, GeometryOfA100PixelArea)
{
    const auto image = paintArcKnob (0.5f); // pointer straight up
    const auto backgroundArc = palette.surface.brighter (0.22f);

    // Value arc from the start to straight up, background arc beyond; both 40.5..45 from the centre.
    for (auto d : { 41.0f, 42.75f, 44.5f })
    {
        EXPECT_TRUE (colourNear (alongAngle (image, -1.0f, d), palette.accent)) << d;
        EXPECT_TRUE (colourNear (alongAngle (image, 1.0f, d), backgroundArc)) << d;
    }
    EXPECT_TRUE (colourNear (alongAngle (image, 1.0f, 45.8f), canvas, 1));
    EXPECT_FALSE (colourNear (alongAngle (image, 1.0f, 39.8f), backgroundArc, 6));

    // Pointer along the angle from 10.935 to 33.534, 3.15 wide, rounded ends.
    EXPECT_TRUE (colourNear (alongAngle (image, 0.0f, 12.0f), palette.accent));
    EXPECT_TRUE (colourNear (alongAngle (image, 0.0f, 33.0f), palette.accent));
    EXPECT_FALSE (colourNear (alongAngle (image, 0.0f, 8.5f), palette.accent, 40));
    EXPECT_FALSE (colourNear (alongAngle (image, 0.0f, 35.8f), palette.accent, 40));
    EXPECT_TRUE (colourNear (at (image, 51.2f, 30.0f, knobScale), palette.accent));
    EXPECT_FALSE (colourNear (at (image, 52.3f, 30.0f, knobScale), palette.accent, 40));

    // Body disc of radius 36.45: its rim lies inside 36.45, the gap to the arc outside it.
    EXPECT_FALSE (colourNear (alongAngle (image, 1.6f, 35.5f), canvas, 4));

    // End ticks from 43 to 47 at both ends of the travel, beyond the arc's outer edge.
    const auto tick = over (canvas, palette.textDim.withAlpha ((juce::uint8) 0x80));
    EXPECT_TRUE (colourNear (alongAngle (image, startAngle, 46.0f), tick, 6));
    EXPECT_TRUE (colourNear (alongAngle (image, endAngle, 46.0f), tick, 6));
    EXPECT_TRUE (colourNear (alongAngle (image, startAngle, 47.8f), canvas, 1));
}

TEST (KovArcKnob, EndsOfTheTravel)
{
    const auto atStart = paintArcKnob (0.0f);
    EXPECT_TRUE (colourNear (alongAngle (atStart, startAngle, 20.0f), palette.accent));
    EXPECT_TRUE (colourNear (alongAngle (atStart, startAngle + 0.4f, 42.75f), palette.surface.brighter (0.22f)));

    const auto atEnd = paintArcKnob (1.0f);
    EXPECT_TRUE (colourNear (alongAngle (atEnd, endAngle, 20.0f), palette.accent));
    for (auto a : { -2.0f, 0.0f, 2.0f })
        EXPECT_TRUE (colourNear (alongAngle (atEnd, a, 42.75f), palette.accent)) << a;
}

TEST (KovArcKnob, TinyAreasDrawWithoutFailing)
{
    for (auto size : { 10, 6, 1, 0 })
        paintArcKnob (0.3f, size);
}
} // namespace
