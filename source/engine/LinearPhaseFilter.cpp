#include "LinearPhaseFilter.h"

#include "FftwEngine.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{
constexpr size_t transformAlignment = 64;

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
    numPairs = (numChannels + 1) / 2;
    transformMemory.calloc ((size_t) (3 * fftSize * numPairs) + transformAlignment / sizeof (juce::dsp::Complex<float>));
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

juce::dsp::Complex<float>* LinearPhaseFilter::pairMemory (int pair, int buffer) const noexcept
{
    return juce::snapPointerToAlignment (transformMemory.get(), transformAlignment) + fftSize * (3 * pair + buffer);
}

LinearPhaseFilter::Channel* LinearPhaseFilter::pairChannel (int pair, int member) noexcept
{
    const auto c = (size_t) (2 * pair + member);
    return c < channels.size() ? &channels[c] : nullptr;
}

void LinearPhaseFilter::reset() noexcept
{
    frameChannels = -1;
    olderWindowed = 0;
    windowingWhole = false;
    synthesisPending = false;
    synthesisChannels = 0;
    added = fftSize;
    for (auto& channel : channels)
    {
        std::fill (channel.inRing.begin(), channel.inRing.end(), 0.0f);
        std::fill (channel.outRing.begin(), channel.outRing.end(), 0.0f);
        channel.writePos = 0;
        channel.readPos = 0;
    }

    hopCounter = 0;
    currentChannels = numChannels;
}

void LinearPhaseFilter::restartReturningChannels (int channelCount) noexcept
{
    // A channel left out of the last blocks holds audio from before and positions that stood
    // still while the others moved: it starts again as if cleared, at the others' positions,
    // and the frame still being added from before no longer reaches it.
    if (channelCount > currentChannels)
    {
        for (int c = currentChannels; c < channelCount; ++c)
        {
            auto& channel = channels[(size_t) c];
            std::fill (channel.inRing.begin(), channel.inRing.end(), 0.0f);
            std::fill (channel.outRing.begin(), channel.outRing.end(), 0.0f);
            channel.writePos = channels[0].writePos;
            channel.readPos = channels[0].readPos;
        }
        synthesisChannels = std::min (synthesisChannels, currentChannels);
    }
    currentChannels = channelCount;
}

void LinearPhaseFilter::smoothTowardTarget (const float* targetMagnitudes) noexcept
{
    const auto bytes = sizeof (float) * (size_t) numBins;

    // A step that moved nothing moves nothing again toward the same target.
    if (skipUnchangedWork && smoothingSettled
        && (targetMagnitudes == nullptr || std::memcmp (targetMagnitudes, targetMags.data(), bytes) == 0))
        return;

    // An overflowed response stops at the ceiling; a bin without a defined value passes unchanged.
    if (targetMagnitudes != nullptr)
        for (int k = 0; k < numBins; ++k)
        {
            const float target = targetMagnitudes[k];
            targetMags[(size_t) k] = std::isnan (target) ? 1.0f
                                                         : juce::jlimit (0.0f, magnitudeCeiling, target);
        }

    // Once per block, whatever its length: a quarter of the remaining gap. A value that is not
    // finite has no gap to close: it starts again from the flat response.
    uint32_t moved = 0;
    for (int k = 0; k < numBins; ++k)
    {
        const float held = smoothedMags[(size_t) k];
        const float before = std::isfinite (held) ? held : 1.0f;
        const float after = before + (targetMags[(size_t) k] - before) * 0.25f;
        uint32_t a, b;
        std::memcpy (&a, &held, sizeof a);
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
    const int older = fftSize - hopSize;
    if (numSamples > 0)
        restartReturningChannels (std::max (0, m));

    synthesisePending();

    // Runs that end at a hop boundary, the ring's end or the block's end move as whole
    // copies: the sample i goes in, the output waiting at the same position comes out.
    for (int i = 0; i < numSamples;)
    {
        const int position = channels.empty() ? 0 : channels[0].writePos;
        const int run = std::min ({ numSamples - i, std::max (1, hopSize - hopCounter), fftSize - position });

        overlapAddUpTo (std::min (fftSize, (fftSize / hopSize) * (hopCounter + run)));

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

        // The frame is formed from the channels of the block its hop ends in; should they
        // change within a hop, it is windowed at once when its last sample is in.
        if (frameChannels != m)
        {
            windowingWhole = windowingWhole || frameChannels >= 0;
            frameChannels = m;
        }
        if (! windowingWhole)
        {
            windowPositions (older + hopCounter - run, older + hopCounter);
            const int olderDue = std::min (older, older / hopSize * hopCounter);
            windowPositions (olderWindowed, olderDue);
            olderWindowed = olderDue;
        }

        if (hopCounter >= hopSize)
        {
            if (gainsStale)
                buildGains();

            analyseFrames();
            hopCounter = 0;
            frameChannels = -1;
            olderWindowed = 0;
            windowingWhole = false;

            // Output of this frame is read within this block: synthesise it now.
            if (i < numSamples)
                synthesisePending();
        }
    }
}

// Frame position n of the frame formed at the end of this hop holds ring sample
// (end + n) & mask, where end is the write position at that moment.
void LinearPhaseFilter::windowPositions (int from, int to) noexcept
{
    if (from >= to || channels.empty())
        return;

    const int mask = fftSize - 1;
    const int end = (channels[0].writePos + hopSize - hopCounter) & mask;
    const auto* w = window.data();

    for (int pair = 0; 2 * pair < frameChannels; ++pair)
    {
        auto* samples = reinterpret_cast<float*> (pairMemory (pair, 0));
        const float* a = pairChannel (pair, 0)->inRing.data();
        const float* b = 2 * pair + 1 < frameChannels ? pairChannel (pair, 1)->inRing.data() : nullptr;

        for (int n = from; n < to;)
        {
            const int index = (end + n) & mask;
            const int length = std::min (to - n, fftSize - index);
            windowPair (samples + 2 * n, a + index, b != nullptr ? b + index : nullptr, w + n, length);
            n += length;
        }
    }
}

void LinearPhaseFilter::analyseFrames() noexcept
{
    // The previous frame's overlap-add has kept four positions ahead per sample: it is done.
    overlapAddUpTo (fftSize);

    if (windowingWhole)
        windowPositions (0, fftSize);

    const float* gains = fullGains.data();
    for (int pair = 0; 2 * pair < frameChannels; ++pair)
    {
        auto* frame = pairMemory (pair, 0);
        auto* spectrum = pairMemory (pair, 1);
        fft->perform (frame, spectrum, false);

        auto* bins = reinterpret_cast<float*> (spectrum);
        for (int n = 0; n < fftSize; ++n)
        {
            bins[2 * n] *= gains[n];
            bins[2 * n + 1] *= gains[n];
        }
    }

    synthesisChannels = frameChannels;
    synthesisPending = true;
}

void LinearPhaseFilter::synthesisePending() noexcept
{
    if (! synthesisPending)
        return;
    synthesisPending = false;

    for (int pair = 0; 2 * pair < synthesisChannels; ++pair)
        fft->perform (pairMemory (pair, 1), pairMemory (pair, 2), true); // includes the 1 / fftSize

    addStart = channels.empty() ? 0 : channels[0].readPos;
    added = 0;
}

void LinearPhaseFilter::overlapAddUpTo (int position) noexcept
{
    if (position <= added)
        return;

    const int mask = fftSize - 1;
    const auto* w = window.data();
    for (int c = 0; c < synthesisChannels; ++c)
    {
        const auto* samples = reinterpret_cast<const float*> (pairMemory (c / 2, 2));
        float* out = channels[(size_t) c].outRing.data();
        for (int n = added; n < position;)
        {
            const int index = (addStart + n) & mask;
            const int length = std::min (position - n, fftSize - index);
            overlapAdd (out + index, samples + 2 * n, c & 1, w + n, overlapGain, length);
            n += length;
        }
    }
    added = position;
}
