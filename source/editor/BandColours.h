#pragma once

#include <juce_graphics/juce_graphics.h>

// Band n takes entry n mod 8 of an eight-colour table.
juce::Colour bandColour (int band);

// The colour of a ChannelMode (Mid, Side, Left, Right); any other value gets the stereo grey.
juce::Colour channelColour (int channel);
