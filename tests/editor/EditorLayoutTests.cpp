#include "EditorTestFixture.h"

#include "kit/KitFonts.h"

#include <map>

namespace
{
using R = juce::Rectangle<int>;

// Every child's bounds and the five rectangles, by name.
std::map<juce::String, R> layoutOf (SabrelEditor& e)
{
    std::map<juce::String, R> result {
        { "footerArea", e.footerArea },         { "canvasArea", e.canvasArea },
        { "bandPanelArea", e.bandPanelArea },   { "inMeterArea", e.inMeterArea },
        { "outMeterArea", e.outMeterArea },
    };

    const std::pair<const char*, juce::Component*> children[] {
        { "settingsButton", &e.settingsButton }, { "helpButton", &e.helpButton },
        { "updatePill", &e.updatePill },         { "header", &e.header },
        { "curveCanvas", &e.curveCanvas },       { "meterInL", &e.meters[0] },
        { "meterInR", &e.meters[1] },            { "meterOutL", &e.meters[2] },
        { "meterOutR", &e.meters[3] },           { "inCaption", &e.inCaption },
        { "outCaption", &e.outCaption },         { "inputKnob", &e.inputKnob },
        { "outputKnob", &e.outputKnob },         { "bypassButton", &e.bypassButton },
        { "autoGainButton", &e.autoGainButton }, { "scaleKnob", &e.scaleKnob },
        { "prevBandButton", &e.prevBandButton }, { "freqKnob", &e.freqKnob },
        { "gainKnob", &e.gainKnob },             { "qKnob", &e.qKnob },
        { "nextBandButton", &e.nextBandButton }, { "bandCaption", &e.bandCaption },
        { "phase0", &e.phaseButtons[0] },        { "phase1", &e.phaseButtons[1] },
        { "phase2", &e.phaseButtons[2] },
    };
    for (const auto& [name, component] : children)
        result[name] = component->getBounds();
    return result;
}

void showPill (SabrelEditor& e, const juce::String& text)
{
    e.updatePill.setButtonText (text);
    e.updatePill.setVisible (true);
    e.layoutContent();
}

int pillTextWidth (const juce::String& text)
{
    return SabrelEditor::updatePillWidth (kov::monoFont (10.0f).boldened().getStringWidthFloat (text));
}
} // namespace

TEST_F (EditorTest, LayoutPlacesEveryChildAsDesigned)
{
    auto& e = openEditor();

    // The pill is hidden: whatever bounds it had stay.
    e.updatePill.setBounds (1, 2, 3, 4);
    e.layoutContent();

    const std::map<juce::String, R> expected {
        { "settingsButton", { 947, 656, 14, 14 } }, { "helpButton", { 925, 656, 13, 13 } },
        { "updatePill", { 1, 2, 3, 4 } },           { "footerArea", { 18, 654, 898, 18 } },
        { "header", { 18, 18, 944, 40 } },          { "inMeterArea", { 18, 70, 70, 448 } },
        { "canvasArea", { 98, 70, 784, 448 } },     { "curveCanvas", { 98, 70, 784, 448 } },
        { "outMeterArea", { 892, 70, 70, 448 } },   { "bandPanelArea", { 98, 528, 784, 118 } },
        { "meterInL", { 25, 95, 38, 415 } },        { "meterInR", { 65, 95, 16, 415 } },
        { "inCaption", { 40, 78, 48, 12 } },        { "meterOutL", { 899, 95, 16, 415 } },
        { "meterOutR", { 917, 95, 38, 415 } },      { "outCaption", { 892, 78, 48, 12 } },
        { "inputKnob", { 17, 538, 72, 98 } },       { "outputKnob", { 891, 538, 72, 98 } },
        { "bypassButton", { 116, 569, 60, 40 } },   { "autoGainButton", { 186, 569, 50, 40 } },
        { "scaleKnob", { 246, 550, 64, 88 } },      { "prevBandButton", { 338, 569, 30, 40 } },
        { "freqKnob", { 380, 550, 64, 88 } },       { "gainKnob", { 458, 550, 64, 88 } },
        { "qKnob", { 536, 550, 64, 88 } },          { "nextBandButton", { 612, 569, 30, 40 } },
        { "bandCaption", { 380, 532, 220, 14 } },   { "phase0", { 690, 569, 54, 40 } },
        { "phase1", { 750, 569, 54, 40 } },         { "phase2", { 810, 569, 54, 40 } },
    };

    const auto actual = layoutOf (e);
    ASSERT_EQ (actual.size(), expected.size());
    for (const auto& [name, bounds] : expected)
        EXPECT_EQ (actual.at (name), bounds) << name << " is " << actual.at (name).toString();
}

TEST_F (EditorTest, UpdatePillWidthFollowsItsText)
{
    // 61.6 pixels of text round to 62, plus 18.
    EXPECT_EQ (SabrelEditor::updatePillWidth (61.6f), 80);
    EXPECT_EQ (SabrelEditor::updatePillWidth (61.5f), 80); // ties to even
    EXPECT_EQ (SabrelEditor::updatePillWidth (60.5f), 78);

    auto& e = openEditor();
    const juce::String text ("UPDATE 1.2.3");
    const int w = pillTextWidth (text);
    showPill (e, text);
    EXPECT_EQ (e.updatePill.getBounds(), R (916 - w, 655, w, 15));
    EXPECT_EQ (e.footerArea, R (18, 654, 888 - w, 18));
    EXPECT_EQ (e.settingsButton.getBounds(), R (947, 656, 14, 14));
    EXPECT_EQ (e.helpButton.getBounds(), R (925, 656, 13, 13));
}

TEST_F (EditorTest, UpdatePillWiderThanTheFooterTakesItAll)
{
    auto& e = openEditor();
    showPill (e, "UPDATE " + juce::String::repeatedString ("9.", 200));
    EXPECT_EQ (e.updatePill.getBounds(), R (18, 655, 898, 15));
    EXPECT_EQ (e.footerArea.getWidth(), 0);
    EXPECT_EQ (e.footerArea.getHeight(), 18);
}

TEST_F (EditorTest, LayoutIsTheSameWhenRunAgainAtAnyScale)
{
    auto& e = openEditor();
    const auto first = layoutOf (e);

    e.layoutContent();
    EXPECT_EQ (layoutOf (e), first);

    for (auto scale : { 2.0, 0.75, 1.25 })
    {
        e.setUiScale (scale);
        e.layoutContent();
        EXPECT_EQ (layoutOf (e), first) << scale;
    }
}
