// X errors while editors are open, on a real display: those raised on JUCE's own connection
// never reach the handler the host installed, everything else does, and the host's handler is
// current again once the last editor has gone and the message thread has run (in a plug-in the
// editor's window is destroyed after the editor). Other libraries may install handlers of their
// own, after ours or around it.

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

// The host's handler: records which connection each error it receives was raised on.
std::vector<::Display*> hostHandlerCalls;

int hostHandler (::Display* display, XErrorEvent* event)
{
    if (event->resourceid == missingWindow)
        hostHandlerCalls.push_back (display);
    return 0;
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
    const auto current = XSetErrorHandler (hostHandler);
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
        pinnedBefore = modulepin::wasModuleKeptLoaded();
        handlerBefore = XSetErrorHandler (hostHandler);
        otherConnection = XOpenDisplay (nullptr);
        ASSERT_NE (otherConnection, nullptr);
    }

    void TearDown() override
    {
        closeAll();

        if (otherConnection != nullptr)
            XCloseDisplay (otherConnection);

        if (handlerBefore != nullptr)
            XSetErrorHandler (handlerBefore);

        home.reset();
    }

    SabrelEditor& openEditor()
    {
        processors.push_back (std::make_unique<SabrelProcessor>());
        editors.emplace_back (static_cast<SabrelEditor*> (processors.back()->createEditor()));
        return *editors.back();
    }

    // Deletes every editor and lets the message thread run what their going left to it.
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
    XErrorHandler handlerBefore = nullptr;
    ::Display* otherConnection = nullptr;
    bool pinnedBefore = false;
};
} // namespace

// One editor, or several instances' editors closed in the order they were opened or the other
// way round: JUCE's errors stay inside while any is open, and after the last has gone until the
// message thread has run (the wrapper destroys the window after the editor). Then the host has
// its own handler back.
TEST_F (XErrorFilterTest, JucesErrorsStayInsideWhileAnyEditorOrItsWindowIsThere)
{
    const struct { const char* name; int editors; bool closeNewestFirst; } cases[] {
        { "one editor", 1, false },
        { "three, oldest closed first", 3, false },
        { "three, newest closed first", 3, true },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        ASSERT_EQ (currentHandler(), hostHandler);

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

        EXPECT_EQ (errorsReachingTheHost (juceConnection()), 0) << "before the message thread ran";

        closeAll();
        EXPECT_EQ (currentHandler(), hostHandler);
        EXPECT_EQ (errorsReachingTheHost (juceConnection()), 1);
        EXPECT_EQ (errorsReachingTheHost (otherConnection), 1);
        EXPECT_FALSE (modulepin::wasModuleKeptLoaded() && ! pinnedBefore);
    }
}

// An editor that opens soon after the last one closed takes over before the release runs.
TEST_F (XErrorFilterTest, AnEditorOpenedBeforeTheReleaseRunsKeepsTheHandler)
{
    openEditor();
    editors.clear();
    openEditor();
    pumpMessagesFor (30);

    EXPECT_EQ (errorsReachingTheHost (juceConnection()), 0);
    EXPECT_EQ (errorsReachingTheHost (otherConnection), 1);

    closeAll();
    EXPECT_EQ (currentHandler(), hostHandler);
}

// A library that installs its handler while an editor is open keeps it after the editor
// closes, and may go on passing errors to ours: the module stays loaded, and ours, with no
// editor left, passes everything on. A later editor puts ours in front of the library's
// again; each error still reaches every handler it would have reached without ours, once.
TEST_F (XErrorFilterTest, AHandlerInstalledAfterOursStaysAndTheModuleWithIt)
{
    struct Step
    {
        const char* name;
        std::function<void()> act;
        int juceErrorsReachingTheHost; // of one error on JUCE's connection
        int libraryCalls;              // for that one and one on another connection
        XErrorHandler current;
    };

    const Step steps[] {
        { "the library installs its handler while an editor is open",
          [&] { openEditor(); replacedByLibrary = XSetErrorHandler (libraryHandler); }, 0, 2, libraryHandler },
        { "the editor closes", [&] { closeAll(); }, 1, 2, libraryHandler },
        { "another editor opens", [&] { openEditor(); }, 0, 1, nullptr },
        { "that one closes", [&] { closeAll(); }, 1, 2, libraryHandler },
        { "the library puts back the handler it replaced", [&] { XSetErrorHandler (replacedByLibrary); }, 1, 0, nullptr },
        { "an editor opens and closes", [&] { openEditor(); closeAll(); }, 1, 0, hostHandler },
    };

    for (const auto& step : steps)
    {
        SCOPED_TRACE (step.name);
        step.act();

        libraryHandlerCalls = 0;
        EXPECT_EQ (errorsReachingTheHost (juceConnection()), step.juceErrorsReachingTheHost);
        EXPECT_EQ (errorsReachingTheHost (otherConnection), 1);
        EXPECT_EQ (libraryHandlerCalls, step.libraryCalls);

        if (step.current != nullptr)
            EXPECT_EQ (currentHandler(), step.current);
        else
            EXPECT_NE (currentHandler(), hostHandler); // ours, in front
    }

    EXPECT_TRUE (modulepin::wasModuleKeptLoaded());
}

// A toolkit's error trap pushed before an editor opens and popped after puts an older handler
// back over ours. The next editor puts ours in front again; the popped trap is never called.
// When the handler put back is one ours had replaced, nothing can call ours any more once the
// editors are gone, and the module need not stay loaded.
TEST_F (XErrorFilterTest, AnOlderHandlerPutBackOverOursIsReplacedByTheNextEditor)
{
    const struct { const char* name; bool putBackIsOneOursReplaced; } cases[] {
        { "the host's handler, which ours replaced", true },
        { "a trap's saved handler, unknown to ours", false },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        ASSERT_EQ (currentHandler(), hostHandler);

        XErrorHandler saved = hostHandler;
        if (! c.putBackIsOneOursReplaced)
            saved = XSetErrorHandler (trapHandler);

        openEditor();
        XSetErrorHandler (saved);
        EXPECT_EQ (errorsReachingTheHost (juceConnection()), 1) << "the first editor is left out";

        openEditor();
        trapHandlerCalls = 0;
        EXPECT_EQ (errorsReachingTheHost (juceConnection()), 0);
        EXPECT_EQ (errorsReachingTheHost (otherConnection), 1);
        EXPECT_EQ (trapHandlerCalls, 0);

        closeAll();
        EXPECT_EQ (currentHandler(), hostHandler);
        EXPECT_EQ (errorsReachingTheHost (juceConnection()), 1);

        // Unknown, it could be one installed after ours that calls ours: the module stays.
        if (c.putBackIsOneOursReplaced && ! pinnedBefore)
        {
            EXPECT_FALSE (modulepin::wasModuleKeptLoaded());
        }
    }
}
