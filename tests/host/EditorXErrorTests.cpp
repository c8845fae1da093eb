// The host's X error handler while the module's editor is open in a real window: the module
// stands in front of it while an editor or its window exists, passes on every error that is not
// raised on its own connection, and leaves the host's handler current once both have gone.

#include "HostedPlugin.h"
#include "support/TestDisplay.h"

#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

// Last: Xlib's macros (None, Bool) would break the headers above.
#include "support/JuceXConnection.h"

// Xlib's current error handler, null for its default. Read directly: asking through
// XSetErrorHandler would replace it for a moment, while the module's message thread may be
// replacing it too.
extern "C" int (*_XErrorFunction) (::Display*, XErrorEvent*);

namespace
{
// No window has this id: any request about it fails with BadWindow.
constexpr ::Window missingWindow = 0x1ffffff7;

// The host's handler: records every error it receives, from any thread.
struct ReceivedError
{
    ::Display* display;
    XID resource;
    int request;
};

std::mutex receivedLock;
std::vector<ReceivedError> received;

int hostHandler (::Display* display, XErrorEvent* event)
{
    const std::lock_guard<std::mutex> guard (receivedLock);
    received.push_back ({ display, event->resourceid, event->request_code });
    return 0;
}

XErrorHandler currentHandler()
{
    return __atomic_load_n (&_XErrorFunction, __ATOMIC_ACQUIRE);
}

// Errors about `resource` that reached the host's handler on connections that are neither the
// host's nor its framework's: the module's own.
std::vector<int> moduleErrorsAbout (XID resource, ::Display* hostConnection)
{
    const std::lock_guard<std::mutex> guard (receivedLock);
    std::vector<int> requests;
    for (const auto& e : received)
        if (e.resource == resource && e.display != hostConnection && e.display != juceXConnection())
            requests.push_back (e.request);
    return requests;
}

// Asks about a window that does not exist and waits for the answer; returns how many of the
// errors reached the host's handler.
int errorsReachingTheHost (::Display* display)
{
    {
        const std::lock_guard<std::mutex> guard (receivedLock);
        received.clear();
    }

    XWindowAttributes attributes {};
    XGetWindowAttributes (display, missingWindow, &attributes);
    XSync (display, False);

    const std::lock_guard<std::mutex> guard (receivedLock);
    int reached = 0;
    for (const auto& e : received)
        reached += e.resource == missingWindow && e.display == display ? 1 : 0;
    return reached;
}

// The module hands its handler back from its own message thread once its window is gone.
bool hostHandlerIsCurrentWithin (int milliseconds)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds (milliseconds);
    while (currentHandler() != hostHandler && std::chrono::steady_clock::now() < end)
        pumpMessagesFor (5);
    return currentHandler() == hostHandler;
}

// The deepest window below `window`: the module's own, inside the host's embedding window.
::Window deepestWindowBelow (::Display* display, ::Window window, int& depth)
{
    ::Window root = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    auto deepest = window;
    const auto ownDepth = depth;

    if (XQueryTree (display, window, &root, &parent, &children, &count) != 0)
    {
        for (unsigned int i = 0; i < count; ++i)
        {
            int childDepth = ownDepth + 1;
            const auto found = deepestWindowBelow (display, children[i], childDepth);
            if (childDepth > depth)
            {
                depth = childDepth;
                deepest = found;
            }
        }
        XFree (children);
    }

    return deepest;
}

class HostXErrors : public HostedPlugin
{
protected:
    void SetUp() override
    {
        SKIP_WITHOUT_DISPLAY();
        HostedPlugin::SetUp();
        hostConnection = XOpenDisplay (nullptr);
        ASSERT_NE (hostConnection, nullptr);
        handlerBefore = XSetErrorHandler (hostHandler);
    }

    void TearDown() override
    {
        if (hostConnection == nullptr)
            return;

        XSetErrorHandler (handlerBefore);
        XCloseDisplay (hostConnection);
    }

    ::Display* hostConnection = nullptr;
    XErrorHandler handlerBefore = nullptr;
};
} // namespace

TEST_F (HostXErrors, EditorWindowsStandInFrontOfTheHostsXErrorHandlerOnlyWhileOpen)
{
    // Twice: the second opening must put the module's handler in front again.
    for (int round = 0; round < 2; ++round)
    {
        SCOPED_TRACE ("round " + std::to_string (round));

        {
            PluginWindow window (plugin->createEditorIfNeeded());
            pumpMessagesFor (200);

            EXPECT_NE (currentHandler(), hostHandler);
            EXPECT_EQ (errorsReachingTheHost (hostConnection), 1);
        }

        ASSERT_EQ (plugin->getActiveEditor(), nullptr);
        EXPECT_TRUE (hostHandlerIsCurrentWithin (5000));
        EXPECT_EQ (errorsReachingTheHost (hostConnection), 1);
    }
}

// A host may destroy its frame, and the module's window inside it, before it asks the module to
// remove its view. The framework's wrapper deletes the editor, then destroys that window, which
// raises errors on the module's connection (reading its properties, destroying it): none may
// reach the host's handler, which in a GTK host ends the process.
TEST_F (HostXErrors, ErrorsFromTheModulesWindowGoneBeforeItsViewNeverReachTheHost)
{
    ::Window moduleWindow = 0;

    {
        PluginWindow window (plugin->createEditorIfNeeded());
        pumpMessagesFor (200);

        int depth = 0;
        moduleWindow = deepestWindowBelow (hostConnection, (::Window) window.getPeer()->getNativeHandle(), depth);
        ASSERT_GE (depth, 2) << "no window of the module's inside the host's";

        XDestroyWindow (hostConnection, moduleWindow);
        XSync (hostConnection, False);
        pumpMessagesFor (100);
    }

    EXPECT_TRUE (hostHandlerIsCurrentWithin (5000));
    EXPECT_EQ (moduleErrorsAbout (moduleWindow, hostConnection), std::vector<int> {});
    EXPECT_EQ (errorsReachingTheHost (hostConnection), 1);
}

// An instance released as soon as its editor has closed, before the module's message thread
// came round: the host's handler is current all the same, and stays safe to call once the
// module's framework has shut down.
TEST_F (HostXErrors, ReleasingTheInstanceRightAfterItsEditorLeavesTheHostsHandler)
{
    {
        PluginWindow window (plugin->createEditorIfNeeded());
        pumpMessagesFor (200);
    }

    plugin.reset();

    EXPECT_EQ (currentHandler(), hostHandler);
    EXPECT_EQ (errorsReachingTheHost (hostConnection), 1);
}
