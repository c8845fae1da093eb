// JUCE's Xlib declarations, its display connection and the Xlib it loads at run time (X11 only).
#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1

#include <juce_gui_basics/juce_gui_basics.h>

#include "XErrorFilter.h"

#include "update/ModulePinning.h"

#include <atomic>

#if JUCE_LINUX || JUCE_BSD

namespace
{
// Read by the handler, which runs on whichever thread made the failing request.
std::atomic<XErrorHandler> previousHandler { nullptr };
std::atomic<::Display*> juceDisplay { nullptr };

int filters = 0;        // filters alive; message thread only
bool installed = false; // our handler is current, or behind a later one

int filterError (::Display* display, XErrorEvent* event)
{
    if (display != nullptr && display == juceDisplay.load())
        return 0;

    if (const auto previous = previousHandler.load())
        return previous (display, event);

    return 0;
}
} // namespace

XErrorFilter::XErrorFilter()
{
    JUCE_ASSERT_MESSAGE_THREAD

    ++filters;

    auto* windowSystem = juce::XWindowSystem::getInstance();
    auto* display = windowSystem != nullptr ? windowSystem->getDisplay() : nullptr;

    if (display != nullptr)
        juceDisplay = display;

    // Installed already: for an editor still open, or left behind a later handler when the
    // last one closed and still reached through it. Installed again, it would pass errors on
    // to itself, or to a handler that hands them back, for ever.
    if (installed || display == nullptr)
        return;

    previousHandler = juce::X11Symbols::getInstance()->xSetErrorHandler (filterError);
    installed = true;
}

XErrorFilter::~XErrorFilter()
{
    JUCE_ASSERT_MESSAGE_THREAD

    if (--filters > 0 || ! installed)
        return;

    // Xlib can only look at the current handler by replacing it: ours stands in meanwhile,
    // which passes on whatever is not JUCE's.
    auto* x11 = juce::X11Symbols::getInstance();
    const auto current = x11->xSetErrorHandler (filterError);

    if (current == filterError)
    {
        x11->xSetErrorHandler (previousHandler.load());
        installed = false;
        return;
    }

    // Installed after ours, and likely to hand errors on to it: it stays, and so does our code.
    x11->xSetErrorHandler (current);
    modulepin::keepModuleLoaded();
}

#else

XErrorFilter::XErrorFilter() = default;
XErrorFilter::~XErrorFilter() = default;

#endif
