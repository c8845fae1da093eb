#pragma once

#include <juce_graphics/juce_graphics.h>

// A small stroked picture of a filter type in the rectangle, in the context's current colour.
void drawFilterTypeIcon (juce::Graphics& g, juce::Rectangle<float> area, int type);
