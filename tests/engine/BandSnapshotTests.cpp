#include "engine/SabrelProcessor.h"
#include "support/AllocationCounter.h"

#include <gtest/gtest.h>

namespace
{
class SnapshotBands : public ::testing::Test
{
protected:
    SabrelProcessor processor;

    void setRaw (int band, const char* suffix, float raw)
    {
        auto* p = processor.apvts.getParameter (bandParamId (band, suffix));
        ASSERT_NE (p, nullptr) << suffix;
        p->setValueNotifyingHost (p->convertTo0to1 (raw));
    }

    // Sets the raw value directly, bypassing the parameter's snapping to its legal values.
    void setRawUnsnapped (int band, const char* suffix, float raw)
    {
        processor.apvts.getRawParameterValue (bandParamId (band, suffix))->store (raw);
    }
};

TEST_F (SnapshotBands, FreshInstanceGivesTheParameterDefaults)
{
    const auto bands = processor.snapshotBands();
    for (int b = 0; b < numBands; ++b)
    {
        const auto& s = bands[(size_t) b];
        EXPECT_FALSE (s.on);
        EXPECT_TRUE (s.active);
        EXPECT_FALSE (s.solo);
        EXPECT_EQ (s.type, FilterType::bell);
        // Values come back through the parameters' normalised ranges.
        EXPECT_NEAR (s.freq, (double) defaultBandFrequency (b), 1e-4 * s.freq);
        EXPECT_EQ (s.gain, 0.0);
        EXPECT_NEAR (s.q, 0.707, 1e-5);
        EXPECT_EQ (s.slope, 12);
        EXPECT_EQ (s.tilt, 0.0);
        EXPECT_FALSE (s.dynamic);
        EXPECT_NEAR (s.thresh, -18.0, 1e-5);
        EXPECT_NEAR (s.attackMs, 5.0, 1e-4);
        EXPECT_NEAR (s.releaseMs, 80.0, 1e-3);
        EXPECT_EQ (s.ratio, 1e9);
        EXPECT_NEAR (s.knee, 6.0, 1e-5);
        EXPECT_TRUE (s.autoTiming);
        EXPECT_FALSE (s.sidechain);
        EXPECT_EQ (s.channel, ChannelMode::stereo);
    }
    EXPECT_NEAR (bands[0].freq, 30.0, 1e-3);
    EXPECT_NEAR (bands[23].freq, 16000.0, 1e-1);
}

TEST_F (SnapshotBands, EachParameterLandsInItsOwnBandAndField)
{
    setRaw (7, "on", 1);
    setRaw (7, "type", 4);
    setRaw (7, "freq", 1234.5f);
    setRaw (7, "gain", -7.25f);
    setRaw (7, "q", 3.5f);
    setRaw (7, "slope", 5);
    setRaw (7, "dynon", 1);
    setRaw (7, "thresh", -31.5f);
    setRaw (7, "atk", 12);
    setRaw (7, "rel", 333);
    setRaw (7, "ratio", 4);
    setRaw (7, "knee", 9);
    setRaw (7, "auto", 0);
    setRaw (7, "channel", 3);
    setRaw (7, "scext", 1);
    setRaw (7, "tilt", -4.5f);
    setRaw (8, "solo", 1);
    setRaw (8, "active", 0);

    const auto bands = processor.snapshotBands();
    const auto& s = bands[7];
    EXPECT_TRUE (s.on);
    EXPECT_EQ (s.type, FilterType::highCut);
    EXPECT_NEAR (s.freq, 1234.5, 0.01);
    EXPECT_EQ (s.gain, (double) processor.rawParamValue ("b7_gain"));
    EXPECT_NEAR (s.gain, -7.25, 1e-6);
    EXPECT_NEAR (s.q, 3.5, 1e-4);
    EXPECT_EQ (s.slope, 36);
    EXPECT_TRUE (s.dynamic);
    EXPECT_NEAR (s.thresh, -31.5, 1e-5);
    EXPECT_NEAR (s.attackMs, 12, 1e-3);
    EXPECT_NEAR (s.releaseMs, 333, 1e-2);
    EXPECT_NEAR (s.ratio, 4, 1e-4);
    EXPECT_NEAR (s.knee, 9, 1e-5);
    EXPECT_FALSE (s.autoTiming);
    EXPECT_EQ (s.channel, ChannelMode::left);
    EXPECT_TRUE (s.sidechain);
    EXPECT_NEAR (s.tilt, -4.5, 1e-5);
    EXPECT_FALSE (s.solo);

    EXPECT_TRUE (bands[8].solo);
    EXPECT_FALSE (bands[8].active);
    EXPECT_FALSE (bands[8].on);
    EXPECT_FALSE (bands[6].on);
}

TEST_F (SnapshotBands, ConversionsOfRawValues)
{
    setRaw (0, "ratio", 20);
    setRaw (1, "ratio", 19.9f);
    setRaw (2, "slope", 0);
    setRaw (3, "slope", 8);
    setRawUnsnapped (4, "on", 0.5f);
    setRawUnsnapped (5, "on", 0.49f);
    setRawUnsnapped (6, "type", -0.5f);
    setRawUnsnapped (7, "type", 6.9f);
    setRawUnsnapped (8, "type", 11.0f);
    setRawUnsnapped (9, "channel", 4.7f);
    setRawUnsnapped (10, "slope", 12.0f);
    setRawUnsnapped (11, "ratio", 25.0f);

    const auto bands = processor.snapshotBands();
    EXPECT_EQ (bands[0].ratio, 1e9);
    EXPECT_EQ (bands[1].ratio, (double) processor.rawParamValue ("b1_ratio"));
    EXPECT_NEAR (bands[1].ratio, 19.9, 1e-5);
    EXPECT_EQ (bands[2].slope, 6);
    EXPECT_EQ (bands[3].slope, 96);
    EXPECT_TRUE (bands[4].on);
    EXPECT_FALSE (bands[5].on);
    EXPECT_EQ (bands[6].type, 0);
    EXPECT_EQ (bands[7].type, 6);
    EXPECT_EQ (bands[8].type, 6);
    EXPECT_EQ (bands[9].channel, 4);
    EXPECT_EQ (bands[10].slope, 96);
    EXPECT_EQ (bands[11].ratio, 1e9);
}

TEST_F (SnapshotBands, GainScaleIsLeftToTheCaller)
{
    setRaw (2, "gain", 10);
    setRaw (2, "tilt", 6);
    auto* scale = processor.apvts.getParameter ("gainscale");
    scale->setValueNotifyingHost (scale->convertTo0to1 (50));

    const auto bands = processor.snapshotBands();
    EXPECT_NEAR (bands[2].gain, 10, 1e-6);
    EXPECT_NEAR (bands[2].tilt, 6, 1e-6);
}

TEST_F (SnapshotBands, RawParamValueReadsTheDenormalisedValue)
{
    setRaw (3, "freq", 440);
    EXPECT_NEAR (processor.rawParamValue ("b3_freq"), 440.0f, 0.01f);
    EXPECT_EQ (processor.rawParamValue ("phasemode"), 0.0f);
}

TEST_F (SnapshotBands, TakesNoAllocation)
{
    AllocationCounter counter;
    const auto bands = processor.snapshotBands();
    const auto phaseMode = processor.rawParamValue ("phasemode");
    EXPECT_EQ (counter.count(), 0u);
    EXPECT_FALSE (bands[0].on);
    EXPECT_EQ (phaseMode, 0.0f);
}
} // namespace
