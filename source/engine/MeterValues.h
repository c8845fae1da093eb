#pragma once

#include <atomic>
#include <cmath>
#include <limits>

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

// raisePeak (meter, gainToMeterDb (peak)) without the logarithm for a peak that is plainly
// below what the meter holds: the meter's value as a gain is kept until the meter changes.
// The margin (1e-4, about 0.001 dB) is far wider than the rounding of either conversion, so
// a skipped peak is one that would not have raised the meter.
struct PeakGate
{
    float meterDb = std::numeric_limits<float>::quiet_NaN(); // unequal to any reading: look first
    float belowGain = 0.0f;

    void raise (std::atomic<float>& meter, float peak) noexcept
    {
        const float held = meter.load();
        if (held != meterDb)
        {
            meterDb = held;
            belowGain = (float) (std::pow (10.0, (double) held / 20.0) * (1.0 - 1.0e-4));
        }
        if (peak < belowGain)
            return;
        raisePeak (meter, gainToMeterDb (peak));
    }
};
