#include "LinearPhaseFilter.h"

#include <algorithm>
#include <cmath>

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

void LinearPhaseFilter::process (const float* targetMagnitudes, float* const* channelData,
                                 int channelCount, int numSamples) noexcept
{
    if (fft == nullptr)
        return;

    std::copy (targetMagnitudes, targetMagnitudes + numBins, targetMags.begin());

    // Once per block, whatever its length: a quarter of the remaining gap.
    for (int k = 0; k < numBins; ++k)
        smoothedMags[(size_t) k] += (targetMags[(size_t) k] - smoothedMags[(size_t) k]) * 0.25f;

    // Bin k and bin fftSize - k get the same real gain, so the filter has zero phase.
    for (int k = 0; k < numBins; ++k)
        fullGains[(size_t) k] = smoothedMags[(size_t) k];
    for (int k = numBins; k < fftSize; ++k)
        fullGains[(size_t) k] = smoothedMags[(size_t) (fftSize - k)];

    const int m = std::min (numChannels, channelCount);
    const int mask = fftSize - 1;

    for (int i = 0; i < numSamples; ++i)
    {
        for (int c = 0; c < m; ++c)
        {
            auto& channel = channels[(size_t) c];
            channel.inRing[(size_t) channel.writePos] = channelData[c][i];
            channelData[c][i] = channel.outRing[(size_t) channel.readPos];
            channel.outRing[(size_t) channel.readPos] = 0.0f;
            channel.writePos = (channel.writePos + 1) & mask;
            channel.readPos = (channel.readPos + 1) & mask;
        }

        if (++hopCounter >= hopSize)
        {
            hopCounter = 0;

            for (int c = 0; c < m; ++c)
                processFrame (channels[(size_t) c]);
        }
    }
}

void LinearPhaseFilter::processFrame (Channel& channel) noexcept
{
    const int mask = fftSize - 1;
    auto* data = fftBuffer.data();

    // Oldest sample first: writePos is where the next sample will go.
    for (int n = 0; n < fftSize; ++n)
        data[n] = channel.inRing[(size_t) ((channel.writePos + n) & mask)] * window[(size_t) n];
    std::fill (data + fftSize, data + 2 * fftSize, 0.0f);

    fft->performRealOnlyForwardTransform (data, false);

    for (int n = 0; n < fftSize; ++n)
    {
        data[2 * n] *= fullGains[(size_t) n];
        data[2 * n + 1] *= fullGains[(size_t) n];
    }

    fft->performRealOnlyInverseTransform (data);

    for (int n = 0; n < fftSize; ++n)
        channel.outRing[(size_t) ((channel.readPos + n) & mask)] += data[n] * window[(size_t) n] * overlapGain;
}
