#include "ProcessorHarness.h"
#include "support/AllocationCounter.h"

#include <gtest/gtest.h>

namespace
{
// Every feature at once: dynamic bands (one on the sidechain), a routed band, a cut, automatic
// gain and a sidechain signal.
void loadBusySession (ProcessorHarness& h)
{
    h.placeBand (0, 3, 40.0f, 0.0f, 0.7f);
    h.setBand (0, "slope", 8.0f);
    h.placeBand (1, 0, 300.0f, -6.0f, 1.0f);
    h.setBand (1, "dynon", 1.0f);
    h.setBand (1, "thresh", -30.0f);
    h.placeBand (2, 2, 6000.0f, 5.0f, 0.7f);
    h.setBand (2, "dynon", 1.0f);
    h.setBand (2, "scext", 1.0f);
    h.setBand (2, "thresh", -40.0f);
    h.placeBand (3, 6, 1000.0f, 0.0f, 0.7f);
    h.setBand (3, "tilt", 4.0f);
    h.setBand (3, "dynon", 1.0f);
    h.placeBand (4, 0, 2500.0f, 3.0f, 4.0f);
    h.setBand (4, "channel", 2.0f);
    h.placeBand (5, 5, 8000.0f, 0.0f, 2.0f);
    h.set ("autogain", 1.0f);
    h.set ("gainscale", 150.0f);
}

juce::AudioBuffer<float> noiseBlock (int channels, int length, juce::Random& random)
{
    juce::AudioBuffer<float> buffer (channels, length);
    for (int c = 0; c < channels; ++c)
        for (int i = 0; i < length; ++i)
            buffer.setSample (c, i, (random.nextFloat() * 2.0f - 1.0f) * 0.5f);
    return buffer;
}

bool isNormalOrZero (float x) { return x == 0.0f || std::isnormal (x); }

enum class Bypass { none, parameter, host };

struct Mode
{
    int phase;
    int oversample;
    bool solo;
    Bypass bypass = Bypass::none;
};

const Mode modes[] = {
    { 0, 0, false }, { 1, 0, false }, { 2, 0, false }, { 0, 1, false }, { 1, 2, false },
    { 2, 2, false }, { 0, 2, true }, { 2, 0, true }, { 1, 1, true },
    { 2, 0, false, Bypass::parameter }, { 0, 2, false, Bypass::host }, { 2, 1, true, Bypass::host },
    { 1, 1, false, Bypass::parameter },
};
} // namespace

TEST (ProcessorRealTime, NoAllocationAndOnlyNormalOutputInAnyModeRateOrBlockSize)
{
    constexpr int prepared = 512;
    juce::Random random (3);

    for (const double rate : { 22050.0, 44100.0, 48000.0, 96000.0, 192000.0 })
    {
        for (const auto mode : modes)
        {
            SCOPED_TRACE (testing::Message() << rate << " Hz, phase " << mode.phase << ", oversampling "
                                             << mode.oversample << (mode.solo ? ", solo" : "")
                                             << (mode.bypass == Bypass::parameter ? ", bypassed"
                                                 : mode.bypass == Bypass::host    ? ", bypassed by the host"
                                                                                  : ""));
            ProcessorHarness h (2, 2);
            loadBusySession (h);
            h.set ("phasemode", (float) mode.phase);
            h.set ("oversample", (float) mode.oversample);
            h.setBand (1, "solo", mode.solo ? 1.0f : 0.0f);
            h.set ("bypass", mode.bypass == Bypass::parameter ? 1.0f : 0.0f);
            h.hostBypass = mode.bypass == Bypass::host;
            h.prepare (rate, prepared);

            juce::MidiBuffer midi;
            for (const int length : { 1, 17, 64, 512, 2 * prepared, 17, 1 })
            {
                // Built outside the counted scope: the host owns the buffer.
                std::vector<juce::AudioBuffer<float>> blocks;
                for (int b = 0; b < 6; ++b)
                    blocks.push_back (noiseBlock (4, length, random));

                size_t allocations = 0;
                {
                    AllocationCounter counter;
                    for (auto& block : blocks)
                        h.processBlock (block, midi);
                    allocations = counter.count();
                }
                EXPECT_EQ (allocations, 0u) << "block length " << length;

                for (auto& block : blocks)
                    for (int c = 0; c < 2; ++c)
                        for (int i = 0; i < length; ++i)
                            ASSERT_TRUE (isNormalOrZero (block.getSample (c, i)))
                                << "block length " << length << ", channel " << c << ", sample " << i << ": "
                                << block.getSample (c, i);
            }

            // A mode change between blocks is allocation-free too.
            h.set ("phasemode", (float) ((mode.phase + 1) % 3));
            auto block = noiseBlock (4, 64, random);
            AllocationCounter counter;
            h.processBlock (block, midi);
            EXPECT_EQ (counter.count(), 0u);
        }
    }
}
