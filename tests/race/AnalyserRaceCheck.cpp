// The editor's analysers read the processor's analyser rings while the audio thread writes them,
// without a lock. Built with ThreadSanitizer: the read may see a half-overwritten window (shown
// as one smeared frame), but it must not be a data race or crash.
#include "editor/SpectrumAnalyser.h"
#include "engine/SabrelProcessor.h"

#include <atomic>
#include <cmath>
#include <cstdio>
#include <thread>

int main()
{
    juce::ScopedJuceInitialiser_GUI juce;
    SabrelProcessor processor;
    processor.setRateAndBufferSizeDetails (48000.0, 64);
    processor.prepareToPlay (48000.0, 64);

    std::atomic<bool> running { true };
    std::thread audio ([&] {
        // Short blocks, so the writer moves on many times while one window is copied.
        juce::AudioBuffer<float> buffer (2, 64);
        juce::MidiBuffer midi;
        juce::Random random (7);
        for (int block = 0; block < 6000; ++block)
        {
            for (int c = 0; c < 2; ++c)
                for (int i = 0; i < 64; ++i)
                    buffer.setSample (c, i, random.nextFloat() - 0.5f);
            processor.processBlock (buffer, midi);
        }
        running = false;
    });

    SpectrumAnalyser pre, post;
    int frames = 0;
    while (running)
    {
        pre.process (processor.analyzerPre);
        post.process (processor.analyzerPost);
        ++frames;
    }
    audio.join();

    for (const auto* analyser : { &pre, &post })
        for (const float level : analyser->smoothedDb)
            if (! std::isfinite (level) || level < -120.0f || level > 12.0f)
            {
                std::printf ("analyser level out of range: %g\n", (double) level);
                return 1;
            }

    std::printf ("%d analyser frames read while the rings were written, without a race\n", frames);
    return 0;
}
