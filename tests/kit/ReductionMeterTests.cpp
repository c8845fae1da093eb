#include "kit/ReductionMeter.h"

#include "support/RecordingGraphics.h"

#include <gtest/gtest.h>

namespace
{
const auto& palette = kov::KitPalette::standard();
const auto majorTick = palette.textDim.withAlpha ((juce::uint8) 0xb2);
const auto minorTick = palette.textDim.withAlpha ((juce::uint8) 0x59);

class ReductionMeterTest : public ::testing::Test
{
protected:
    kov::ReductionMeter meter { palette };

    void SetUp() override { meter.setSize (40, 108); } // column 100 px high: 20 segments of 5 px

    std::unique_ptr<RecordingGraphics> render()
    {
        auto target = std::make_unique<RecordingGraphics> (meter.getWidth(), meter.getHeight());
        meter.paint (target->g());
        return target;
    }

    static std::vector<float> tops (const std::vector<RecordingGraphics::Fill>& fills)
    {
        std::vector<float> result;
        for (const auto& fill : fills)
            result.push_back (fill.bounds.getY());
        return result;
    }
};
} // namespace

TEST (ReductionMapping, BothScales)
{
    struct Case { float db; bool log; float proportion; };
    const Case cases[] = {
        { 0.0f, true, 0.0f },   { 6.0f, true, 0.498813f }, { 24.0f, true, 0.936904f },
        { 200.0f, true, 1.0f }, { -3.0f, true, 0.0f },     { 1000.0f, true, 1.0f },
        { 0.0f, false, 0.0f },  { 5.0f, false, 0.5f },     { 6.0f, false, 0.6f },
        { 10.0f, false, 1.0f }, { 30.0f, false, 1.0f },    { -2.0f, false, 0.0f },
    };

    for (const auto& c : cases)
        EXPECT_NEAR (kov::reductionToProportion (c.db, c.log), c.proportion, 1.0e-5f) << c.db << (c.log ? " log" : " linear");

    // Finite amounts never fill the logarithmic column.
    EXPECT_LT (kov::reductionToProportion (60.0f, true), 1.0f);
}

TEST_F (ReductionMeterTest, SegmentsLightFromTheTopDown)
{
    meter.setLogScale (false);
    meter.setReduction (5.0f);
    meter.setPeakReduction (0.0f);

    const auto lit = render()->fillsOf (palette.meterMid);
    ASSERT_EQ (lit.size(), 10u);
    for (size_t i = 0; i < lit.size(); ++i)
        EXPECT_NEAR (lit[i].bounds.getY(), 4.0f + 5.0f * (float) i + 0.75f, 1.0e-3f); // gap 1.5, half above

    EXPECT_NEAR (lit[0].bounds.getX(), 26.0f, 1.0e-3f); // well at 22 (scale on the left), inset 4
}

TEST_F (ReductionMeterTest, SegmentsBeyondSixDbTakeTheHighColourWhenTwoColour)
{
    meter.setLogScale (false);
    meter.setReduction (10.0f);

    const auto target = render();
    EXPECT_EQ (target->fillsOf (palette.meterMid).size(), 12u);  // centres up to 0.6
    EXPECT_EQ (target->fillsOf (palette.meterHigh).size(), 8u);

    meter.setTwoColour (false);
    const auto single = render();
    EXPECT_EQ (single->fillsOf (palette.meterMid).size(), 20u);
    EXPECT_TRUE (single->fillsOf (palette.meterHigh).empty());
}

TEST_F (ReductionMeterTest, ScaleMarksFollowTheChosenScale)
{
    // Logarithmic: majors 0, 6, 12, 24 and minors 3, 9, 18, placed downward from the top.
    const auto log = render();
    std::vector<float> expectedMajors, expectedMinors;
    for (const auto db : { 0.0f, 6.0f, 12.0f, 24.0f })
        expectedMajors.push_back (4.0f + 100.0f * kov::reductionToProportion (db, true) - 0.5f);
    for (const auto db : { 3.0f, 9.0f, 18.0f })
        expectedMinors.push_back (4.0f + 100.0f * kov::reductionToProportion (db, true) - 0.5f);

    const auto majors = tops (log->fillsOf (majorTick));
    const auto minors = tops (log->fillsOf (minorTick));
    ASSERT_EQ (majors.size(), expectedMajors.size());
    ASSERT_EQ (minors.size(), expectedMinors.size());
    for (size_t i = 0; i < majors.size(); ++i)
        EXPECT_NEAR (majors[i], expectedMajors[i], 1.0e-3f);
    for (size_t i = 0; i < minors.size(); ++i)
        EXPECT_NEAR (minors[i], expectedMinors[i], 1.0e-3f);

    // Linear: majors every 2 dB from 0 to 10, minors on the odd values, 10 px per dB.
    meter.setLogScale (false);
    const auto linear = render();
    EXPECT_EQ (tops (linear->fillsOf (majorTick)), (std::vector<float> { 3.5f, 23.5f, 43.5f, 63.5f, 83.5f, 103.5f }));
    EXPECT_EQ (tops (linear->fillsOf (minorTick)), (std::vector<float> { 13.5f, 33.5f, 53.5f, 73.5f, 93.5f }));
}

TEST_F (ReductionMeterTest, WellAndStripSwapSides)
{
    const auto wellColour = palette.well.withAlpha ((juce::uint8) 0xd9);

    const auto left = render()->fillsOf (wellColour);
    ASSERT_EQ (left.size(), 1u);
    EXPECT_EQ (left[0].bounds, juce::Rectangle<float> (22.0f, 0.0f, 18.0f, 108.0f));

    meter.setScaleOnLeft (false);
    const auto target = render();
    const auto right = target->fillsOf (wellColour);
    ASSERT_EQ (right.size(), 1u);
    EXPECT_EQ (right[0].bounds, juce::Rectangle<float> (0.0f, 0.0f, 18.0f, 108.0f));
    for (const auto& tick : target->fillsOf (majorTick))
        EXPECT_FLOAT_EQ (tick.bounds.getX(), 18.0f); // against the well, on the strip's left
}

TEST_F (ReductionMeterTest, EmbossingAddsLightAndDarkCopiesOfEveryMark)
{
    meter.setEmbossed (true);
    const auto target = render();
    const auto light = target->fillsOf (juce::Colour (0x29ffffff));
    const auto dark = target->fillsOf (juce::Colour (0x8c000000));
    EXPECT_EQ (light.size(), 7u);
    EXPECT_EQ (dark.size(), 7u);
}

TEST_F (ReductionMeterTest, NarrowMeterGivesTheStripEverything)
{
    meter.setSize (15, 60);
    meter.setReduction (12.0f);
    for (const auto& fill : render()->fillsOf (palette.meterMid))
        EXPECT_FLOAT_EQ (fill.bounds.getWidth(), 0.0f);
}
