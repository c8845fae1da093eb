#pragma once

#include <cstdint>
#include <cstring>
#include <limits>

// Block-wise guards against NaN and infinity in audio: one branch-free pass each, so that a
// stray value costs nothing until it appears.

// True when none of the n samples is NaN or infinite.
inline bool allFinite (const float* samples, int n) noexcept
{
    uint32_t bad = 0;
    for (int i = 0; i < n; ++i)
    {
        uint32_t bits;
        std::memcpy (&bits, samples + i, sizeof bits);
        bad |= (uint32_t) ((bits & 0x7f800000u) == 0x7f800000u); // all exponent bits set
    }
    return bad == 0;
}

// Replaces every NaN or infinite sample by 0.
inline void zeroNonFinite (float* samples, int n) noexcept
{
    for (int i = 0; i < n; ++i)
        samples[i] = samples[i] - samples[i] == 0.0f ? samples[i] : 0.0f; // x - x is NaN only for NaN and inf
}
