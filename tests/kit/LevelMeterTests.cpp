#include "KitPixels.h"
#include "kit/LevelMeter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace
{
using kov::LevelMeter;

const std::vector<kov::ColourStop> meterStops()
{
    const auto& p = kov::KitPalette::standard();
    return { { 0.625f, p.meterLow }, { 0.875f, p.meterMid }, { 1.0f, p.meterHigh } };
}

// -------------------------------------------------------------------------------------------
// Ballistics

struct BallisticsCase
{
    const char* name;
    std::vector<float> calls;
    float level, peak, hold;
};

class LevelMeterBallistics : public ::testing::TestWithParam<BallisticsCase>
{
};

TEST_P (LevelMeterBallistics, FollowsTheCallSequence)
{
    LevelMeter meter (kov::KitPalette::standard());
    for (auto v : GetParam().calls)
        meter.setLevel (v);

    EXPECT_NEAR (meter.getLevelDb(), GetParam().level, 1.0e-4f);
    EXPECT_NEAR (meter.getPeakDb(), GetParam().peak, 1.0e-4f);
    EXPECT_FLOAT_EQ (meter.getPeakHold(), GetParam().hold);
}

INSTANTIATE_TEST_SUITE_P (
    Sequences, LevelMeterBallistics,
    ::testing::Values (BallisticsCase { "SilenceClampsToBottom", { -100.0f }, -48.0f, -48.0f, 45.0f },
                       BallisticsCase { "OverRangeClampsToSix", { 12.0f }, 6.0f, 6.0f, 45.0f },
                       BallisticsCase { "InstantRise", { -12.0f }, -12.0f, -12.0f, 45.0f },
                       BallisticsCase { "FallByThreeTenths", { -12.0f, -48.0f }, -22.8f, -12.0f, 44.0f },
                       BallisticsCase { "EqualLevelRestartsHold", { -12.0f, -48.0f, -12.0f }, -12.0f, -12.0f, 45.0f },
                       BallisticsCase { "NanCountsAsSilence", { -12.0f, std::nanf (""), -6.0f }, -6.0f, -6.0f, 45.0f },
                       BallisticsCase { "InfinityClamps", { std::numeric_limits<float>::infinity() }, 6.0f, 6.0f, 45.0f },
                       BallisticsCase { "RiseBelowPeakKeepsCounting", { -6.0f, -48.0f, -10.0f }, -10.0f, -6.0f, 43.0f }),
    [] (const auto& testInfo) { return std::string (testInfo.param.name); });

TEST (LevelMeterBallistics, PeakHoldsFortyFiveCallsThenFallsByEightPercent)
{
    LevelMeter meter (kov::KitPalette::standard());
    meter.setLevel (-12.0f);

    float level = -12.0f;
    for (int call = 1; call <= 45; ++call)
    {
        meter.setLevel (-48.0f);
        level += (-48.0f - level) * 0.3f;
        ASSERT_FLOAT_EQ (meter.getPeakDb(), -12.0f) << "call " << call;
        ASSERT_NEAR (meter.getLevelDb(), level, 1.0e-3f);
    }
    EXPECT_FLOAT_EQ (meter.getPeakHold(), 0.0f);

    meter.setLevel (-48.0f);
    level += (-48.0f - level) * 0.3f;
    const auto expectedPeak = -12.0f + (level - -12.0f) * 0.08f;
    EXPECT_NEAR (meter.getPeakDb(), expectedPeak, 1.0e-3f);

    meter.setLevel (-48.0f);
    level += (-48.0f - level) * 0.3f;
    EXPECT_NEAR (meter.getPeakDb(), expectedPeak + (level - expectedPeak) * 0.08f, 1.0e-3f);
}

TEST (LevelMeterProportion, MapsMinus48To0AndZeroDbToOne)
{
    EXPECT_FLOAT_EQ (kov::dbToProportion (-48.0f), 0.0f);
    EXPECT_FLOAT_EQ (kov::dbToProportion (-24.0f), 0.5f);
    EXPECT_FLOAT_EQ (kov::dbToProportion (0.0f), 1.0f);
    EXPECT_FLOAT_EQ (kov::dbToProportion (6.0f), 1.0f);
    EXPECT_FLOAT_EQ (kov::dbToProportion (-100.0f), 0.0f);
}

// -------------------------------------------------------------------------------------------
// Segmented bar. Painted 4x so that even a 1-px gap leaves whole dark pixels between segments.

constexpr float barScale = 4.0f;

juce::Image paintBar (float height, float level, float peak, bool fromTop)
{
    return kitpixels::render (10, (int) height, barScale, juce::Colours::transparentBlack, [&] (juce::Graphics& g) {
        kov::drawSegmentedBar (g, { 0.0f, 0.0f, 10.0f, height }, level, peak, meterStops(), fromTop);
    });
}

struct SegmentCountCase
{
    float height;
    int segments;
    float gap;
};

class SegmentedBarCount : public ::testing::TestWithParam<SegmentCountCase>
{
};

// Length of the gap between the two lowest segments, from the pixels' coverage.
float measureLowestGap (const juce::Image& image, float height, float pitch)
{
    float dark = 0.0f;
    const auto from = (int) std::ceil ((height - 1.5f * pitch) * barScale);
    const auto to = (int) std::floor ((height - 0.5f * pitch) * barScale);
    for (int y = from; y < to; ++y)
        dark += 1.0f - (float) image.getPixelAt (20, y).getAlpha() / 255.0f;
    return dark / barScale;
}

TEST_P (SegmentedBarCount, SplitsTheColumnIntoSegments)
{
    const auto [height, segments, gap] = GetParam();
    const auto image = paintBar (height, 1.0f, 0.0f, false);
    EXPECT_EQ (kitpixels::countRuns (image, 20), segments);
    EXPECT_NEAR (measureLowestGap (image, height, height / (float) segments), gap, 0.02f);
}

INSTANTIATE_TEST_SUITE_P (Heights, SegmentedBarCount,
                          ::testing::Values (SegmentCountCase { 112.0f, 22, 112.0f / 22.0f * 0.3f }, // 120-px meter
                                             SegmentCountCase { 20.0f, 6, 1.0f },                    // at least 6
                                             SegmentCountCase { 10.0f, 6, 0.5f },
                                             SegmentCountCase { 34.0f, 6, 1.6f }, // 1.7 capped at 1.6
                                             SegmentCountCase { 300.0f, 60, 1.5f }));

TEST (SegmentedBar, ColoursLevelAndPeakSegments)
{
    const auto& p = kov::KitPalette::standard();
    constexpr float h = 112.0f;
    constexpr int n = 22;
    const auto level = 10.5f / n; // segments 0..10 lit
    const auto peak = 19.5f / n;  // segment 19 marked
    const auto image = paintBar (h, level, peak, false);
    const auto centreOf = [] (int i) { return h - (h / n) * ((float) i + 0.5f); };

    EXPECT_TRUE (kitpixels::colourNear (kitpixels::at (image, 5, centreOf (0), barScale), p.meterLow));
    EXPECT_TRUE (kitpixels::colourNear (kitpixels::at (image, 5, centreOf (10), barScale), p.meterLow));
    // Segment 11 is unlit: the low colour at alpha 0x16.
    EXPECT_TRUE (kitpixels::colourNear (kitpixels::at (image, 5, centreOf (11), barScale), p.meterLow.withAlpha ((juce::uint8) 0x16)));
    // Segments 14..18 take the mid colour, 19..21 the high colour (by segment centre).
    EXPECT_TRUE (kitpixels::colourNear (kitpixels::at (image, 5, centreOf (13), barScale), p.meterLow.withAlpha ((juce::uint8) 0x16)));
    EXPECT_TRUE (kitpixels::colourNear (kitpixels::at (image, 5, centreOf (14), barScale), p.meterMid.withAlpha ((juce::uint8) 0x16)));
    EXPECT_TRUE (kitpixels::colourNear (kitpixels::at (image, 5, centreOf (18), barScale), p.meterMid.withAlpha ((juce::uint8) 0x16)));
    // The peak segment is the brightened colour whatever the level.
    EXPECT_TRUE (kitpixels::colourNear (kitpixels::at (image, 5, centreOf (19), barScale), p.meterHigh.brighter (0.6f)));
    EXPECT_TRUE (kitpixels::colourNear (kitpixels::at (image, 5, centreOf (20), barScale), p.meterHigh.withAlpha ((juce::uint8) 0x16)));
}

TEST (SegmentedBar, BrightenedPeakUsesFiveEighthsOfTheDistanceToWhite)
{
    // 255 - (255 - c) x 0.625, truncated: 0x36 -> 129, 0xc7 -> 220, 0x5a -> 151.
    const auto bright = kov::KitPalette::standard().meterLow.brighter (0.6f);
    EXPECT_EQ (bright.getRed(), 129);
    EXPECT_EQ (bright.getGreen(), 220);
    EXPECT_EQ (bright.getBlue(), 151);
}

TEST (SegmentedBar, ZeroLevelAndPeakLightNothing)
{
    const auto& p = kov::KitPalette::standard();
    const auto image = paintBar (112.0f, 0.0f, 0.0f, false);
    EXPECT_TRUE (kitpixels::colourNear (kitpixels::at (image, 5, 110.0f, barScale), p.meterLow.withAlpha ((juce::uint8) 0x16)));
}

TEST (SegmentedBar, FromTopLightsDownwards)
{
    const auto& p = kov::KitPalette::standard();
    const auto image = paintBar (112.0f, 1.5f / 22.0f, 0.0f, true);
    EXPECT_TRUE (kitpixels::colourNear (kitpixels::at (image, 5, 2.5f, barScale), p.meterLow));
    EXPECT_TRUE (kitpixels::colourNear (kitpixels::at (image, 5, 110.0f, barScale), p.meterHigh.withAlpha ((juce::uint8) 0x16)));
}

TEST (SegmentedBar, EmptyStopListDrawsNothing)
{
    const auto image = kitpixels::render (10, 50, 1.0f, juce::Colours::transparentBlack, [] (juce::Graphics& g) {
        kov::drawSegmentedBar (g, { 0.0f, 0.0f, 10.0f, 50.0f }, 1.0f, 0.5f, {}, false);
    });
    EXPECT_EQ (kitpixels::countRuns (image, 5, 1), 0);
}

// -------------------------------------------------------------------------------------------
// The painted meter. Painted 2x so that 1-px marks on half-pixel positions cover whole pixels.

constexpr float meterScale = 2.0f;

TEST (LevelMeterPaint, LaysOutStripWellAndColumn)
{
    const auto& p = kov::KitPalette::standard();
    LevelMeter meter (p);
    meter.setBounds (0, 0, 40, 120);
    meter.setLevel (0.0f); // full column
    const auto image = kitpixels::renderComponent (meter, meterScale);

    // Column (26, 4, 10, 112): 22 segments, all lit, the top one holding the peak.
    EXPECT_EQ (kitpixels::countRuns (image, (int) (31 * meterScale),
                                     [] (juce::Colour c) { return c.getBrightness() > 0.5f; }),
               22);
    EXPECT_TRUE (kitpixels::colourNear (kitpixels::at (image, 31, 114, meterScale), p.meterLow));
    EXPECT_TRUE (kitpixels::colourNear (kitpixels::at (image, 31, 6, meterScale), p.meterHigh.brighter (0.6f)));

    // Inside the well but outside the column: the well colour over the background.
    const auto wellColour = kitpixels::over (p.background, p.well.withAlpha ((juce::uint8) 0xd9));
    EXPECT_TRUE (kitpixels::colourNear (kitpixels::at (image, 24, 60, meterScale), wellColour));

    // Scale on the left: -6 dB mark at y 18 against the well (x 17..22), its number right-aligned
    // in the 15 px to the left; an empty spot of the strip is the background.
    EXPECT_TRUE (kitpixels::colourNear (kitpixels::at (image, 19.5f, 17.75f, meterScale),
                                        kitpixels::over (p.background, p.textDim.withAlpha ((juce::uint8) 0xb2))));
    EXPECT_TRUE (kitpixels::colourNear (kitpixels::at (image, 19.5f, 24.0f, meterScale), p.background));
    EXPECT_TRUE (kitpixels::colourNear (kitpixels::at (image, 1.0f, 100.0f, meterScale), p.background));
    // Minor mark at -9 dB: y = 116 - 112 x 39/48 = 25, 2.5 px wide against the well.
    EXPECT_TRUE (kitpixels::colourNear (kitpixels::at (image, 21.0f, 24.75f, meterScale),
                                        kitpixels::over (p.background, p.textDim.withAlpha ((juce::uint8) 0x59))));
    EXPECT_TRUE (kitpixels::colourNear (kitpixels::at (image, 18.5f, 24.75f, meterScale), p.background));
}

TEST (LevelMeterPaint, ScaleOnTheRightAndHidden)
{
    const auto& p = kov::KitPalette::standard();
    LevelMeter meter (p);
    meter.setBounds (0, 0, 40, 120);
    meter.setScaleOnLeft (false);
    meter.setLevel (0.0f);
    auto image = kitpixels::renderComponent (meter, meterScale);

    // Well (0..18), column (4, 4, 10, 112); marks at the strip's left edge (x 18..23).
    EXPECT_TRUE (kitpixels::colourNear (kitpixels::at (image, 9, 114, meterScale), p.meterLow));
    EXPECT_TRUE (kitpixels::colourNear (kitpixels::at (image, 20.5f, 17.75f, meterScale),
                                        kitpixels::over (p.background, p.textDim.withAlpha ((juce::uint8) 0xb2))));

    meter.setScaleVisible (false);
    EXPECT_FALSE (meter.isScaleVisible());
    image = kitpixels::renderComponent (meter, meterScale);
    // The well now spans the whole width: column (4, 4, 32, 112).
    EXPECT_TRUE (kitpixels::colourNear (kitpixels::at (image, 34, 114, meterScale), p.meterLow));
}

TEST (LevelMeterPaint, NarrowMeterGivesEverythingToTheStrip)
{
    const auto& p = kov::KitPalette::standard();
    LevelMeter meter (p);
    meter.setBounds (0, 0, 15, 60);
    meter.setLevel (0.0f);
    const auto image = kitpixels::renderComponent (meter, meterScale);
    // No column: nothing meter-coloured anywhere.
    for (int y = 0; y < image.getHeight(); ++y)
        for (int x = 0; x < image.getWidth(); ++x)
            ASSERT_FALSE (kitpixels::near (image.getPixelAt (x, y), p.meterLow, 20)) << x << "," << y;
}

TEST (LevelMeterPaint, PaintingDoesNotChangeTheBallistics)
{
    LevelMeter meter (kov::KitPalette::standard());
    meter.setBounds (0, 0, 40, 120);
    meter.setLevel (-12.0f);
    meter.setLevel (-48.0f);
    kitpixels::renderComponent (meter, 1.0f);
    EXPECT_NEAR (meter.getLevelDb(), -22.8f, 1.0e-4f);
    EXPECT_FLOAT_EQ (meter.getPeakHold(), 44.0f);
    EXPECT_TRUE (meter.isOpaque());
}

TEST (MeterScale, EmbossedMarksAddLightBelowAndShadowAbove)
{
    const auto& p = kov::KitPalette::standard();
    const auto bg = juce::Colour (0xff303030);
    const auto image = kitpixels::render (30, 100, meterScale, bg, [&] (juce::Graphics& g) {
        kov::drawMeterScale (g, p, { 0.0f, 0.0f, 22.0f, 100.0f }, { 0.0f, 10.0f, 10.0f, 80.0f }, false, { -24.0f }, {},
                             kov::dbToProportion, true, true);
    });
    // fromTop: -24 dB (p 0.5) sits at y 50; the mark spans x 0..5.
    EXPECT_TRUE (kitpixels::colourNear (kitpixels::at (image, 2, 49.75f, meterScale), kitpixels::over (bg, p.textDim.withAlpha ((juce::uint8) 0xb2))));
    EXPECT_TRUE (kitpixels::colourNear (kitpixels::at (image, 2, 50.75f, meterScale), kitpixels::over (bg, juce::Colours::white.withAlpha ((juce::uint8) 0x29))));
    EXPECT_TRUE (kitpixels::colourNear (kitpixels::at (image, 2, 48.75f, meterScale), kitpixels::over (bg, juce::Colours::black.withAlpha ((juce::uint8) 0x8c))));
}
} // namespace
