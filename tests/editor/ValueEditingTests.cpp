// Double-click on the canvas and the inline value editor: parsing, clamping, and closing the
// editor from inside its own handlers.

#include "InteractionTestSupport.h"

#include "engine/ParameterLayout.h"
#include "support/TestDisplay.h"

using namespace interaction;

namespace
{
class ValueEditing : public CanvasFixture
{
protected:
    // Selects a band with a registered value box of the kind; returns the box index.
    int boxOfKind (int kind)
    {
        for (int i = 0; i < canvas.valueBoxCount; ++i)
            if (canvas.valueBoxKinds[(size_t) i] == kind)
                return i;

        return -1;
    }

    void openOn (int band, int kind)
    {
        canvas.selectBand (band);
        showOverlay();
        const int box = boxOfKind (kind);
        ASSERT_GE (box, 0) << "kind " << kind;
        doubleClick (canvas.valueBoxRects[(size_t) box].getCentre());
        ASSERT_NE (canvas.valueEditor, nullptr);
        ASSERT_EQ (canvas.editedValueBox, box);
    }

    void type (const juce::String& text)
    {
        canvas.valueEditor->setText (text, false);
    }

    static void pressKey (juce::TextEditor& editor, int key)
    {
        editor.keyPressed (juce::KeyPress (key));
    }
};

TEST_F (ValueEditing, DoubleClickOnEmptyCurveAddsABandOfTheTypeForItsPlace)
{
    struct Case
    {
        float x;
        int expectedType;
    };

    const Case cases[] = { { 2.0f, FilterType::lowCut }, { canvasWidth - 2.0f, FilterType::highCut }, { canvasWidth * 0.5f, FilterType::bell } };
    int slot = 0;

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.x);
        doubleClick ({ c.x, canvasHeight * 0.25f });
        EXPECT_EQ (param (slot, "on"), 1.0f);
        EXPECT_EQ ((int) param (slot, "type"), c.expectedType);
        EXPECT_NEAR (param (slot, "freq") / canvas.xToFrequency (c.x), 1.0, 1e-3);
        EXPECT_EQ (param (slot, "gain"), 0.0f);
        EXPECT_EQ (canvas.selectedBand, slot);
        EXPECT_EQ (canvas.hoverBand, slot);
        ++slot;
    }
}

TEST_F (ValueEditing, DoubleClickWithEveryBandInUseChangesNothing)
{
    for (int b = 0; b < numBands; ++b)
        setParam (b, "on", 1.0f);
    syncFromProcessor();

    ParameterRecorder recorder (processor);
    doubleClick ({ 3.0f, 3.0f });
    EXPECT_TRUE (recorder.events.empty());
    EXPECT_EQ (canvas.selectedBand, -1);
}

TEST_F (ValueEditing, DoubleClickOnAHandleDeletesTheBand)
{
    placeBand (3, FilterType::bell, 500.0f, 2.0f);
    placeBand (4, FilterType::bell, 5000.0f, 2.0f);

    canvas.selectBand (4);
    canvas.hoverBand = 3;
    doubleClick (handleOf (3)); // not the selected band: the selection stays
    EXPECT_EQ (param (3, "on"), 0.0f);
    EXPECT_EQ (canvas.hoverBand, -1);
    EXPECT_EQ (canvas.selectedBand, 4);

    doubleClick (handleOf (4));
    EXPECT_EQ (param (4, "on"), 0.0f);
    EXPECT_EQ (canvas.selectedBand, -1);
}

TEST_F (ValueEditing, DoubleClickInTheOverlayBesideTheValueBoxesDoesNothing)
{
    placeBand (0, FilterType::bell, 1000.0f);
    canvas.selectBand (0);
    showOverlay();
    ParameterRecorder recorder (processor);

    doubleClick ({ canvas.closeRect.getRight() + 3.0f, canvas.closeRect.getCentreY() });
    EXPECT_EQ (canvas.valueEditor, nullptr);
    EXPECT_TRUE (recorder.events.empty());
}

TEST_F (ValueEditing, TheEditorOpensOverTheBoxWithTheValueShown)
{
    struct Case
    {
        int kind;
        const char* suffix;
        float value;
        const char* shown;
    };

    const Case cases[] = {
        { ValueKind::frequency, "freq", 999.6f, "1000" },
        { ValueKind::gain, "gain", 3.0f, "1.5" }, // shown at gain scale 0.5
        { ValueKind::q, "q", 1.234f, "1.23" },
        { ValueKind::ratio, "ratio", 20.0f, "Inf" },
        { ValueKind::ratio, "ratio", 4.0f, "4.0" },
        { ValueKind::knee, "knee", 6.0f, "6.0" },
        { ValueKind::attack, "atk", 5.0f, "5.0" },
        { ValueKind::attack, "atk", 12.4f, "12" },
        { ValueKind::release, "rel", 80.0f, "80" },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.suffix);
        placeBand (0, FilterType::bell, 1000.0f);
        setParam (0, "dynon", 1.0f);
        setParam (0, "auto", 0.0f);
        setParam (0, c.suffix, c.value);
        syncFromProcessor();
        canvas.gainScale = 0.5;

        openOn (0, c.kind);
        EXPECT_EQ (canvas.valueEditor->getText(), juce::String (c.shown));
        EXPECT_TRUE (canvas.valueEditor->isVisible());
        EXPECT_EQ (canvas.valueEditor->getParentComponent(), &canvas);

        const auto box = canvas.valueBoxRects[(size_t) canvas.editedValueBox];
        EXPECT_EQ (canvas.valueEditor->getBounds(), box.expanded (8.0f, 3.0f).toNearestInt());
        canvas.cancelValueEditor();
        canvas.selectBand (-1);
    }
}

TEST_F (ValueEditing, TypedTextIsParsedAndClamped)
{
    struct Case
    {
        int kind;
        const char* suffix;
        const char* typed;
        double gainScale;
        float expected;
    };

    const Case cases[] = {
        { ValueKind::frequency, "freq", "2,5k", 1.0, 2500.0f },
        { ValueKind::frequency, "freq", "440", 1.0, 440.0f },
        { ValueKind::frequency, "freq", "99k", 1.0, 30000.0f },
        { ValueKind::frequency, "freq", "", 1.0, 10.0f },
        { ValueKind::frequency, "freq", "..", 1.0, 10.0f },
        { ValueKind::gain, "gain", "1k", 1.0, 30.0f },
        { ValueKind::gain, "gain", "-3", 0.5, -6.0f },
        { ValueKind::gain, "gain", "+4.5", 1.0, 4.5f },
        { ValueKind::gain, "gain", "-", 1.0, 0.0f },
        { ValueKind::gain, "gain", "5", 0.0, 30.0f }, // a scale of 0 divides by 0.001
        { ValueKind::q, "q", "0", 1.0, 0.1f },
        { ValueKind::q, "q", "2.50", 1.0, 2.5f },
        { ValueKind::q, "q", "1e9", 1.0, 19.0f }, // no exponent: the e is dropped, 19 is read
        { ValueKind::ratio, "ratio", "inf", 1.0, 20.0f },
        { ValueKind::ratio, "ratio", "INF", 1.0, 20.0f },
        { ValueKind::ratio, "ratio", "25", 1.0, 20.0f },
        { ValueKind::ratio, "ratio", "0.5", 1.0, 1.0f },
        { ValueKind::knee, "knee", "30", 1.0, 24.0f },
        { ValueKind::knee, "knee", "-2", 1.0, 0.0f },
        { ValueKind::attack, "atk", "0", 1.0, 0.1f },
        { ValueKind::attack, "atk", "1k", 1.0, 200.0f },
        { ValueKind::release, "rel", "", 1.0, 5.0f },
        { ValueKind::release, "rel", "250", 1.0, 250.0f },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (std::string (c.suffix) + " <- '" + c.typed + "'");
        placeBand (0, FilterType::bell, 1000.0f);
        setParam (0, "dynon", 1.0f);
        setParam (0, "auto", 0.0f);
        syncFromProcessor();
        canvas.gainScale = c.gainScale;

        openOn (0, c.kind);
        type (c.typed);
        canvas.commitValueEditor (true);
        EXPECT_NEAR (param (0, c.suffix), c.expected, std::abs (c.expected) * 1e-4 + 0.011);
        EXPECT_EQ (canvas.valueEditor, nullptr);
        EXPECT_EQ (canvas.editedValueBox, -1);
        canvas.selectBand (-1);
    }
}

TEST_F (ValueEditing, SlopeTakesTheNearestTableEntryTheLowerOnATie)
{
    struct Case
    {
        const char* typed;
        int expectedDbPerOct;
    };

    for (const auto& c : { Case { "9", 6 }, Case { "60", 48 }, Case { "200", 96 }, Case { "", 6 }, Case { "40", 36 } })
    {
        SCOPED_TRACE (c.typed);
        placeBand (0, FilterType::lowCut, 100.0f);
        openOn (0, ValueKind::slope);
        type (c.typed);
        canvas.commitValueEditor (true);
        EXPECT_EQ (getSlopeTable()[(size_t) param (0, "slope")], c.expectedDbPerOct);
        EXPECT_EQ (canvas.bands[0].slope, c.expectedDbPerOct);
        canvas.selectBand (-1);
    }
}

TEST_F (ValueEditing, ReturnAppliesOnceEvenThoughTheEditorLosesFocusAsItCloses)
{
    placeBand (0, FilterType::bell, 1000.0f);
    openOn (0, ValueKind::gain);
    auto* editor = canvas.valueEditor.get();
    type ("7");

    ParameterRecorder recorder (processor);
    pressKey (*editor, juce::KeyPress::returnKey);
    editor->focusLost (juce::Component::focusChangedDirectly); // both arrive as messages, Return first
    pumpMessagesFor (50);

    EXPECT_EQ (canvas.valueEditor, nullptr);
    EXPECT_NEAR (param (0, "gain"), 7.0f, 0.01f);
    EXPECT_EQ (recorder.count (bandParamId (0, "gain"), 'v'), 1);
    EXPECT_TRUE (oneGestureEach (recorder, bandIds (0, { "gain" })));
}

TEST_F (ValueEditing, EscapeLeavesEveryParameterAsItWas)
{
    placeBand (0, FilterType::bell, 1000.0f, 2.0f);
    openOn (0, ValueKind::gain);
    type ("12");

    ParameterRecorder recorder (processor);
    pressKey (*canvas.valueEditor, juce::KeyPress::escapeKey);
    pumpMessagesFor (50);

    EXPECT_EQ (canvas.valueEditor, nullptr);
    EXPECT_TRUE (recorder.events.empty());
    EXPECT_NEAR (param (0, "gain"), 2.0f, 0.01f);
}

TEST_F (ValueEditing, FocusLossApplies)
{
    placeBand (0, FilterType::bell, 1000.0f, 2.0f);
    openOn (0, ValueKind::q);
    type ("3");

    canvas.valueEditor->focusLost (juce::Component::focusChangedByMouseClick);
    pumpMessagesFor (50);
    EXPECT_EQ (canvas.valueEditor, nullptr);
    EXPECT_NEAR (param (0, "q"), 3.0f, 0.001f);
}

TEST_F (ValueEditing, AClosedEditorsLateFocusLossDoesNotCloseTheNextOne)
{
    placeBand (0, FilterType::bell, 1000.0f, 2.0f);
    openOn (0, ValueKind::gain);
    auto* first = canvas.valueEditor.get();
    first->focusLost (juce::Component::focusChangedDirectly); // posted, not yet delivered

    // A double-click on another box replaces the editor before the message arrives.
    doubleClick (canvas.valueBoxRects[(size_t) boxOfKind (ValueKind::q)].getCentre());
    ASSERT_NE (canvas.valueEditor.get(), first);
    pumpMessagesFor (50);

    ASSERT_NE (canvas.valueEditor, nullptr);
    EXPECT_EQ (canvas.valueBoxKinds[(size_t) canvas.editedValueBox], ValueKind::q);
}

TEST_F (ValueEditing, TheCanvasMayGoWhileAClosedEditorStillHasMessagesPending)
{
    placeBand (0, FilterType::bell, 1000.0f, 2.0f);
    {
        CurveCanvas other { processor };
        other.setSize (canvasWidth, canvasHeight);
        other.setBands (processor.snapshotBands());
        other.selectBand (0);
        other.overlayVisible = true;
        other.overlayRect = { 0, 0, 300, 100 };
        other.valueBoxRects[0] = { 10, 10, 40, 14 };
        other.valueBoxKinds[0] = ValueKind::gain;
        other.valueBoxCount = 1;
        other.openValueEditor (0);
        ASSERT_NE (other.valueEditor, nullptr);
        pressKey (*other.valueEditor, juce::KeyPress::returnKey);
        other.valueEditor->focusLost (juce::Component::focusChangedDirectly);
    }
    pumpMessagesFor (50); // Return and the focus loss arrive after the canvas is gone
    SUCCEED();
}

TEST_F (ValueEditing, SelectingAnotherBandDiscardsTheTypedText)
{
    placeBand (0, FilterType::bell, 1000.0f, 2.0f);
    placeBand (1, FilterType::bell, 3000.0f, 2.0f);
    openOn (0, ValueKind::gain);
    type ("9");

    ParameterRecorder recorder (processor);
    canvas.selectBand (1);
    pumpMessagesFor (50);
    EXPECT_EQ (canvas.valueEditor, nullptr);
    EXPECT_EQ (recorder.count (bandParamId (0, "gain"), 'v'), 0);

    // Selecting the band that is already selected leaves an open editor alone.
    canvas.selectBand (-1);
    openOn (0, ValueKind::gain);
    canvas.selectBand (0);
    EXPECT_NE (canvas.valueEditor, nullptr);
}

TEST_F (ValueEditing, InputIsRestrictedByKind)
{
    placeBand (0, FilterType::bell, 1000.0f);
    setParam (0, "dynon", 1.0f);
    setParam (0, "auto", 0.0f);
    syncFromProcessor();

    openOn (0, ValueKind::frequency);
    canvas.valueEditor->setText ({}, false);
    canvas.valueEditor->insertTextAtCaret ("1.5k$(x)inf;");
    EXPECT_EQ (canvas.valueEditor->getText(), juce::String ("1.5k"));
    canvas.cancelValueEditor();

    openOn (0, ValueKind::ratio);
    canvas.valueEditor->setText ({}, false);
    canvas.valueEditor->insertTextAtCaret ("-inf 12345678901234");
    EXPECT_EQ (canvas.valueEditor->getText(), juce::String ("inf123456789"));
}
} // namespace
