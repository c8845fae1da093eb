#pragma once

#include "CurveCanvas.h"

#include <array>

// Small pieces shared by the canvas's band operations, mouse handlers, value editing and menus.
namespace canvasedit
{
inline constexpr std::array<const char*, 7> typeNames { "Bell", "Low Shelf", "High Shelf", "Low Cut",
                                                        "High Cut", "Notch", "Tilt" };
inline constexpr std::array<const char*, 5> channelNames { "Stereo", "Mid", "Side", "Left", "Right" };

inline bool isBandIndex (int band) noexcept { return band >= 0 && band < eqBandCount; }

// Redesigns the static response model from the working copy and repaints the whole canvas.
void rebuildAndRepaint (CurveCanvas& canvas);

// The position of a slope in dB/oct in the slope table; a slope not in the table counts as 0.
int slopeIndexOf (int slopeDbPerOct);

// The slope table's entry for an index, the index clamped to the table.
int slopeAt (int index);
} // namespace canvasedit
