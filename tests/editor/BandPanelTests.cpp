#include "EditorTestFixture.h"

#include "editor/BandColours.h"
#include "editor/BandPanel.h"
#include "InteractionTestSupport.h"

#include <thread>

namespace
{
juce::String captionOf (SabrelEditor& e) { return e.bandCaption.getText(); }

// The panel with no band: caption, colours, no attachments and three inert, empty knobs.
void expectNoBandShown (SabrelEditor& e)
{
    EXPECT_EQ (captionOf (e), juce::String ("NO BAND"));
    EXPECT_EQ (e.bandCaption.findColour (juce::Label::textColourId), juce::Colour (0xff6b7178));
    EXPECT_EQ (e.bandLookAndFeel.palette.accent, juce::Colour (0xff2a2d33));
    EXPECT_EQ (e.freqAttachment, nullptr);
    EXPECT_EQ (e.gainAttachment, nullptr);
    EXPECT_EQ (e.qAttachment, nullptr);

    for (auto* knob : { &e.freqKnob, &e.gainKnob, &e.qKnob })
    {
        EXPECT_TRUE (knob->isVisible());
        EXPECT_FALSE (knob->slider.isEnabled());
        EXPECT_NEAR (knob->getAlpha(), 0.32f, 0.005f); // stored as a byte
        EXPECT_DOUBLE_EQ (knob->slider.getValue(), knob->slider.proportionOfLengthToValue (0.5));
        EXPECT_EQ (knob->slider.getTextFromValue (knob->slider.getValue()), "");
    }
}

// A refresh test drives the clock itself; each call here is a tick.
constexpr double t0 = 100000.0;

// Sets a parameter in its own units from a thread of the host's, as hosts may.
void setFromHostThread (SabrelProcessor& p, const juce::String& id, float value)
{
    std::thread host ([&] {
        auto* parameter = p.apvts.getParameter (id);
        parameter->setValueNotifyingHost (parameter->convertTo0to1 (value));
    });
    host.join();
}
} // namespace

using interaction::sliderEvent;

TEST_F (EditorTest, BandPanelShowsTheBandByItsType)
{
    const struct { int type; const char* name; const char* gainCaption; const char* gainSuffix; bool gainOn, qOn; } cases[] {
        { FilterType::bell, "BELL", "Gain", "gain", true, true },
        { FilterType::lowShelf, "LOW SHELF", "Gain", "gain", true, true },
        { FilterType::highShelf, "HIGH SHELF", "Gain", "gain", true, true },
        { FilterType::lowCut, "LOW CUT", "Gain", "gain", false, false },
        { FilterType::highCut, "HIGH CUT", "Gain", "gain", false, false },
        { FilterType::notch, "NOTCH", "Gain", "gain", false, true },
        { FilterType::tilt, "TILT", "Tilt", "tilt", true, false },
    };

    auto& e = openEditor();
    const int band = 10;
    useBand (band, FilterType::bell, 800.0f);

    for (const auto& c : cases)
    {
        setParameter (bandParamId (band, "type"), (float) c.type);
        e.showBandInPanel (band);

        EXPECT_EQ (captionOf (e), juce::String ("BAND 11    ") + c.name);
        EXPECT_EQ (e.bandCaption.findColour (juce::Label::textColourId), bandColour (band));
        EXPECT_EQ (e.bandLookAndFeel.palette.accent, bandColour (band));
        EXPECT_EQ (e.gainKnob.getCaption(), c.gainCaption) << c.name;

        EXPECT_TRUE (e.freqKnob.slider.isEnabled());
        EXPECT_FLOAT_EQ (e.freqKnob.getAlpha(), 1.0f);
        EXPECT_EQ (e.gainKnob.slider.isEnabled(), c.gainOn) << c.name;
        EXPECT_NEAR (e.gainKnob.getAlpha(), c.gainOn ? 1.0f : 0.32f, 0.005f) << c.name;
        EXPECT_EQ (e.qKnob.slider.isEnabled(), c.qOn) << c.name;
        EXPECT_NEAR (e.qKnob.getAlpha(), c.qOn ? 1.0f : 0.32f, 0.005f) << c.name;

        // The Gain knob drives gain, or tilt for a Tilt band, even while it is disabled.
        const auto* parameter = processor->apvts.getParameter (bandParamId (band, c.gainSuffix));
        e.gainKnob.slider.setValue (parameter->getNormalisableRange().end - 1.0, juce::sendNotificationSync);
        EXPECT_NEAR (raw (bandParamId (band, c.gainSuffix)), parameter->getNormalisableRange().end - 1.0f, 1e-3) << c.name;
    }
}

TEST_F (EditorTest, BandColoursRepeatEveryEightBands)
{
    EXPECT_EQ (bandColour (8), bandColour (0));
    EXPECT_EQ (bandColour (15), bandColour (7));
    EXPECT_EQ (bandColour (0), juce::Colour (0xff4a90d9));
    EXPECT_EQ (bandColour (23), juce::Colour (0xff7fb069));
}

TEST_F (EditorTest, BandKnobsFollowTheShownBandAndLeaveThePreviousOneAlone)
{
    useBand (2, FilterType::bell, 200.0f, 3.0f);
    useBand (5, FilterType::bell, 5000.0f, -2.0f);
    setParameter (bandParamId (2, "q"), 2.0f);
    auto& e = openEditor();

    e.showBandInPanel (2);
    EXPECT_NEAR (e.freqKnob.slider.getValue(), 200.0, 0.5);
    EXPECT_NEAR (e.gainKnob.slider.getValue(), 3.0, 1e-3);

    e.showBandInPanel (5);
    EXPECT_NEAR (e.freqKnob.slider.getValue(), 5000.0, 0.5);
    EXPECT_NEAR (e.gainKnob.slider.getValue(), -2.0, 1e-3);

    // Rebinding wrote nothing into either band.
    EXPECT_NEAR (raw (bandParamId (2, "freq")), 200.0f, 0.5f);
    EXPECT_NEAR (raw (bandParamId (2, "gain")), 3.0f, 1e-3f);
    EXPECT_NEAR (raw (bandParamId (2, "q")), 2.0f, 1e-3f);

    e.freqKnob.slider.setValue (1234.0, juce::sendNotificationSync);
    e.qKnob.slider.setValue (4.0, juce::sendNotificationSync);
    EXPECT_NEAR (raw (bandParamId (5, "freq")), 1234.0f, 1.0f);
    EXPECT_NEAR (raw (bandParamId (5, "q")), 4.0f, 0.01f);
    EXPECT_NEAR (raw (bandParamId (2, "freq")), 200.0f, 0.5f);
    EXPECT_NEAR (raw (bandParamId (2, "q")), 2.0f, 1e-3f);

    // A host change of the shown band moves its knob.
    setParameter (bandParamId (5, "gain"), 7.5f);
    EXPECT_NEAR (e.gainKnob.slider.getValue(), 7.5, 1e-3);
}

TEST_F (EditorTest, NoBandLeavesThreeInertKnobs)
{
    useBand (0, FilterType::bell, 100.0f);
    auto& e = openEditor();

    for (int band : { -1, 24, 1000, -7 })
    {
        SCOPED_TRACE (band);
        e.showBandInPanel (0);
        e.showBandInPanel (band);
        expectNoBandShown (e);
    }

    // Unbinding left band 0 as it was.
    EXPECT_NEAR (raw (bandParamId (0, "freq")), 100.0f, 0.5f);
}

TEST_F (EditorTest, BandKnobTextsCarryTheParameterUnit)
{
    useBand (3, FilterType::bell, 1000.0f);
    auto& e = openEditor();
    e.showBandInPanel (3);

    const struct { kov::Knob* knob; const char* suffix; double value; } cases[] {
        { &e.freqKnob, "freq", 440.0 }, { &e.gainKnob, "gain", -4.5 }, { &e.qKnob, "q", 1.5 },
    };
    for (const auto& c : cases)
    {
        const auto* parameter = processor->apvts.getParameter (bandParamId (3, c.suffix));
        const auto text = c.knob->slider.getTextFromValue (c.value);
        const auto bare = parameter->getText (parameter->convertTo0to1 ((float) c.value), 0);
        EXPECT_EQ (text, parameter->getLabel().isEmpty() ? bare : bare + " " + parameter->getLabel()) << c.suffix;

        // Typed text goes back through the parameter and stays in its range.
        EXPECT_NEAR (c.knob->slider.getValueFromText (text), c.value, std::abs (c.value) * 0.01) << c.suffix;
        const auto& range = parameter->getNormalisableRange();
        for (auto typed : { "1e30", "-1e30", "nonsense", "" })
        {
            const auto v = c.knob->slider.getValueFromText (typed);
            EXPECT_GE (v, range.start) << c.suffix << " " << typed;
            EXPECT_LE (v, range.end) << c.suffix << " " << typed;
        }
    }
    EXPECT_TRUE (e.freqKnob.slider.getTextFromValue (440.0).endsWith (" Hz"));
    EXPECT_TRUE (e.gainKnob.slider.getTextFromValue (-4.5).endsWith (" dB"));
}

TEST_F (EditorTest, LowestBandInUseIsShownAtOpening)
{
    useBand (7, FilterType::bell, 100.0f);
    useBand (3, FilterType::highShelf, 5000.0f);
    auto& e = openEditor();
    EXPECT_EQ (e.curveCanvas.selectedBand, 3); // whatever the frequencies
    EXPECT_EQ (captionOf (e), "BAND 4    HIGH SHELF");
    EXPECT_NE (e.freqAttachment, nullptr);
    EXPECT_NEAR (e.freqKnob.slider.getValue(), 5000.0, 1.0);
}

TEST_F (EditorTest, NoBandInUseShowsNoBandAtOpening)
{
    auto& e = openEditor();
    EXPECT_EQ (captionOf (e), "NO BAND");
    EXPECT_EQ (e.curveCanvas.selectedBand, -1);
}

TEST (BandPanelRules, TypeCaptionsAndFrequencyOrder)
{
    const char* const captions[] { "BELL", "LOW SHELF", "HIGH SHELF", "LOW CUT", "HIGH CUT", "NOTCH", "TILT" };
    for (int t = 0; t < 7; ++t)
        EXPECT_EQ (bandTypeCaption (t), captions[t]);
    EXPECT_EQ (bandTypeCaption (-1), "");
    EXPECT_EQ (bandTypeCaption (7), "");

    BandSnapshot bands {};
    bands[4].freq = 100.0;
    bands[1].freq = 1000.0;
    bands[9].freq = 1000.0;
    bands[2].freq = 50.0;
    std::vector<int> indices { 1, 2, 4, 9 };
    sortBandIndicesByFrequency (indices, bands);
    EXPECT_EQ (indices, (std::vector<int> { 2, 4, 1, 9 }));
    EXPECT_FALSE (bandFrequencyLess (bands, 1, 9));
    EXPECT_FALSE (bandFrequencyLess (bands, 9, 1));
}

TEST_F (EditorTest, ArrowsStepThroughTheBandsInUseByFrequency)
{
    useBand (9, FilterType::bell, 5000.0f);
    useBand (4, FilterType::bell, 100.0f);
    useBand (1, FilterType::lowShelf, 1000.0f);
    useBand (12, FilterType::bell, 1000.0f); // same frequency as band 1: after it, by index
    auto& e = openEditor();
    auto& canvas = e.curveCanvas;

    // Band 1 is the lowest index in use, so it is selected and shown at opening.
    EXPECT_EQ (canvas.selectedBand, 1);
    EXPECT_EQ (captionOf (e), "BAND 2    LOW SHELF");

    const struct { int from, step, to; } cases[] {
        { 9, 1, 4 },   // past the highest frequency wraps to the lowest
        { 4, -1, 9 },  // and back
        { 9, -1, 12 }, { 12, -1, 1 }, { 1, -1, 4 },
        { 4, 1, 1 },   { 1, 1, 12 },  { 12, 1, 9 },
        { -1, -1, 9 }, // nothing selected: -1 takes the highest, +1 the lowest
        { -1, 1, 4 },
        { 20, 1, 4 },  // a selected band that is not in use counts as none
    };
    for (const auto& c : cases)
    {
        canvas.selectedBand = c.from;
        if (c.step < 0)
            e.prevBandButton.triggerClick();
        else
            e.nextBandButton.triggerClick();
        deliverPostedMessages();
        EXPECT_EQ (canvas.selectedBand, c.to) << c.from << " " << c.step;
        EXPECT_TRUE (captionOf (e).startsWith ("BAND " + juce::String (c.to + 1) + " ")) << captionOf (e);
    }
}

TEST_F (EditorTest, ArrowsWithOneOrNoBandInUse)
{
    auto& e = openEditor();
    e.stepSelectedBand (1);
    e.stepSelectedBand (-1);
    EXPECT_EQ (e.curveCanvas.selectedBand, -1);
    EXPECT_EQ (captionOf (e), "NO BAND");

    useBand (17, FilterType::notch, 3000.0f);
    e.stepSelectedBand (1);
    EXPECT_EQ (e.curveCanvas.selectedBand, 17);
    for (int step : { 1, -1 })
    {
        e.stepSelectedBand (step);
        EXPECT_EQ (e.curveCanvas.selectedBand, 17);
        EXPECT_EQ (captionOf (e), "BAND 18    NOTCH");
    }
}

TEST_F (EditorTest, BandPanelFollowsTheHostsChangesToTheShownBand)
{
    useBand (4, FilterType::bell, 1000.0f, 3.0f);
    setParameter (bandParamId (4, "tilt"), -2.0f);
    auto& e = openEditor();
    double now = t0;
    e.onDisplayRefresh (now);
    ASSERT_EQ (captionOf (e), "BAND 5    BELL");

    // Each row is a change the host makes to the shown band; the next tick shows the result.
    const struct { const char* suffix; float value; const char* caption; const char* gainCaption; const char* gainSuffix; bool gainOn, qOn; } steps[] {
        { "type", (float) FilterType::tilt, "BAND 5    TILT", "Tilt", "tilt", true, false },
        { "type", (float) FilterType::lowCut, "BAND 5    LOW CUT", "Gain", "gain", false, false },
        { "type", (float) FilterType::highShelf, "BAND 5    HIGH SHELF", "Gain", "gain", true, true },
        { "on", 0.0f, "NO BAND", nullptr, nullptr, false, false },
        { "type", (float) FilterType::tilt, "NO BAND", nullptr, nullptr, false, false }, // retyped while off
        { "on", 1.0f, "BAND 5    TILT", "Tilt", "tilt", true, false },
        { "type", (float) FilterType::bell, "BAND 5    BELL", "Gain", "gain", true, true },
    };

    float knobValue = 1.0f;
    for (const auto& s : steps)
    {
        SCOPED_TRACE (juce::String (s.suffix) + " " + juce::String (s.value));
        setFromHostThread (*processor, bandParamId (4, s.suffix), s.value);
        deliverPostedMessages();
        e.onDisplayRefresh (now += 40.0);

        EXPECT_EQ (e.curveCanvas.selectedBand, 4); // the selection itself stays
        if (s.gainSuffix == nullptr)
        {
            expectNoBandShown (e);
            continue;
        }

        EXPECT_EQ (captionOf (e), juce::String (s.caption));
        EXPECT_EQ (e.bandCaption.findColour (juce::Label::textColourId), bandColour (4));
        EXPECT_EQ (e.gainKnob.getCaption(), juce::String (s.gainCaption));
        EXPECT_TRUE (e.freqKnob.slider.isEnabled());
        EXPECT_EQ (e.gainKnob.slider.isEnabled(), s.gainOn);
        EXPECT_EQ (e.qKnob.slider.isEnabled(), s.qOn);

        // Turning the Gain knob edits the parameter the type calls for, and only that one.
        const auto otherSuffix = juce::String (s.gainSuffix) == "gain" ? "tilt" : "gain";
        const float other = raw (bandParamId (4, otherSuffix));
        knobValue += 1.5f;
        e.gainKnob.slider.setValue (knobValue, juce::sendNotificationSync);
        EXPECT_NEAR (raw (bandParamId (4, s.gainSuffix)), knobValue, 1e-3f);
        EXPECT_FLOAT_EQ (raw (bandParamId (4, otherSuffix)), other);
    }
}

TEST_F (EditorTest, RefreshesLeaveAPanelKnobDragWhole)
{
    useBand (2, FilterType::bell, 1000.0f, 0.0f);
    useBand (7, FilterType::bell, 5000.0f);
    auto& e = openEditor();
    double now = t0;
    e.onDisplayRefresh (now);
    auto& slider = e.gainKnob.slider;

    // Host changes elsewhere in the middle of a drag rebind nothing; a retype of the shown band
    // waits until the drag has ended.
    const struct { const char* id; float value; const char* captionAfter; } cases[] {
        { "freq", 1200.0f, "BAND 3    BELL" },
        { "band7type", (float) FilterType::tilt, "BAND 3    BELL" },
        { "type", (float) FilterType::tilt, "BAND 3    TILT" },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.id);
        e.showBandInPanel (2);
        setParameter (bandParamId (2, "type"), (float) FilterType::bell);
        setParameter (bandParamId (2, "gain"), 0.0f);
        e.onDisplayRefresh (now += 40.0);
        const auto* attachment = e.gainAttachment.get();
        interaction::ParameterRecorder recorder (*processor);

        slider.mouseDown (sliderEvent (slider, 0.0f));
        slider.mouseDrag (sliderEvent (slider, -20.0f));
        const float midDrag = raw (bandParamId (2, "gain"));
        EXPECT_GT (midDrag, 0.0f);

        const auto id = juce::String (c.id) == "band7type" ? bandParamId (7, "type") : bandParamId (2, c.id);
        setFromHostThread (*processor, id, c.value);
        deliverPostedMessages();
        e.onDisplayRefresh (now += 40.0);
        EXPECT_EQ (e.gainAttachment.get(), attachment);
        EXPECT_EQ (captionOf (e), "BAND 3    BELL");

        slider.mouseDrag (sliderEvent (slider, -60.0f));
        e.onDisplayRefresh (now += 40.0);
        slider.mouseUp (sliderEvent (slider, -60.0f));
        EXPECT_GT (raw (bandParamId (2, "gain")), midDrag);

        // One gesture on gain from press to release, none on tilt.
        EXPECT_EQ (recorder.count (bandParamId (2, "gain"), 'b'), 1);
        EXPECT_EQ (recorder.count (bandParamId (2, "gain"), 'e'), 1);
        EXPECT_EQ (recorder.count (bandParamId (2, "tilt"), 'b') + recorder.count (bandParamId (2, "tilt"), 'e'), 0);

        // The first tick after the release follows what the host did.
        e.onDisplayRefresh (now += 40.0);
        EXPECT_EQ (captionOf (e), juce::String (c.captionAfter));
        setFromHostThread (*processor, bandParamId (7, "type"), (float) FilterType::bell);
    }
}
