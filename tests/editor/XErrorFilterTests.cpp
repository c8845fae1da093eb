// X errors around editors, on a real display. The program's own handler, installed when it
// started (support/TestDisplay.h), stands for the host's. Once an editor has opened, ours stands
// in front of it for good: errors raised on JUCE's current connection never reach the host's
// handler, with editors open or not, and every other error does, once. Other libraries may
// install handlers of their own after ours, or trap errors around it.

#include "InteractionTestSupport.h"

#include "editor/SabrelEditor.h"
#include "update/ModulePinning.h"

#include <functional>
#include <memory>
#include <optional>
#include <vector>

// Last: Xlib's macros (None, Bool) would break the headers above.
#include "support/JuceXConnection.h"

using namespace interaction;

namespace
{
// No window has this id: any request about it fails with BadWindow.
constexpr ::Window missingWindow = 0x1ffffff7;

// What reaches the host's handler: the connection each error was raised on.
std::vector<::Display*> hostHandlerCalls;

int recordForTheHost (void* display, void* event)
{
    if (static_cast<XErrorEvent*> (event)->resourceid == missingWindow)
        hostHandlerCalls.push_back (static_cast<::Display*> (display));
    return 0;
}

XErrorHandler hostsOwnHandler()
{
    return reinterpret_cast<XErrorHandler> (&testProgramXErrorHandler);
}

// Another library's handler, installed after ours: it passes every error on to the handler it
// replaced, as GTK's and most libraries' do.
XErrorHandler replacedByLibrary = nullptr;
int libraryHandlerCalls = 0;

int libraryHandler (::Display* display, XErrorEvent* event)
{
    if (event->resourceid == missingWindow)
        ++libraryHandlerCalls;
    return replacedByLibrary != nullptr ? replacedByLibrary (display, event) : 0;
}

// A toolkit's error trap: swallows everything while it is pushed.
int trapHandlerCalls = 0;

int trapHandler (::Display*, XErrorEvent* event)
{
    if (event->resourceid == missingWindow)
        ++trapHandlerCalls;
    return 0;
}

// The handler Xlib calls now; Xlib can only tell by replacing it, so it is put back at once.
XErrorHandler currentHandler()
{
    const auto current = XSetErrorHandler (trapHandler);
    XSetErrorHandler (current);
    return current;
}

class XErrorFilterTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SKIP_WITHOUT_DISPLAY();
        home.emplace();
        hostHandlerCalls.clear();
        libraryHandlerCalls = 0;
        trapHandlerCalls = 0;
        replacedByLibrary = nullptr;
        testXErrorHook = recordForTheHost;
        otherConnection = XOpenDisplay (nullptr);
        ASSERT_NE (otherConnection, nullptr);
    }

    void TearDown() override
    {
        closeAll();
        testXErrorHook = nullptr;

        if (otherConnection != nullptr)
            XCloseDisplay (otherConnection);

        home.reset();
    }

    SabrelEditor& openEditor()
    {
        processors.push_back (std::make_unique<SabrelProcessor>());
        editors.emplace_back (static_cast<SabrelEditor*> (processors.back()->createEditor()));
        return *editors.back();
    }

    void closeAll()
    {
        editors.clear();
        processors.clear();
        pumpMessagesFor (30);
    }

    static ::Display* juceConnection() { return juceXConnection(); }

    // Asks about a window that does not exist and waits for the answer, so that the error has
    // been handled when this returns. Returns how many such errors reached the host's handler.
    static int errorsReachingTheHost (::Display* display)
    {
        const auto before = hostHandlerCalls.size();

        XWindowAttributes attributes {};
        XGetWindowAttributes (display, missingWindow, &attributes);
        XSync (display, False);

        int reached = 0;
        for (auto i = before; i < hostHandlerCalls.size(); ++i)
            if (hostHandlerCalls[i] == display)
                ++reached;
        return reached;
    }

    std::optional<ScopedSettingsHome> home;
    std::vector<std::unique_ptr<SabrelProcessor>> processors;
    std::vector<std::unique_ptr<SabrelEditor>> editors;
    ::Display* otherConnection = nullptr;
};
} // namespace

// One editor, or several instances' editors closed in the order they were opened or the other
// way round: JUCE's errors stay inside while any is open and after the last has gone (the
// wrapper destroys the window after the editor, and JUCE keeps asking about other windows).
// Ours stays in front, and the module stays loaded.
TEST_F (XErrorFilterTest, JucesErrorsStayInsideFromTheFirstEditorOn)
{
    const struct { const char* name; int editors; bool closeNewestFirst; } cases[] {
        { "one editor", 1, false },
        { "three, oldest closed first", 3, false },
        { "three, newest closed first", 3, true },
    };

    EXPECT_EQ (errorsReachingTheHost (otherConnection), 1) << "before any editor";

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);

        for (int i = 0; i < c.editors; ++i)
            openEditor();

        ASSERT_NE (juceConnection(), nullptr);
        ASSERT_NE (juceConnection(), otherConnection);

        while (! editors.empty())
        {
            EXPECT_EQ (errorsReachingTheHost (juceConnection()), 0) << editors.size() << " open";
            EXPECT_EQ (errorsReachingTheHost (otherConnection), 1) << editors.size() << " open";

            auto closing = c.closeNewestFirst ? editors.end() - 1 : editors.begin();
            editors.erase (closing);
        }

        closeAll();
        EXPECT_NE (currentHandler(), hostsOwnHandler());
        EXPECT_EQ (errorsReachingTheHost (juceConnection()), 0);
        EXPECT_EQ (errorsReachingTheHost (otherConnection), 1);
        EXPECT_TRUE (modulepin::wasModuleKeptLoaded());
    }
}

// Other handlers around ours, step by step: a library's installed after ours, which passes
// errors on; the library putting back what it replaced; a toolkit's trap pushed and popped
// (the handler saved, the trap installed, the saved one put back) around an editor opening.
// Each error reaches every handler it would reach without ours, once, and ours goes in only
// once: nothing in the module changes the handler after that.
TEST_F (XErrorFilterTest, OtherHandlersAroundOursKeepTheirPlaces)
{
    struct Step
    {
        const char* name;
        std::function<void()> act;
        int juceErrorsReachingTheHost; // of one error on JUCE's connection
        int libraryCalls;              // for that one and one on another connection
        XErrorHandler current;         // null: ours
    };

    XErrorHandler saved = nullptr;

    const Step steps[] {
        { "the first editor opens", [&] { openEditor(); }, 0, 0, nullptr },
        { "a library installs its handler", [&] { replacedByLibrary = XSetErrorHandler (libraryHandler); }, 0, 2, libraryHandler },
        { "the editor closes and another opens", [&] { closeAll(); openEditor(); }, 0, 2, libraryHandler },
        { "a trap is pushed and popped", [&] { saved = XSetErrorHandler (trapHandler); XSetErrorHandler (saved); }, 0, 2, libraryHandler },
        { "the library puts back the handler it replaced", [&] { XSetErrorHandler (replacedByLibrary); }, 0, 0, nullptr },
        { "a trap around an editor opening", [&] { saved = XSetErrorHandler (trapHandler); openEditor(); XSetErrorHandler (saved); }, 0, 0, nullptr },
        { "every editor closes", [&] { closeAll(); }, 0, 0, nullptr },
    };

    for (const auto& step : steps)
    {
        SCOPED_TRACE (step.name);
        step.act();

        libraryHandlerCalls = 0;
        trapHandlerCalls = 0;
        EXPECT_EQ (errorsReachingTheHost (juceConnection()), step.juceErrorsReachingTheHost);
        EXPECT_EQ (errorsReachingTheHost (otherConnection), 1);
        EXPECT_EQ (libraryHandlerCalls, step.libraryCalls);
        EXPECT_EQ (trapHandlerCalls, 0);

        const auto current = currentHandler();
        if (step.current != nullptr)
            EXPECT_EQ (current, step.current);
        else
            EXPECT_TRUE (current != hostsOwnHandler() && current != libraryHandler && current != trapHandler);
    }
}

// The framework shuts its window system down (in a plug-in, when its last instance goes) and
// may open a new connection later, at the same address as like as not: errors on a connection
// that is not JUCE's current one reach the host, until an editor names the new one.
TEST_F (XErrorFilterTest, AConnectionOpenedAfterTheFrameworkClosedItsOwnIsNotKeptBack)
{
    openEditor();
    closeAll();
    auto* closed = juceConnection();
    EXPECT_EQ (errorsReachingTheHost (closed), 0);

    juce::DeletedAtShutdown::deleteAll();

    auto* later = XOpenDisplay (nullptr);
    ASSERT_NE (later, nullptr);
    EXPECT_EQ (errorsReachingTheHost (later), 1);
    XCloseDisplay (later);

    // Whether or not the allocator gave that one the old address: an error on a connection at
    // the old address, handed to the current handler as Xlib would, reaches the host.
    XErrorEvent atOldAddress {};
    atOldAddress.type = 0; // X_Error
    atOldAddress.display = closed;
    atOldAddress.resourceid = missingWindow;
    const auto before = hostHandlerCalls.size();
    currentHandler() (closed, &atOldAddress);
    EXPECT_EQ (hostHandlerCalls.size(), before + 1);

    // The framework's new connection is kept back once an editor has named it.
    openEditor();
    EXPECT_NE (juceConnection(), nullptr);
    EXPECT_EQ (errorsReachingTheHost (juceConnection()), 0);
    EXPECT_EQ (errorsReachingTheHost (otherConnection), 1);
}
