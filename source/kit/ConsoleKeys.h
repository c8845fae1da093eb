#pragma once

#include <juce_graphics/juce_graphics.h>

namespace kov
{
// A flat dark key filling `area` less a 2-px side and 1-px top and bottom inset; `down` shows
// it pressed.
void drawFlatKey (juce::Graphics& g, juce::Rectangle<float> area, bool down);

// A small rectangular LED in its bezel. `level` (0..1) sets the brightness of a lit LED.
void drawLed (juce::Graphics& g, juce::Rectangle<float> area, juce::Colour colour, bool on, float level);

// The ring around a rotary knob while the mouse is over it (thin, faint) or holds it (`down`).
void drawHoverRing (juce::Graphics& g, juce::Rectangle<int> knobArea, juce::Colour accent, bool down);
} // namespace kov
