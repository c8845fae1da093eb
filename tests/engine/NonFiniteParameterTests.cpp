#include "ProcessorHarness.h"

#include <gtest/gtest.h>

#include <limits>

// A host may hand a parameter a NaN normalised value; it must not stick in the parameter, the
// raw values, a snapshot, the saved state or the audio. Floats and switches keep their last
// value.
namespace
{
constexpr float notANumber = std::numeric_limits<float>::quiet_NaN();

struct ParameterCase
{
    const char* id;
    float value; // a finite value set before the NaN, in the parameter's own units
};

const ParameterCase parameterCases[] = {
    { "b0_gain", 9.0f }, { "b0_q", 3.0f },       { "b0_freq", 250.0f },    { "b0_tilt", -6.0f },   { "b0_type", 1.0f },
    { "b0_on", 1.0f },   { "b0_dynon", 1.0f },   { "b0_thresh", -30.0f },  { "b0_ratio", 4.0f },   { "gainscale", 150.0f },
    { "input", -3.0f },  { "output", 2.0f },     { "phasemode", 1.0f },    { "oversample", 1.0f }, { "bypass", 0.0f },
};

bool finiteBand (const BandSettings& s)
{
    for (const double v : { s.freq, s.gain, s.q, s.tilt, s.thresh, s.attackMs, s.releaseMs, s.ratio, s.knee })
        if (! std::isfinite (v))
            return false;
    return true;
}

bool finiteOutput (ProcessorHarness& h)
{
    const auto out = h.run ({ sine (440.0, 48000.0, 4096, 0.5f), sine (440.0, 48000.0, 4096, 0.5f) }, 512);
    for (const auto& channel : out)
        for (const float x : channel)
            if (! std::isfinite (x))
                return false;
    return true;
}

ProcessorHarness& placedBand (ProcessorHarness& h)
{
    h.placeBand (0, 0, 1000.0f, 6.0f, 1.0f);
    h.prepare (48000.0, 512);
    return h;
}
} // namespace

TEST (NonFiniteParameters, AHostsNaNLeavesTheLastValue)
{
    // Both ways a host reaches a parameter: through the notifying call, and as the VST3 wrapper
    // does, the plain setValue followed by the listeners.
    for (const bool notifying : { true, false })
    {
        for (const auto& c : parameterCases)
        {
            SCOPED_TRACE (::testing::Message() << c.id << (notifying ? ", notifying" : ", plain"));
            ProcessorHarness h;
            placedBand (h);
            h.set (c.id, c.value);

            juce::AudioProcessorParameter* parameter = h.processor.apvts.getParameter (c.id);
            const float before = parameter->getValue();
            const float raw = h.processor.rawParamValue (c.id);
            if (notifying)
            {
                parameter->setValueNotifyingHost (notANumber);
            }
            else
            {
                parameter->setValue (notANumber);
                parameter->sendValueChangedMessageToListeners (notANumber);
            }

            // A choice never sees the NaN: the framework rounds it to the first choice first.
            const bool choice = dynamic_cast<juce::AudioParameterChoice*> (parameter) != nullptr;
            EXPECT_EQ (parameter->getValue(), choice ? 0.0f : before);
            EXPECT_EQ (h.processor.rawParamValue (c.id), choice ? 0.0f : raw);
            EXPECT_TRUE (finiteBand (h.processor.snapshotBands()[0]));
            EXPECT_TRUE (finiteOutput (h));

            juce::MemoryBlock state;
            h.processor.getStateInformation (state);
            const auto text = state.toString();
            EXPECT_FALSE (text.containsIgnoreCase ("nan") || text.containsIgnoreCase ("inf"));
        }
    }
}

TEST (NonFiniteParameters, RawValuesReadOnTheAudioThreadFallBackToTheDefault)
{
    // Should a raw value ever be NaN or infinite behind the parameters' backs, the audio thread
    // and every snapshot read the parameter's default instead.
    for (const float bad : { notANumber, std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity() })
    {
        for (const auto& c : parameterCases)
        {
            SCOPED_TRACE (::testing::Message() << c.id << " = " << bad);
            ProcessorHarness h;
            placedBand (h);
            h.set (c.id, c.value);

            auto* parameter = h.processor.apvts.getParameter (c.id);
            const float fallback = parameter->convertFrom0to1 (parameter->getDefaultValue());
            h.processor.apvts.getRawParameterValue (c.id)->store (bad);

            EXPECT_EQ (h.processor.rawParamValue (c.id), fallback);
            EXPECT_TRUE (finiteBand (h.processor.snapshotBands()[0]));
            EXPECT_TRUE (finiteOutput (h));
        }
    }
}
