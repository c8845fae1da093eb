#include "ProcessorHarness.h"

#include <gtest/gtest.h>

// Audio from before a pause (bypass, a solo, the host stopping and calling reset) must never come
// out after it: a tone, then the pause and silence; after the pause the output must be silent.
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

enum class Pause { bypass, solo, reset };

struct Case
{
    const char* name;
    int phase;
    int oversample;
    Pause pause;
};

const Case cases[] = {
    { "linear phase, bypass", 2, 0, Pause::bypass },
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
        ProcessorHarness h;
        h.set ("phasemode", (float) c.phase);
        h.set ("oversample", (float) c.oversample);
        // A narrow low bell rings for seconds; the other band is the one soloed.
        h.placeBand (0, 0, 200.0f, 12.0f, 40.0f);
        h.placeBand (1, 0, 5000.0f, 0.0f, 1.0f);
        h.prepare (rate, blockSize);

        ASSERT_GT (peakOf (h.run (tone (1), blockSize)), 0.1f);

        switch (c.pause)
        {
            case Pause::bypass:
                h.set ("bypass", 1.0f);
                h.run (silence (2), blockSize);
                h.set ("bypass", 0.0f);
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

        EXPECT_EQ (peakOf (h.run (silence (1), blockSize)), 0.0f);
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
