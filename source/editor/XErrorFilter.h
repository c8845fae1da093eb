#pragma once

#include <juce_core/juce_core.h>

// While one of these exists, and until its window is gone, X errors raised on JUCE's own
// display connection are ignored and every other error goes on to the handlers installed
// before. JUCE asks the server about other clients' windows (the host's frames, when focus or
// geometry changes), and a window manager or the host may destroy one meanwhile; in a plug-in
// JUCE installs no handler of its own, so the error would reach the host's handler, and a GTK
// host ends the process on it. JUCE checks the results of those requests itself.
//
// In a plug-in the editor's window belongs to the framework's wrapper, which destroys it only
// after the editor: so the last filter to go hands its release to the message thread, and the
// release runs at the latest when the framework shuts down, before its display closes.
//
// The handler is put in front whenever a filter is made and finds another handler current
// (one installed after ours, or an older one put back over ours); errors it passes on take
// the path they would have taken without it. When a handler that may still call ours stays
// current after the release, the module is kept loaded, so that the host is never left with
// a handler pointing into unmapped code. Elsewhere than on X11 this does nothing.
class XErrorFilter
{
public:
    XErrorFilter();
    ~XErrorFilter();

private:
    JUCE_DECLARE_NON_COPYABLE (XErrorFilter)
};
