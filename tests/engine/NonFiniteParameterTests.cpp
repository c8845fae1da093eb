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

// The strongest legal settings: 24 Bells stacked at +30 dB, gain scale up to 200 %. Their
// response overflows the float range; once every gain is back at 0 dB, each phase mode passes
// the input unchanged again (after its latency) within its usual smoothing, also after the
// host resets the processor or the phase mode changes in between.
TEST (NonFiniteParameters, StackedExtremeBoostsLeaveEveryModeRecoverable)
{
    enum class Then { nothing, hostReset, modeSwitch };
    constexpr int blockSize = 512;
    constexpr double rate = 48000.0;

    for (const int phase : { 0, 1, 2 })
    {
        for (const float gainScale : { 100.0f, 200.0f })
        {
            for (const auto then : { Then::nothing, Then::hostReset, Then::modeSwitch })
            {
                SCOPED_TRACE (::testing::Message() << "phase " << phase << ", gain scale " << gainScale
                                                   << ", then " << (int) then);
                ProcessorHarness h;
                h.set ("phasemode", (float) phase);
                h.set ("gainscale", gainScale);
                for (int band = 0; band < 24; ++band)
                    h.placeBand (band, FilterType::bell, 1000.0f, 30.0f, 1.0f);
                h.prepare (rate, blockSize);

                const auto tone = sine (1000.0, rate, blockSize * 20, 0.25f);
                h.run ({ tone, tone }, blockSize);

                for (int band = 0; band < 24; ++band)
                    h.setBand (band, "gain", 0.0f);
                if (then == Then::hostReset)
                {
                    h.processor.reset();
                }
                else if (then == Then::modeSwitch)
                {
                    h.set ("phasemode", phase == 2 ? 0.0f : 2.0f);
                    h.block (blockSize, 0.25f);
                    h.set ("phasemode", (float) phase);
                }

                // Two seconds: the last 20 blocks are the input again, delayed by the latency.
                const int length = blockSize * 188;
                const auto input = sine (1000.0, rate, length, 0.25f);
                const auto out = h.run ({ input, input }, blockSize);
                const int latency = h.processor.getLatencySamples();
                for (int c = 0; c < 2; ++c)
                    for (int i = length - 20 * blockSize; i < length; ++i)
                        ASSERT_NEAR (out[(size_t) c][(size_t) i], input[(size_t) (i - latency)], 1e-3f)
                            << "channel " << c << ", sample " << i;
            }
        }
    }
}
