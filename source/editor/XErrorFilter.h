#pragma once

#include <juce_core/juce_core.h>

// Keeps X errors raised on JUCE's own display connection from the handler the host installed,
// and passes every other error on to it. JUCE asks the server about other clients' windows
// (the host's frames, when focus or geometry changes), and a window manager or the host may
// destroy one meanwhile; in a plug-in JUCE installs no handler of its own, so the error would
// reach the host's handler, and a GTK host ends the process on it. JUCE checks the results of
// those requests itself.
//
// Xlib's handler belongs to the whole process, and the host and its toolkit change it on their
// own thread. So ours goes in once, when the first editor opens (on the host's thread), and is
// never taken out: the module is kept loaded from then on, so that no handler, ours or one
// installed after it, can ever point into unmapped code. Each editor that opens names the
// framework's current connection; it is forgotten when the framework closes that connection.
// Elsewhere than on X11 this does nothing.
class XErrorFilter
{
public:
    XErrorFilter();

private:
    JUCE_DECLARE_NON_COPYABLE (XErrorFilter)
};
