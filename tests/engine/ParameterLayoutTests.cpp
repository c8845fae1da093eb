#include "engine/SabrelProcessor.h"

#include <gtest/gtest.h>

namespace
{
enum class Kind { boolean, choice, continuous };

struct ParamSpec
{
    const char* idSuffix;  // band suffix or global id
    const char* name;      // without the "Band N " prefix
    Kind kind;
    float start, end, interval, skew;
    float defaultValue;    // raw; ignored for the band frequency
    const char* label;
    int numChoices;
};

// clang-format off
const ParamSpec bandSpecs[] = {
    { "on",      "On",        Kind::boolean,    0, 1, 1, 1, 0, "", 0 },
    { "active",  "Active",    Kind::boolean,    0, 1, 1, 1, 1, "", 0 },
    { "solo",    "Solo",      Kind::boolean,    0, 1, 1, 1, 0, "", 0 },
    { "type",    "Type",      Kind::choice,     0, 6, 1, 1, 0, "", 7 },
    { "freq",    "Freq",      Kind::continuous, 10, 30000, 0, 0.2032145f, 0, "Hz", 0 },
    { "gain",    "Gain",      Kind::continuous, -30, 30, 0.01f, 1, 0, "dB", 0 },
    { "q",       "Q",         Kind::continuous, 0.1f, 40, 0, 0.1828047f, 0.707f, "", 0 },
    { "slope",   "Slope",     Kind::choice,     0, 8, 1, 1, 1, "", 9 },
    { "dynon",   "Dynamic",   Kind::boolean,    0, 1, 1, 1, 0, "", 0 },
    { "thresh",  "Threshold", Kind::continuous, -72, 12, 0.1f, 1, -18, "dB", 0 },
    { "atk",     "Attack",    Kind::continuous, 0.1f, 200, 0, 0.2306429f, 5, "ms", 0 },
    { "rel",     "Release",   Kind::continuous, 5, 1000, 0, 0.3212271f, 80, "ms", 0 },
    { "ratio",   "Ratio",     Kind::continuous, 1, 20, 0, 0.3755213f, 20, "", 0 },
    { "knee",    "Knee",      Kind::continuous, 0, 24, 0.1f, 1, 6, "dB", 0 },
    { "auto",    "Auto",      Kind::boolean,    0, 1, 1, 1, 1, "", 0 },
    { "channel", "Channel",   Kind::choice,     0, 4, 1, 1, 0, "", 5 },
    { "scext",   "Sidechain", Kind::boolean,    0, 1, 1, 1, 0, "", 0 },
    { "tilt",    "Tilt",      Kind::continuous, -18, 18, 0.1f, 1, 0, "dB", 0 },
};

const ParamSpec globalSpecs[] = {
    { "input",      "Input",        Kind::continuous, -24, 24, 0.01f, 1, 0, "dB", 0 },
    { "output",     "Output",       Kind::continuous, -24, 24, 0.01f, 1, 0, "dB", 0 },
    { "bypass",     "Bypass",       Kind::boolean,    0, 1, 1, 1, 0, "", 0 },
    { "phasemode",  "Phase",        Kind::choice,     0, 2, 1, 1, 0, "", 3 },
    { "oversample", "Oversampling", Kind::choice,     0, 2, 1, 1, 0, "", 3 },
    { "gainscale",  "Gain Scale",   Kind::continuous, 0, 200, 0.1f, 1, 100, "%", 0 },
    { "autogain",   "Auto Gain",    Kind::boolean,    0, 1, 1, 1, 0, "", 0 },
};
// clang-format on

class ParameterLayoutTest : public ::testing::Test
{
protected:
    SabrelProcessor processor;

    juce::RangedAudioParameter& param (int index)
    {
        return *dynamic_cast<juce::RangedAudioParameter*> (processor.getParameters()[index]);
    }

    juce::RangedAudioParameter& param (const juce::String& id) { return *processor.apvts.getParameter (id); }

    void expectMatches (int index, const ParamSpec& spec, const juce::String& id, const juce::String& name,
                        float defaultValue)
    {
        SCOPED_TRACE ("parameter " + id.toStdString());
        auto& p = param (index);
        EXPECT_EQ (p.getParameterID(), id);
        EXPECT_EQ (p.getName (100), name);
        EXPECT_EQ (p.getLabel(), juce::String (spec.label));
        EXPECT_EQ (p.getVersionHint(), 1);

        const auto& range = p.getNormalisableRange();
        EXPECT_FLOAT_EQ (range.start, spec.start);
        EXPECT_FLOAT_EQ (range.end, spec.end);
        EXPECT_FLOAT_EQ (range.interval, spec.interval);
        EXPECT_FLOAT_EQ (range.skew, spec.skew);
        EXPECT_FALSE (range.symmetricSkew);
        EXPECT_FLOAT_EQ (range.convertFrom0to1 (p.getDefaultValue()), defaultValue);

        switch (spec.kind)
        {
            case Kind::boolean: EXPECT_NE (dynamic_cast<juce::AudioParameterBool*> (&p), nullptr); break;
            case Kind::continuous: EXPECT_NE (dynamic_cast<juce::AudioParameterFloat*> (&p), nullptr); break;
            case Kind::choice:
            {
                auto* choice = dynamic_cast<juce::AudioParameterChoice*> (&p);
                ASSERT_NE (choice, nullptr);
                EXPECT_EQ (choice->choices.size(), spec.numChoices);
                break;
            }
        }
    }
};
} // namespace

TEST_F (ParameterLayoutTest, EveryParameterInLayoutOrder)
{
    ASSERT_EQ (processor.getParameters().size(), numParams);

    for (int band = 0; band < numBands; ++band)
        for (int k = 0; k < paramsPerBand; ++k)
        {
            const auto& spec = bandSpecs[k];
            const auto defaultValue = juce::String (spec.idSuffix) == "freq" ? defaultBandFrequency (band)
                                                                             : spec.defaultValue;
            expectMatches (band * paramsPerBand + k, spec, bandParamId (band, spec.idSuffix),
                           "Band " + juce::String (band + 1) + " " + spec.name, defaultValue);
        }

    for (int k = 0; k < numGlobalParams; ++k)
        expectMatches (numBandParams + k, globalSpecs[k], globalSpecs[k].idSuffix, globalSpecs[k].name,
                       globalSpecs[k].defaultValue);
}

TEST_F (ParameterLayoutTest, LandmarkIds)
{
    EXPECT_EQ (param (0).getParameterID(), "b0_on");
    EXPECT_EQ (param (431).getParameterID(), "b23_tilt");
    EXPECT_EQ (param (438).getParameterID(), "autogain");
    EXPECT_EQ (bandParamId (7, "freq"), "b7_freq");
    EXPECT_EQ (param ("b9_freq").getName (100), "Band 10 Freq");
}

TEST_F (ParameterLayoutTest, ChoiceTexts)
{
    const auto choices = [this] (const char* id) {
        return dynamic_cast<juce::AudioParameterChoice&> (param (id)).choices.joinIntoString ("|");
    };
    EXPECT_EQ (choices ("b0_type"), "Bell|Low Shelf|High Shelf|Low Cut|High Cut|Notch|Tilt");
    EXPECT_EQ (choices ("b0_slope"),
               "6 dB/oct|12 dB/oct|18 dB/oct|24 dB/oct|30 dB/oct|36 dB/oct|48 dB/oct|72 dB/oct|96 dB/oct");
    EXPECT_EQ (choices ("b0_channel"), "Stereo|Mid|Side|Left|Right");
    EXPECT_EQ (choices ("phasemode"), "Zero Latency|Natural Phase|Linear Phase");
    EXPECT_EQ (choices ("oversample"), "Off|2x|4x");
}

TEST_F (ParameterLayoutTest, DefaultBandFrequencies)
{
    const double expected[] = { 30,      39.42,   51.79,   68.05,   89.41,   117.48,  154.35,   202.80,
                                266.47,  350.11,  460.02,  604.42,  794.15,  1043.44, 1370.99,  1801.35,
                                2366.81, 3109.78, 4085.96, 5368.58, 7053.82, 9268.08, 12177.41, 16000 };

    for (int band = 0; band < numBands; ++band)
    {
        EXPECT_NEAR (defaultBandFrequency (band), expected[band], 0.005) << "band " << band;
        EXPECT_FLOAT_EQ (processor.apvts.getRawParameterValue (bandParamId (band, "freq"))->load(),
                         defaultBandFrequency (band));
    }
}

TEST_F (ParameterLayoutTest, SkewCentresSitAtHalfway)
{
    const std::pair<const char*, float> centres[] = {
        { "b0_freq", 1000.0f }, { "b0_ratio", 4.0f }, { "b0_q", 1.0f }, { "b0_atk", 10.0f }, { "b0_rel", 120.0f },
    };

    for (const auto& [id, centre] : centres)
        EXPECT_NEAR (param (id).convertTo0to1 (centre), 0.5f, 1.0e-6f) << id;
}

TEST_F (ParameterLayoutTest, IntervalsSnapValues)
{
    const std::tuple<const char*, float, float> cases[] = {
        { "b0_gain", 0.123f, 0.12f },
        { "b0_thresh", -17.96f, -18.0f },
        { "gainscale", 99.96f, 100.0f },
    };

    for (const auto& [id, value, snapped] : cases)
    {
        auto& p = param (id);
        p.setValueNotifyingHost (p.convertTo0to1 (value));
        EXPECT_NEAR (processor.apvts.getRawParameterValue (id)->load(), snapped, 1.0e-5f) << id;
    }
}

TEST (ParameterTexts, ValueToTextFunctions)
{
    using Fn = juce::String (*) (float, int);
    const std::tuple<Fn, float, const char*> cases[] = {
        { frequencyToText, 440.0f, "440" },
        { frequencyToText, 1000.0f, "1.00 k" },
        { frequencyToText, 12500.0f, "12.5 k" },
        { frequencyToText, 9999.0f, "10.00 k" },
        { frequencyToText, 999.6f, "1000" },
        { frequencyToText, 10.0f, "10" },
        { decibelsToText, 0.004f, "0.0" },
        { decibelsToText, -0.004f, "0.0" },
        { decibelsToText, -3.46f, "-3.5" },
        { decibelsToText, 12.0f, "12.0" },
        { qToText, 0.707f, "0.71" },
        { qToText, 40.0f, "40.00" },
        { thresholdToText, 6.0f, "+6.0" },
        { thresholdToText, -18.0f, "-18.0" },
        { thresholdToText, 0.04f, "0.0" },
        { thresholdToText, -0.04f, "0.0" },
        { millisecondsToText, 5.0f, "5.0" },
        { millisecondsToText, 80.0f, "80" },
        { millisecondsToText, 9.96f, "10.0" },
        { ratioToText, 4.0f, "4.0:1" },
        { ratioToText, 20.0f, "Inf" },
        { ratioToText, 1.0f, "1.0:1" },
        { percentToText, 100.0f, "100" },
        { percentToText, 12.5f, "12" },
    };

    for (const auto& [fn, value, text] : cases)
        EXPECT_EQ (fn (value, 0), juce::String (text)) << "value " << value;
}

TEST_F (ParameterLayoutTest, HostTextUsesTheTextFunctions)
{
    const std::tuple<const char*, float, const char*> cases[] = {
        { "b0_freq", 1500.0f, "1.50 k" },
        { "b0_ratio", 20.0f, "Inf" },
        { "b0_thresh", 6.0f, "+6.0" },
        { "gainscale", 100.0f, "100" },
        { "b0_atk", 5.0f, "5.0" },
    };

    for (const auto& [id, value, text] : cases)
    {
        auto& p = param (id);
        EXPECT_EQ (p.getText (p.convertTo0to1 (value), 100), juce::String (text)) << id;
    }
}

TEST (SlopeTable, Values)
{
    EXPECT_EQ (getSlopeTable(), (SlopeTable { 6, 12, 18, 24, 30, 36, 48, 72, 96 }));
}
