#include "engine/LinearPhaseFilter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace
{
constexpr double pi = juce::MathConstants<double>::pi;

// A mono stage fed block by block; keeps every output sample.
struct MonoRun
{
    LinearPhaseFilter filter;
    std::vector<float> output;

    MonoRun() { filter.prepare (1); }

    void run (const std::vector<float>& input, const std::vector<float>& target, int blockSize)
    {
        std::vector<float> block ((size_t) blockSize);
        for (size_t start = 0; start < input.size(); start += (size_t) blockSize)
        {
            const auto n = std::min ((size_t) blockSize, input.size() - start);
            std::copy (input.begin() + (long) start, input.begin() + (long) (start + n), block.begin());
            float* channels[] = { block.data() };
            filter.process (target.data(), channels, 1, (int) n);
            output.insert (output.end(), block.begin(), block.begin() + (long) n);
        }
    }
};

// A smooth bump of +12 dB around bin 100, 1 elsewhere.
std::vector<float> bumpTarget (int numBins)
{
    std::vector<float> target ((size_t) numBins);
    for (int k = 0; k < numBins; ++k)
    {
        const double octaves = std::log2 ((k + 1.0) / 101.0);
        target[(size_t) k] = (float) std::pow (10.0, 12.0 / 20.0 * std::exp (-octaves * octaves * 2.0));
    }
    return target;
}

// Prepared for the channels and settled on the bump: its smoothing steps (a quarter of the
// gap per block) no longer move anything.
void prepareSettled (LinearPhaseFilter& filter, int numChannels)
{
    filter.prepare (numChannels);
    const auto target = bumpTarget (filter.numBins);
    for (int settle = 0; settle < 200; ++settle)
        filter.process (target.data(), nullptr, 0, 0);
}
} // namespace

TEST (LinearPhaseFilter, PreparedValues)
{
    LinearPhaseFilter filter;
    EXPECT_EQ (filter.latency, 0);
    EXPECT_FLOAT_EQ (filter.overlapGain, 1.0f);

    filter.prepare (0);
    EXPECT_EQ (filter.fftSize, 4096);
    EXPECT_EQ (filter.hopSize, 1024);
    EXPECT_EQ (filter.numBins, 2049);
    EXPECT_EQ (filter.numChannels, 1);
    EXPECT_EQ (filter.latency, 4096);
    EXPECT_NEAR (filter.overlapGain, 0.6666667f, 1e-7f);
    // Symmetric window: the denominator is fftSize - 1.
    EXPECT_FLOAT_EQ (filter.window.front(), 0.0f);
    EXPECT_FLOAT_EQ (filter.window.back(), filter.window.front());
}

TEST (LinearPhaseFilter, UnitResponseDelaysByExactlyTheLatency)
{
    MonoRun run;
    const std::vector<float> unit (2049, 1.0f);

    std::vector<float> input (4096 * 4);
    for (size_t i = 0; i < input.size(); ++i)
        input[i] = 0.6f + 0.3f * (float) std::sin ((double) i * 0.013) + 0.05f * (float) ((i * 7919) % 13) / 13.0f;

    run.run (input, unit, 300);

    for (size_t i = 0; i < 4096; ++i)
        ASSERT_NEAR (run.output[i], 0.0f, 1e-6f) << "sample " << i; // FFT rounding only

    for (size_t i = 4096; i < input.size(); ++i)
    {
        const float ratio = run.output[i] / input[i - 4096];
        ASSERT_GE (ratio, 0.99974f - 2e-6f) << "sample " << i;
        ASSERT_LE (ratio, 0.99977f + 2e-6f) << "sample " << i;
    }
}

TEST (LinearPhaseFilter, ResponseApproachesTargetByAQuarterPerBlock)
{
    LinearPhaseFilter filter;
    filter.prepare (1);
    std::vector<float> target (2049, 1.0f);
    target[50] = 3.98f;

    std::vector<float> samples (1024, 0.0f);
    float* channels[] = { samples.data() };
    filter.process (target.data(), channels, 1, 1);
    EXPECT_FLOAT_EQ (filter.smoothedMags[50], 1.0f + 0.25f * 2.98f);
    filter.process (target.data(), channels, 1, 0); // block length does not matter
    EXPECT_FLOAT_EQ (filter.smoothedMags[50], 1.0f + 0.4375f * 2.98f);

    // The gains follow when a frame is formed.
    filter.process (target.data(), channels, 1, 1023);
    EXPECT_FLOAT_EQ (filter.smoothedMags[50], 1.0f + (1.0f - 0.75f * 0.75f * 0.75f) * 2.98f);
    EXPECT_FLOAT_EQ (filter.fullGains[50], filter.smoothedMags[50]);
    EXPECT_FLOAT_EQ (filter.fullGains[4096 - 50], filter.smoothedMags[50]);
    EXPECT_FLOAT_EQ (filter.smoothedMags[51], 1.0f);

    // Reset keeps the smoothed response; a new preparation forgets it.
    filter.reset();
    EXPECT_FLOAT_EQ (filter.smoothedMags[50], 1.0f + (1.0f - 0.75f * 0.75f * 0.75f) * 2.98f);
    filter.prepare (1);
    EXPECT_FLOAT_EQ (filter.smoothedMags[50], 1.0f);
}

TEST (LinearPhaseFilter, SteadyStateResponseMatchesTarget)
{
    const auto target = bumpTarget (2049);

    for (const int bin : { 20, 60, 100, 140, 400 })
    {
        MonoRun run;
        std::vector<float> input (4096 * 6);
        const double omega = 2.0 * pi * bin / 4096.0;
        for (size_t i = 0; i < input.size(); ++i)
            input[i] = (float) std::sin (omega * (double) i);

        run.run (input, target, 512);

        // Amplitude and phase by correlation over whole periods, well past the start-up.
        double re = 0.0, im = 0.0;
        const size_t from = 4096 * 4, to = 4096 * 6;
        for (size_t i = from; i < to; ++i)
        {
            re += run.output[i] * std::sin (omega * (double) (i - 4096));
            im += run.output[i] * std::cos (omega * (double) (i - 4096));
        }
        const double amplitude = 2.0 * std::hypot (re, im) / (double) (to - from);
        EXPECT_NEAR (20.0 * std::log10 (amplitude), 20.0 * std::log10 (target[(size_t) bin]), 0.1) << "bin " << bin;
        EXPECT_NEAR (std::atan2 (im, re), 0.0, 0.01) << "bin " << bin;
    }
}

TEST (LinearPhaseFilter, ImpulseResponseIsSymmetricAboutTheLatency)
{
    MonoRun run;
    const auto target = bumpTarget (2049);

    // Let the smoothed response settle on silence, then send one impulse.
    run.run (std::vector<float> (64 * 64, 0.0f), target, 64);
    run.output.clear();
    std::vector<float> input (4096 * 3, 0.0f);
    input[0] = 1.0f;
    run.run (input, target, 64);

    const float peak = run.output[4096];
    EXPECT_GT (peak, 1.0f);
    for (size_t d = 1; d < 1500; ++d)
        ASSERT_NEAR (run.output[4096 + d], run.output[4096 - d], 0.002f * peak) << "offset " << d;
}

TEST (LinearPhaseFilter, ChannelsKeepSeparateRingsAndExtraChannelsPassUntouched)
{
    LinearPhaseFilter filter;
    filter.prepare (2);
    const std::vector<float> unit (2049, 1.0f);

    std::vector<float> left (8192, 0.0f), right (8192, 0.0f), third (8192, 0.5f);
    left[10] = 1.0f;
    right[20] = 1.0f;
    float* channels[] = { left.data(), right.data(), third.data() };
    filter.process (unit.data(), channels, 3, 8192);

    EXPECT_NEAR (left[4106], 1.0f, 1e-3f);
    EXPECT_NEAR (left[4116], 0.0f, 1e-4f);
    EXPECT_NEAR (right[4116], 1.0f, 1e-3f);
    EXPECT_NEAR (right[4106], 0.0f, 1e-4f);
    EXPECT_EQ (third[0], 0.5f);
    EXPECT_EQ (third[8191], 0.5f);
}

// Frames are formed every hop wherever the blocks are cut: with the response settled, the
// output is the same bit for bit for any cutting, a hop ending inside a block or with it.
TEST (LinearPhaseFilter, OutputDoesNotDependOnHowBlocksAreCut)
{
    const std::vector<std::vector<int>> cuttings {
        { 64 }, { 1024 }, { 1 }, { 100 }, { 512, 512, 7, 1017, 3000, 1, 63 }, { 4096 },
    };

    for (const int numChannels : { 1, 2, 3 })
    {
        std::vector<std::vector<float>> input ((size_t) numChannels, std::vector<float> (20000));
        juce::Random random (11);
        for (auto& channel : input)
            for (auto& x : channel)
                x = random.nextFloat() - 0.5f;

        std::vector<std::vector<float>> first;
        for (const auto& cutting : cuttings)
        {
            LinearPhaseFilter filter;
            prepareSettled (filter, numChannels);

            auto output = input;
            for (size_t start = 0, k = 0; start < output[0].size(); ++k)
            {
                const auto n = std::min ((size_t) cutting[k % cutting.size()], output[0].size() - start);
                std::vector<float*> channels;
                for (auto& channel : output)
                    channels.push_back (channel.data() + start);
                filter.process (nullptr, channels.data(), numChannels, (int) n);
                start += n;
            }

            if (first.empty())
                first = output;
            else
                EXPECT_EQ (output, first) << numChannels << " channels, cutting from " << cutting[0];
        }
    }
}

namespace
{
// The overlap-add written out plainly, frame by frame over a whole signal, in the filter's
// own arithmetic: each channel pair windowed into one complex frame, transformed, scaled by
// the settled gains, transformed back and added in windowed.
std::vector<std::vector<float>> plainOverlapAdd (const std::vector<std::vector<float>>& input,
                                                 const LinearPhaseFilter& settled)
{
    const int size = settled.fftSize, hop = settled.hopSize;
    const auto& w = settled.window;
    std::vector<float> gains ((size_t) size);
    for (int k = 0; k < size; ++k)
        gains[(size_t) k] = settled.smoothedMags[(size_t) (k < settled.numBins ? k : size - k)];

    const auto length = input[0].size();
    std::vector<std::vector<float>> output (input.size(), std::vector<float> (length + (size_t) size, 0.0f));
    juce::dsp::FFT fft (settled.fftOrder);
    std::vector<juce::dsp::Complex<float>> frame ((size_t) size), spectrum ((size_t) size);

    // Frame f holds input [f hop - size, f hop) (zeros before the start) and adds into
    // output [f hop, f hop + size), which leaves `size` samples later than it came in.
    for (size_t end = (size_t) hop; end <= length; end += (size_t) hop)
    {
        for (size_t c = 0; c < input.size(); c += 2)
        {
            const bool pair = c + 1 < input.size();
            for (int n = 0; n < size; ++n)
            {
                const long i = (long) end - size + n;
                const float a = i >= 0 ? input[c][(size_t) i] : 0.0f;
                const float b = pair && i >= 0 ? input[c + 1][(size_t) i] : 0.0f;
                frame[(size_t) n] = { a * w[(size_t) n], pair ? b * w[(size_t) n] : 0.0f };
            }
            fft.perform (frame.data(), spectrum.data(), false);
            for (int n = 0; n < size; ++n)
                spectrum[(size_t) n] = { spectrum[(size_t) n].real() * gains[(size_t) n],
                                         spectrum[(size_t) n].imag() * gains[(size_t) n] };
            fft.perform (spectrum.data(), frame.data(), true);
            for (int n = 0; n < size; ++n)
            {
                output[c][end + (size_t) n] += frame[(size_t) n].real() * w[(size_t) n] * settled.overlapGain;
                if (pair)
                    output[c + 1][end + (size_t) n] += frame[(size_t) n].imag() * w[(size_t) n] * settled.overlapGain;
            }
        }
    }

    for (auto& channel : output)
        channel.resize (length);
    return output;
}
} // namespace

TEST (LinearPhaseFilter, OutputIsThePlainOverlapAddBitForBit)
{
    for (const int numChannels : { 1, 2, 3 })
    {
        std::vector<std::vector<float>> input ((size_t) numChannels, std::vector<float> (12000));
        juce::Random random (5);
        for (auto& channel : input)
            for (auto& x : channel)
                x = random.nextFloat() - 0.5f;

        LinearPhaseFilter filter;
        prepareSettled (filter, numChannels);
        const auto expected = plainOverlapAdd (input, filter);

        auto output = input;
        for (size_t start = 0; start < output[0].size(); start += 64)
        {
            std::vector<float*> channels;
            for (auto& channel : output)
                channels.push_back (channel.data() + start);
            filter.process (nullptr, channels.data(), numChannels, (int) std::min ((size_t) 64, output[0].size() - start));
        }
        EXPECT_EQ (output, expected) << numChannels << " channels";
    }
}

// A host that drops to one channel within a hop: the frame is formed from the channels of
// the block its hop ends in, and the remaining channel is filtered as before (its pairing
// with the other channel shows only in rounding).
TEST (LinearPhaseFilter, ChannelCountChangingWithinAHopKeepsTheRemainingChannel)
{
    std::vector<float> left (16384), right (16384);
    juce::Random random (3);
    for (size_t i = 0; i < left.size(); ++i)
    {
        left[i] = random.nextFloat() - 0.5f;
        right[i] = random.nextFloat() - 0.5f;
    }

    const auto filtered = [&] (bool dropRight) {
        LinearPhaseFilter filter;
        prepareSettled (filter, 2);

        auto l = left, r = right;
        for (size_t start = 0; start < l.size(); start += 64)
        {
            // Blocks 40 to 87 (a hop ends at block 48, another at 64 and 80) have one channel.
            const bool oneChannel = dropRight && start / 64 >= 40 && start / 64 < 88;
            float* channels[] = { l.data() + start, r.data() + start };
            filter.process (nullptr, channels, oneChannel ? 1 : 2, 64);
        }
        return l;
    };

    const auto expected = filtered (false), dropped = filtered (true);
    for (size_t i = 0; i < expected.size(); ++i)
        ASSERT_NEAR (dropped[i], expected[i], 1e-5f) << "sample " << i;
}

// A stack of strong boosts can overflow the response to infinity, or give NaN where it meets a
// notch: the stage keeps finite gains, and once the response is flat again it comes back to
// the plain delay within its usual smoothing (a quarter of the gap per block).
TEST (LinearPhaseFilter, OverflowedResponseStaysFiniteAndComesBackToFlat)
{
    constexpr float infinity = std::numeric_limits<float>::infinity();
    constexpr float notANumber = std::numeric_limits<float>::quiet_NaN();
    struct Case
    {
        const char* name;
        float target;   // at the bins around 100 while the response is extreme
        float smoothed; // the smoothed response there at the start
    };
    const Case cases[] = {
        { "infinite", infinity, 1.0f },
        { "NaN", notANumber, 1.0f },
        { "largest float", std::numeric_limits<float>::max(), 1.0f },
        { "1e36", 1.0e36f, 1.0f },
        { "infinite smoothed value", 1.0f, infinity },
        { "NaN smoothed value", 1.0f, notANumber },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        constexpr int blockSize = 512;
        LinearPhaseFilter filter;
        filter.prepare (1);
        std::fill (filter.smoothedMags.begin() + 90, filter.smoothedMags.begin() + 110, c.smoothed);

        std::vector<float> extreme (2049, 1.0f);
        std::fill (extreme.begin() + 90, extreme.begin() + 110, c.target);
        const std::vector<float> flat (2049, 1.0f);

        std::vector<float> input (blockSize * 200);
        for (size_t i = 0; i < input.size(); ++i)
            input[i] = 0.1f * (float) std::sin ((double) i * 0.02);

        // 40 blocks of the extreme response, then a flat one; the output is kept from there on.
        std::vector<float> output;
        for (size_t start = 0, block = 0; start < input.size(); start += blockSize, ++block)
        {
            std::vector<float> samples (input.begin() + (long) start,
                                        input.begin() + (long) (start + blockSize));
            float* channels[] = { samples.data() };
            filter.process (block < 40 ? extreme.data() : flat.data(), channels, 1, blockSize);
            for (const float m : filter.smoothedMags)
                ASSERT_TRUE (std::isfinite (m)) << "block " << block;
            if (block >= 40)
                output.insert (output.end(), samples.begin(), samples.end());
        }

        // 100 blocks after the response turned flat, the output is the delayed input again.
        for (size_t i = 100 * blockSize; i < output.size(); ++i)
            ASSERT_NEAR (output[i], input[40 * blockSize + i - 4096] * 0.99975f, 1e-4f) << "sample " << i;
    }
}

namespace
{
struct Absence
{
    int blockSize;
    int from, to; // the blocks in which only the first channel is given
};

// Two channels of noise through a settled stage in blocks; the right channel is absent from
// the blocks of `absence` and, when silentBefore, silent before it returns.
std::vector<std::vector<float>> runWithAbsence (const Absence& absence, bool rightAbsent, bool silentBefore)
{
    const size_t length = 24000;
    std::vector<std::vector<float>> signal (2, std::vector<float> (length));
    juce::Random random (17);
    for (auto& channel : signal)
        for (auto& x : channel)
            x = random.nextFloat() - 0.5f;
    const size_t returnsAt = (size_t) (absence.to * absence.blockSize);
    if (silentBefore)
        std::fill (signal[1].begin(), signal[1].begin() + (long) returnsAt, 0.0f);

    LinearPhaseFilter filter;
    prepareSettled (filter, 2);
    for (size_t start = 0, block = 0; start < length; start += (size_t) absence.blockSize, ++block)
    {
        const auto n = std::min ((size_t) absence.blockSize, length - start);
        const bool absent = rightAbsent && (int) block >= absence.from && (int) block < absence.to;
        float* channels[] = { signal[0].data() + start, signal[1].data() + start };
        filter.process (nullptr, channels, absent ? 1 : 2, (int) n);
    }
    return signal;
}
} // namespace

// A channel that a host leaves out of some blocks comes back as if freshly cleared: silent
// until its new input has gone through, then that input in time with the other channel,
// and nothing of the audio from before its absence.
TEST (LinearPhaseFilter, ReturningChannelStartsCleanAlignedWithTheOthers)
{
    const Absence absences[] = {
        { 64, 40, 88 },   // three hops
        { 64, 48, 49 },   // one block, just after a frame was formed with both channels
        { 64, 37, 38 },   // one block within a hop
        { 64, 40, 104 },  // exactly the ring's length: positions come round to where they were
        { 100, 30, 33 },  // blocks that do not divide the hop
        { 1024, 5, 6 },   // one whole hop
    };

    for (const auto& absence : absences)
    {
        SCOPED_TRACE (testing::Message() << "blocks of " << absence.blockSize << ", absent " << absence.from
                                         << " to " << absence.to);
        const auto returned = runWithAbsence (absence, true, false);
        const auto fresh = runWithAbsence (absence, false, true);
        const size_t returnsAt = (size_t) (absence.to * absence.blockSize);
        for (size_t i = returnsAt; i < returned[1].size(); ++i)
            ASSERT_NEAR (returned[1][i], fresh[1][i], 1e-5f) << "sample " << i;
        for (size_t i = 0; i < returned[0].size(); ++i)
            ASSERT_NEAR (returned[0][i], fresh[0][i], 1e-5f) << "left sample " << i;
    }
}
