// Real popup menus on a display: each of the six menus is shown and dismissed, and each is
// left open while its editor closes, with a result still on its way: nothing may happen then.

#include "InteractionTestSupport.h"

#include "editor/SabrelEditor.h"
#include "editor/TranslucentMenuLnf.h"
#include "update/UpdateChecker.h"

#include <functional>
#include <optional>

using namespace interaction;

namespace
{
// Menus close themselves when the application loses the focus, which other test programs'
// windows on the same display may take at any moment: the tests act on a menu before
// delivering any message, and check the outcome after.
class MenuWindows : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SKIP_WITHOUT_DISPLAY();
        home.emplace (std::map<juce::String, juce::String> { { updatekeys::latestVersion, "0.2.0" },
                                                             { updatekeys::latestUrl, "https://kovalin.example/dl" } });
        processor = std::make_unique<SabrelProcessor>();
        auto* p = processor->apvts.getParameter (bandParamId (0, "on"));
        p->setValueNotifyingHost (1.0f);
        openEditor();
    }

    void TearDown() override
    {
        editor.reset();
        pumpMessagesFor (50);
        processor.reset();
        home.reset();
    }

    void openEditor()
    {
        editor.reset (static_cast<SabrelEditor*> (processor->createEditor()));
        editor->addToDesktop (0);
        editor->setVisible (true);
        editor->toFront (true);
        pumpMessagesFor (100);
        editor->curveCanvas.selectBand (0);
        auto& c = editor->curveCanvas;
        c.typeLabelRect = { 100, 100, 30, 18 };
        c.channelLabelRect = { 136, 100, 26, 18 };
    }

    static int visibleMenuWindows()
    {
        int n = 0;
        auto& desktop = juce::Desktop::getInstance();

        for (int i = 0; i < desktop.getNumComponents(); ++i)
            if (auto* c = desktop.getComponent (i); c != nullptr && c->getName() == "menu" && c->isVisible())
                ++n;

        return n;
    }

    static juce::Component* topMenuWindow()
    {
        auto* modal = juce::Component::getCurrentlyModalComponent();
        return modal != nullptr && modal->getName() == "menu" ? modal : nullptr;
    }

    struct MenuCase
    {
        const char* name;
        std::function<void (SabrelEditor&)> show;
        std::function<int (SabrelEditor&)> numOpen;
        bool firstItemChoosable; // else the first item opens a submenu
    };

    static std::vector<MenuCase> menus()
    {
        const auto editorMenus = [] (SabrelEditor& e) { return e.openMenus.numOpen(); };
        const auto canvasMenus = [] (SabrelEditor& e) { return e.curveCanvas.openMenus.numOpen(); };

        return {
            { "settings", [] (SabrelEditor& e) { e.showSettingsMenu(); }, editorMenus, false },
            { "help", [] (SabrelEditor& e) { e.showHelpMenu(); }, editorMenus, true },
            { "add band", [] (SabrelEditor& e) { e.curveCanvas.showAddBandMenu (600.0f); }, canvasMenus, true },
            { "band", [] (SabrelEditor& e) { e.curveCanvas.showBandMenu (0); }, canvasMenus, false },
            { "type", [] (SabrelEditor& e) { e.curveCanvas.showTypeMenu (0); }, canvasMenus, true },
            { "channel", [] (SabrelEditor& e) { e.curveCanvas.showChannelMenu (0); }, canvasMenus, true },
        };
    }

    std::optional<ScopedSettingsHome> home;
    std::unique_ptr<SabrelProcessor> processor;
    std::unique_ptr<SabrelEditor> editor;
};

TEST_F (MenuWindows, EachMenuShowsAndIsDismissedWithoutEffect)
{
    for (const auto& m : menus())
    {
        SCOPED_TRACE (m.name);
        ParameterRecorder recorder (*processor);
        RecordingLauncher launcher;
        const auto scale = editor->uiScale;

        m.show (*editor);
        ASSERT_EQ (m.numOpen (*editor), 1);
        EXPECT_EQ (visibleMenuWindows(), 1);
        auto* window = topMenuWindow();
        ASSERT_NE (window, nullptr);

        window->keyPressed (juce::KeyPress (juce::KeyPress::escapeKey));
        pumpMessagesFor (100);

        EXPECT_EQ (visibleMenuWindows(), 0);
        EXPECT_EQ (m.numOpen (*editor), 0);
        EXPECT_TRUE (recorder.events.empty());
        EXPECT_TRUE (launcher.opened.empty());
        EXPECT_EQ (editor->uiScale, scale);
    }
}

TEST_F (MenuWindows, TheTypeAndChannelMenusUseTheTranslucentLook)
{
    editor->curveCanvas.showTypeMenu (0);
    auto* window = topMenuWindow();
    ASSERT_NE (window, nullptr);
    EXPECT_EQ (&window->getLookAndFeel(), static_cast<juce::LookAndFeel*> (editor->curveCanvas.menuLookAndFeel.get()));
    window->keyPressed (juce::KeyPress (juce::KeyPress::escapeKey));
    pumpMessagesFor (50);
}

TEST_F (MenuWindows, AChosenItemActsWhileTheEditorIsOpen)
{
    RecordingLauncher launcher;
    editor->showHelpMenu();
    ASSERT_NE (topMenuWindow(), nullptr);
    topMenuWindow()->keyPressed (juce::KeyPress (juce::KeyPress::downKey));
    topMenuWindow()->keyPressed (juce::KeyPress (juce::KeyPress::returnKey));
    pumpMessagesFor (100);
    EXPECT_EQ (launcher.opened, (std::vector<juce::String> { "https://kovalin.example/manual/" }));

    ParameterRecorder recorder (*processor);
    editor->curveCanvas.showChannelMenu (0);
    ASSERT_NE (topMenuWindow(), nullptr);
    topMenuWindow()->keyPressed (juce::KeyPress (juce::KeyPress::downKey));
    topMenuWindow()->keyPressed (juce::KeyPress (juce::KeyPress::returnKey));
    pumpMessagesFor (100);
    EXPECT_EQ (recorder.count (bandParamId (0, "channel"), 'v'), 1);
}

TEST_F (MenuWindows, ClosingTheEditorWithAMenuOpenAndAResultPendingDoesNothing)
{
    for (const auto& m : menus())
    {
        SCOPED_TRACE (m.name);
        m.show (*editor);
        auto* window = topMenuWindow();
        ASSERT_NE (window, nullptr);

        // Choose the first item: its result is posted, to be delivered after the editor is gone.
        window->keyPressed (juce::KeyPress (juce::KeyPress::downKey));
        window->keyPressed (juce::KeyPress (juce::KeyPress::returnKey));
        EXPECT_EQ (window->isCurrentlyModal (false), ! m.firstItemChoosable);

        ParameterRecorder recorder (*processor);
        RecordingLauncher launcher;
        editor.reset();
        pumpMessagesFor (150);

        EXPECT_EQ (visibleMenuWindows(), 0);
        EXPECT_EQ (juce::Component::getCurrentlyModalComponent(), nullptr);
        EXPECT_TRUE (recorder.events.empty());
        EXPECT_TRUE (launcher.opened.empty());

        openEditor();
    }
}

TEST_F (MenuWindows, ClosingTheEditorWithAMenuSimplyOpenClosesTheMenu)
{
    for (const auto& m : menus())
    {
        SCOPED_TRACE (m.name);
        m.show (*editor);
        ASSERT_EQ (visibleMenuWindows(), 1);

        ParameterRecorder recorder (*processor);
        editor.reset();
        pumpMessagesFor (150);

        EXPECT_EQ (visibleMenuWindows(), 0);
        EXPECT_EQ (juce::Component::getCurrentlyModalComponent(), nullptr);
        EXPECT_TRUE (recorder.events.empty());

        openEditor();
    }
}

TEST_F (MenuWindows, ClickingTheChipsOpensTheirMenus)
{
    auto& c = editor->curveCanvas;

    for (auto* chip : { &c.typeLabelRect, &c.channelLabelRect })
    {
        // The chips are where the last paint of the selected band's overlay put them.
        juce::Image image (juce::Image::ARGB, c.getWidth(), c.getHeight(), true, juce::SoftwareImageType());
        {
            juce::Graphics g (image);
            c.paintEntireComponent (g, false);
        }
        ASSERT_TRUE (c.overlayVisible);

        const auto at = chip->getCentre();
        const auto now = juce::Time::getCurrentTime();
        c.mouseDown (juce::MouseEvent (juce::Desktop::getInstance().getMainMouseSource(), at,
                                       juce::ModifierKeys::leftButtonModifier, 1.0f, 0, 0, 0, 0, &c, &c, now, at, now, 1, false));
        EXPECT_EQ (c.openMenus.numOpen(), 1);
        c.openMenus.dismissAll();
        pumpMessagesFor (50);
        EXPECT_EQ (visibleMenuWindows(), 0);
    }
}
} // namespace
