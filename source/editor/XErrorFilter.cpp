// JUCE's Xlib declarations, its display connection and the Xlib it loads at run time (X11 only).
#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1

#include <juce_gui_basics/juce_gui_basics.h>

#include "XErrorFilter.h"

#include "update/ModulePinning.h"

#include <array>
#include <atomic>
#include <mutex>

#if JUCE_LINUX || JUCE_BSD

namespace
{
// Read by the handler, which runs on whichever thread made the failing request.
//
// The handlers ours replaced, oldest first: one for each time it was put in front since it was
// last taken out for good. A handler installed after ours passes errors on to ours, so the n-th
// call of ours for one error (on one thread) goes on to the n-th newest of these: every error
// takes the path it would have taken without ours, and none can go round for ever.
constexpr int maxReplaced = 16;
std::array<std::atomic<XErrorHandler>, maxReplaced> replaced {};
std::atomic<int> replacedCount { 0 };
std::atomic<::Display*> juceDisplay { nullptr };
thread_local int nesting = 0;

int filterError (::Display* display, XErrorEvent* event)
{
    if (display != nullptr && display == juceDisplay.load())
        return 0;

    const auto index = replacedCount.load() - 1 - nesting;

    if (index < 0)
        return 0;

    const auto next = replaced[(size_t) index].load();
    ++nesting;
    const auto result = next (display, event);
    --nesting;
    return result;
}

// The rest is bookkeeping. Editors are made and deleted on the message thread, or under the
// message manager's lock from the host's thread, and a release runs on whichever thread is the
// message thread then: one lock keeps it simple.
std::mutex bookkeeping;
int filters = 0;         // filters alive
bool releaseDue = false; // the last filter has gone; its window may not have yet

XErrorHandler setHandler (XErrorHandler handler)
{
    return juce::X11Symbols::getInstance()->xSetErrorHandler (handler);
}

// Where in the replaced handlers this one stands, or -1.
int replacedIndexOf (XErrorHandler handler)
{
    for (int i = replacedCount.load(); --i >= 0;)
        if (replaced[(size_t) i].load() == handler)
            return i;

    return -1;
}

void putInFront()
{
    const auto current = setHandler (filterError);

    if (current == filterError)
        return;

    // An older handler put back over ours (a toolkit's error trap around our install, popped
    // after it): those ours replaced since then are out of the path. Any other handler may be
    // one installed after ours, which passes errors on to it.
    auto count = replacedCount.load();

    if (const auto older = replacedIndexOf (current); older >= 0)
        count = older;

    if (count == maxReplaced)
    {
        setHandler (current); // no room to know where its errors go: left as it is
        return;
    }

    replaced[(size_t) count] = current;
    replacedCount = count + 1;
}

void release()
{
    releaseDue = false;

    // The framework may close this display and open another at the same address.
    juceDisplay = nullptr;

    auto count = replacedCount.load();

    if (count == 0)
        return;

    // Xlib can only tell the current handler by replacing it: ours stands in meanwhile, which
    // passes on whatever is not JUCE's.
    const auto current = setHandler (filterError);

    if (current == filterError)
    {
        setHandler (replaced[(size_t) count - 1].load());
        --count;
    }
    else
    {
        setHandler (current);

        if (const auto older = replacedIndexOf (current); older >= 0)
            count = older;
    }

    replacedCount = count;

    // What is current now may have been installed after ours and call it yet: our code stays.
    if (count > 0)
        modulepin::keepModuleLoaded();
}

void releaseIfDue()
{
    const std::lock_guard<std::mutex> guard (bookkeeping);

    if (releaseDue && filters == 0)
        release();
}

// Runs a release still due when the framework shuts down: before its display closes (objects
// deleted at shutdown go newest first, and this one is made after the window system), and
// before the module can be unloaded.
struct ShutdownRelease : juce::DeletedAtShutdown
{
    ~ShutdownRelease() override
    {
        releaseIfDue();

        const std::lock_guard<std::mutex> guard (bookkeeping);
        instance = nullptr;
    }

    static inline ShutdownRelease* instance = nullptr;
};
} // namespace

XErrorFilter::XErrorFilter()
{
    auto* windowSystem = juce::XWindowSystem::getInstance();
    auto* display = windowSystem != nullptr ? windowSystem->getDisplay() : nullptr;

    const std::lock_guard<std::mutex> guard (bookkeeping);
    ++filters;
    releaseDue = false;

    if (display == nullptr)
        return;

    juceDisplay = display;

    if (ShutdownRelease::instance == nullptr)
        ShutdownRelease::instance = new ShutdownRelease();

    putInFront();
}

XErrorFilter::~XErrorFilter()
{
    const std::lock_guard<std::mutex> guard (bookkeeping);

    if (--filters > 0)
        return;

    // In a plug-in the window is destroyed after the editor, and that raises errors of its own
    // when the host has destroyed its frame first: the release waits for the message thread.
    releaseDue = true;

    if (! juce::MessageManager::callAsync ([] { releaseIfDue(); }))
        release();
}

#else

XErrorFilter::XErrorFilter() = default;
XErrorFilter::~XErrorFilter() = default;

#endif
