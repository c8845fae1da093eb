// The audio thread runs blocks (some through the host's bypass, some stretches offline, where a
// block tells the host a new latency itself), now and then preparing again at another rate, while
// another thread changes parameters, among them the phase mode and oversampling, reads every value
// the processor publishes and writes the view settings, the way the editor does, and reports new
// latencies, as the processor's timer does on the message thread; a third thread saves and
// restores the state, as hosts do on threads of their own. The host hears of latencies the way
// the VST3 wrapper does, keeping the last one in a plain int. Built with ThreadSanitizer: any data
// race on the published values, the latency reports or the state fails the run.
#include "engine/SabrelProcessor.h"

#include <atomic>
#include <cstdio>
#include <thread>

namespace
{
void set (SabrelProcessor& p, const juce::String& id, float value)
{
    auto* parameter = p.apvts.getParameter (id);
    parameter->setValueNotifyingHost (parameter->convertTo0to1 (value));
}

// Reads everything the editor reads; returns a sum so nothing is optimised away.
double readPublished (SabrelProcessor& p)
{
    double sum = 0.0;
    for (auto& meter : p.peakDb)
        sum += meter.exchange (-100.0f);
    for (size_t b = 0; b < p.bandGainDb.size(); ++b)
        sum += p.bandGainDb[b].load (std::memory_order_relaxed) + p.bandLevelDb[b].load (std::memory_order_relaxed);
    sum += p.sidechainActive.load (std::memory_order_relaxed) ? 1.0 : 0.0;
    sum += p.preparedSampleRate.load (std::memory_order_relaxed);

    for (auto* ring : { &p.analyzerPre, &p.analyzerPost })
    {
        const uint32_t count = ring->writeCount.load (std::memory_order_acquire);
        for (uint32_t i = count - 4096; i != count; ++i)
            sum += ring->samples[i & AnalyzerRing::mask].load (std::memory_order_relaxed);
    }

    for (const auto& band : p.snapshotBands())
        sum += band.gain;
    return sum;
}

// The editor's view settings: read at opening, written whenever the user changes them.
double useViewSettings (SabrelProcessor& p, int step)
{
    static const juce::Identifier uiScale ("uiScale"), analyzerMode ("analyzerMode");
    const double sum = (double) p.getViewProperty (uiScale) + (double) (int) p.getViewProperty (analyzerMode);
    p.setViewProperty (uiScale, 0.75 + 0.25 * (step % 6));
    p.setViewProperty (analyzerMode, step % 3);
    return sum;
}

// As the VST3 wrapper's controller: the latency last heard of, a plain int.
struct HostLatency : juce::AudioProcessorListener
{
    int last = 0;
    void audioProcessorParameterChanged (juce::AudioProcessor*, int, float) override {}
    void audioProcessorChanged (juce::AudioProcessor* p, const ChangeDetails& details) override
    {
        if (details.latencyChanged)
            last = p->getLatencySamples();
    }
};
} // namespace

int main()
{
    juce::ScopedJuceInitialiser_GUI juce;
    SabrelProcessor processor;

    juce::AudioProcessor::BusesLayout layout;
    layout.inputBuses.add (juce::AudioChannelSet::stereo());
    layout.inputBuses.add (juce::AudioChannelSet::stereo());
    layout.outputBuses.add (juce::AudioChannelSet::stereo());
    processor.setBusesLayout (layout);

    for (int b = 0; b < 4; ++b)
    {
        set (processor, bandParamId (b, "on"), 1.0f);
        set (processor, bandParamId (b, "dynon"), 1.0f);
        set (processor, bandParamId (b, "gain"), -6.0f);
        set (processor, bandParamId (b, "thresh"), -40.0f);
    }
    set (processor, bandParamId (1, "scext"), 1.0f);
    set (processor, "autogain", 1.0f);
    HostLatency hostLatency;
    processor.addListener (&hostLatency);
    processor.setRateAndBufferSizeDetails (48000.0, 256);
    processor.prepareToPlay (48000.0, 256);

    std::atomic<bool> running { true };
    std::thread audio ([&] {
        juce::AudioBuffer<float> buffer (4, 256);
        juce::MidiBuffer midi;
        juce::Random random (1);
        for (int block = 0; block < 1500; ++block)
        {
            // Hosts prepare again between blocks, at another rate, while the editor is open.
            if (block % 500 == 250)
                processor.prepareToPlay (block % 1000 == 250 ? 96000.0 : 44100.0, 256);

            // The wrapper sets the mode of every block from the host's process call.
            processor.setNonRealtime (block / 100 % 2 == 1);

            for (int c = 0; c < 4; ++c)
                for (int i = 0; i < 256; ++i)
                    buffer.setSample (c, i, random.nextFloat() - 0.5f);
            if (block / 50 % 3 == 2)
                processor.processBlockBypassed (buffer, midi);
            else
                processor.processBlock (buffer, midi);
        }
        running = false;
    });

    std::thread host ([&] {
        juce::MemoryBlock saved;
        while (running)
        {
            processor.getStateInformation (saved);
            processor.setStateInformation (saved.getData(), (int) saved.getSize());
        }
    });

    double sum = 0.0;
    for (int step = 0; running; ++step)
    {
        set (processor, "phasemode", (float) (step / 7 % 3));
        set (processor, "oversample", (float) (step / 11 % 3));
        set (processor, "output", (float) (step % 13) - 6.0f);
        set (processor, bandParamId (step % 4, "freq"), 100.0f + (float) (step % 50) * 100.0f);
        set (processor, bandParamId (2, "solo"), (float) (step / 17 % 2));
        set (processor, "bypass", (float) (step / 23 % 2 == 1 && step % 5 == 0));
        processor.publishLatency();
        sum += readPublished (processor);
        sum += useViewSettings (processor, step);
        std::this_thread::yield();
    }

    audio.join();
    host.join();
    processor.removeListener (&hostLatency);
    std::printf ("published values, latency reports, view settings and state used without a race (%g, %d)\n", sum,
                 hostLatency.last);
    return 0;
}
