#pragma once

#include <atomic>
#include <cmath>

// Linear peak to meter dB: silence, negatives and NaN read -100.
inline float gainToMeterDb (float peak) noexcept
{
    if (! (peak > 0.0f))
        return -100.0f;

    const float db = 20.0f * std::log10 (peak);
    return db > -100.0f ? db : -100.0f;
}

// Keeps the highest value until the reader takes it by exchanging in -100.
inline void raisePeak (std::atomic<float>& meter, float db) noexcept
{
    if (db > meter.load())
        meter.exchange (db);
}
