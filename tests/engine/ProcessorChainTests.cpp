#include "ProcessorHarness.h"

#include <gtest/gtest.h>

namespace
{
constexpr double rate = 48000.0;

std::vector<std::vector<float>> stereo (const std::vector<float>& signal) { return { signal, signal }; }

std::vector<float> impulse (int length, int at = 0)
{
    std::vector<float> signal ((size_t) length, 0.0f);
    signal[(size_t) at] = 1.0f;
    return signal;
}
} // namespace

TEST (ProcessorChain, NeutralChainLeavesAFullScaleSignalUnchanged)
{
    for (const int phase : { 0, 1 })
    {
        ProcessorHarness h;
        h.set ("phasemode", (float) phase);
        h.prepare (rate, 256);
        const auto input = sine (997.0, rate, 4096);
        const auto out = h.run ({ input, input }, 256);

        for (size_t i = 0; i < input.size(); ++i)
        {
            ASSERT_EQ (out[0][i], input[i]) << i;
            ASSERT_EQ (out[1][i], input[i]) << i;
        }
        for (auto& meter : h.processor.peakDb)
            EXPECT_NEAR (meter.load(), 0.0f, 1e-3f);
    }
}

TEST (ProcessorChain, MonoBusFeedsBothMetersOfAPairAndTheRingsUnchanged)
{
    ProcessorHarness h (1);
    h.set ("input", -6.0f);
    h.prepare (rate, 64);
    EXPECT_EQ (h.processor.linearPhase.numChannels, 1);
    EXPECT_EQ (h.processor.oversamplers[0]->numChannels, 1u);
    h.block (64, 0.5f);

    const float inDb = juce::Decibels::gainToDecibels (0.5f * juce::Decibels::decibelsToGain (-6.0f));
    EXPECT_NEAR (h.processor.peakDb[0].load(), inDb, 1e-4f);
    EXPECT_EQ (h.processor.peakDb[1].load(), h.processor.peakDb[0].load());
    EXPECT_EQ (h.processor.peakDb[3].load(), h.processor.peakDb[2].load());

    EXPECT_EQ (h.processor.analyzerPre.writeCount.load(), 64u);
    EXPECT_EQ (h.processor.analyzerPost.writeCount.load(), 64u);
    EXPECT_FLOAT_EQ (h.processor.analyzerPre.samples[63].load(), 0.5f * juce::Decibels::decibelsToGain (-6.0f));
    EXPECT_FLOAT_EQ (h.processor.analyzerPost.samples[63].load(), h.processor.analyzerPre.samples[63].load());

    // A meter keeps its highest value until taken; an empty block changes nothing.
    h.block (64, 0.01f);
    h.block (0);
    EXPECT_NEAR (h.processor.peakDb[0].load(), inDb, 1e-4f);
    EXPECT_EQ (h.processor.analyzerPre.writeCount.load(), 128u);
}

TEST (ProcessorChain, AutomaticGainRampsAcrossTheBlockAndIsClamped)
{
    ProcessorHarness h;
    h.placeBand (0, 0, 1000.0f, 6.0f, 1.0f);
    h.set ("autogain", 1.0f);
    h.prepare (rate, 512);

    const auto first = h.block (512, 1.0f);
    const float db = h.processor.autoGainDb;
    EXPECT_LT (db, 0.0f);
    EXPECT_GT (db, -6.0f);
    // From 1 at the first sample to the block's value at the last, on a straight line. The
    // constant input also passes the Bell's filter, so compare against a bypassed band.
    ProcessorHarness reference;
    reference.placeBand (0, 0, 1000.0f, 6.0f, 1.0f);
    reference.prepare (rate, 512);
    const auto plain = reference.block (512, 1.0f);
    const float target = juce::Decibels::decibelsToGain (db);
    for (int i = 0; i < 512; ++i)
        ASSERT_NEAR (first.getSample (0, i), plain.getSample (0, i) * (1.0f + (target - 1.0f) * (float) i / 511.0f), 1e-5f) << i;

    // Switched off: the next block ramps back to 1.
    h.set ("autogain", 0.0f);
    const auto back = h.block (512, 1.0f);
    const auto plainNext = reference.block (512, 1.0f);
    EXPECT_NEAR (back.getSample (0, 0), plainNext.getSample (0, 0) * target, 1e-5f);
    EXPECT_NEAR (back.getSample (0, 511), plainNext.getSample (0, 511), 1e-5f);
    EXPECT_EQ (h.processor.autoGainDb, 0.0f);

    // Every band at +30 dB: the compensation stops at -24 dB.
    ProcessorHarness loud;
    for (int b = 0; b < 24; ++b)
        loud.placeBand (b, 0, 20.0f * std::pow (1000.0f, (float) b / 23.0f), 30.0f, 0.5f);
    loud.set ("autogain", 1.0f);
    loud.prepare (rate, 64);
    loud.block (64);
    EXPECT_EQ (loud.processor.autoGainDb, -24.0f);
}

TEST (ProcessorChain, SidechainActivityHoldsForThirtyBlocks)
{
    ProcessorHarness h (2, 2);
    h.prepare (rate, 64);

    const auto blockWithSidechain = [&h] (float level) {
        juce::AudioBuffer<float> buffer (4, 64);
        buffer.clear();
        buffer.setSample (2, 10, level); // the mix halves it
        buffer.setSample (3, 10, level);
        juce::MidiBuffer midi;
        h.processor.processBlock (buffer, midi);
    };

    blockWithSidechain (2e-5f);
    EXPECT_TRUE (h.processor.sidechainActive.load());
    for (int quiet = 1; quiet <= 29; ++quiet)
    {
        blockWithSidechain (0.0f);
        ASSERT_TRUE (h.processor.sidechainActive.load()) << quiet;
    }
    blockWithSidechain (0.0f);
    EXPECT_FALSE (h.processor.sidechainActive.load());

    // At the threshold the mix does not count.
    blockWithSidechain (1e-5f);
    EXPECT_FALSE (h.processor.sidechainActive.load());

    // A block longer than the prepared size has no room for the mix and counts as silent.
    juce::AudioBuffer<float> longBlock (4, 128);
    longBlock.clear();
    longBlock.setSample (2, 100, 1.0f);
    juce::MidiBuffer midi;
    h.processor.processBlock (longBlock, midi);
    EXPECT_FALSE (h.processor.sidechainActive.load());

    // Without a sidechain bus a running hold counts down the same way.
    ProcessorHarness disabled (2, 0);
    disabled.prepare (rate, 64);
    disabled.processor.sidechainHoldBlocks = 30;
    for (int b = 1; b <= 29; ++b)
    {
        disabled.block (64);
        ASSERT_TRUE (disabled.processor.sidechainActive.load()) << b;
    }
    disabled.block (64);
    EXPECT_FALSE (disabled.processor.sidechainActive.load());
}

TEST (ProcessorChain, EveryOutputPathIsExactlyTheReportedLatencyLate)
{
    // A host moves the output back by the reported latency, whichever way the audio went.
    enum class Path { processed, bypass, hostBypass, solo };
    struct Route
    {
        Path path;
        const char* name;
    };
    const Route routes[] = {
        { Path::processed, "processed" },
        { Path::bypass, "bypass parameter" },
        { Path::hostBypass, "host's bypass" },
        { Path::solo, "soloed band" },
    };

    for (const auto& route : routes)
    {
        for (const int phase : { 0, 1, 2 })
        {
            for (const int oversample : { 0, 1, 2 })
            {
                SCOPED_TRACE (testing::Message() << route.name << ", phase " << phase << ", oversampling "
                                                 << oversample);
                ProcessorHarness h;
                h.set ("phasemode", (float) phase);
                h.set ("oversample", (float) oversample);
                // A flat Tilt band: it changes nothing, and soloed its detector is the unit section.
                h.placeBand (5, FilterType::tilt, 1000.0f, 0.0f, 0.7f);
                h.setBand (5, "solo", route.path == Path::solo ? 1.0f : 0.0f);
                h.set ("bypass", route.path == Path::bypass ? 1.0f : 0.0f);
                h.hostBypass = route.path == Path::hostBypass;
                h.prepare (rate, 256);

                const int latency = h.processor.getLatencySamples();
                EXPECT_EQ (latency > 0, phase == 2 || oversample > 0);
                // Blocks of any length, longer than prepared too, as a careless host sends them.
                const auto out = h.run (stereo (impulse (8192, 100)), std::vector<int> { 256, 1, 700, 5000 });
                for (const auto& channel : out)
                {
                    // Where the impulse is, by its centre of mass: the oversamplers smear it, and
                    // their latency is their delay at low frequencies, which this measures.
                    double sum = 0.0, moment = 0.0;
                    for (size_t i = 0; i < channel.size(); ++i)
                    {
                        sum += channel[i];
                        moment += (double) i * channel[i];
                    }
                    EXPECT_NEAR (sum, 1.0, 0.01);
                    EXPECT_NEAR (moment / sum, 100 + latency, 0.5);

                    // The bypasses delay without filtering.
                    if (route.path == Path::bypass || route.path == Path::hostBypass)
                    {
                        EXPECT_EQ (channel[(size_t) (100 + latency)], 1.0f);
                    }
                }
            }
        }
    }
}

TEST (ProcessorChain, LinearPhaseMatchesTheEngineResponseWithZeroPhase)
{
    ProcessorHarness h (1);
    h.set ("phasemode", 2.0f);
    h.placeBand (0, 0, 1000.0f, 12.0f, 1.0f);
    h.prepare (rate, 512);

    // Let the smoothed response settle, then measure an impulse response.
    h.run ({ std::vector<float> (512 * 60, 0.0f) }, 512);
    const auto response = h.run ({ impulse (16384, 0) }, 512)[0];

    const float peak = response[4096];
    EXPECT_GT (peak, 1.0f);
    for (size_t d = 1; d < 2000; ++d)
        ASSERT_NEAR (response[4096 + d], response[4096 - d], 0.002f * peak) << d;

    // Steady-state sine response against the engine's own magnitude.
    for (const double f : { 100.0, 500.0, 1000.0, 2000.0, 8000.0 })
    {
        ProcessorHarness s (1);
        s.set ("phasemode", 2.0f);
        s.placeBand (0, 0, 1000.0f, 12.0f, 1.0f);
        s.prepare (rate, 512);
        const auto out = s.run ({ sine (f, rate, 4096 * 12) }, 512)[0];
        const double measured = amplitudeOf (out, f, rate, 4096 * 8, 4096 * 12);

        const double omega = juce::MathConstants<double>::twoPi * f / rate;
        float expected = 0.0f;
        s.processor.engine.magnitudeResponse (&omega, &expected, 1);
        EXPECT_NEAR (20.0 * std::log10 (measured), 20.0 * std::log10 ((double) expected), 0.1) << f << " Hz";
    }
}

TEST (ProcessorChain, OversampledResponseMatchesTheEngineAtTheOversampledRate)
{
    for (const int oversample : { 1, 2 })
    {
        const double upRate = rate * (oversample == 1 ? 2.0 : 4.0);
        for (const double f : { 200.0, 2000.0, 8000.0, 14000.0, 19200.0 })
        {
            SCOPED_TRACE (testing::Message() << oversample << " " << f << " Hz");
            // The band against a run without it, so the oversamplers' own response cancels.
            ProcessorHarness withBand (1), without (1);
            withBand.placeBand (0, 0, 12000.0f, 9.0f, 0.7f);
            for (auto* h : { &withBand, &without })
            {
                h->set ("phasemode", 1.0f);
                h->set ("oversample", (float) oversample);
                h->prepare (rate, 256);
            }
            const auto input = sine (f, rate, 16384);
            const double a = amplitudeOf (withBand.run ({ input }, 256)[0], f, rate, 8192, 16384);
            const double b = amplitudeOf (without.run ({ input }, 256)[0], f, rate, 8192, 16384);

            const double omega = juce::MathConstants<double>::twoPi * f / upRate;
            float expected = 0.0f;
            EXPECT_EQ (withBand.processor.engine.sampleRate, upRate);
            withBand.processor.engine.magnitudeResponse (&omega, &expected, 1);
            EXPECT_NEAR (20.0 * std::log10 (a / b), 20.0 * std::log10 ((double) expected), 0.1);
        }
    }
}

TEST (ProcessorChain, OversampledBlocksLongerThanPreparedSoundLikeShortBlocks)
{
    std::vector<float> input (6000);
    juce::Random random (7);
    for (auto& x : input)
        x = random.nextFloat() * 2.0f - 1.0f;

    for (const int oversample : { 1, 2 })
    {
        SCOPED_TRACE (oversample);
        ProcessorHarness shortBlocks, longBlocks;
        for (auto* h : { &shortBlocks, &longBlocks })
        {
            h->placeBand (2, 0, 3000.0f, -8.0f, 2.0f);
            h->placeBand (5, 1, 200.0f, 4.0f, 0.7f);
            h->set ("oversample", (float) oversample);
            h->prepare (rate, 512);
        }

        // A 2000-sample block is processed as 512 + 512 + 512 + 464.
        const auto expected = shortBlocks.run ({ input, input }, std::vector<int> { 512, 512, 512, 464 });
        const auto actual = longBlocks.run ({ input, input }, 2000);
        for (int c = 0; c < 2; ++c)
            for (size_t i = 0; i < input.size(); ++i)
                ASSERT_EQ (actual[(size_t) c][i], expected[(size_t) c][i]) << c << " " << i;
    }
}

TEST (ProcessorChain, GainScaleAppliesToEveryBandsGainAndTilt)
{
    ProcessorHarness h;
    h.placeBand (0, 0, 1000.0f, 12.0f, 1.0f);
    h.placeBand (1, 6, 600.0f, 0.0f, 0.7f);
    h.setBand (1, "tilt", -8.0f);
    h.set ("gainscale", 50.0f);
    h.prepare (rate, 64);
    h.block (64);
    EXPECT_DOUBLE_EQ (h.processor.engine.bands[0].gain, 6.0);
    EXPECT_DOUBLE_EQ (h.processor.engine.bands[1].tilt, -4.0);

    // The snapshot itself stays unscaled.
    EXPECT_DOUBLE_EQ (h.processor.snapshotBands()[0].gain, 12.0);
}

TEST (ProcessorChain, PublishedBandValuesFollowTheDynamics)
{
    for (const int oversample : { 0, 1 })
    {
        SCOPED_TRACE (oversample);
        ProcessorHarness h (2, 2);
        h.placeBand (0, 0, 1000.0f, -6.0f, 1.0f);
        h.setBand (0, "dynon", 1.0f);
        h.setBand (0, "thresh", -30.0f);
        h.setBand (0, "scext", 1.0f);
        h.placeBand (1, 0, 3000.0f, 3.0f, 1.0f);
        h.set ("oversample", (float) oversample);
        h.prepare (rate, 256);

        // Silent main bus, loud sidechain at the band's frequency: only the sidechain can move it.
        const auto key = sine (1000.0, rate, 256 * 40, 0.5f);
        h.run ({ std::vector<float> (key.size()), std::vector<float> (key.size()) }, 256, { key, key });

        EXPECT_NEAR (h.processor.bandGainDb[0].load(), -6.0f, 0.01f);
        EXPECT_GT (h.processor.bandLevelDb[0].load(), -30.0f);
        EXPECT_EQ (h.processor.bandGainDb[1].load(), 0.0f);
        EXPECT_EQ (h.processor.bandLevelDb[1].load(), -120.0f);
        EXPECT_TRUE (h.processor.sidechainActive.load());

        // Linear Phase publishes no dynamic gain; the level repeats its last value.
        const float level = h.processor.bandLevelDb[0].load();
        h.set ("phasemode", 2.0f);
        h.block (256);
        EXPECT_EQ (h.processor.bandGainDb[0].load(), 0.0f);
        EXPECT_EQ (h.processor.bandLevelDb[0].load(), level);
    }
}

TEST (ProcessorChain, LinearPhaseAutomaticGainCountsDynamicBandsAtTheirSetGain)
{
    // The stage applies a dynamic band's full gain, whatever gain the engine last computed.
    const auto autoGainDb = [] (bool dynamic) {
        ProcessorHarness h;
        h.placeBand (0, 0, 1000.0f, -9.0f, 1.0f);
        h.setBand (0, "dynon", dynamic ? 1.0f : 0.0f);
        h.setBand (0, "thresh", -12.0f);
        h.setBand (0, "ratio", 2.0f);
        h.set ("autogain", 1.0f);
        h.prepare (rate, 256);
        h.run (stereo (sine (1000.0, rate, 256 * 20, 0.5f)), 256); // the dynamics close part way
        const float partial = h.processor.bandGainDb[0].load();
        if (dynamic)
        {
            EXPECT_LT (partial, -0.5f);
            EXPECT_GT (partial, -8.5f);
        }
        h.set ("phasemode", 2.0f);
        h.block (256, 0.5f);
        return h.processor.autoGainDb;
    };
    EXPECT_GT (autoGainDb (false), 0.5f);
    EXPECT_FLOAT_EQ (autoGainDb (true), autoGainDb (false));
}

TEST (ProcessorChain, BypassHoldsTheOutputRampButNotTheInputRamp)
{
    ProcessorHarness h;
    h.prepare (rate, 480);
    h.set ("bypass", 1.0f);
    h.set ("input", -6.0f);
    h.set ("output", -6.0f);
    const auto bypassed = h.block (480, 1.0f);
    EXPECT_EQ (bypassed.getSample (0, 479), 1.0f);

    // Half of the 960-sample input ramp has passed; the output ramp has not begun.
    h.set ("bypass", 0.0f);
    const auto after = h.block (1, 1.0f);
    const float inputHalfway = 1.0f + (juce::Decibels::decibelsToGain (-6.0f) - 1.0f) * 481.0f / 960.0f;
    const float outputFirstStep = 1.0f + (juce::Decibels::decibelsToGain (-6.0f) - 1.0f) / 960.0f;
    EXPECT_NEAR (after.getSample (0, 0), inputHalfway * outputFirstStep, 5e-5f);
}

// A block longer than the prepared size leaves no room for the sidechain mix: the bands that
// listen to the sidechain hear silence then, never the main input; the others still hear it.
TEST (ProcessorChain, SidechainBlocksLongerThanPreparedKeyTheirBandsFromSilence)
{
    constexpr int prepared = 256;
    for (const int oversample : { 0, 1 })
    {
        for (const int blockSize : { 64, prepared, 1024 })
        {
            for (const float keyLevel : { 0.0f, 0.5f })
            {
                SCOPED_TRACE (testing::Message() << "oversampling " << oversample << ", blocks of "
                                                 << blockSize << ", key " << keyLevel);
                ProcessorHarness h (2, 2);
                h.placeBand (0, 0, 1000.0f, -12.0f, 1.0f); // keyed by the sidechain
                h.setBand (0, "scext", 1.0f);
                h.placeBand (1, 0, 1000.0f, -6.0f, 1.0f); // keyed by the main input
                for (const int band : { 0, 1 })
                {
                    h.setBand (band, "dynon", 1.0f);
                    h.setBand (band, "thresh", -30.0f);
                }
                h.set ("oversample", (float) oversample);
                h.prepare (rate, prepared);

                const int length = 1024 * 12;
                const auto main = sine (1000.0, rate, length, 0.5f);
                const auto key = sine (1000.0, rate, length, keyLevel);
                const auto out = h.run (stereo (main), blockSize, { key, key });

                const bool keyHeard = keyLevel > 0.0f && blockSize <= prepared;
                EXPECT_NEAR (h.processor.bandGainDb[0].load(), keyHeard ? -12.0f : 0.0f, 0.01f);
                EXPECT_NEAR (h.processor.bandGainDb[1].load(), -6.0f, 0.01f);
                const double amplitude = amplitudeOf (out[0], 1000.0, rate, length - 4096, length);
                const double gainDb = 20.0 * std::log10 (amplitude / 0.5);
                EXPECT_NEAR (gainDb, keyHeard ? -18.0 : -6.0, 0.2);
            }
        }
    }
}
