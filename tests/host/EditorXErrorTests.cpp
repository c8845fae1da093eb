// The host's X error handler and the module's editors in real windows: once an editor has
// opened, the module's handler stands in front of the host's for good, keeps back the errors
// raised on the module's own connection and passes every other one on. It is never taken out,
// so the host may change handlers on any thread, and unload the module, without ever calling
// into code that is gone.

#include "HostedPlugin.h"
#include "support/TestDisplay.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include <dlfcn.h>

// Last: Xlib's macros (None, Bool) would break the headers above.
#include "support/JuceXConnection.h"

// Xlib's current error handler, null for its default. Read directly: asking through
// XSetErrorHandler would replace it for a moment, while another thread may be replacing it too.
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

// The host's own handler, installed when the program started (support/TestDisplay.h).
XErrorHandler hostsOwnHandler()
{
    return reinterpret_cast<XErrorHandler> (&testProgramXErrorHandler);
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
        testXErrorHook = [] (void* display, void* event) {
            return hostHandler (static_cast<::Display*> (display), static_cast<XErrorEvent*> (event));
        };
    }

    void TearDown() override
    {
        testXErrorHook = nullptr;

        if (hostConnection != nullptr)
            XCloseDisplay (hostConnection);
    }

    ::Display* hostConnection = nullptr;
};
} // namespace

TEST_F (HostXErrors, EditorWindowsStandInFrontOfTheHostsXErrorHandlerForGood)
{
    for (int round = 0; round < 2; ++round)
    {
        SCOPED_TRACE ("round " + std::to_string (round));

        {
            PluginWindow window (plugin->createEditorIfNeeded());
            pumpMessagesFor (200);

            EXPECT_NE (currentHandler(), hostsOwnHandler());
            EXPECT_EQ (errorsReachingTheHost (hostConnection), 1);
        }

        ASSERT_EQ (plugin->getActiveEditor(), nullptr);
        pumpMessagesFor (100);
        EXPECT_NE (currentHandler(), hostsOwnHandler());
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

    pumpMessagesFor (100);
    EXPECT_EQ (moduleErrorsAbout (moduleWindow, hostConnection), std::vector<int> {});
    EXPECT_EQ (errorsReachingTheHost (hostConnection), 1);
}

// An instance released as soon as its editor has closed, before the module's message thread
// came round: the host's errors still reach it once the module's framework has shut down.
TEST_F (HostXErrors, ReleasingTheInstanceRightAfterItsEditorLeavesTheHostsHandler)
{
    {
        PluginWindow window (plugin->createEditorIfNeeded());
        pumpMessagesFor (200);
    }

    plugin.reset();

    EXPECT_EQ (errorsReachingTheHost (hostConnection), 1);
}

// Two modules that carry this guard (two plug-ins built on this code, or two installed copies
// of one) in one host, opened and closed in turns, then one released and unloaded as a host
// that unloads unused modules does. At every step the host's errors reach its handler once,
// and after the unload its handler still does, instead of a call into unmapped code.
TEST_F (HostXErrors, TwoModulesInTurnsThenOneUnloadedLeaveTheHostsErrorsToTheHost)
{
    // The second module: a copy of the bundle, which the loader maps apart from the first.
    const auto copies = juce::File (SABREL_HOST_OUTPUT_DIR).getChildFile ("second-module-" + juce::String ((int) ::getpid()));
    copies.deleteRecursively();
    const auto copy = copies.getChildFile (juce::File (bundlePath()).getFileName());
    ASSERT_TRUE (copies.createDirectory());
    ASSERT_TRUE (juce::File (bundlePath()).copyDirectoryTo (copy));

    juce::OwnedArray<juce::PluginDescription> found;
    format.findAllTypesForFile (found, copy.getFullPathName());
    ASSERT_EQ (found.size(), 1);
    juce::String error;
    auto second = format.createInstanceFromDescription (*found[0], 48000.0, 512, error);
    ASSERT_NE (second, nullptr) << error;

    std::unique_ptr<PluginWindow> a, b;
    const struct
    {
        const char* name;
        std::function<void()> act;
    } steps[] {
        { "open A", [&] { a = std::make_unique<PluginWindow> (plugin->createEditorIfNeeded()); } },
        { "open B", [&] { b = std::make_unique<PluginWindow> (second->createEditorIfNeeded()); } },
        { "close A", [&] { a.reset(); } },
        { "reopen A", [&] { a = std::make_unique<PluginWindow> (plugin->createEditorIfNeeded()); } },
        { "close B", [&] { b.reset(); } },
        { "close A", [&] { a.reset(); } },
    };

    for (const auto& step : steps)
    {
        SCOPED_TRACE (step.name);
        step.act();
        pumpMessagesFor (200);
        EXPECT_EQ (errorsReachingTheHost (hostConnection), 1);
    }

    // The framework's hosting keeps every module it opened until it shuts down: the test lets
    // go of the second one itself, as a host that unloads does.
    second.reset();
    pumpMessagesFor (100);
    const auto binary = copy.getChildFile ("Contents").findChildFiles (juce::File::findFiles, true, "*.so");
    ASSERT_EQ (binary.size(), 1);
    const auto path = binary[0].getFullPathName();
    void* module = ::dlopen (path.toRawUTF8(), RTLD_LAZY | RTLD_NOLOAD);
    ASSERT_NE (module, nullptr);
    if (auto* moduleExit = reinterpret_cast<bool (*)()> (::dlsym (module, "ModuleExit")))
        moduleExit();
    ::dlclose (module); // this test's reference
    ::dlclose (module); // the hosting's

    SCOPED_TRACE ("after the unload");
    EXPECT_EQ (errorsReachingTheHost (hostConnection), 1);

    plugin.reset();
    pumpMessagesFor (100);
    EXPECT_EQ (errorsReachingTheHost (hostConnection), 1);
    copies.deleteRecursively();
}

// A host's toolkit wraps requests in error traps: the current handler saved, a trap installed,
// the saved one put back. Done on a thread of the host's while editors open and close, it must
// never leave the trap current, nor keep the host's own errors from its handler.
TEST_F (HostXErrors, AHostThreadTrappingErrorsWhileEditorsOpenAndCloseKeepsItsHandler)
{
    static std::atomic<int> trapCalls { 0 };
    const XErrorHandler trap = [] (::Display*, XErrorEvent*) { ++trapCalls; return 0; };
    std::atomic<bool> stop { false };

    std::thread host ([&] {
        while (! stop)
        {
            const auto saved = XSetErrorHandler (trap);
            XSetErrorHandler (saved);
        }
    });

    for (int round = 0; round < 10; ++round)
    {
        {
            PluginWindow window (plugin->createEditorIfNeeded());
            pumpMessagesFor (50);
        }
        pumpMessagesFor (50);
    }

    stop = true;
    host.join();

    EXPECT_NE (currentHandler(), trap);
    trapCalls = 0;
    EXPECT_EQ (errorsReachingTheHost (hostConnection), 1);
    EXPECT_EQ (trapCalls.load(), 0);
}
