// The canvas's mouse handlers, driven by synthetic events through the canvas's own handlers,
// with the processor's parameters observed.

#include "InteractionTestSupport.h"

#include "engine/ParameterLayout.h"

#include <cmath>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>

using namespace interaction;

namespace
{
class CanvasMouse : public CanvasFixture
{
protected:
    // A dynamic Bell band, selected, with its whole overlay (chips, threshold, sliders) shown.
    int selectDynamicBell (int band = 0)
    {
        placeBand (band, FilterType::bell, 1000.0f, 3.0f);
        setParam (band, "dynon", 1.0f);
        setParam (band, "auto", 0.0f);
        syncFromProcessor();
        canvas.selectBand (band);
        showOverlay();
        return band;
    }

    float gesturePairs (ParameterRecorder& r, int band)
    {
        EXPECT_EQ (r.count (bandParamId (band, "freq"), 'b'), r.count (bandParamId (band, "freq"), 'e'));
        EXPECT_EQ (r.count (bandParamId (band, "gain"), 'b'), r.count (bandParamId (band, "gain"), 'e'));
        return (float) r.count (bandParamId (band, "freq"), 'b');
    }
};

TEST_F (CanvasMouse, HandleDragMovesFrequencyAndLevelByTheMappings)
{
    struct Case
    {
        const char* name;
        int type;
        double gainScale;
        float startGain;
        double displayedDbUp; // how far up the pointer moves, in displayed dB
        double expectedGain, expectedTilt;
    };

    const Case cases[] = {
        { "bell", FilterType::bell, 1.0, 0.0f, 6.0, 6.0, 0.0 },
        { "bell down", FilterType::bell, 1.0, 0.0f, -9.0, -9.0, 0.0 },
        { "bell at half scale moves twice as far", FilterType::bell, 0.5, 0.0f, 6.0, 12.0, 0.0 },
        { "bell never beyond +30 dB", FilterType::bell, 0.5, 10.0f, 40.0, 30.0, 0.0 },
        { "bell never beyond -30 dB", FilterType::bell, 0.5, -10.0f, -40.0, -30.0, 0.0 },
        { "scale below 0.02 moves in frequency only", FilterType::bell, 0.01, 2.0f, 6.0, 2.0, 0.0 },
        { "high shelf", FilterType::highShelf, 1.0, 1.0f, 3.0, 4.0, 0.0 },
        { "tilt moves tilt twice as far", FilterType::tilt, 1.0, 0.0f, 3.0, 0.0, 6.0 },
        { "tilt never beyond 18 dB", FilterType::tilt, 1.0, 0.0f, 20.0, 0.0, 18.0 },
        { "low cut moves in frequency only", FilterType::lowCut, 1.0, 0.0f, 6.0, 0.0, 0.0 },
        { "notch moves in frequency only", FilterType::notch, 1.0, 0.0f, -6.0, 0.0, 0.0 },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        placeBand (5, c.type, 1000.0f, c.startGain);
        setParam (5, "tilt", 0.0f);
        syncFromProcessor();
        canvas.gainScale = c.gainScale;

        const auto start = handleOf (5);
        const auto targetX = start.x + 120.0f;
        // Far moves clamp at the canvas edge; the level limits must hold anyway.
        const auto targetY = canvas.dbToY (canvas.yToDb (start.y) + c.displayedDbUp);

        ParameterRecorder recorder (processor);
        press (start);
        ASSERT_EQ (canvas.dragBand, 5);
        drag ({ start.x + 40.0f, start.y });
        drag ({ targetX, targetY });
        release ({ targetX, targetY });

        EXPECT_EQ (canvas.dragBand, -1);
        EXPECT_NEAR (param (5, "freq") / canvas.xToFrequency (targetX), 1.0, 1e-3);
        EXPECT_NEAR (param (5, "gain"), c.expectedGain, 0.02);
        EXPECT_NEAR (param (5, "tilt"), c.expectedTilt, 0.06);
        EXPECT_NEAR (canvas.bands[5].gain, c.expectedGain, 0.02);

        // One gesture, from press to release, on each parameter the drag changes and on no other.
        auto changed = bandIds (5, { "freq" });
        if (c.expectedGain != c.startGain)
            changed.merge (bandIds (5, { "gain" }));
        if (c.expectedTilt != 0.0)
            changed.merge (bandIds (5, { "tilt" }));
        EXPECT_TRUE (oneGestureEach (recorder, changed));
        setParam (5, "on", 0.0f);
        canvas.selectBand (-1);
    }
}

TEST_F (CanvasMouse, HandleDragClampsAtTheFrequencyEdges)
{
    placeBand (2, FilterType::bell, 1000.0f);
    const auto start = handleOf (2);

    press (start);
    drag ({ -300.0f, start.y });
    EXPECT_NEAR (param (2, "freq"), 20.0f, 0.01f);
    drag ({ (float) canvasWidth + 300.0f, start.y });
    EXPECT_NEAR (param (2, "freq"), 20000.0f, 1.0f);
    release ({ 0.0f, 0.0f });
}

TEST_F (CanvasMouse, APressWithoutReleaseStillLeavesBalancedGestures)
{
    placeBand (2, FilterType::bell, 1000.0f);
    ParameterRecorder recorder (processor);

    press (handleOf (2));
    press (handleOf (2)); // the release of the first press never came
    release (handleOf (2));
    EXPECT_EQ (gesturePairs (recorder, 2), 2.0f);
}

TEST_F (CanvasMouse, ClosingTheCanvasDuringADragEndsItsGestures)
{
    placeBand (2, FilterType::bell, 1000.0f);
    ParameterRecorder recorder (processor);
    {
        CurveCanvas other { processor };
        other.setSize (canvasWidth, canvasHeight);
        other.setBands (processor.snapshotBands());
        other.mouseDown (event (handleOf (2), juce::ModifierKeys::leftButtonModifier));
        ASSERT_EQ (other.dragBand, 2);
    }
    EXPECT_EQ (gesturePairs (recorder, 2), 1.0f);
}

TEST_F (CanvasMouse, EachMouseActionIsOneGesturePerParameterItChanges)
{
    const auto boxOf = [this] (int kind)
    {
        for (int i = 0; i < canvas.valueBoxCount; ++i)
            if (canvas.valueBoxKinds[(size_t) i] == kind)
                return canvas.valueBoxRects[(size_t) i].getCentre();

        ADD_FAILURE() << "no value box of kind " << kind;
        return juce::Point<float>();
    };

    // Presses at a place, moves twice and releases.
    const auto dragFrom = [this] (juce::Point<float> at, juce::Point<float> by)
    {
        press (at);
        drag (at + by * 0.5f);
        drag (at + by);
        release (at + by);
    };

    struct Case
    {
        const char* name;
        std::function<void()> action;
        std::set<std::string> expected;
    };

    const Case cases[] = {
        { "frequency box drag", [&] { dragFrom (boxOf (ValueKind::frequency), { 0.0f, -40.0f }); },
          bandIds (0, { "freq" }) },
        { "gain box drag", [&] { dragFrom (boxOf (ValueKind::gain), { 0.0f, 30.0f }); }, bandIds (0, { "gain" }) },
        { "knee slider drag", [&] { dragFrom (canvas.dynSliderRects[1].getCentre(), { 30.0f, 0.0f }); },
          bandIds (0, { "knee" }) },
        { "release slider drag", [&] { dragFrom (canvas.dynSliderRects[3].getCentre(), { -30.0f, 0.0f }); },
          bandIds (0, { "rel" }) },
        { "threshold drag", [&] { dragFrom (canvas.thresholdTrackRect.getCentre(), { 25.0f, 0.0f }); },
          bandIds (0, { "thresh" }) },
        { "power click", [&] { dragFrom (canvas.powerRect.getCentre(), {}); }, bandIds (0, { "active" }) },
        { "close click", [&] { dragFrom (canvas.closeRect.getCentre(), {}); }, bandIds (0, { "on" }) },
        { "wheel on a bell", [&] { wheel (handleOf (0), 0.3f); }, bandIds (0, { "q" }) },
        { "wheel on a low cut", [&] { canvas.lastSlopeWheelMs = 0.0; wheel (handleOf (1), -0.3f); },
          bandIds (1, { "slope" }) },
        { "double click on a handle", [&] { doubleClick (handleOf (1)); }, bandIds (1, { "on" }) },
        { "double click on empty curve area",
          [&] { canvas.selectBand (-1); doubleClick ({ canvasWidth * 0.7f, canvasHeight - 8.0f }); },
          bandIds (2, everyBandSuffix) },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        setParam (2, "on", 0.0f);
        placeBand (1, FilterType::lowCut, 40.0f);
        setParam (1, "slope", 3.0f);
        selectDynamicBell (0);
        ASSERT_FALSE (canvas.overlayRect.contains (handleOf (1)));

        ParameterRecorder recorder (processor);
        c.action();
        EXPECT_TRUE (oneGestureEach (recorder, c.expected));
    }
}

TEST_F (CanvasMouse, ADragEndsItsGesturesOnceWhateverEndsIt)
{
    // Each drag is on band 0, the selected band, by its handle or its overlay.
    struct Drag
    {
        const char* name;
        std::function<juce::Point<float> (const CurveCanvas&)> start;
        bool onHandle;
    };

    const Drag drags[] = {
        { "handle", [] (const CurveCanvas& c) { return handleOn (c, 0); }, true },
        { "value box", [] (const CurveCanvas& c) { return c.valueBoxRects[0].getCentre(); }, false },
        { "dynamics slider", [] (const CurveCanvas& c) { return c.dynSliderRects[0].getCentre(); }, false },
        { "threshold", [] (const CurveCanvas& c) { return c.thresholdTrackRect.getCentre(); }, false },
    };

    struct Ending
    {
        const char* name;
        std::function<void (std::unique_ptr<CurveCanvas>&)> end;
    };

    const auto at = [this] (juce::Point<float> p, juce::ModifierKeys mods = juce::ModifierKeys::leftButtonModifier)
    {
        return event (p, mods);
    };

    const Ending endings[] = {
        { "its release", [&] (auto& c) { c->mouseUp (at ({ 1.0f, 1.0f })); } },
        { "a second press before the release",
          [&] (auto& c)
          {
              c->mouseDown (at ({ 2.0f, 2.0f }));
              c->mouseDrag (at ({ 40.0f, 40.0f }));
              c->mouseUp (at ({ 40.0f, 40.0f }));
          } },
        { "another button going down",
          [&] (auto& c) { c->mouseDown (at ({ 2.0f, 2.0f }, juce::ModifierKeys::rightButtonModifier)); } },
        { "its band deleted, then the release",
          [&] (auto& c)
          {
              c->deleteBand (0);
              c->mouseDrag (at ({ 90.0f, 90.0f }));
              c->mouseUp (at ({ 90.0f, 90.0f }));
          } },
        { "the canvas closing", [] (auto& c) { c.reset(); } },
    };

    for (const auto& d : drags)
    {
        for (const auto& ending : endings)
        {
            SCOPED_TRACE (juce::String (d.name) + " drag ended by " + ending.name);
            const bool opensAMenu = std::string (ending.name) == "another button going down";

            if (opensAMenu && ! hasTestDisplay())
                continue;

            selectDynamicBell (0);
            auto other = std::make_unique<CurveCanvas> (processor);
            prepareCanvas (*other, processor);
            other->selectBand (0);
            paintCanvas (*other);

            const auto start = d.start (*other);
            ASSERT_EQ (d.onHandle, ! other->overlayRect.contains (start));

            ParameterRecorder recorder (processor);
            other->mouseDown (at (start));
            other->mouseDrag (at (start + juce::Point<float> (20.0f, -20.0f)));
            ASSERT_FALSE (recorder.events.empty());
            ending.end (other);

            EXPECT_TRUE (balancedGestures (recorder));
            ASSERT_GT (recorder.countAll ('b'), 0);

            if (other != nullptr)
            {
                other->openMenus.dismissAll();
                const auto eventsBefore = recorder.events.size();
                other->mouseDrag (at ({ 60.0f, 60.0f }));
                EXPECT_EQ (recorder.events.size(), eventsBefore) << "the drag went on after it ended";
            }

            other.reset();
            setParam (0, "on", 1.0f);

            if (opensAMenu)
                pumpMessagesFor (50);
        }
    }
}

TEST_F (CanvasMouse, PressOnEmptyCurveAreaDeselectsAndClearsEverySolo)
{
    placeBand (1, FilterType::bell, 200.0f);
    placeBand (2, FilterType::bell, 5000.0f);
    canvas.selectBand (1);
    setParam (1, "solo", 1.0f);
    setParam (2, "solo", 1.0f);
    syncFromProcessor();

    press ({ 5.0f, 5.0f });
    EXPECT_EQ (canvas.selectedBand, -1);
    EXPECT_EQ (param (1, "solo"), 0.0f);
    EXPECT_EQ (param (2, "solo"), 0.0f);
    EXPECT_EQ (canvas.dragBand, -1);
}

TEST_F (CanvasMouse, OverlayControlsEachDoTheirOneThing)
{
    struct Case
    {
        const char* name;
        std::function<juce::Point<float> (const CurveCanvas&)> where;
        const char* suffix;  // the parameter that must flip, or null for none
    };

    const auto outside = [] (juce::Rectangle<float> r, float by) { return juce::Point<float> (r.getX() - by, r.getCentreY()); };

    const Case cases[] = {
        { "power", [] (const CurveCanvas& c) { return c.powerRect.getCentre(); }, "active" },
        { "power, 1.5 px outside", [=] (const CurveCanvas& c) { return outside (c.powerRect, 1.5f); }, "active" },
        { "solo", [] (const CurveCanvas& c) { return c.soloRect.getCentre(); }, "solo" },
        { "dyn chip", [] (const CurveCanvas& c) { return c.dynRect.getCentre(); }, "dynon" },
        { "full chip", [] (const CurveCanvas& c) { return c.autoRect.getCentre(); }, "auto" },
        { "ext chip", [] (const CurveCanvas& c) { return c.sidechainRect.getCentre(); }, "scext" },
        { "between close and type chip", [] (const CurveCanvas& c)
          { return juce::Point<float> (c.closeRect.getRight() + 3.0f, c.closeRect.getCentreY()); }, nullptr },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        const int s = selectDynamicBell();
        const std::array<const char*, 5> watched { "active", "solo", "dynon", "auto", "scext" };
        std::map<std::string, float> before;

        for (auto* w : watched)
            before[w] = normalised (s, w);

        ParameterRecorder recorder (processor);
        press (c.where (canvas));

        for (auto* w : watched)
        {
            const bool shouldFlip = c.suffix != nullptr && std::string (w) == c.suffix;
            EXPECT_EQ (normalised (s, w) != before[w], shouldFlip) << w;
        }

        if (c.suffix != nullptr)
            EXPECT_TRUE (oneGestureEach (recorder, bandIds (s, { c.suffix })));
        else
            EXPECT_TRUE (recorder.events.empty());
        EXPECT_EQ (canvas.selectedBand, s);
        EXPECT_EQ (canvas.dragBand, -1);
    }
}

TEST_F (CanvasMouse, PowerAndSoloFollowInTheWorkingCopy)
{
    const int s = selectDynamicBell();
    press (canvas.powerRect.getCentre());
    EXPECT_FALSE (canvas.bands[(size_t) s].active);
    press (canvas.soloRect.getCentre());
    EXPECT_TRUE (canvas.bands[(size_t) s].solo);
}

TEST_F (CanvasMouse, APressThreePixelsOutsideThePowerButtonDoesNotToggleIt)
{
    const int s = selectDynamicBell();
    press ({ canvas.powerRect.getX() - 3.0f, canvas.powerRect.getCentreY() });
    EXPECT_EQ (param (s, "active"), 1.0f);
}

TEST_F (CanvasMouse, CloseTakesTheBandOutOfUseAndDeselectsIt)
{
    const int s = selectDynamicBell (3);
    canvas.hoverBand = s;
    press (canvas.closeRect.getCentre());
    EXPECT_EQ (param (s, "on"), 0.0f);
    EXPECT_FALSE (canvas.bands[(size_t) s].on);
    EXPECT_EQ (canvas.selectedBand, -1);
    EXPECT_EQ (canvas.hoverBand, -1);
}

TEST_F (CanvasMouse, ChipsThatAreNotShownDoNothing)
{
    const int s = selectDynamicBell();
    const auto dynAt = canvas.dynRect.getCentre();
    const auto autoAt = canvas.autoRect.getCentre();
    canvas.dynRect = {};
    canvas.autoShown = false;

    press (dynAt);
    press (autoAt);
    EXPECT_EQ (param (s, "dynon"), 1.0f);
    EXPECT_EQ (param (s, "auto"), 0.0f);
}

TEST_F (CanvasMouse, ValueBoxDragSpansTheRangeOver220Pixels)
{
    struct Case
    {
        bool shift;
        float expected;
    };

    for (const auto& c : { Case { false, 0.7f }, Case { true, 0.3f } })
    {
        SCOPED_TRACE (c.shift ? "with shift" : "without shift");
        const int s = selectDynamicBell();
        int box = -1;

        for (int i = 0; i < canvas.valueBoxCount; ++i)
            if (canvas.valueBoxKinds[(size_t) i] == ValueKind::q)
                box = i;

        ASSERT_GE (box, 0);
        auto* q = processor.apvts.getParameter (bandParamId (s, "q"));
        q->setValueNotifyingHost (0.2f);

        const auto at = canvas.valueBoxRects[(size_t) box].getCentre();
        const auto mods = c.shift ? juce::ModifierKeys (juce::ModifierKeys::leftButtonModifier | juce::ModifierKeys::shiftModifier)
                                  : juce::ModifierKeys (juce::ModifierKeys::leftButtonModifier);
        ParameterRecorder recorder (processor);
        press (at);
        EXPECT_EQ (canvas.draggedValueBox, box);
        drag (at.translated (0.0f, -110.0f), mods);
        EXPECT_NEAR (q->getValue(), c.expected, 1e-4);
        EXPECT_NEAR (canvas.bands[(size_t) s].q, q->convertFrom0to1 (q->getValue()), 1e-3);
        drag (at.translated (0.0f, -1000.0f), mods);
        EXPECT_EQ (q->getValue(), 1.0f);
        release (at);
        EXPECT_EQ (canvas.draggedValueBox, -1);
        EXPECT_TRUE (oneGestureEach (recorder, bandIds (s, { "q" })));
    }
}

TEST_F (CanvasMouse, DynamicsSlidersSetTheirParameterFromTheTrackPosition)
{
    const int s = selectDynamicBell();
    ASSERT_EQ (canvas.dynSliderCount, 4);
    const char* suffixes[] = { "ratio", "knee", "atk", "rel" };

    for (int i = 0; i < 4; ++i)
    {
        SCOPED_TRACE (suffixes[i]);
        const auto track = canvas.dynSliderRects[(size_t) i];
        press ({ track.getX() + track.getWidth() * 0.25f, track.getCentreY() + 6.0f }); // within the grown track
        EXPECT_EQ (canvas.dynSliderDrag, i);
        EXPECT_NEAR (normalised (s, suffixes[i]), 0.25f, 1e-4);
        drag ({ track.getRight() + 50.0f, 0.0f });
        EXPECT_EQ (normalised (s, suffixes[i]), 1.0f);
        drag ({ track.getX() - 50.0f, 0.0f });
        EXPECT_EQ (normalised (s, suffixes[i]), 0.0f);
        release ({});
        EXPECT_EQ (canvas.dynSliderDrag, -1);
    }
}

TEST_F (CanvasMouse, ThresholdTrackFollowsThePointerAndReleaseEndsOnlyThatDrag)
{
    const int s = selectDynamicBell();
    ASSERT_EQ (canvas.thresholdBand, s);
    const auto track = canvas.thresholdTrackRect;

    press ({ track.getCentreX(), track.getCentreY() });
    EXPECT_EQ (canvas.thresholdDrag, s);
    EXPECT_NEAR (param (s, "thresh"), -36.0f, 0.06f);
    EXPECT_NEAR (canvas.bands[(size_t) s].thresh, -36.0, 0.01);

    drag ({ track.getRight() + 40.0f, 0.0f });
    EXPECT_NEAR (param (s, "thresh"), 0.0f, 0.06f);
    drag ({ track.getX() - 40.0f, 0.0f });
    EXPECT_NEAR (param (s, "thresh"), -72.0f, 0.06f);

    canvas.dragBand = 7; // a stale band drag is not the one released
    release ({});
    EXPECT_EQ (canvas.thresholdDrag, -1);
    EXPECT_EQ (canvas.dragBand, 7);
    canvas.dragBand = -1;
}

TEST_F (CanvasMouse, ARightClickOnTheOverlayIsAClickOnTheCurveBeneath)
{
    const int s = selectDynamicBell();
    ASSERT_TRUE (canvas.overlayVisible);
    SKIP_WITHOUT_DISPLAY(); // a right click opens a menu

    press (canvas.powerRect.getCentre(), juce::ModifierKeys::rightButtonModifier);
    EXPECT_EQ (param (s, "active"), 1.0f);
    EXPECT_EQ (canvas.selectedBand, s);
    EXPECT_EQ (canvas.openMenus.numOpen(), 1);
    canvas.openMenus.dismissAll();
    pumpMessagesFor (50);
}

TEST_F (CanvasMouse, WheelStepsACutBandsSlopeAtMostOnceIn130Ms)
{
    placeBand (4, FilterType::lowCut, 300.0f);
    setParam (4, "slope", 3.0f); // 24 dB/oct
    syncFromProcessor();
    canvas.lastSlopeWheelMs = 0.0;

    wheel (handleOf (4), 0.2f);
    wheel (handleOf (4), 0.2f); // the same scroll: ignored
    EXPECT_EQ ((int) param (4, "slope"), 4);
    EXPECT_EQ (canvas.bands[4].slope, 30);

    juce::Thread::sleep (140);
    wheel (handleOf (4), 0.2f, true); // reversed: down
    EXPECT_EQ ((int) param (4, "slope"), 3);

    setParam (4, "slope", 8.0f);
    syncFromProcessor();
    juce::Thread::sleep (140);
    ParameterRecorder recorder (processor);
    wheel (handleOf (4), 0.5f); // already at 96 dB/oct
    EXPECT_TRUE (recorder.events.empty());
}

TEST_F (CanvasMouse, WheelScalesQWithinItsRange)
{
    placeBand (6, FilterType::bell, 2000.0f, 4.0f);
    setParam (6, "q", 1.0f);
    syncFromProcessor();

    wheel (handleOf (6), 0.5f);
    EXPECT_NEAR (param (6, "q"), std::exp (0.6), 1e-3);
    wheel (handleOf (6), -50.0f);
    EXPECT_NEAR (param (6, "q"), 0.1f, 1e-4);
    wheel (handleOf (6), 50.0f);
    EXPECT_NEAR (param (6, "q"), 40.0f, 1e-3);

    ParameterRecorder recorder (processor);
    wheel (handleOf (6), 0.0f);           // no movement
    wheel ({ 3.0f, 3.0f }, 1.0f);         // no band under the pointer
    EXPECT_TRUE (recorder.events.empty());
}

TEST_F (CanvasMouse, HoverAndCursorFollowThePointer)
{
    placeBand (9, FilterType::bell, 150.0f);
    const int s = selectDynamicBell();
    const auto cursorIs = [this] (juce::MouseCursor::StandardCursorType t) { return canvas.getMouseCursor() == juce::MouseCursor (t); };

    move (handleOf (9));
    EXPECT_EQ (canvas.hoverBand, 9);
    EXPECT_TRUE (cursorIs (juce::MouseCursor::DraggingHandCursor));

    move (canvas.valueBoxRects[0].getCentre());
    EXPECT_EQ (canvas.hoverValueBox, 0);
    EXPECT_EQ (canvas.hoverBand, 9); // the overlay leaves the band hover alone
    EXPECT_TRUE (cursorIs (juce::MouseCursor::UpDownResizeCursor));

    move (canvas.typeLabelRect.getCentre());
    EXPECT_EQ (canvas.hoverValueBox, -1);
    EXPECT_TRUE (canvas.typeLabelHover);
    EXPECT_TRUE (cursorIs (juce::MouseCursor::PointingHandCursor));

    move (canvas.channelLabelRect.getCentre());
    EXPECT_TRUE (canvas.channelLabelHover);
    EXPECT_FALSE (canvas.typeLabelHover);

    move ({ 2.0f, 2.0f });
    EXPECT_FALSE (canvas.channelLabelHover);
    EXPECT_EQ (canvas.hoverBand, -1);
    EXPECT_TRUE (cursorIs (juce::MouseCursor::NormalCursor));

    move (handleOf (9));
    canvas.hoverValueBox = 2;
    canvas.mouseExit (event ({}));
    EXPECT_EQ (canvas.hoverBand, -1);
    EXPECT_EQ (canvas.hoverValueBox, -1);
    (void) s;
}
} // namespace
