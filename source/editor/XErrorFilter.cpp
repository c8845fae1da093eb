// JUCE's Xlib declarations, its display connection and the Xlib it loads at run time (X11 only).
#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1

#include <juce_gui_basics/juce_gui_basics.h>

#include "XErrorFilter.h"

#include "update/ModulePinning.h"

#include <atomic>
#include <thread>

#if JUCE_LINUX || JUCE_BSD

namespace
{
// Read by the handler, which runs on whichever thread made the failing request.
std::atomic<XErrorHandler> replaced { nullptr }; // the handler ours replaced, set once
std::atomic<bool> installing { false };
std::atomic<::Display*> juceDisplay { nullptr };

int filterError (::Display* display, XErrorEvent* event)
{
    if (display != nullptr && display == juceDisplay.load())
        return 0;

    // Between our install and the store of what it replaced, an error on another thread waits
    // the few instructions that takes, rather than lose its way.
    auto next = replaced.load();
    while (next == nullptr && installing.load())
    {
        std::this_thread::yield();
        next = replaced.load();
    }

    return next != nullptr ? next (display, event) : 0;
}

// Forgets the framework's connection when its window system shuts down: made after the window
// system, so deleted before it (objects deleted at shutdown go newest first). The requests
// still on their way are answered first, so that their errors stay inside too; what follows
// (the framework's own message window, the closing) raises none.
struct DisplayWatch : juce::DeletedAtShutdown
{
    ~DisplayWatch() override
    {
        if (auto* windowSystem = juce::XWindowSystem::getInstanceWithoutCreating())
        {
            if (auto* display = windowSystem->getDisplay())
            {
                juce::XWindowSystemUtilities::ScopedXLock lock;
                juce::X11Symbols::getInstance()->xSync (display, False);
            }
        }

        juceDisplay = nullptr;
        instance = nullptr;
    }

    static inline DisplayWatch* instance = nullptr; // message thread only
};
} // namespace

XErrorFilter::XErrorFilter()
{
    auto* windowSystem = juce::XWindowSystem::getInstance();
    auto* display = windowSystem != nullptr ? windowSystem->getDisplay() : nullptr;

    if (display == nullptr)
        return;

    juceDisplay = display;

    if (DisplayWatch::instance == nullptr)
        DisplayWatch::instance = new DisplayWatch();

    // Once per loaded module, on the thread that opens editors (the host's): the code a handler
    // points to stays mapped before anything can call it.
    static std::atomic<bool> installed { false };

    if (installed.exchange (true))
        return;

    modulepin::keepModuleLoaded();
    installing = true;
    replaced = juce::X11Symbols::getInstance()->xSetErrorHandler (filterError);
    installing = false;
}

#else

XErrorFilter::XErrorFilter() = default;

#endif
