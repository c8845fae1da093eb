// The canvas's band operations: selecting, adding, retyping, finding bands and the type rules.

#include "InteractionTestSupport.h"

#include "engine/ParameterLayout.h"

#include <algorithm>
#include <cmath>

using namespace interaction;

namespace
{
using BandOperations = SelectionRecordingFixture;

TEST_F (BandOperations, AddFillsTheFirstFreeSlotWithTheNewBandsSettings)
{
    struct Case
    {
        const char* name;
        int type;
        double gain;
        double expectedGain;
    };

    const Case cases[] = {
        { "bell keeps its gain", FilterType::bell, 6.0, 6.0 },
        { "low shelf keeps its gain", FilterType::lowShelf, -4.0, -4.0 },
        { "tilt keeps its gain", FilterType::tilt, 6.0, 6.0 },
        { "notch has no gain", FilterType::notch, 6.0, 0.0 },
        { "low cut has no gain", FilterType::lowCut, 6.0, 0.0 },
        { "negative type is a bell", -3, 2.0, 2.0 },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        placeBand (0, FilterType::bell, 100.0f);
        placeBand (1, FilterType::bell, 200.0f);
        placeBand (3, FilterType::bell, 400.0f);
        setParam (2, "on", 0.0f); // slot 2 free, slot 4 freed earlier than 2 was
        syncFromProcessor();

        const int slot = canvas.addBand (1500.0, c.gain, c.type);
        ASSERT_EQ (slot, 2);
        const int type = juce::jlimit (0, 6, c.type);

        EXPECT_EQ ((int) param (2, "type"), type);
        EXPECT_NEAR (param (2, "freq"), 1500.0f, 0.5f);
        EXPECT_NEAR (param (2, "gain"), c.expectedGain, 0.01);
        EXPECT_NEAR (param (2, "q"), 0.707f, 0.001f);
        EXPECT_EQ ((int) param (2, "slope"), 1);
        EXPECT_EQ (param (2, "active"), 1.0f);
        EXPECT_EQ (param (2, "solo"), 0.0f);
        EXPECT_EQ (param (2, "dynon"), 0.0f);
        EXPECT_EQ (param (2, "auto"), 1.0f);
        EXPECT_NEAR (param (2, "thresh"), 0.0f, 0.05f);
        EXPECT_NEAR (param (2, "atk"), 5.0f, 0.01f);
        EXPECT_NEAR (param (2, "rel"), 80.0f, 0.01f);
        EXPECT_NEAR (param (2, "ratio"), 20.0f, 0.01f);
        EXPECT_NEAR (param (2, "knee"), 6.0f, 0.05f);
        EXPECT_EQ ((int) param (2, "channel"), 0);
        EXPECT_EQ (param (2, "scext"), 0.0f);
        EXPECT_EQ (param (2, "tilt"), 0.0f);
        EXPECT_EQ (param (2, "on"), 1.0f);

        const auto& b = canvas.bands[2];
        EXPECT_TRUE (b.on);
        EXPECT_EQ (b.type, type);
        EXPECT_DOUBLE_EQ (b.gain, c.expectedGain);
        EXPECT_EQ (b.slope, 12);
        EXPECT_TRUE (b.autoTiming);
        EXPECT_EQ (b.ratio, 1e9);

        // The band is not selected by adding it.
        EXPECT_TRUE (selections.empty());
        EXPECT_EQ (canvas.selectedBand, -1);
        setParam (2, "on", 0.0f);
    }
}

TEST_F (BandOperations, OnIsSetLastSoTheBandComesIntoUseFullySet)
{
    ParameterRecorder recorder (processor);
    ASSERT_EQ (canvas.addBand (500.0, 3.0, FilterType::bell), 0);

    const auto onIndex = processor.apvts.getParameter (bandParamId (0, "on"))->getParameterIndex();
    ASSERT_FALSE (recorder.events.empty());
    EXPECT_EQ (recorder.events.back().parameterIndex, onIndex);

    const auto lastChange = std::find_if (recorder.events.rbegin(), recorder.events.rend(),
                                          [] (const auto& e) { return e.what == 'v'; });
    ASSERT_NE (lastChange, recorder.events.rend());
    EXPECT_EQ (lastChange->parameterIndex, onIndex);
    EXPECT_TRUE (balancedGestures (recorder)); // each setting within a gesture
}

TEST_F (BandOperations, AddingToAFullSetReturnsMinusOneAndChangesNothing)
{
    for (int b = 0; b < numBands; ++b)
        setParam (b, "on", 1.0f);
    syncFromProcessor();

    ParameterRecorder recorder (processor);
    const auto before = canvas.bands;

    EXPECT_EQ (canvas.addBand (1000.0, 3.0, FilterType::bell), -1);
    EXPECT_TRUE (recorder.events.empty());
    EXPECT_EQ (canvas.bands[0].freq, before[0].freq);
}

TEST_F (BandOperations, RetypingFollowsTheTypeRules)
{
    struct Case
    {
        const char* name;
        int newType;
        float expectedGain;
        float expectedDynamics;
    };

    const Case cases[] = {
        { "tilt resets gain and dynamics", FilterType::tilt, 0.0f, 0.0f },
        { "high shelf keeps both", FilterType::highShelf, 5.0f, 1.0f },
        { "low cut keeps both", FilterType::lowCut, 5.0f, 1.0f },
        { "type above the range is tilt", 42, 0.0f, 0.0f },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        placeBand (4, FilterType::bell, 800.0f, 5.0f);
        setParam (4, "dynon", 1.0f);
        syncFromProcessor();

        canvas.setBandType (4, c.newType);
        EXPECT_EQ ((int) param (4, "type"), juce::jlimit (0, 6, c.newType));
        EXPECT_EQ (canvas.bands[4].type, juce::jlimit (0, 6, c.newType));
        EXPECT_NEAR (param (4, "gain"), c.expectedGain, 0.01f);
        EXPECT_EQ (param (4, "dynon"), c.expectedDynamics);
        EXPECT_NEAR (canvas.bands[4].gain, c.expectedGain, 0.01);
    }
}

TEST_F (BandOperations, SelectionNotifiesOnChangeAndOnTheSelectedBandsRetype)
{
    placeBand (3, FilterType::bell, 300.0f);
    placeBand (5, FilterType::bell, 500.0f);

    canvas.selectBand (3);
    canvas.selectBand (3);          // the same band: nothing
    canvas.setBandType (5, FilterType::notch); // not the selected band: nothing
    canvas.setBandType (3, FilterType::notch); // the selected band: told again
    canvas.selectBand (-1);
    canvas.selectBand (-1);

    EXPECT_EQ (selections, (std::vector<int> { 3, 3, -1 }));
}

TEST_F (BandOperations, SelectingClearsTheSolosOfOtherBands)
{
    placeBand (3, FilterType::bell, 300.0f);
    placeBand (5, FilterType::bell, 500.0f);
    placeBand (7, FilterType::bell, 700.0f);
    setParam (3, "solo", 1.0f);
    setParam (5, "solo", 1.0f);
    syncFromProcessor();

    canvas.selectBand (3);
    EXPECT_EQ (param (3, "solo"), 1.0f);
    EXPECT_EQ (param (5, "solo"), 0.0f);
    EXPECT_FALSE (canvas.bands[5].solo);

    setParam (7, "solo", 1.0f);
    canvas.selectBand (-1);
    EXPECT_EQ (param (3, "solo"), 0.0f);
    EXPECT_EQ (param (7, "solo"), 0.0f);
}

TEST_F (BandOperations, DefaultTypeFollowsTheEndsOfTheFrequencyAxis)
{
    EXPECT_EQ (canvas.defaultTypeForFrequency (26.0), FilterType::lowCut);
    EXPECT_EQ (canvas.defaultTypeForFrequency (27.0), FilterType::bell);
    EXPECT_EQ (canvas.defaultTypeForFrequency (1000.0), FilterType::bell);
    EXPECT_EQ (canvas.defaultTypeForFrequency (15000.0), FilterType::bell);
    EXPECT_EQ (canvas.defaultTypeForFrequency (15200.0), FilterType::highCut);
}

TEST_F (BandOperations, TypeRules)
{
    placeBand (0, FilterType::bell, 99.0f);
    placeBand (1, FilterType::tilt, 1000.0f);
    placeBand (2, FilterType::bell, 5000.0f);

    EXPECT_FALSE (canvas.isTypeAllowed (FilterType::lowCut, 100.0, -1));  // a band lies below
    const auto lowest = canvas.bands[0].freq;
    EXPECT_TRUE (canvas.isTypeAllowed (FilterType::lowCut, lowest, -1));  // one at exactly f does not block
    EXPECT_TRUE (canvas.isTypeAllowed (FilterType::lowCut, 100.0, 0));    // the lower band is the one asking
    EXPECT_FALSE (canvas.isTypeAllowed (FilterType::highCut, 4000.0, -1));
    EXPECT_TRUE (canvas.isTypeAllowed (FilterType::highCut, canvas.bands[2].freq, -1));
    EXPECT_FALSE (canvas.isTypeAllowed (FilterType::tilt, 300.0, -1));    // one tilt at most
    EXPECT_TRUE (canvas.isTypeAllowed (FilterType::tilt, 1000.0, 1));     // the tilt band itself
    EXPECT_TRUE (canvas.isTypeAllowed (FilterType::notch, 10.0, -1));

    setParam (0, "on", 0.0f); // bands out of use do not count
    syncFromProcessor();
    EXPECT_TRUE (canvas.isTypeAllowed (FilterType::lowCut, 100.0, -1));
}

TEST_F (BandOperations, FindBandAtTakesTheNearestHandleWithinFourteenPixels)
{
    placeBand (2, FilterType::notch, 1000.0f);
    placeBand (6, FilterType::notch, 1000.0f); // same place: the lower index wins
    const auto h = handleOf (2);

    EXPECT_EQ (canvas.findBandAt (h), 2);
    EXPECT_EQ (canvas.findBandAt (h.translated (10.0f, 0.0f)), 2);
    EXPECT_EQ (canvas.findBandAt (h.translated (13.9f, 0.0f)), 2);
    EXPECT_EQ (canvas.findBandAt (h.translated (14.0f, 0.0f)), -1);

    setParam (2, "active", 0.0f); // switched off, still found
    syncFromProcessor();
    EXPECT_EQ (canvas.findBandAt (handleOf (2)), 2);

    setParam (2, "on", 0.0f);
    syncFromProcessor();
    EXPECT_EQ (canvas.findBandAt (handleOf (6)), 6);
}

TEST_F (BandOperations, OutOfRangeBandIndicesDoNothing)
{
    ParameterRecorder recorder (processor);
    canvas.setBandType (-1, FilterType::notch);
    canvas.setBandType (24, FilterType::notch);
    canvas.beginBandDragGestures (99);
    EXPECT_TRUE (recorder.events.empty());
}
} // namespace
