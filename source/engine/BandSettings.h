#pragma once

#include <array>
#include <cstdint>

// Filter types by the choice index of a band's type parameter.
namespace FilterType
{
constexpr int32_t bell = 0;
constexpr int32_t lowShelf = 1;
constexpr int32_t highShelf = 2;
constexpr int32_t lowCut = 3;
constexpr int32_t highCut = 4;
constexpr int32_t notch = 5;
constexpr int32_t tilt = 6;
} // namespace FilterType

// Channel targets by the choice index of a band's channel parameter.
namespace ChannelMode
{
constexpr int32_t stereo = 0;
constexpr int32_t mid = 1;
constexpr int32_t side = 2;
constexpr int32_t left = 3;
constexpr int32_t right = 4;
} // namespace ChannelMode

// One band's settings as the engine consumes them: plain data, copied by value.
// The defaults are those of a fresh engine slot, not the parameter defaults.
struct BandSettings
{
    bool on = false;
    bool active = true;
    bool solo = false;
    int32_t type = FilterType::bell;
    double freq = 1000.0;     // Hz
    double gain = 0.0;        // dB
    double q = 0.707;
    int32_t slope = 12;       // dB/oct
    double tilt = 0.0;        // dB
    bool dynamic = false;
    double thresh = 0.0;      // dB
    double attackMs = 5.0;
    double releaseMs = 80.0;
    double ratio = 1e9;       // 1e9 stands for an infinite ratio
    double knee = 6.0;        // dB
    bool autoTiming = false;
    bool sidechain = false;
    int32_t channel = ChannelMode::stereo;
};

constexpr int eqBandCount = 24;

// The engine's input: one record per band, in band order.
using BandSnapshot = std::array<BandSettings, eqBandCount>;
