#pragma once

#include <X11/Xlib.h>

// JUCE's own connection to the X server (null without a display). Kept out of the tests'
// translation units: JUCE must see its Xlib headers from the start, and Xlib's macros break
// the headers that follow it.
::Display* juceXConnection();
