#include "kit/KitFonts.h"
#include "kit/SectionTitle.h"
#include "kit/SegmentedSelector.h"

#include "support/RecordingGraphics.h"
#include "support/RepaintCounter.h"

#include <gtest/gtest.h>

namespace
{
juce::MouseEvent clickAt (juce::Component& component, float x)
{
    const auto now = juce::Time::getCurrentTime();
    const juce::Point<float> position (x, 5.0f);
    return { juce::Desktop::getInstance().getMainMouseSource(), position, {}, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f,
             &component, &component, now, position, now, 1, false };
}

class SegmentedSelectorTest : public ::testing::Test
{
protected:
    kov::SegmentedSelector selector { kov::KitPalette::standard() };
    std::vector<int> notified;

    void SetUp() override
    {
        selector.setSize (90, 24);
        selector.onChange = [this] (int index) { notified.push_back (index); };
    }
};
} // namespace

TEST_F (SegmentedSelectorTest, IndexIsLimitedToTheSegments)
{
    selector.setLabels ({ "Off", "2x", "4x" });

    struct Case { int requested; int selected; };
    for (const auto c : { Case { 1, 1 }, Case { 7, 2 }, Case { -3, 0 }, Case { 2, 2 } })
    {
        selector.setSelectedIndex (c.requested);
        EXPECT_EQ (selector.getSelectedIndex(), c.selected) << c.requested;
    }
    EXPECT_EQ (notified, (std::vector<int> { 1, 2, 0, 2 }));
}

TEST_F (SegmentedSelectorTest, ClickSelectsTheSegmentUnderIt)
{
    selector.setLabels ({ "A", "B", "C" });

    struct Case { float x; int selected; };
    for (const auto c : { Case { 45.0f, 1 }, Case { 29.9f, 0 }, Case { 30.0f, 1 }, Case { 60.0f, 2 },
                          Case { 89.9f, 2 }, Case { 500.0f, 2 }, Case { -50.0f, 0 }, Case { -0.5f, 0 } })
    {
        selector.selectAt (clickAt (selector, c.x));
        EXPECT_EQ (selector.getSelectedIndex(), c.selected) << c.x;
    }
}

TEST_F (SegmentedSelectorTest, UnchangedSelectionNeitherRepaintsNorNotifies)
{
    selector.setLabels ({ "A", "B", "C" });
    selector.setSelectedIndex (1);
    notified.clear();
    RepaintCounter repaints (selector);

    selector.setSelectedIndex (1);
    selector.selectAt (clickAt (selector, 40.0f));
    EXPECT_EQ (repaints.get(), 0);
    EXPECT_TRUE (notified.empty());

    selector.selectAt (clickAt (selector, 70.0f));
    EXPECT_EQ (repaints.get(), 1);
    EXPECT_EQ (notified, (std::vector<int> { 2 }));
}

TEST_F (SegmentedSelectorTest, WithoutLabelsOnlyTheFrameIsDrawnAndClicksAreIgnored)
{
    selector.selectAt (clickAt (selector, 80.0f));
    selector.setSelectedIndex (5);
    EXPECT_EQ (selector.getSelectedIndex(), 0);
    EXPECT_TRUE (notified.empty());

    RecordingGraphics target (90, 24);
    selector.paint (target.g());
    ASSERT_EQ (target.getFills().size(), 2u);
    EXPECT_EQ (target.getFills()[0].colour, kov::KitPalette::standard().well);
    EXPECT_EQ (target.getFills()[1].colour, juce::Colour (0x59000000));
}

TEST_F (SegmentedSelectorTest, ZeroWidthSelectorStillMapsClicksSafely)
{
    selector.setLabels ({ "A", "B", "C" });
    selector.setSize (0, 24);

    selector.selectAt (clickAt (selector, 10.0f));
    EXPECT_EQ (selector.getSelectedIndex(), 2);
    selector.selectAt (clickAt (selector, 0.0f));
    EXPECT_EQ (selector.getSelectedIndex(), 0);
}

TEST_F (SegmentedSelectorTest, FewerLabelsMoveTheSelectionToTheLastSegment)
{
    selector.setLabels ({ "A", "B", "C", "D" });
    selector.setSelectedIndex (3);
    selector.setLabels ({ "A", "B" });
    EXPECT_EQ (selector.getSelectedIndex(), 1);
    EXPECT_EQ (notified, (std::vector<int> { 3, 1 }));
}

TEST_F (SegmentedSelectorTest, SelectedSegmentIsHighlightedAndSeparatorsSplitTheOthers)
{
    selector.setLabels ({ "A", "B", "C" });
    selector.setSelectedIndex (2);

    RecordingGraphics target (90, 24);
    selector.paint (target.g());
    const auto& palette = kov::KitPalette::standard();

    const auto highlight = target.fillsOf (palette.accent.withAlpha ((juce::uint8) 0x2e));
    ASSERT_EQ (highlight.size(), 1u);
    EXPECT_NEAR (highlight[0].bounds.getX(), 63.0f, 1.0e-3f);
    EXPECT_NEAR (highlight[0].bounds.getWidth(), 24.0f, 1.0e-3f);

    const auto separators = target.fillsOf (juce::Colour (0x4c000000));
    ASSERT_EQ (separators.size(), 2u);
    EXPECT_EQ (separators[0].bounds, juce::Rectangle<float> (30.0f, 3.0f, 1.0f, 18.0f));
    EXPECT_EQ (separators[1].bounds, juce::Rectangle<float> (60.0f, 3.0f, 1.0f, 18.0f));

    EXPECT_FALSE (target.fillsOf (palette.accent).empty());  // selected label
    EXPECT_FALSE (target.fillsOf (palette.textDim).empty()); // the others
}

TEST (SectionTitle, RuleFollowsTheHeading)
{
    kov::SectionTitle title (kov::KitPalette::standard());
    title.setSize (200, 20);
    title.setTitleText ("DYNAMICS");

    const auto t = kov::boldFont (10.5f).getStringWidthFloat ("DYNAMICS") + 8.0f;
    EXPECT_FLOAT_EQ (title.getTitleBoxWidth(), t);

    RecordingGraphics target (200, 20);
    title.paint (target.g());
    const auto rules = target.fillsOf (juce::Colour (0x14ffffff));
    ASSERT_EQ (rules.size(), 1u);
    EXPECT_NEAR (rules[0].bounds.getX(), t + 4.0f, 1.0e-3f);
    EXPECT_NEAR (rules[0].bounds.getRight(), 200.0f, 1.0e-3f);
    EXPECT_FLOAT_EQ (rules[0].bounds.getY(), 9.5f);
    EXPECT_FLOAT_EQ (rules[0].bounds.getHeight(), 1.0f);
}

TEST (SectionTitle, WiderThanTheComponentFillsItWithNoRule)
{
    kov::SectionTitle title (kov::KitPalette::standard());
    title.setSize (40, 20);
    title.setTitleText ("A HEADING MUCH WIDER THAN FORTY PIXELS");
    EXPECT_FLOAT_EQ (title.getTitleBoxWidth(), 40.0f);

    RecordingGraphics target (40, 20);
    title.paint (target.g());
    for (const auto& rule : target.fillsOf (juce::Colour (0x14ffffff)))
        EXPECT_FLOAT_EQ (rule.bounds.getWidth(), 0.0f);
    for (const auto& glyph : target.fillsOf (kov::KitPalette::standard().textDim))
        EXPECT_LT (glyph.bounds.getX(), 40.0f);
}

TEST (SectionTitle, SameTitleDoesNotRepaint)
{
    kov::SectionTitle title (kov::KitPalette::standard());
    RepaintCounter repaints (title);
    title.setTitleText ("EQ");
    title.setTitleText ("EQ");
    EXPECT_EQ (repaints.get(), 1);
}
