// X errors while editors are open, on a real display: those raised on JUCE's own connection
// never reach the handler the host installed, everything else does, and the host's handler
// is current again once the last editor has gone.

#include "InteractionTestSupport.h"

#include "editor/SabrelEditor.h"
#include "update/ModulePinning.h"

#include <memory>
#include <optional>
#include <vector>

// Last: Xlib's macros (None, Bool) would break the headers above.
#include "JuceXConnection.h"

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
        replacedByLibrary = nullptr;
        handlerBefore = XSetErrorHandler (hostHandler);
        otherConnection = XOpenDisplay (nullptr);
        ASSERT_NE (otherConnection, nullptr);
    }

    void TearDown() override
    {
        editors.clear();
        processors.clear();

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
};
} // namespace

// One editor, or several instances' editors closed in the order they were opened or the other
// way round: JUCE's errors stay inside while any is open, and the last to close hands the host
// its own handler back.
TEST_F (XErrorFilterTest, JucesErrorsStayInsideWhileAnyEditorIsOpen)
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

        EXPECT_EQ (currentHandler(), hostHandler);
        EXPECT_EQ (errorsReachingTheHost (juceConnection()), 1);
        EXPECT_EQ (errorsReachingTheHost (otherConnection), 1);
    }
}

// A library that installs its handler while an editor is open keeps it after the editor
// closes, and may go on passing errors to ours: the module stays loaded. Later editors must
// not install ours a second time (the two would pass errors to each other for ever); once the
// library has put ours back, the next editor to close restores the host's handler.
TEST_F (XErrorFilterTest, AHandlerInstalledAfterOursStaysAndTheModuleWithIt)
{
    openEditor();
    replacedByLibrary = XSetErrorHandler (libraryHandler);
    ASSERT_NE (replacedByLibrary, hostHandler);

    editors.clear();
    EXPECT_EQ (currentHandler(), libraryHandler);
    EXPECT_TRUE (modulepin::wasModuleKeptLoaded());

    for (const bool editorOpen : { false, true, false })
    {
        SCOPED_TRACE (editorOpen ? "editor open again" : "no editor");
        if (editorOpen)
            openEditor();
        else
            editors.clear();

        libraryHandlerCalls = 0;
        EXPECT_EQ (errorsReachingTheHost (juceConnection()), 0);
        EXPECT_EQ (errorsReachingTheHost (otherConnection), 1);
        EXPECT_EQ (libraryHandlerCalls, 2);
        EXPECT_EQ (currentHandler(), libraryHandler);
    }

    // The library removes its handler; the next editor's close gives the host its own back.
    XSetErrorHandler (replacedByLibrary);
    openEditor();
    EXPECT_EQ (errorsReachingTheHost (juceConnection()), 0);
    editors.clear();
    EXPECT_EQ (currentHandler(), hostHandler);
    EXPECT_EQ (errorsReachingTheHost (juceConnection()), 1);
}
