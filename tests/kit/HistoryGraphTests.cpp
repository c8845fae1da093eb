#include "kit/HistoryGraph.h"

#include "support/RecordingGraphics.h"

#include <gtest/gtest.h>

namespace
{
const auto orange = kov::KitPalette::standard().orange;
const auto brightBar = orange.withAlpha ((juce::uint8) 0xeb);
const auto envelopeFill = orange.withAlpha ((juce::uint8) 0xcc);
const auto brown = kov::KitPalette::standard().brown;

class HistoryGraphTest : public ::testing::Test
{
protected:
    kov::HistoryGraph graph { kov::KitPalette::standard() };

    std::unique_ptr<RecordingGraphics> render()
    {
        auto target = std::make_unique<RecordingGraphics> (graph.getWidth(), graph.getHeight());
        graph.paint (target->g());
        return target;
    }

    // Left edges of the drawn bright bars, as point indices.
    std::vector<int> barPoints (const RecordingGraphics& target, float spacing = 2.0f)
    {
        std::vector<int> points;
        for (const auto& fill : target.fillsOf (brightBar))
            points.push_back (juce::roundToInt ((fill.bounds.getX() - 7.0f) / spacing));
        return points;
    }

    void fill (int count, kov::HistoryGraph::Entry entry = { -0.2f, 0.2f, -0.1f, 0.1f, 3.0f })
    {
        for (int i = 0; i < count; ++i)
            graph.addEntry (entry);
    }
};
} // namespace

TEST_F (HistoryGraphTest, RingLengthFollowsWidthAndSpacing)
{
    struct Case { int width; float spacing; int length; int gap; };
    const Case cases[] = {
        { 100, 2.0f, 50, 4 },
        { 12, 1.0f, 12, 2 },     // the gap's minimum
        { 23, 1.0f, 23, 2 },
        { 168, 1.0f, 168, 14 },  // from here on the gap is at its maximum
        { 400, 1.0f, 400, 14 },
        { 1, 2.0f, 1, 2 },       // narrower than one step: still one point
        { 0, 2.0f, 1, 2 },
        { 7, 2.5f, 2, 2 },
    };

    for (const auto& c : cases)
    {
        graph.setPointSpacing (c.spacing);
        graph.setSize (c.width, 60);
        EXPECT_EQ (graph.getLength(), c.length) << c.width << " / " << c.spacing;
        EXPECT_EQ ((int) graph.getEntries().size(), c.length);
        EXPECT_EQ (kov::HistoryGraph::gapLength (graph.getLength()), c.gap) << c.width;
        EXPECT_EQ (graph.getWriteIndex(), 0);
    }
}

TEST_F (HistoryGraphTest, SpacingIsKeptUsable)
{
    graph.setSize (100, 60);
    graph.setPointSpacing (0.0f);
    EXPECT_EQ (graph.getLength(), 200); // taken as half a pixel

    graph.setPointSpacing (-5.0f);
    EXPECT_EQ (graph.getLength(), 200);

    graph.setPointSpacing (std::numeric_limits<float>::infinity());
    EXPECT_EQ (graph.getLength(), 200); // ignored
}

TEST_F (HistoryGraphTest, EntriesWrapAroundTheRingAndResizingClearsIt)
{
    graph.addEntry ({}); // no size yet: nothing to write into
    EXPECT_EQ (graph.getWriteIndex(), 0);

    graph.setSize (20, 60); // 10 points
    fill (13, { 0.0f, 0.0f, 0.0f, 0.0f, 1.0f });
    EXPECT_EQ (graph.getWriteIndex(), 3);
    EXPECT_FLOAT_EQ (graph.getEntries()[9].dropDb, 1.0f);

    graph.setSize (30, 60);
    EXPECT_EQ (graph.getWriteIndex(), 0);
    EXPECT_EQ (graph.getLength(), 15);
    EXPECT_FLOAT_EQ (graph.getEntries()[9].dropDb, 0.0f);
}

TEST_F (HistoryGraphTest, BlankGapSweepsAheadOfTheWritePosition)
{
    graph.setSize (100, 60); // 50 points, gap 4
    fill (3);

    std::vector<int> expected;
    for (int k = 0; k < 50; ++k)
        if (k < 3 || k >= 7)
            expected.push_back (k);
    EXPECT_EQ (barPoints (*render()), expected);

    fill (46); // write position 49: the gap wraps to points 49, 0, 1, 2
    expected.clear();
    for (int k = 3; k < 49; ++k)
        expected.push_back (k);
    EXPECT_EQ (barPoints (*render()), expected);
}

TEST_F (HistoryGraphTest, TraceValuesAreClampedAndFlatBarsAreOnePixelHigh)
{
    graph.setSize (100, 114); // plot height 100: centre y 57, amplitude 46
    graph.setShowThreshold (false);
    fill (1, { -1.0f, 1.0f, -9.0f, 5.0f, 0.0f });
    fill (1, { 0.0f, 0.0f, 0.5f, 0.5f, 0.0f });

    const auto bars = render()->fillsOf (brightBar);
    ASSERT_EQ (bars.size(), 50u - 4u);

    EXPECT_NEAR (bars[0].bounds.getY(), 57.0f - 46.0f * 1.15f, 1.0e-3f);
    EXPECT_NEAR (bars[0].bounds.getBottom(), 57.0f + 46.0f * 1.15f, 1.0e-3f);
    EXPECT_FLOAT_EQ (bars[0].bounds.getWidth(), 1.5f);

    EXPECT_NEAR (bars[1].bounds.getY(), 57.0f - 23.0f, 1.0e-3f);
    EXPECT_FLOAT_EQ (bars[1].bounds.getHeight(), 1.0f);
}

TEST_F (HistoryGraphTest, BeyondThresholdPartsAreDrawnOnlyWhenThresholdShows)
{
    graph.setSize (100, 114);
    graph.setThreshold (0.5f);
    fill (1, { -0.8f, 0.9f, -0.1f, 0.1f, 0.0f }); // beyond on both sides
    fill (1, { -0.2f, 0.7f, -0.1f, 0.1f, 0.0f }); // beyond above only

    const auto parts = render()->fillsOf (brown);
    ASSERT_EQ (parts.size(), 3u);
    EXPECT_NEAR (parts[0].bounds.getY(), 57.0f - 46.0f * 0.9f, 1.0e-3f);
    EXPECT_NEAR (parts[0].bounds.getBottom(), 57.0f - 23.0f, 1.0e-3f);
    EXPECT_NEAR (parts[1].bounds.getY(), 57.0f + 23.0f, 1.0e-3f);
    EXPECT_NEAR (parts[1].bounds.getBottom(), 57.0f + 46.0f * 0.8f, 1.0e-3f);

    graph.setShowThreshold (false);
    EXPECT_TRUE (render()->fillsOf (brown).empty());
}

TEST_F (HistoryGraphTest, SinglePointRunIsABarButNoEnvelope)
{
    graph.setSize (100, 114); // 50 points, gap 4
    fill (51);                 // write position 1: visible runs [0, 1) and [5, 50)

    EXPECT_EQ (barPoints (*render()).front(), 0);

    graph.setFilledEnvelope (true);
    const auto target = render();
    EXPECT_TRUE (target->fillsOf (brightBar).empty());

    const auto envelopes = target->fillsOf (envelopeFill);
    ASSERT_EQ (envelopes.size(), 1u);
    const auto firstCentre = 5.0f * 2.0f + 7.0f + 0.75f, lastCentre = 49.0f * 2.0f + 7.0f + 0.75f;
    EXPECT_NEAR (envelopes[0].bounds.getX(), firstCentre, 1.0e-3f);
    EXPECT_NEAR (envelopes[0].bounds.getRight(), lastCentre, 1.0e-3f);
    EXPECT_NEAR (envelopes[0].bounds.getY(), 57.0f - 46.0f * 0.2f, 1.0e-3f);

    // The reduction area hangs from the top edge down to 3 dB of a 12-dB full scale.
    const auto drops = target->fillsOf (juce::Colour (0x1affffff));
    const auto hanging = std::find_if (drops.begin(), drops.end(), [] (const auto& f) { return f.kind == RecordingGraphics::Kind::path; });
    ASSERT_NE (hanging, drops.end());
    EXPECT_NEAR (hanging->bounds.getY(), 7.0f, 1.0e-3f);
    EXPECT_NEAR (hanging->bounds.getBottom(), 7.0f + 100.0f * 0.25f, 1.0e-3f);
}

TEST_F (HistoryGraphTest, EmptyRingDrawsOnlyTheFrame)
{
    // Never sized: no entries, so nothing but the frame, grid and threshold.
    RecordingGraphics target (10, 10);
    graph.paint (target.g());
    EXPECT_TRUE (target.fillsOf (brightBar).empty());
    EXPECT_TRUE (target.fillsOf (orange.withAlpha ((juce::uint8) 0x26)).empty());
}
