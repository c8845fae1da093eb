#include "LinearPhaseFilter.h"

#include "FftwEngine.h"

#include <algorithm>
#include <cmath>
#include <cstring>

void LinearPhaseFilter::prepare (int numOutputChannels)
{
    fftOrder = 12;
    fftSize = 1 << fftOrder;
    hopSize = fftSize / 4;
    numBins = fftSize / 2 + 1;
    numChannels = std::max (1, numOutputChannels);

    [[maybe_unused]] const bool fastTransforms = fftwEngineRegistered();
    fft = std::make_unique<juce::dsp::FFT> (fftOrder);

    // Symmetric Hann: analysis and synthesis by the same window at a quarter hop overlap to
    // a sum of squares of about 1.5, which overlapGain brings to about 1.
    window.resize ((size_t) fftSize);
    for (int n = 0; n < fftSize; ++n)
        window[(size_t) n] = 0.5f - 0.5f * std::cos (2.0f * juce::MathConstants<float>::pi * (float) n
                                                     / (float) (fftSize - 1));
    overlapGain = 2.0f / 3.0f;

    fullGains.assign ((size_t) fftSize, 1.0f);
    targetMags.assign ((size_t) numBins, 1.0f);
    smoothedMags.assign ((size_t) numBins, 1.0f);
    constexpr size_t alignment = 64;
    transformMemory.calloc ((size_t) (2 * fftSize) + alignment / sizeof (juce::dsp::Complex<float>));
    frame = juce::snapPointerToAlignment (transformMemory.get(), alignment);
    spectrum = frame + fftSize;
    smoothingSettled = false;
    gainsStale = true;

    channels.resize ((size_t) numChannels);
    for (auto& channel : channels)
    {
        channel.inRing.assign ((size_t) fftSize, 0.0f);
        channel.outRing.assign ((size_t) fftSize, 0.0f);
    }

    reset();
    latency = fftSize;
}

void LinearPhaseFilter::reset() noexcept
{
    for (auto& channel : channels)
    {
        std::fill (channel.inRing.begin(), channel.inRing.end(), 0.0f);
        std::fill (channel.outRing.begin(), channel.outRing.end(), 0.0f);
        channel.writePos = 0;
        channel.readPos = 0;
    }

    hopCounter = 0;
}

void LinearPhaseFilter::smoothTowardTarget (const float* targetMagnitudes) noexcept
{
    const auto bytes = sizeof (float) * (size_t) numBins;

    // A step that moved nothing moves nothing again toward the same target.
    if (skipUnchangedWork && smoothingSettled
        && (targetMagnitudes == nullptr || std::memcmp (targetMagnitudes, targetMags.data(), bytes) == 0))
        return;

    if (targetMagnitudes != nullptr)
        std::memcpy (targetMags.data(), targetMagnitudes, bytes);

    // Once per block, whatever its length: a quarter of the remaining gap.
    uint32_t moved = 0;
    for (int k = 0; k < numBins; ++k)
    {
        const float before = smoothedMags[(size_t) k];
        const float after = before + (targetMags[(size_t) k] - before) * 0.25f;
        uint32_t a, b;
        std::memcpy (&a, &before, sizeof a);
        std::memcpy (&b, &after, sizeof b);
        moved |= a ^ b;
        smoothedMags[(size_t) k] = after;
    }

    smoothingSettled = moved == 0;
    gainsStale = gainsStale || moved != 0;
}

void LinearPhaseFilter::buildGains() noexcept
{
    // Bin k and bin fftSize - k get the same real gain, so the filter has zero phase.
    std::copy (smoothedMags.begin(), smoothedMags.begin() + numBins, fullGains.begin());
    for (int k = numBins; k < fftSize; ++k)
        fullGains[(size_t) k] = smoothedMags[(size_t) (fftSize - k)];
    gainsStale = false;
}

void LinearPhaseFilter::process (const float* targetMagnitudes, float* const* channelData,
                                 int channelCount, int numSamples) noexcept
{
    if (fft == nullptr)
        return;

    smoothTowardTarget (targetMagnitudes);
    if (! skipUnchangedWork)
        buildGains();

    const int m = std::min (numChannels, channelCount);
    const int mask = fftSize - 1;

    // Runs that end at a hop boundary, the ring's end or the block's end move as whole
    // copies: the sample i goes in, the output waiting at the same position comes out.
    for (int i = 0; i < numSamples;)
    {
        const int position = channels.empty() ? 0 : channels[0].writePos;
        const int run = std::min ({ numSamples - i, std::max (1, hopSize - hopCounter), fftSize - position });

        for (int c = 0; c < m; ++c)
        {
            auto& channel = channels[(size_t) c];
            float* samples = channelData[c] + i;
            std::memcpy (channel.inRing.data() + channel.writePos, samples, sizeof (float) * (size_t) run);
            std::memcpy (samples, channel.outRing.data() + channel.readPos, sizeof (float) * (size_t) run);
            std::memset (channel.outRing.data() + channel.readPos, 0, sizeof (float) * (size_t) run);
            channel.writePos = (channel.writePos + run) & mask;
            channel.readPos = (channel.readPos + run) & mask;
        }

        i += run;
        hopCounter += run;
        if (hopCounter >= hopSize)
        {
            hopCounter = 0;

            if (gainsStale)
                buildGains();

            for (int c = 0; c < m; c += 2)
                processFrame (channels[(size_t) c], c + 1 < m ? &channels[(size_t) c + 1] : nullptr);
        }
    }
}

namespace
{
// frame[2n] = a[n] w[n], frame[2n + 1] = b[n] w[n] (0 without b), over one unbroken stretch.
void windowPair (float* frame, const float* a, const float* b, const float* w, int length) noexcept
{
    if (b != nullptr)
        for (int n = 0; n < length; ++n)
        {
            frame[2 * n] = a[n] * w[n];
            frame[2 * n + 1] = b[n] * w[n];
        }
    else
        for (int n = 0; n < length; ++n)
        {
            frame[2 * n] = a[n] * w[n];
            frame[2 * n + 1] = 0.0f;
        }
}

// out[n] += part n of the frame (0: real, 1: imaginary) x w[n] x gain.
void overlapAdd (float* out, const float* frame, int part, const float* w, float gain, int length) noexcept
{
    for (int n = 0; n < length; ++n)
        out[n] += frame[2 * n + part] * w[n] * gain;
}
} // namespace

void LinearPhaseFilter::processFrame (Channel& first, Channel* second) noexcept
{
    auto* samples = reinterpret_cast<float*> (frame);
    auto* bins = reinterpret_cast<float*> (spectrum);
    const auto* w = window.data();

    // Oldest sample first: writePos (shared by all channels) is where the next sample will go.
    const int position = first.writePos;
    const int older = fftSize - position;
    const float* a = first.inRing.data();
    const float* b = second != nullptr ? second->inRing.data() : nullptr;
    windowPair (samples, a + position, b != nullptr ? b + position : nullptr, w, older);
    windowPair (samples + 2 * older, a, b, w + older, position);

    fft->perform (frame, spectrum, false);
    const float* gains = fullGains.data();
    for (int n = 0; n < fftSize; ++n)
    {
        bins[2 * n] *= gains[n];
        bins[2 * n + 1] *= gains[n];
    }
    fft->perform (spectrum, frame, true); // includes the 1 / fftSize

    const int start = first.readPos;
    const int later = fftSize - start;
    for (auto* channel : { &first, second })
    {
        if (channel == nullptr)
            continue;
        const int part = channel == &first ? 0 : 1;
        float* out = channel->outRing.data();
        overlapAdd (out + start, samples, part, w, overlapGain, later);
        overlapAdd (out, samples + 2 * later, part, w + later, overlapGain, start);
    }
}
