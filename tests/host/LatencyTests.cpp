// Latency through the built module as a host sees it: with either bypass an impulse comes out
// exactly the reported latency late, and the host's bypass brings nothing old back.

#include "HostedPlugin.h"
#include "support/TestDisplay.h"

namespace
{
using Set = juce::AudioChannelSet;

// Runs `length` samples of signal (index -> sample, the same on both channels) through the
// instance in blocks of blockSize, through the host's bypass when `hostBypass`; returns the left
// output.
template <typename Signal>
std::vector<float> play (juce::AudioPluginInstance& instance, int length, bool hostBypass, Signal&& signal)
{
    constexpr int blockSize = 512;
    std::vector<float> out;
    juce::AudioBuffer<float> buffer (2, blockSize);
    juce::MidiBuffer midi;
    for (int start = 0; start < length; start += blockSize)
    {
        const int n = juce::jmin (blockSize, length - start);
        buffer.setSize (2, n, false, false, true);
        for (int ch = 0; ch < 2; ++ch)
            for (int i = 0; i < n; ++i)
                buffer.setSample (ch, i, signal (start + i));
        if (hostBypass)
            instance.processBlockBypassed (buffer, midi);
        else
            instance.processBlock (buffer, midi);
        out.insert (out.end(), buffer.getReadPointer (0), buffer.getReadPointer (0) + n);
    }
    return out;
}

struct Setting
{
    const char* name;
    float normalised;
};

// A stereo instance prepared at 48 kHz, in the given phase mode and oversampling, with further
// settings of its own parameters. A host's parameter changes reach the module with the next
// block; a new latency then reaches the host from the module's message thread, which this
// thread, the host's, waits for by running its own loop.
std::unique_ptr<juce::AudioPluginInstance> prepared (std::unique_ptr<juce::AudioPluginInstance> instance, int phase,
                                                     int oversample, std::initializer_list<Setting> settings)
{
    juce::AudioProcessor::BusesLayout layout;
    layout.inputBuses.add (Set::stereo());
    layout.inputBuses.add (Set::disabled());
    layout.outputBuses.add (Set::stereo());
    EXPECT_TRUE (instance->setBusesLayout (layout));
    instance->prepareToPlay (48000.0, 512);

    const auto& params = instance->getParameters();
    const auto set = [&params] (const juce::String& name, float normalised) {
        for (int i = 0; i < 439; ++i) // the wrapper's own bypass comes after ours
            if (params[i]->getName (100) == name)
                params[i]->setValueNotifyingHost (normalised);
    };
    set ("Phase", (float) phase / 2.0f);
    set ("Oversampling", (float) oversample / 2.0f);
    for (const auto& setting : settings)
        set (setting.name, setting.normalised);
    play (*instance, 512, false, [] (int) { return 0.0f; });

    const bool latent = phase == 2 || oversample > 0;
    for (int wait = 0; wait < 1000 && latent && instance->getLatencySamples() == 0; ++wait)
        pumpMessagesFor (10);
    EXPECT_EQ (instance->getLatencySamples() > 0, latent);
    return instance;
}
} // namespace

TEST_F (HostedPlugin, AnImpulseComesOutAtTheReportedLatencyWithEitherBypass)
{
    for (const bool hostBypass : { false, true })
    {
        for (const int phase : { 0, 1, 2 })
        {
            for (const int oversample : { 0, 1, 2 })
            {
                SCOPED_TRACE (testing::Message() << (hostBypass ? "host's bypass" : "bypass parameter") << ", phase "
                                                 << phase << ", oversampling " << oversample);
                auto instance = prepared (create(), phase, oversample,
                                          { { "Band 10 On", 1.0f },
                                            { "Band 10 Gain", 0.7f }, // +12 dB
                                            { "Bypass", hostBypass ? 0.0f : 1.0f } });
                const int latency = instance->getLatencySamples();
                if (phase == 2)
                {
                    EXPECT_EQ (latency, 4096);
                }

                const auto out = play (*instance, 5120, hostBypass, [] (int i) { return i == 100 ? 1.0f : 0.0f; });
                for (size_t i = 0; i < out.size(); ++i)
                    ASSERT_EQ (out[i], i == (size_t) (100 + latency) ? 1.0f : 0.0f) << "sample " << i;
            }
        }
    }
}

TEST_F (HostedPlugin, SilenceStaysSilentWhenTheHostsBypassEnds)
{
    // A tone through a boosted band, then the host's bypass over two seconds of silence: when it
    // ends, nothing that played before it may come back.
    for (const int phase : { 0, 1, 2 })
    {
        SCOPED_TRACE (testing::Message() << "phase " << phase);
        auto instance = prepared (create(), phase, 0, { { "Band 10 On", 1.0f }, { "Band 10 Gain", 0.7f } });
        const auto tone = play (*instance, 48000, false, [] (int i) { return 0.5f * std::sin (0.0458f * (float) i); });
        ASSERT_GT (*std::max_element (tone.begin(), tone.end()), 0.5f);

        const auto silence = [] (int) { return 0.0f; };
        play (*instance, 96000, true, silence);
        const auto after = play (*instance, 48000, false, silence);
        for (size_t i = 0; i < after.size(); ++i)
            ASSERT_EQ (after[i], 0.0f) << "sample " << i;
    }
}
