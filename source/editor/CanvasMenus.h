#pragma once

#include "CurveCanvas.h"

// The canvas's four menus as they are shown, built apart from showing them.
juce::PopupMenu makeAddBandMenu (const CurveCanvas& canvas, double frequency);
juce::PopupMenu makeBandMenu (const CurveCanvas& canvas, int band);
juce::PopupMenu makeTypeMenu (const CurveCanvas& canvas, int band);
juce::PopupMenu makeChannelMenu (int currentChannel);

// The channel a band's channel parameter holds (0..4), or -1 when the band has none.
int bandChannelChoice (const CurveCanvas& canvas, int band);
