#include "ProcessorHarness.h"

#include <gtest/gtest.h>

// Audio from before a pause (a solo, the host stopping and calling reset) must never come out after
// it: a tone, then the pause and silence; after the pause the output must be silent. A bypass, ours
// or the host's, is no pause for the filters: they run on, so what follows it is what would have
// followed without it (a ringing filter's decay at most), never what they held when it began.
namespace
{
constexpr double rate = 48000.0;
constexpr int blockSize = 256;

std::vector<std::vector<float>> silence (int seconds)
{
    return { std::vector<float> ((size_t) (seconds * rate), 0.0f), std::vector<float> ((size_t) (seconds * rate), 0.0f) };
}

std::vector<std::vector<float>> tone (int seconds)
{
    const auto s = sine (200.0, rate, (int) (seconds * rate), 0.5f);
    return { s, s };
}

float peakOf (const std::vector<std::vector<float>>& signal)
{
    float peak = 0.0f;
    for (const auto& channel : signal)
        for (const float x : channel)
            peak = std::max (peak, std::abs (x));
    return peak;
}

enum class Pause { bypass, hostBypass, solo, reset };

struct Case
{
    const char* name;
    int phase;
    int oversample;
    Pause pause;
};

const Case cases[] = {
    { "linear phase, bypass", 2, 0, Pause::bypass },
    { "linear phase, host bypass", 2, 0, Pause::hostBypass },
    { "linear phase 4x, host bypass", 2, 2, Pause::hostBypass },
    { "zero latency, host bypass", 0, 0, Pause::hostBypass },
    { "natural phase 2x, host bypass", 1, 1, Pause::hostBypass },
    { "linear phase, solo", 2, 0, Pause::solo },
    { "linear phase, reset", 2, 0, Pause::reset },
    { "zero latency, bypass", 0, 0, Pause::bypass },
    { "zero latency 4x, bypass", 0, 2, Pause::bypass },
    { "natural phase, solo", 1, 0, Pause::solo },
    { "zero latency, reset", 0, 0, Pause::reset },
    { "natural phase 2x, reset", 1, 1, Pause::reset },
};
} // namespace

TEST (PauseAndResume, NoAudioFromBeforeAPauseComesOutAfterIt)
{
    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        const auto prepared = [&c] (ProcessorHarness& h) {
            h.set ("phasemode", (float) c.phase);
            h.set ("oversample", (float) c.oversample);
            // A narrow low bell rings for seconds; the other band is the one soloed.
            h.placeBand (0, 0, 200.0f, 12.0f, 40.0f);
            h.placeBand (1, 0, 5000.0f, 0.0f, 1.0f);
            h.prepare (rate, blockSize);
        };
        ProcessorHarness h;
        prepared (h);

        ASSERT_GT (peakOf (h.run (tone (1), blockSize)), 0.1f);

        switch (c.pause)
        {
            case Pause::bypass:
                h.set ("bypass", 1.0f);
                h.run (silence (2), blockSize);
                h.set ("bypass", 0.0f);
                break;
            case Pause::hostBypass:
                h.hostBypass = true;
                h.run (silence (2), blockSize);
                h.hostBypass = false;
                break;
            case Pause::solo:
                h.setBand (1, "solo", 1.0f);
                h.run (silence (2), blockSize);
                h.setBand (1, "solo", 0.0f);
                break;
            case Pause::reset:
                h.processor.reset();
                break;
        }

        const auto after = h.run (silence (1), blockSize);
        const bool bypassed = c.pause == Pause::bypass || c.pause == Pause::hostBypass;
        if (bypassed)
        {
            ProcessorHarness neverBypassed;
            prepared (neverBypassed);
            neverBypassed.run (tone (1), blockSize);
            neverBypassed.run (silence (2), blockSize);
            EXPECT_EQ (after, neverBypassed.run (silence (1), blockSize));
        }
        // The linear-phase stage's response is finite: after seconds of silence it is silent.
        if (! bypassed || c.phase == 2)
        {
            EXPECT_EQ (peakOf (after), 0.0f);
        }
    }
}

TEST (PauseAndResume, ResetJumpsTheGainsToTheirTargets)
{
    ProcessorHarness h;
    h.prepare (rate, blockSize);
    h.set ("output", -12.0f);
    h.block (16, 1.0f); // the ramp toward -12 dB has begun
    ASSERT_TRUE (h.processor.outputGain.isSmoothing());

    h.processor.reset();
    const auto out = h.block (16, 1.0f);
    EXPECT_FLOAT_EQ (out.getSample (0, 0), juce::Decibels::decibelsToGain (-12.0f));
}

namespace
{
// What changes before a block: our bypass, the host's, the oversampling.
enum Switch { bypassOn, bypassOff, hostBypassOn, hostBypassOff, oversampleOff, oversample2x, oversample4x };

struct SwitchAt
{
    int block;
    Switch what;
};

struct SwitchCase
{
    const char* name;
    int phase;
    int oversample;
    std::vector<SwitchAt> switches;
};

const SwitchCase switchCases[] = {
    { "linear phase, bypass", 2, 0,
      { { 20, bypassOn }, { 28, bypassOff }, { 29, bypassOn }, { 40, bypassOff } } },
    { "linear phase, host bypass", 2, 0,
      { { 20, hostBypassOn }, { 36, hostBypassOff }, { 37, hostBypassOn }, { 38, hostBypassOff } } },
    { "linear phase, both bypasses", 2, 0,
      { { 20, bypassOn }, { 24, hostBypassOn }, { 30, bypassOff }, { 34, hostBypassOff } } },
    { "linear phase, oversampling", 2, 0,
      { { 20, oversample2x }, { 30, oversample4x }, { 40, oversampleOff } } },
    { "linear phase, oversampling while bypassed", 2, 1,
      { { 20, hostBypassOn }, { 25, oversample4x }, { 30, hostBypassOff }, { 35, oversampleOff } } },
    { "zero latency 4x, host bypass", 0, 2,
      { { 20, hostBypassOn }, { 21, hostBypassOff }, { 30, hostBypassOn }, { 45, hostBypassOff } } },
    { "natural phase 2x, bypass", 1, 1,
      { { 20, bypassOn }, { 33, bypassOff }, { 34, bypassOn }, { 35, bypassOff } } },
    { "zero latency, both bypasses", 0, 0,
      { { 20, hostBypassOn }, { 30, bypassOn }, { 31, hostBypassOff }, { 40, bypassOff } } },
};

void apply (ProcessorHarness& h, Switch what)
{
    switch (what)
    {
        case bypassOn: h.set ("bypass", 1.0f); break;
        case bypassOff: h.set ("bypass", 0.0f); break;
        case hostBypassOn: h.hostBypass = true; break;
        case hostBypassOff: h.hostBypass = false; break;
        case oversampleOff: h.set ("oversample", 0.0f); break;
        case oversample2x: h.set ("oversample", 1.0f); break;
        case oversample4x: h.set ("oversample", 2.0f); break;
    }
}
} // namespace

// Switching a bypass on or off, or the oversampling in Linear Phase (where it does nothing), leaves
// no gap and brings nothing old back: with no band in use the output is the input the reported
// latency late all along, however the switches fall.
TEST (PauseAndResume, SwitchingBypassOrUnusedOversamplingKeepsTheSignalWhole)
{
    constexpr int blocks = 60;
    // A sweep: any jump in time shows, and the oversamplers keep it within a hundredth.
    std::vector<float> input ((size_t) (blocks * blockSize));
    for (size_t i = 0; i < input.size(); ++i)
    {
        const double t = (double) i / rate, duration = (double) input.size() / rate;
        const double cycles = 80.0 * t + 110.0 * t * t / duration;
        input[i] = 0.5f * (float) std::sin (juce::MathConstants<double>::twoPi * cycles);
    }

    for (const auto& c : switchCases)
    {
        SCOPED_TRACE (c.name);
        ProcessorHarness h;
        h.set ("phasemode", (float) c.phase);
        h.set ("oversample", (float) c.oversample);
        h.prepare (rate, blockSize);
        const int latency = h.processor.getLatencySamples();

        std::vector<std::vector<float>> out (2);
        for (int b = 0; b < blocks; ++b)
        {
            for (const auto& s : c.switches)
                if (s.block == b)
                    apply (h, s.what);
            const auto from = input.begin() + b * blockSize;
            const std::vector<float> piece (from, from + blockSize);
            const auto processed = h.run ({ piece, piece }, blockSize);
            for (size_t ch = 0; ch < 2; ++ch)
                out[ch].insert (out[ch].end(), processed[ch].begin(), processed[ch].end());
        }
        EXPECT_EQ (h.processor.getLatencySamples(), latency);

        const auto delay = (size_t) latency;
        for (const auto& channel : out)
        {
            const auto error = [&] (size_t i) { return std::abs (channel[i] - input[i - delay]); };
            size_t worst = delay + 64;
            for (size_t i = worst; i < channel.size(); ++i)
                if (error (i) > error (worst))
                    worst = i;
            EXPECT_LT (error (worst), 0.01f) << "sample " << worst;
        }
    }
}
