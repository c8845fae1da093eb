#pragma once

#include "engine/BandSettings.h"
#include "engine/Biquad.h"

// Small helpers shared by the engine's test files.
namespace engine_test
{
constexpr double pi = 3.14159265358979323846;

inline bool sameCoefficients (const Biquad& x, const Biquad& y)
{
    return x.b0 == y.b0 && x.b1 == y.b1 && x.b2 == y.b2 && x.a1 == y.a1 && x.a2 == y.a2;
}

// A band that is on and active with the given type and settings.
inline BandSettings placed (int32_t type, double freq, double gain = 0.0, double q = 0.707,
                            int32_t channel = ChannelMode::stereo)
{
    BandSettings s;
    s.on = true;
    s.type = type;
    s.freq = freq;
    s.gain = gain;
    s.q = q;
    s.channel = channel;
    return s;
}
} // namespace engine_test
