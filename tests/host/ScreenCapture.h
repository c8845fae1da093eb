#pragma once

#include <juce_graphics/juce_graphics.h>

// What the virtual X server of the test run shows. Xvfb started with -fbdir keeps its screen
// in a memory-mapped XWD file beside the display file (tests/display/xvfb.py), so the pixels
// are those that really reached the server. Returns an invalid image when there is no such
// file (a display that the run did not start) or the area lies outside the screen.
juce::Image captureTestScreen (juce::Rectangle<int> area);

// The share of an image's pixels that have exactly this colour, 0 to 1.
double shareOfColour (const juce::Image& image, juce::Colour colour);
