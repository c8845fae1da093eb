#include "engine/EqEngine.h"
#include "engine/FilterDesign.h"
#include "EngineTestHelpers.h"
#include "support/AllocationCounter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace
{
using namespace engine_test;
constexpr double rate = 48000.0;

BandSettings dynamicBand (int32_t type, double freq, double gain, double thresh)
{
    auto s = placed (type, freq, gain, 1.0);
    s.dynamic = true;
    s.thresh = thresh;
    s.knee = 0;
    s.attackMs = 1;
    s.releaseMs = 50;
    return s;
}

std::vector<float> noise (int n, unsigned seed, float level = 0.5f)
{
    std::mt19937 random (seed);
    std::uniform_real_distribution<float> d (-level, level);
    std::vector<float> v ((size_t) n);
    for (auto& x : v)
        x = d (random);
    return v;
}

std::vector<float> sine (int n, double freq, float amplitude)
{
    std::vector<float> v ((size_t) n);
    for (int i = 0; i < n; ++i)
        v[(size_t) i] = amplitude * (float) std::sin (2 * pi * freq * i / rate);
    return v;
}

float rms (const std::vector<float>& v, size_t from, size_t to)
{
    double sum = 0;
    for (size_t i = from; i < to; ++i)
        sum += (double) v[i] * v[i];
    return (float) std::sqrt (sum / (double) (to - from));
}

class EngineProcess : public ::testing::Test
{
protected:
    EqEngine engine;
    BandSnapshot bands {};

    void design()
    {
        engine.sampleRate = rate;
        engine.controlSmoothing = (float) std::exp (-16.0 / (0.25 * rate));
        engine.setBands (bands);
    }

    void run (std::vector<float>& left, std::vector<float>& right, const float* sidechain = nullptr, int blockSize = 512)
    {
        for (size_t start = 0; start < left.size(); start += (size_t) blockSize)
        {
            const int n = (int) std::min ((size_t) blockSize, left.size() - start);
            float* channels[] = { left.data() + start, right.data() + start };
            engine.setBands (bands);
            engine.process (channels, 2, n, sidechain != nullptr ? sidechain + start : nullptr);
        }
    }
};

//==============================================================================
// The order in which the engine is defined to work: sample by sample, each sample through
// the detectors, the gain computer every 16 samples, then every band in index order, the
// filters in double from the float input to the float output. The engine works on runs of
// samples; its output must be bit-identical.
void referenceProcess (EqEngine& e, float* const* ch, int numChannels, int numSamples, const float* sidechain)
{
    const auto step = [] (const Biquad& s, double x, double& z1, double& z2) {
        const double y = s.b0 * x + z1;
        z1 = s.b1 * x - s.a1 * y + z2;
        z2 = s.b2 * x - s.a2 * y;
        return y;
    };
    const auto cascade = [&] (int b, int slot, double x) {
        for (int k = 0; k < e.sectionCount[(size_t) b]; ++k)
        {
            auto& s = e.sections[(size_t) b][(size_t) k];
            x = step (s, x, s.z1[slot], s.z2[slot]);
        }
        return x;
    };

    int countdown = 0;
    for (int i = 0; i < numSamples; ++i)
    {
        float mean = 0;
        for (int c = 0; c < numChannels; ++c)
            mean += ch[c][i];
        mean *= 1.0f / (float) std::max (1, numChannels);
        const float sc = sidechain != nullptr ? sidechain[i] : mean;

        for (size_t b = 0; b < 24; ++b)
        {
            if (! e.dynamic[b])
                continue;
            const double y = step (e.detector[b], e.useSidechain[b] ? sc : mean, e.detectorZ1[b], e.detectorZ2[b]);
            const float a = (float) std::abs (y);
            const float coefficient = a > e.envelope[b] ? e.attackCoef[b] : e.releaseCoef[b];
            e.envelope[b] = (e.envelope[b] - a) * coefficient + a;
        }

        if (countdown == 0)
        {
            for (int b = 0; b < 24; ++b)
                if (e.dynamic[(size_t) b])
                    e.updateDynamicGain (b);
            countdown = 15;
        }
        else
        {
            --countdown;
        }

        if (numChannels < 2)
        {
            double x = ch[0][i];
            for (int b = 0; b < 24; ++b)
                if (e.sectionCount[(size_t) b] > 0 && e.channelMode[(size_t) b] != ChannelMode::side)
                    x = cascade (b, 0, x);
            ch[0][i] = (float) x;
            continue;
        }

        double l = ch[0][i], r = ch[1][i];
        for (int b = 0; b < 24; ++b)
        {
            if (e.sectionCount[(size_t) b] <= 0)
                continue;
            const double m = (l + r) * 0.5, s = (l - r) * 0.5;
            switch (e.channelMode[(size_t) b])
            {
                case ChannelMode::stereo: l = cascade (b, 0, l); r = cascade (b, 1, r); break;
                case ChannelMode::mid: { const double f = cascade (b, 0, m); l = s + f; r = f - s; break; }
                case ChannelMode::side: { const double f = cascade (b, 1, s); l = f + m; r = m - f; break; }
                case ChannelMode::left: l = cascade (b, 0, l); break;
                case ChannelMode::right: r = cascade (b, 1, r); break;
                default: break;
            }
        }
        ch[0][i] = (float) l;
        ch[1][i] = (float) r;
    }
}

TEST_F (EngineProcess, MatchesTheSampleBySampleDefinitionExactly)
{
    bands[0] = placed (FilterType::lowCut, 60);
    bands[0].slope = 30;
    bands[1] = placed (FilterType::bell, 400, 6, 2, ChannelMode::mid);
    bands[2] = placed (FilterType::highShelf, 5000, -4, 0.5, ChannelMode::side);
    bands[3] = placed (FilterType::bell, 900, 3, 1, ChannelMode::left);
    bands[4] = placed (FilterType::lowShelf, 150, -3, 0.7, ChannelMode::right);
    bands[5] = placed (FilterType::tilt, 800, 0, 1, ChannelMode::stereo);
    bands[5].tilt = 3;
    bands[6] = placed (FilterType::notch, 3000, 0, 2, 9); // an unknown channel mode filters nothing
    bands[7] = dynamicBand (FilterType::bell, 1200, -8, -30);
    bands[7].sidechain = true;
    bands[8] = dynamicBand (FilterType::tilt, 1000, 4, -24);
    bands[8].tilt = -3;
    bands[8].autoTiming = true;
    bands[9] = dynamicBand (FilterType::highShelf, 7000, -6, -36);
    bands[9].channel = ChannelMode::side;
    bands[10] = placed (FilterType::highCut, 16000);
    bands[10].slope = 96;

    const auto sc = noise (1000, 9, 0.9f);

    for (const int numChannels : { 1, 2 })
    {
        for (const bool withDynamics : { false, true })
        {
            for (const bool withSidechain : { false, true })
            {
                auto settings = bands;
                if (! withDynamics)
                    for (auto& s : settings)
                        s.dynamic = false;

                EqEngine a, b;
                for (auto* e : { &a, &b })
                {
                    e->sampleRate = rate;
                    e->controlSmoothing = 0.99f;
                    e->setBands (settings);
                }

                auto l1 = noise (1000, 1), r1 = noise (1000, 2);
                auto l2 = l1, r2 = r1;
                // Block lengths that are not multiples of 16 move the gain computer's ticks.
                const std::pair<int, int> blocks[] = { { 0, 40 }, { 40, 1 }, { 41, 500 }, { 541, 459 } };
                for (const auto& [start, n] : blocks)
                {
                    float* c1[] = { l1.data() + start, r1.data() + start };
                    float* c2[] = { l2.data() + start, r2.data() + start };
                    const float* side = withSidechain ? sc.data() + start : nullptr;
                    a.setBands (settings);
                    b.setBands (settings);
                    a.process (c1, numChannels, n, side);
                    referenceProcess (b, c2, numChannels, n, side);
                }

                const auto where = ::testing::Message() << numChannels << " channels, dynamics " << withDynamics << ", sidechain " << withSidechain;
                ASSERT_EQ (l1, l2) << where;
                if (numChannels == 2)
                    ASSERT_EQ (r1, r2) << where;
                else
                    ASSERT_EQ (r1, noise (1000, 2)) << where;
                for (size_t k = 0; k < 24; ++k)
                {
                    ASSERT_EQ (a.envelope[k], b.envelope[k]) << where;
                    ASSERT_EQ (a.dynGainDb[k], b.dynGainDb[k]) << where;
                }
            }
        }
    }
}

//==============================================================================
TEST_F (EngineProcess, ChannelRoutingTouchesOnlyItsTarget)
{
    struct Case { int32_t channel; bool leftChanges, rightChanges, keepsEqual; };
    const Case cases[] = {
        { ChannelMode::stereo, true, true, true },
        { ChannelMode::mid, true, true, true },
        { ChannelMode::side, false, false, true }, // L = R has no side signal
        { ChannelMode::left, true, false, false },
        { ChannelMode::right, false, true, false },
    };

    for (const auto& c : cases)
    {
        EqEngine fresh;
        BandSnapshot settings {};
        settings[4] = placed (FilterType::bell, 1000, 9, 1, c.channel);
        fresh.sampleRate = rate;
        fresh.setBands (settings);

        const auto input = noise (2048, 5);
        auto left = input, right = input;
        float* channels[] = { left.data(), right.data() };
        fresh.process (channels, 2, 2048, nullptr);

        EXPECT_EQ (left != input, c.leftChanges) << "channel " << c.channel;
        EXPECT_EQ (right != input, c.rightChanges) << "channel " << c.channel;
        if (c.keepsEqual)
        {
            EXPECT_EQ (left, right) << "channel " << c.channel;
        }
    }
}

TEST_F (EngineProcess, LeftAndRightBandsLeaveTheOtherChannelBitIdentical)
{
    bands[0] = placed (FilterType::lowCut, 200, 0, 0.7, ChannelMode::left);
    bands[0].slope = 48;
    bands[1] = placed (FilterType::bell, 3000, -7, 2, ChannelMode::right);
    design();

    const auto l0 = noise (3000, 11), r0 = noise (3000, 12);
    auto left = l0, right = r0;
    bands[1].on = false;
    design();
    run (left, right);
    EXPECT_EQ (right, r0);
    EXPECT_NE (left, l0);

    left = l0;
    right = r0;
    bands[1].on = true;
    bands[0].on = false;
    run (left, right);
    EXPECT_EQ (left, l0);
    EXPECT_NE (right, r0);
}

TEST_F (EngineProcess, MonoInputSkipsSideBandsAndRunsRightBandsOnTheOneChannel)
{
    bands[0] = placed (FilterType::bell, 1000, 9, 1, ChannelMode::side);
    design();
    const auto input = noise (1024, 3);
    auto mono = input;
    float* channels[] = { mono.data() };
    engine.process (channels, 1, 1024, nullptr);
    EXPECT_EQ (mono, input);

    // A Right band filters a mono signal exactly as a Stereo band filters the left channel.
    bands[0].channel = ChannelMode::right;
    EqEngine stereoEngine;
    auto stereoBands = bands;
    stereoBands[0].channel = ChannelMode::stereo;
    stereoEngine.sampleRate = rate;
    stereoEngine.setBands (stereoBands);
    design();

    auto left = input, right = input;
    float* stereo[] = { left.data(), right.data() };
    engine.process (channels, 1, 1024, nullptr);
    stereoEngine.process (stereo, 2, 1024, nullptr);
    EXPECT_EQ (mono, left);
    EXPECT_EQ (engine.sections[0][0].z1[1], 0.0f); // slot 1 untouched
}

TEST_F (EngineProcess, SwitchedOffBandKeepsItsStateForItsReturn)
{
    bands[0] = placed (FilterType::bell, 500, 9, 2);
    design();
    auto left = noise (256, 1), right = noise (256, 2);
    run (left, right);
    const auto held = engine.sections[0][0];
    ASSERT_NE (held.z1[0], 0.0f);

    bands[0].active = false;
    run (left, right);
    EXPECT_EQ (engine.sectionCount[0], 0);
    EXPECT_EQ (engine.sections[0][0].z1[0], held.z1[0]);
    EXPECT_EQ (engine.sections[0][0].z2[1], held.z2[1]);

    // Back on: the first output sample continues from the held state.
    bands[0].active = true;
    design();
    float x = 0.0f, y = 0.0f;
    float* channels[] = { &x, &y };
    engine.process (channels, 2, 1, nullptr);
    EXPECT_EQ (x, (float) held.z1[0]);
    EXPECT_EQ (y, (float) held.z1[1]);
}

// Between runs the stages keep the states they wrote back; states written into the sections
// directly reach the filters once the engine is told.
TEST_F (EngineProcess, DirectlyWrittenStatesTakeEffectWhenAnnounced)
{
    for (int b = 0; b < 12; ++b)
        bands[(size_t) b] = placed (FilterType::bell, 100.0 * (b + 1), b % 2 == 0 ? 6 : -6, 1);
    design();
    auto left = noise (300, 1), right = noise (300, 2);
    run (left, right);

    const auto silence = [&] {
        float x[16] {}, y[16] {};
        float* channels[] = { x, y };
        engine.process (channels, 2, 16, nullptr);
        return x[0];
    };

    for (auto& band : engine.sections)
        for (auto& section : band)
            section.clearState();
    engine.sectionStatesWritten();
    EXPECT_EQ (silence(), 0.0f);
}

TEST_F (EngineProcess, NothingHappensWithoutSamplesOrChannels)
{
    bands[0] = placed (FilterType::bell, 1000, 9, 1);
    design();
    auto left = noise (64, 4);
    const auto copy = left;
    float* channels[] = { left.data() };
    engine.process (channels, 1, 0, nullptr);
    engine.process (channels, 1, -5, nullptr);
    engine.process (channels, 0, 64, nullptr);
    engine.process (nullptr, 2, 64, nullptr);
    EXPECT_EQ (left, copy);
    EXPECT_EQ (engine.sections[0][0].z1[0], 0.0f);
}

//==============================================================================
TEST_F (EngineProcess, SoloOutputsTheBandPassOfTheSoloBand)
{
    bands[0] = placed (FilterType::bell, 200, 12, 1); // not soloed: does not run
    bands[6] = placed (FilterType::highCut, 2000, 0, 2);
    bands[6].solo = true;
    design();

    const auto l0 = noise (4096, 7), r0 = noise (4096, 8);
    auto left = l0, right = r0;
    float* channels[] = { left.data(), right.data() };
    engine.process (channels, 2, 4096, nullptr);

    auto bandPass = cookbookBandPass (rate, 2000, 2);
    for (size_t c = 0; c < 2; ++c)
    {
        const auto& in = c == 0 ? l0 : r0;
        const auto& out = c == 0 ? left : right;
        double z1 = 0, z2 = 0;
        for (size_t i = 0; i < in.size(); ++i)
        {
            const double y = bandPass.b0 * in[i] + z1;
            z1 = bandPass.b1 * in[i] - bandPass.a1 * y + z2;
            z2 = bandPass.b2 * in[i] - bandPass.a2 * y;
            ASSERT_EQ (out[i], (float) y) << "channel " << c << " sample " << i;
        }
    }
    EXPECT_EQ (engine.sections[0][0].z1[0], 0.0f);

    // Solo of a Tilt band passes the input unchanged.
    EqEngine fresh;
    bands[6] = placed (FilterType::tilt, 2000);
    bands[6].tilt = 6;
    bands[6].solo = true;
    fresh.setBands (bands);
    left = l0;
    fresh.process (channels, 1, 4096, nullptr);
    EXPECT_EQ (left, l0);
}

TEST_F (EngineProcess, SoloOfADynamicBandScalesByItsDynamicGain)
{
    bands[3] = dynamicBand (FilterType::bell, 1000, -12, -40);
    bands[3].solo = true;
    design();

    auto left = sine (9600, 1000, 0.5f), right = left;
    run (left, right);

    EXPECT_NEAR (engine.dynGainDb[3], -12.0f, 1e-4f);
    const auto input = sine (9600, 1000, 0.5f);
    EXPECT_NEAR (20 * std::log10 (rms (left, 4800, 9600) / rms (input, 4800, 9600)), -12.0, 0.1);
}

TEST_F (EngineProcess, SoloPathFiltersAtMostTwoChannels)
{
    bands[0] = placed (FilterType::bell, 1000, 0, 1);
    bands[0].solo = true;
    design();

    auto a = noise (256, 1), b = noise (256, 2), c = noise (256, 3);
    const auto third = c;
    float* channels[] = { a.data(), b.data(), c.data() };
    engine.process (channels, 3, 256, nullptr);
    EXPECT_EQ (c, third);
}

//==============================================================================
struct GainCase
{
    const char* what;
    double gain, thresh, ratio, knee, envelopeDb;
    float expected;
};

TEST_F (EngineProcess, GainComputer)
{
    const GainCase cases[] = {
        { "overshoot limited by the band gain", -6, -18, 1e9, 0, -10, -6.0f },
        { "ratio 2 halves the overshoot", -6, -18, 2, 0, -10, -4.0f },
        { "below the threshold", -6, -18, 1e9, 0, -20, 0.0f },
        { "ratio 1 does nothing", -6, -18, 1, 0, -10, 0.0f },
        { "ratio below 1 counts as 1", -6, -18, 0.5, 0, -10, 0.0f },
        { "knee centre", -6, -18, 1e9, 6, -18, -0.75f },
        { "knee lower edge", -6, -18, 1e9, 6, -21, 0.0f },
        { "knee upper edge", -6, -18, 1e9, 6, -15, -3.0f },
        { "negative knee is no knee", -6, -18, 1e9, -4, -16, -2.0f },
        { "upward band", 4, -30, 1e9, 0, -28, 2.0f },
        { "upward band limited", 4, -30, 1e9, 0, -10, 4.0f },
        { "zero band gain", 0, -30, 1e9, 0, -10, 0.0f },
        { "silence floor", -12, -100, 1e9, 0, -95, 0.0f },
        { "just above the floor", -12, -100, 1e9, 0, -89, -11.0f },
    };

    for (const auto& c : cases)
    {
        auto s = dynamicBand (FilterType::bell, 1000, c.gain, c.thresh);
        s.ratio = c.ratio;
        s.knee = c.knee;
        bands[0] = s;
        design();
        engine.envelope[0] = (float) std::pow (10.0, c.envelopeDb / 20.0);
        engine.updateDynamicGain (0);
        EXPECT_NEAR (engine.dynGainDb[0], c.expected, 2e-4f) << c.what;
    }
}

TEST_F (EngineProcess, GainComputerRedesignsTheGainSection)
{
    bands[0] = dynamicBand (FilterType::lowShelf, 300, -6, -18);
    bands[1] = dynamicBand (FilterType::tilt, 632.46, 5, -18);
    bands[1].tilt = 6;
    design();
    engine.envelope[0] = engine.envelope[1] = 1.0f; // 0 dB: fully over
    engine.sections[0][0].z1[0] = 0.25;
    engine.updateDynamicGain (0);
    engine.updateDynamicGain (1);

    const auto cut = engine.designBand (bands[0], -6);
    EXPECT_EQ (engine.sections[0][0].b0, cut.b0);
    EXPECT_EQ (engine.sections[0][0].a2, cut.a2);
    EXPECT_EQ (engine.sections[0][0].z1[0], 0.25); // state kept
    EXPECT_NEAR (engine.sections[1][6].b0, std::pow (10.0, (5.0 - 3.0) / 20.0), 1e-5);
    EXPECT_TRUE (engine.sections[1][5].b0 == cookbookHighShelf (rate, 20 * std::pow (1000.0, 5.5 / 6), 1.0, 0.5).b0);
}

TEST_F (EngineProcess, GainComputerRedesignFollowsModeRateAndSettings)
{
    bands[0] = dynamicBand (FilterType::highShelf, 3000, -6, -18);
    bands[0].q = 0.5;
    design();
    engine.envelope[0] = 1.0f; // the gain computer lands on the band gain, -6 dB
    engine.updateDynamicGain (0);
    EXPECT_TRUE (sameCoefficients (engine.sections[0][0], engine.designBand (bands[0], -6)));
    const auto cookbookCut = engine.sections[0][0];

    // A mode change alone reaches a dynamic band at its next tick, before any setBands.
    engine.matchedDesign = true;
    engine.updateDynamicGain (0);
    EXPECT_TRUE (sameCoefficients (engine.sections[0][0], engine.designBand (bands[0], -6)));
    EXPECT_FALSE (sameCoefficients (engine.sections[0][0], cookbookCut));

    engine.sampleRate = 96000;
    engine.updateDynamicGain (0);
    EXPECT_TRUE (sameCoefficients (engine.sections[0][0], engine.designBand (bands[0], -6)));

    // New settings with the same gain are designed anew.
    bands[0].freq = 5000;
    engine.setBands (bands);
    engine.updateDynamicGain (0);
    EXPECT_TRUE (sameCoefficients (engine.sections[0][0], engine.designBand (bands[0], -6)));
}

TEST_F (EngineProcess, AutomaticReleaseFollowsTheSmoothedOvershoot)
{
    const std::pair<float, double> cases[] = { { 0.0f, 60 }, { 4.0f, 180 }, { 8.0f, 300 }, { 20.0f, 300 } };
    for (const auto& [smoothed, releaseMs] : cases)
    {
        bands[0] = dynamicBand (FilterType::bell, 1000, -6, 0);
        bands[0].autoTiming = true;
        design();
        engine.controlSmoothing = 1.0f; // hold the smoothed overshoot
        engine.smoothedOverDb[0] = smoothed;
        engine.envelope[0] = 0.01f;
        engine.updateDynamicGain (0);
        EXPECT_FLOAT_EQ (engine.releaseCoef[0], (float) std::exp (-1 / (releaseMs * 0.001 * rate))) << smoothed;
    }

    // Without automatic timing the release stays as designed.
    bands[0].autoTiming = false;
    design();
    const float designed = engine.releaseCoef[0];
    engine.envelope[0] = 1.0f;
    engine.updateDynamicGain (0);
    EXPECT_EQ (engine.releaseCoef[0], designed);
}

TEST_F (EngineProcess, DynamicBandFollowsALoudToneInItsBandAndReleases)
{
    bands[2] = dynamicBand (FilterType::bell, 1000, -10, -30);
    bands[2].autoTiming = true;
    design();

    // A loud tone far outside the band barely reaches the detector.
    auto left = sine (9600, 60, 0.3f), right = left;
    run (left, right);
    EXPECT_GT (engine.dynGainDb[2], -1.0f);

    left = sine (24000, 1000, 0.5f);
    right = left;
    run (left, right);
    EXPECT_NEAR (engine.dynGainDb[2], -10.0f, 1e-3f);
    EXPECT_NEAR (20 * std::log10 (rms (left, 12000, 24000) / rms (sine (24000, 1000, 0.5f), 12000, 24000)), -10.0, 0.2);

    // Quiet afterwards: the gain returns to 0 dB.
    left = sine (96000, 1000, 0.001f);
    right = left;
    run (left, right);
    EXPECT_NEAR (engine.dynGainDb[2], 0.0f, 1e-3f);

    // Silence: below the -90 dB floor the gain is 0 whatever the threshold.
    bands[2].thresh = -100;
    std::vector<float> silenceL (48000, 0.0f), silenceR (48000, 0.0f);
    run (silenceL, silenceR);
    EXPECT_EQ (engine.dynGainDb[2], 0.0f);
}

TEST_F (EngineProcess, SidechainDrivesOnlyFlaggedBandsAndFallsBackToTheMain)
{
    bands[0] = dynamicBand (FilterType::bell, 1000, -10, -30);
    bands[0].sidechain = true;
    bands[1] = dynamicBand (FilterType::bell, 1000, -10, -30);
    design();

    const auto key = sine (9600, 1000, 0.5f);
    auto left = sine (9600, 1000, 0.001f), right = left;
    run (left, right, key.data());
    EXPECT_NEAR (engine.dynGainDb[0], -10.0f, 1e-3f);
    EXPECT_NEAR (engine.dynGainDb[1], 0.0f, 1e-3f);

    // No sidechain given: a flagged band behaves exactly like one without the flag.
    EqEngine flagged, plain;
    auto withFlag = bands;
    auto withoutFlag = bands;
    withoutFlag[0].sidechain = false;
    for (auto& [e, s] : { std::pair<EqEngine*, BandSnapshot*> { &flagged, &withFlag }, { &plain, &withoutFlag } })
    {
        e->sampleRate = rate;
        e->setBands (*s);
    }
    auto l1 = sine (4800, 1000, 0.5f), r1 = l1, l2 = l1, r2 = l1;
    float* c1[] = { l1.data(), r1.data() };
    float* c2[] = { l2.data(), r2.data() };
    flagged.process (c1, 2, 4800, nullptr);
    plain.process (c2, 2, 4800, nullptr);
    EXPECT_EQ (l1, l2);
    EXPECT_EQ (flagged.dynGainDb, plain.dynGainDb);
}

TEST_F (EngineProcess, OneSampleCallRunsTheGainComputer)
{
    bands[0] = dynamicBand (FilterType::bell, 1000, -6, -18);
    design();
    engine.envelope[0] = 1.0f;
    float x = 0.0f, y = 0.0f;
    float* channels[] = { &x, &y };
    engine.process (channels, 2, 1, nullptr);
    EXPECT_NEAR (engine.dynGainDb[0], -6.0f, 1e-3f);
}

//==============================================================================
TEST_F (EngineProcess, SetBandsAndProcessDoNotAllocate)
{
    bands[0] = dynamicBand (FilterType::tilt, 1000, -6, -18);
    bands[0].tilt = 4;
    bands[0].autoTiming = true;
    bands[1] = dynamicBand (FilterType::lowShelf, 100, 6, -18);
    bands[2] = placed (FilterType::lowCut, 30);
    bands[2].slope = 96;
    bands[3] = placed (FilterType::bell, 2000, 3, 1, ChannelMode::mid);

    auto left = noise (512, 1), right = noise (512, 2);
    const auto sc = noise (512, 3);
    float* channels[] = { left.data(), right.data() };

    for (const bool matched : { false, true })
    {
        for (const bool solo : { false, true })
        {
            for (const bool dynamics : { false, true })
            {
                auto settings = bands;
                settings[0].solo = solo;
                for (auto& s : settings)
                    s.dynamic = s.dynamic && dynamics;
                engine.matchedDesign = matched;

                AllocationCounter counter;
                engine.setBands (settings);
                engine.process (channels, 2, 512, sc.data());
                engine.process (channels, 1, 100, nullptr);
                EXPECT_EQ (counter.count(), 0u) << "matched " << matched << " solo " << solo << " dynamics " << dynamics;
            }
        }
    }
}
} // namespace
