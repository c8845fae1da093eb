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
};
