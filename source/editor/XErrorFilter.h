#pragma once

#include <juce_core/juce_core.h>

// While one of these exists, X errors raised on JUCE's own display connection are ignored and
// every other error goes on to the handler installed before. JUCE asks the server about other
// clients' windows (the host's frames, when focus or geometry changes), and a window manager
// may destroy one meanwhile; in a plug-in JUCE installs no handler of its own, so the error
// would reach the host's handler, and a GTK host ends the process on it. JUCE checks the
// results of those requests itself.
//
// The handler is installed with the first filter and removed with the last (message thread
// only). When another handler was installed after it, that one stays current and may still
// pass errors on to ours: the module is then kept loaded, so that the host is never left
// with a handler pointing into unmapped code. Elsewhere than on X11 this does nothing.
class XErrorFilter
{
public:
    XErrorFilter();
    ~XErrorFilter();

private:
    JUCE_DECLARE_NON_COPYABLE (XErrorFilter)
};
