#pragma once

#include <juce_graphics/juce_graphics.h>

// A small stroked picture of a filter type (FilterType index) fitted to the area, drawn in the
// context's current colour; an unknown type draws nothing. Shared by the band overlay's type
// chip and the type menu's rows.
void drawFilterTypeIcon (juce::Graphics& g, juce::Rectangle<float> area, int type);
