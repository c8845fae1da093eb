#include "DelayLine.h"

#include <juce_core/juce_core.h>

#include <algorithm>
#include <cstring>

namespace
{
// Copies between a ring and a straight buffer, across the ring's end.
void intoRing (std::vector<float>& ring, int start, const float* in, int count) noexcept
{
    const int first = std::min (count, (int) ring.size() - start);
    std::memcpy (ring.data() + start, in, sizeof (float) * (size_t) first);
    std::memcpy (ring.data(), in + first, sizeof (float) * (size_t) (count - first));
}

void outOfRing (const std::vector<float>& ring, int start, float* out, int count) noexcept
{
    const int first = std::min (count, (int) ring.size() - start);
    std::memcpy (out, ring.data() + start, sizeof (float) * (size_t) first);
    std::memcpy (out + first, ring.data(), sizeof (float) * (size_t) (count - first));
}
} // namespace

void DelayLine::prepare (int numChannels, int maxDelay, int blockSize)
{
    size = juce::nextPowerOfTwo (std::max (1, maxDelay) + std::max (1, blockSize));
    mask = size - 1;
    rings.resize ((size_t) std::max (0, numChannels));
    for (auto& ring : rings)
        ring.assign ((size_t) size, 0.0f);
    position = 0;
}

void DelayLine::clear() noexcept
{
    for (auto& ring : rings)
        std::fill (ring.begin(), ring.end(), 0.0f);
    position = 0;
}

void DelayLine::write (const float* const* channels, int numChannels, int numSamples) noexcept
{
    if (size == 0 || numSamples <= 0)
        return;

    // Only the newest `size` samples can ever be read back.
    const int skipped = std::max (0, numSamples - size);
    const int channelCount = std::min (numChannels, (int) rings.size());
    const int start = (position + skipped) & mask;
    for (int c = 0; c < channelCount; ++c)
        intoRing (rings[(size_t) c], start, channels[c] + skipped, numSamples - skipped);
    position = (position + numSamples) & mask;
}

void DelayLine::read (float* const* channels, int numChannels, int numSamples, int delay) const noexcept
{
    if (size == 0 || numSamples <= 0)
        return;

    jassert (delay >= 0 && numSamples + delay <= size);
    const int channelCount = std::min (numChannels, (int) rings.size());
    for (int c = 0; c < channelCount; ++c)
        outOfRing (rings[(size_t) c], (position - numSamples - delay) & mask, channels[c], numSamples);
}

void DelayLine::process (float* const* channels, int numChannels, int numSamples, int delay) noexcept
{
    if (size == 0)
        return;

    const int piece = std::max (1, size - delay);
    const int channelCount = std::min (numChannels, (int) rings.size());
    for (int start = 0; start < numSamples; start += piece)
    {
        const int length = std::min (piece, numSamples - start);
        for (int c = 0; c < channelCount; ++c)
        {
            intoRing (rings[(size_t) c], position, channels[c] + start, length);
            outOfRing (rings[(size_t) c], (position - delay) & mask, channels[c] + start, length);
        }
        position = (position + length) & mask;
    }
}

void DelayLine::silence (int newerDelay, int olderDelay) noexcept
{
    olderDelay = std::min (olderDelay, size);
    for (auto& ring : rings)
        for (int k = newerDelay + 1; k <= olderDelay; ++k)
            ring[(size_t) ((position - k) & mask)] = 0.0f;
}
