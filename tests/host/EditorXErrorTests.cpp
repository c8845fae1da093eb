// The host's X error handler while the module's editor is open in a real window: the module
// stands in front of it only while an editor exists, and passes on every error that is not
// raised on its own connection.

#include "HostedPlugin.h"
#include "support/TestDisplay.h"

// Last: Xlib's macros (None, Bool) would break the headers above.
#include <X11/Xlib.h>

namespace
{
// No window has this id: any request about it fails with BadWindow.
constexpr ::Window missingWindow = 0x1ffffff7;

int hostHandlerCalls = 0;

int hostHandler (::Display*, XErrorEvent* event)
{
    if (event->resourceid == missingWindow)
        ++hostHandlerCalls;
    return 0;
}

// The handler Xlib calls now; Xlib can only tell by replacing it, so it is put back at once.
XErrorHandler currentHandler()
{
    const auto current = XSetErrorHandler (hostHandler);
    XSetErrorHandler (current);
    return current;
}

// Asks about a window that does not exist and waits for the answer; returns how many of the
// errors reached the host's handler.
int errorsReachingTheHost (::Display* display)
{
    const auto before = hostHandlerCalls;
    XWindowAttributes attributes {};
    XGetWindowAttributes (display, missingWindow, &attributes);
    XSync (display, False);
    return hostHandlerCalls - before;
}
} // namespace

TEST_F (HostedPlugin, EditorWindowsStandInFrontOfTheHostsXErrorHandlerOnlyWhileOpen)
{
    SKIP_WITHOUT_DISPLAY();

    auto* hostConnection = XOpenDisplay (nullptr);
    ASSERT_NE (hostConnection, nullptr);
    const auto handlerBefore = XSetErrorHandler (hostHandler);

    // Twice: the second opening must install the module's handler again.
    for (int round = 0; round < 2; ++round)
    {
        SCOPED_TRACE ("round " + std::to_string (round));

        {
            juce::DocumentWindow window ("Kovalin Sabrel", juce::Colours::darkgrey, 0);
            window.setUsingNativeTitleBar (false);
            window.setContentOwned (plugin->createEditorIfNeeded(), true);
            window.setTopLeftPosition (juce::jmax (0, 2540 - window.getWidth()), 40);
            window.setVisible (true);
            pumpMessagesFor (200);

            EXPECT_NE (currentHandler(), hostHandler);
            EXPECT_EQ (errorsReachingTheHost (hostConnection), 1);
        }

        pumpMessagesFor (50);
        ASSERT_EQ (plugin->getActiveEditor(), nullptr);
        EXPECT_EQ (currentHandler(), hostHandler);
        EXPECT_EQ (errorsReachingTheHost (hostConnection), 1);
    }

    XSetErrorHandler (handlerBefore);
    XCloseDisplay (hostConnection);
}
