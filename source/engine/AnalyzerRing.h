#pragma once

#include <array>
#include <atomic>
#include <cstdint>

// A mono feed for the analyser display: the audio thread writes samples, then publishes the
// new count; the editor reads the newest samples without locks. Samples are relaxed atomics so
// the lock-free read is well defined (a plain store on the platforms we build for).
struct AnalyzerRing
{
    static constexpr int size = 16384;
    static constexpr uint32_t mask = size - 1;

    std::array<std::atomic<float>, size> samples {};
    std::atomic<uint32_t> writeCount { 0 };

    // Writes (L + R) / 2 of each sample (R = L for one channel), then publishes the count with
    // release order so a reader that acquires it sees every sample it covers.
    void push (const float* const* channels, int numChannels, int numSamples) noexcept
    {
        if (numChannels < 1 || numSamples < 1)
            return;

        const float* left = channels[0];
        const float* right = numChannels > 1 ? channels[1] : channels[0];
        const uint32_t start = writeCount.load (std::memory_order_relaxed);

        for (int i = 0; i < numSamples; ++i)
            samples[(start + (uint32_t) i) & mask].store ((left[i] + right[i]) * 0.5f, std::memory_order_relaxed);

        writeCount.store (start + (uint32_t) numSamples, std::memory_order_release);
    }
};
