#include "engine/EqEngine.h"
#include "EngineTestHelpers.h"
#include "ProcessorHarness.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>

// One NaN or infinite sample, in the main input or in the sidechain, must not silence anything
// beyond the block it arrives in: whatever the phase mode, oversampling or dynamics.
namespace
{
using namespace engine_test;
constexpr double rate = 48000.0;
constexpr int blockSize = 256;
constexpr float nan = std::numeric_limits<float>::quiet_NaN();
constexpr float inf = std::numeric_limits<float>::infinity();

std::vector<float> noise (size_t n, unsigned seed, float level)
{
    std::mt19937 random (seed);
    std::uniform_real_distribution<float> d (-level, level);
    std::vector<float> v (n);
    for (auto& x : v)
        x = d (random);
    return v;
}

bool finiteFrom (const std::vector<float>& signal, size_t from)
{
    return std::all_of (signal.begin() + (std::ptrdiff_t) from, signal.end(), [] (float x) { return std::isfinite (x); });
}

struct BadSample
{
    float value;
    bool inSidechain;
};

const BadSample badSamples[] = { { nan, false }, { inf, false }, { -inf, false }, { nan, true }, { inf, true }, { -inf, true } };

//==============================================================================
// The engine alone: its states must be finite again after the call that met the bad sample.
struct EngineCase
{
    const char* name;
    bool dynamics;
    bool solo;
};

BandSnapshot engineBands (const EngineCase& c)
{
    BandSnapshot bands {};
    bands[0] = placed (FilterType::lowCut, 40);
    bands[0].slope = 48;
    bands[1] = placed (FilterType::bell, 1000, 6, 2, ChannelMode::mid);
    bands[2] = placed (FilterType::bell, 800, -12, 1);
    bands[2].dynamic = c.dynamics;
    bands[2].sidechain = true;
    bands[2].thresh = -40;
    bands[2].knee = 0;
    bands[2].attackMs = 1;
    bands[3] = placed (FilterType::tilt, 500);
    bands[3].tilt = 6;
    bands[3].dynamic = c.dynamics;
    bands[3].thresh = -30;
    bands[2].solo = c.solo;
    return bands;
}

bool engineStateIsFinite (const EqEngine& e)
{
    for (size_t b = 0; b < 24; ++b)
    {
        for (const auto& s : e.sections[b])
            if (! std::isfinite (s.z1[0] + s.z1[1] + s.z2[0] + s.z2[1]))
                return false;
        if (! std::isfinite (e.detectorZ1[b] + e.detectorZ2[b] + e.envelope[b] + e.dynGainDb[b] + e.smoothedOverDb[b]))
            return false;
    }
    for (const auto& s : e.soloSections)
        if (! std::isfinite (s.z1[0] + s.z1[1] + s.z2[0] + s.z2[1]))
            return false;
    return true;
}
} // namespace

TEST (NonFiniteInput, EngineClearsItsStatesWithinTheCall)
{
    const EngineCase cases[] = { { "plain", false, false }, { "dynamic", true, false }, { "solo", true, true } };

    for (const auto& c : cases)
    {
        for (const auto& bad : badSamples)
        {
            SCOPED_TRACE (::testing::Message() << c.name << ", " << bad.value << (bad.inSidechain ? " in the sidechain" : " in the main input"));
            EqEngine e;
            e.sampleRate = rate;
            e.controlSmoothing = 0.99f;
            const auto bands = engineBands (c);

            constexpr int blocks = 40;
            auto left = noise (blocks * blockSize, 1, 0.1f), right = noise (blocks * blockSize, 2, 0.1f);
            auto key = noise (blocks * blockSize, 3, 0.5f); // loud: the keyed band ducks
            (bad.inSidechain ? key : left)[2 * blockSize + 17] = bad.value;

            for (int b = 0; b < blocks; ++b)
            {
                float* channels[] = { left.data() + b * blockSize, right.data() + b * blockSize };
                e.setBands (bands);
                e.process (channels, 2, blockSize, key.data() + b * blockSize);
                if (b >= 2)
                    ASSERT_TRUE (engineStateIsFinite (e)) << "after block " << b;
            }

            EXPECT_TRUE (finiteFrom (left, 3 * blockSize));
            EXPECT_TRUE (finiteFrom (right, 3 * blockSize));
            if (c.dynamics)
                EXPECT_LT (e.dynGainDb[2], -6.0f) << "the keyed band ducks again";
        }
    }
}

//==============================================================================
TEST (NonFiniteInput, ProcessorOutputIsFiniteFromTheNextBlockInEveryMode)
{
    for (const int phase : { 0, 1, 2 })
    {
        for (const int oversample : { 0, 2 })
        {
            for (const bool dynamics : { false, true })
            {
                for (const auto& bad : badSamples)
                {
                    SCOPED_TRACE (::testing::Message() << "phase " << phase << ", oversampling " << oversample << ", dynamics "
                                                       << dynamics << ", " << bad.value
                                                       << (bad.inSidechain ? " in the sidechain" : " in the main input"));
                    ProcessorHarness h (2, 2);
                    h.set ("phasemode", (float) phase);
                    h.set ("oversample", (float) oversample);
                    h.placeBand (0, FilterType::lowCut, 30.0f, 0.0f, 0.7f);
                    h.placeBand (1, FilterType::bell, 800.0f, -12.0f, 1.0f);
                    h.setBand (1, "dynon", dynamics ? 1.0f : 0.0f);
                    h.setBand (1, "scext", 1.0f);
                    h.setBand (1, "thresh", -40.0f);
                    h.setBand (1, "knee", 0.0f);
                    h.setBand (1, "auto", 0.0f);
                    h.setBand (1, "atk", 1.0f);
                    h.placeBand (2, FilterType::highShelf, 6000.0f, 4.0f, 0.7f);
                    h.setBand (2, "dynon", dynamics ? 1.0f : 0.0f);
                    h.setBand (2, "thresh", -30.0f);
                    h.prepare (rate, blockSize);

                    constexpr int blocks = 40;
                    const size_t length = blocks * blockSize;
                    auto main = std::vector<std::vector<float>> { noise (length, 1, 0.1f), noise (length, 2, 0.1f) };
                    auto key = std::vector<std::vector<float>> { noise (length, 3, 0.5f), noise (length, 4, 0.5f) };
                    (bad.inSidechain ? key : main)[0][2 * blockSize + 17] = bad.value;

                    const auto out = h.run (main, blockSize, key);
                    EXPECT_TRUE (finiteFrom (out[0], 3 * blockSize));
                    EXPECT_TRUE (finiteFrom (out[1], 3 * blockSize));
                    EXPECT_TRUE (engineStateIsFinite (h.processor.engine));
                    for (auto& meter : h.processor.peakDb)
                        EXPECT_TRUE (std::isfinite (meter.load()));
                    if (dynamics && phase != 2)
                        EXPECT_LT (h.processor.bandGainDb[1].load(), -6.0f) << "the keyed band ducks again";
                }
            }
        }
    }
}

TEST (NonFiniteInput, AnOverflowInsideTheFilterStageClearsEveryStage)
{
    // Finite input that a +60 dB boost takes past the float range.
    for (const int phase : { 0, 2 })
    {
        for (const int oversample : { 0, 2 })
        {
            SCOPED_TRACE (::testing::Message() << "phase " << phase << ", oversampling " << oversample);
            ProcessorHarness h;
            h.set ("phasemode", (float) phase);
            h.set ("oversample", (float) oversample);
            h.set ("gainscale", 200.0f);
            h.placeBand (0, FilterType::bell, 1000.0f, 30.0f, 1.0f);
            h.prepare (rate, blockSize);

            const size_t length = 40 * blockSize;
            auto signal = sine (1000.0, rate, (int) length, 0.01f);
            for (size_t i = 2 * blockSize; i < 3 * blockSize; ++i)
                signal[i] = 1e38f;

            const auto out = h.run ({ signal, signal }, blockSize);
            EXPECT_TRUE (finiteFrom (out[0], 3 * blockSize));
            EXPECT_TRUE (finiteFrom (out[1], 3 * blockSize));
            // Not silenced: the tone comes back at its boosted level.
            EXPECT_GT (*std::max_element (out[0].end() - blockSize, out[0].end()), 1.0f);
        }
    }
}

// Legal settings whose gain stages around the filters leave the float range: the strongest
// boosts with the output gain raised, or input near the float limit with a gain raised. The
// host never receives a non-finite sample, and the meters stay finite.
TEST (NonFiniteInput, GainStagesAroundTheFiltersNeverHandOutANonFiniteSample)
{
    struct Case
    {
        const char* name;
        int boostedBands; // Bells at 1 kHz: all but the last at +30 dB, the last at +17 dB
        float gainScale, inputDb, outputDb, amplitude;
    };

    const Case cases[] = {
        { "13 stacked boosts, gain scale 200 %, output +24 dB", 13, 200.0f, 0.0f, 24.0f, 0.5f },
        { "input near the float limit, output +6 dB", 0, 100.0f, 0.0f, 6.0f, 3.0e38f },
        { "input near the float limit, input +6 dB", 0, 100.0f, 6.0f, 0.0f, 3.0e38f },
    };

    for (const auto& c : cases)
    {
        for (const int phase : { 0, 1, 2 })
        {
            for (const bool autoGain : { false, true })
            {
                SCOPED_TRACE (::testing::Message() << c.name << ", phase " << phase << ", auto gain " << autoGain);
                ProcessorHarness h;
                h.set ("phasemode", (float) phase);
                h.set ("gainscale", c.gainScale);
                h.set ("input", c.inputDb);
                h.set ("output", c.outputDb);
                h.set ("autogain", autoGain ? 1.0f : 0.0f);
                for (int band = 0; band < c.boostedBands; ++band)
                    h.placeBand (band, FilterType::bell, 1000.0f, band + 1 < c.boostedBands ? 30.0f : 17.0f, 0.707f);
                h.prepare (rate, 512);

                const auto tone = sine (1000.0, rate, 512 * 40, c.amplitude);
                const auto out = h.run ({ tone, tone }, 512);
                EXPECT_TRUE (finiteFrom (out[0], 0));
                EXPECT_TRUE (finiteFrom (out[1], 0));
                for (auto& meter : h.processor.peakDb)
                    EXPECT_TRUE (std::isfinite (meter.load()));
            }
        }
    }
}
