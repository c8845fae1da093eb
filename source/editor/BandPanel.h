#pragma once

#include "engine/BandSettings.h"

#include <juce_core/juce_core.h>

#include <vector>

// The band panel's caption of a filter type ("BELL", "LOW SHELF", ...); empty for an unknown type.
juce::String bandTypeCaption (int type);

// True when band a's frequency is below band b's.
bool bandFrequencyLess (const BandSnapshot& bands, int a, int b);

// Sorts band indices by ascending frequency; bands of equal frequency keep their order.
void sortBandIndicesByFrequency (std::vector<int>& indices, const BandSnapshot& bands);
