#include "LinearPhaseFilter.h"

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
    fftBuffer.assign ((size_t) (2 * fftSize), 0.0f);
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

            for (int c = 0; c < m; ++c)
                processFrame (channels[(size_t) c]);
        }
    }
}

void LinearPhaseFilter::processFrame (Channel& channel) noexcept
{
    auto* data = fftBuffer.data();
    const auto* w = window.data();

    // Oldest sample first: writePos is where the next sample will go.
    const int older = fftSize - channel.writePos;
    juce::FloatVectorOperations::multiply (data, channel.inRing.data() + channel.writePos, w, older);
    juce::FloatVectorOperations::multiply (data + older, channel.inRing.data(), w + older, channel.writePos);

    // The inverse reads only bins 0 .. fftSize / 2 (the others mirror them), so only those
    // are formed and scaled.
    fft->performRealOnlyForwardTransform (data, true);

    for (int n = 0; n < numBins; ++n)
    {
        data[2 * n] *= fullGains[(size_t) n];
        data[2 * n + 1] *= fullGains[(size_t) n];
    }

    fft->performRealOnlyInverseTransform (data);

    juce::FloatVectorOperations::multiply (data, w, fftSize);
    const int later = fftSize - channel.readPos;
    juce::FloatVectorOperations::addWithMultiply (channel.outRing.data() + channel.readPos, data, overlapGain, later);
    juce::FloatVectorOperations::addWithMultiply (channel.outRing.data(), data + later, overlapGain, channel.readPos);
}
