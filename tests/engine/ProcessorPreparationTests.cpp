#include "ProcessorHarness.h"
#include "support/TestDisplay.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>
#include <utility>

namespace
{
// Through the VST3 wrapper a latency report takes a lock and posts a message: it must come from
// the message thread, never from the audio thread.
struct LatencyReports : juce::AudioProcessorListener
{
    std::atomic<int> count { 0 };
    std::atomic<int> offTheMessageThread { 0 };
    void audioProcessorParameterChanged (juce::AudioProcessor*, int, float) override {}
    void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails& details) override
    {
        if (! details.latencyChanged)
            return;
        ++count;
        if (! juce::MessageManager::getInstance()->isThisTheMessageThread())
            ++offTheMessageThread;
    }
};

// What a host expects for the oversampler of the given factor: the same filter design, rounded.
int oversamplerLatency (int stages)
{
    juce::dsp::Oversampling<float> reference (2, (size_t) stages,
                                              juce::dsp::Oversampling<float>::filterHalfBandPolyphaseIIR, false, false);
    reference.initProcessing (512);
    return juce::roundToInt (reference.getLatencyInSamples());
}

int expectedLatency (int phase, int oversample)
{
    if (phase == 2)
        return 4096;
    return oversample == 0 ? 0 : oversamplerLatency (oversample);
}
} // namespace

TEST (ProcessorPreparation, LatencyForEveryPhaseModeAndOversampling)
{
    EXPECT_GT (oversamplerLatency (1), 0);
    EXPECT_GT (oversamplerLatency (2), oversamplerLatency (1));

    for (int phase = 0; phase < 3; ++phase)
    {
        for (int oversample = 0; oversample < 3; ++oversample)
        {
            SCOPED_TRACE (testing::Message() << "phase " << phase << ", oversampling " << oversample);
            const int expected = expectedLatency (phase, oversample);

            // Chosen before preparation: reported by prepareToPlay, and only once.
            {
                ProcessorHarness h;
                h.set ("phasemode", (float) phase);
                h.set ("oversample", (float) oversample);
                LatencyReports reports;
                h.processor.addListener (&reports);
                h.prepare (48000.0, 256);
                h.prepare (48000.0, 256);
                h.block (256);
                EXPECT_EQ (h.processor.getLatencySamples(), expected);
                EXPECT_EQ (reports.count, expected == 0 ? 0 : 1);
                h.processor.removeListener (&reports);
            }

            // Chosen while playing: reported by the message thread (the harness's set), the first
            // block after plays the new mode, and the report comes only once.
            {
                ProcessorHarness h;
                h.prepare (48000.0, 256);
                h.block (256);
                LatencyReports reports;
                h.processor.addListener (&reports);
                h.set ("phasemode", (float) phase);
                h.set ("oversample", (float) oversample);
                h.block (256);
                EXPECT_EQ (h.processor.getLatencySamples(), expected);
                h.block (256);
                EXPECT_EQ (reports.count, expected == 0 ? 0 : 1);
                h.processor.removeListener (&reports);
            }
        }
    }
}

TEST (ProcessorPreparation, TheHostHearsOfALatencyChangeFromTheMessageThreadAlone)
{
    ProcessorHarness h;
    h.prepare (48000.0, 256);
    LatencyReports reports;
    h.processor.addListener (&reports);

    // Linear Phase chosen while an audio thread plays; this thread is the message thread and
    // runs its loop, as a host's does, until the host has heard of the new latency.
    auto* phase = h.processor.apvts.getParameter ("phasemode");
    phase->setValueNotifyingHost (phase->convertTo0to1 (2.0f));
    std::atomic<bool> playing { true };
    std::thread audio ([&h, &playing] {
        while (playing)
        {
            h.block (256);
            std::this_thread::sleep_for (std::chrono::milliseconds (1));
        }
    });
    for (int wait = 0; wait < 1000 && h.processor.getLatencySamples() != 4096; ++wait)
        pumpMessagesFor (10);
    pumpMessagesFor (50);
    playing = false;
    audio.join();
    h.processor.removeListener (&reports);

    EXPECT_EQ (h.processor.getLatencySamples(), 4096);
    EXPECT_EQ (reports.count.load(), 1);
    EXPECT_EQ (reports.offTheMessageThread.load(), 0);

    // The audio has followed: an impulse comes out the reported latency late.
    std::vector<float> impulse (8192);
    impulse[100] = 1.0f;
    const auto delayed = h.run ({ impulse, impulse }, 256);
    EXPECT_NEAR (delayed[0][100 + 4096], 1.0f, 1e-3f);
}

TEST (ProcessorPreparation, AnOfflineRenderTakesANewLatencyAtTheNextBlock)
{
    // Rendered offline, blocks come faster than the message thread runs: the output must not
    // depend on when it does, so the block that first sees the choice reports and follows it.
    struct Case { float phase, oversample; };
    for (const auto c : { Case { 2.0f, 0.0f }, Case { 0.0f, 2.0f }, Case { 1.0f, 1.0f } })
    {
        SCOPED_TRACE (c.phase * 10.0f + c.oversample);
        ProcessorHarness h;
        h.prepare (48000.0, 256);
        h.processor.setNonRealtime (true);
        for (const auto& [id, value] : { std::pair { "phasemode", c.phase }, std::pair { "oversample", c.oversample } })
        {
            auto* parameter = h.processor.apvts.getParameter (id);
            parameter->setValueNotifyingHost (parameter->convertTo0to1 (value)); // no message loop runs
        }

        std::vector<float> impulse (8192);
        impulse[100] = 1.0f;
        const auto out = h.run ({ impulse, impulse }, 256);
        const int latency = h.processor.getLatencySamples();
        EXPECT_GT (latency, 0);
        const auto peak = std::max_element (out[0].begin(), out[0].end(),
                                            [] (float a, float b) { return std::abs (a) < std::abs (b); });
        EXPECT_NEAR ((double) (peak - out[0].begin()), 100.0 + latency, 3.0);
    }
}

namespace
{
// The host's side of latency reports: notes when a report begins on one thread while another
// thread is still inside one (the VST3 wrapper keeps the last latency in a plain int), and runs
// `interrupt` once, inside the first report, as a thread pre-empted there would let others run.
struct InterruptedReports : juce::AudioProcessorListener
{
    std::atomic<juce::Thread::ThreadID> telling { nullptr };
    std::atomic<int> overlaps { 0 };
    std::function<void()> interrupt;

    void audioProcessorParameterChanged (juce::AudioProcessor*, int, float) override {}
    void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails& details) override
    {
        if (! details.latencyChanged)
            return;
        const auto self = juce::Thread::getCurrentThreadId();
        const auto outer = telling.exchange (self);
        if (outer != nullptr && outer != self)
            ++overlaps;
        if (auto action = std::exchange (interrupt, nullptr))
            action();
        telling.store (outer);
    }
};

// Chooses a mode as the host's automation does, without the message thread telling its latency.
void choose (ProcessorHarness& h, int phase, int oversample)
{
    for (const auto& [id, value] : { std::pair { "phasemode", phase }, std::pair { "oversample", oversample } })
    {
        auto* parameter = h.processor.apvts.getParameter (id);
        parameter->setValueNotifyingHost (parameter->convertTo0to1 ((float) value));
    }
}

int audioLatency (const ProcessorHarness& h)
{
    return expectedLatency (h.processor.lastPhaseMode, h.processor.lastOversample);
}
} // namespace

TEST (ProcessorPreparation, OneThreadAtATimeTellsTheHostAndTheAudioRunsWhatItWasToldLast)
{
    // A report interrupted inside the host's notification by another thread that reports too:
    // the second must not reach the host while the first is under way, and whatever the order,
    // once a block has run the audio has the latency the host was told last, also when a mode
    // is then chosen that nobody has told yet.
    constexpr int linear = 2;
    struct Case
    {
        const char* name;
        bool offlineReportFirst; // else the message thread's timer reports first
        std::function<void (ProcessorHarness&)> interrupt;
    };
    const Case cases[] = {
        { "the timer's report meets an offline block with a new choice", false,
          [] (ProcessorHarness& h) {
              choose (h, 0, 2);
              h.processor.setNonRealtime (true);
              std::thread ([&h] { h.block (256); }).join();
          } },
        { "the timer's report meets the host preparing again with a new choice", false,
          [] (ProcessorHarness& h) {
              choose (h, 0, 2);
              h.prepare (48000.0, 256);
          } },
        { "an offline block's report meets the timer once the host is back in real time", true,
          [] (ProcessorHarness& h) {
              h.processor.setNonRealtime (false);
              choose (h, linear, 0);
              std::thread ([&h] { h.processor.publishLatency(); }).join();
          } },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        ProcessorHarness h;
        h.prepare (48000.0, 256);
        h.block (256);
        InterruptedReports reports;
        h.processor.addListener (&reports);
        reports.interrupt = [&h, &c] { c.interrupt (h); };

        if (c.offlineReportFirst)
        {
            choose (h, 0, 2);
            h.processor.setNonRealtime (true);
            h.block (256);
        }
        else
        {
            choose (h, linear, 0);
            h.processor.publishLatency();
        }
        ASSERT_EQ (reports.interrupt, nullptr) << "no report was interrupted";

        h.block (256);
        EXPECT_EQ (audioLatency (h), h.processor.getLatencySamples()) << "after the interrupted reports";

        // Linear Phase chosen in real time: the audio waits for the host to be told.
        h.processor.setNonRealtime (false);
        choose (h, linear, 0);
        h.block (256);
        EXPECT_EQ (audioLatency (h), h.processor.getLatencySamples()) << "before the host is told";

        h.processor.publishLatency();
        h.block (256);
        EXPECT_EQ (h.processor.getLatencySamples(), 4096);
        EXPECT_EQ (audioLatency (h), 4096) << "once the host is told";

        EXPECT_EQ (reports.overlaps.load(), 0);
        h.processor.removeListener (&reports);
    }
}

TEST (ProcessorPreparation, TablesAndMeters)
{
    ProcessorHarness h;
    EXPECT_EQ (h.processor.peakDb[0].load(), 0.0f);
    h.prepare (44100.0, 128);

    const double twoPi = juce::MathConstants<double>::twoPi;
    ASSERT_EQ (h.processor.probeOmegas.size(), 64u);
    ASSERT_EQ (h.processor.probeMags.size(), 64u);
    EXPECT_NEAR (h.processor.probeOmegas.front(), twoPi * 20.0 / 44100.0, 1e-12);
    EXPECT_NEAR (h.processor.probeOmegas.back(), twoPi * 20000.0 / 44100.0, 1e-12);
    EXPECT_NEAR (h.processor.probeOmegas[1] / h.processor.probeOmegas[0], std::pow (1000.0, 1.0 / 63.0), 1e-12);

    ASSERT_EQ (h.processor.binOmegas.size(), 2049u);
    ASSERT_EQ (h.processor.binMags.size(), 2049u);
    EXPECT_DOUBLE_EQ (h.processor.binOmegas[2048], juce::MathConstants<double>::pi);

    EXPECT_EQ (h.processor.sidechainMono.getNumChannels(), 1);
    EXPECT_EQ (h.processor.sidechainMono.getNumSamples(), 128);
    EXPECT_EQ (h.processor.linearPhase.numChannels, 2);
    EXPECT_EQ (h.processor.oversamplers[1]->getOversamplingFactor(), 4u);
    EXPECT_EQ (h.processor.sidechainOversamplers[0]->numChannels, 1u);

    for (auto& meter : h.processor.peakDb)
        EXPECT_EQ (meter.load(), -100.0f);

    // A block size of 0 still leaves room for one sample.
    h.prepare (44100.0, 0);
    EXPECT_EQ (h.processor.sidechainMono.getNumSamples(), 1);
}

TEST (ProcessorPreparation, GainsStartWithoutRampAndRampOverTwentyMilliseconds)
{
    struct Case { double rate; int rampLength; };
    for (const auto c : { Case { 44100.0, 882 }, Case { 48000.0, 960 } })
    {
        SCOPED_TRACE (c.rate);
        ProcessorHarness h;
        h.set ("output", -6.0f);
        h.prepare (c.rate, 512);
        EXPECT_NEAR (h.block (16, 1.0f).getSample (0, 0), juce::Decibels::decibelsToGain (-6.0f), 1e-6f);

        // From -6 dB to 0 dB: a linear ramp of exactly rampLength samples, across blocks.
        h.set ("output", 0.0f);
        const float start = juce::Decibels::decibelsToGain (-6.0f);
        std::vector<float> out;
        for (int b = 0; b < 4; ++b)
        {
            const auto buffer = h.block (300, 1.0f);
            out.insert (out.end(), buffer.getReadPointer (0), buffer.getReadPointer (0) + 300);
        }
        for (int i = 0; i < c.rampLength; ++i)
            ASSERT_NEAR (out[(size_t) i], start + (1.0f - start) * (float) (i + 1) / (float) c.rampLength, 5e-5f) << i;
        for (size_t i = (size_t) c.rampLength; i < out.size(); ++i)
            ASSERT_EQ (out[i], 1.0f) << i;
    }
}
