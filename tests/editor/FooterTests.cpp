// The footer: settings and help menus, their results, the update indicator and its buttons.

#include "InteractionTestSupport.h"
#include "MenuTestSupport.h"

#include "editor/FooterMenus.h"
#include "editor/SabrelEditor.h"
#include "support/GalleryPng.h"
#include "update/VendorWeb.h"

#include <cmath>
#include <optional>

using namespace interaction;

namespace
{
class Footer : public ::testing::Test
{
protected:
    // An editor opened over a settings file holding these keys besides a check made just now.
    SabrelEditor& open (const std::map<juce::String, juce::String>& keys = {})
    {
        editor.reset();
        processor.reset();
        home.reset();
        home.emplace (keys);
        processor = std::make_unique<SabrelProcessor>();
        editor.reset (static_cast<SabrelEditor*> (processor->createEditor()));
        return *editor;
    }

    void TearDown() override
    {
        editor.reset();
        processor.reset();
        home.reset();
    }

    static std::map<juce::String, juce::String> newer (const char* version = "0.2.0", const char* enabled = "1")
    {
        return { { updatekeys::latestVersion, version }, { updatekeys::checkEnabled, enabled } };
    }

    std::optional<ScopedSettingsHome> home;
    std::unique_ptr<SabrelProcessor> processor;
    std::unique_ptr<SabrelEditor> editor;
};

TEST_F (Footer, SettingsMenuOffersScaleAnalyserOversamplingAndUpdates)
{
    auto& e = open (newer());
    const auto entries = menuEntries (makeSettingsMenu (e));

    EXPECT_TRUE (entries[0].header);
    EXPECT_EQ (entries[0].path, juce::String ("Settings"));
    EXPECT_EQ (menuIds (entries), (std::vector<int> { 75, 85, 100, 125, 150, 175, 200, 1000, 1001, 1002,
                                                      2100, 2101, 2102, 3000, 3001 }));
    EXPECT_EQ (findMenuEntry (entries, 75)->path, juce::String ("UI Scale > 75 %"));
    EXPECT_EQ (findMenuEntry (entries, 1002)->path, juce::String ("Analyzer > Pre + Post"));
    EXPECT_EQ (findMenuEntry (entries, 2101)->path, juce::String ("Oversampling > 2x"));
    EXPECT_EQ (findMenuEntry (entries, 3000)->path, juce::String ("Check for updates"));
    EXPECT_EQ (findMenuEntry (entries, 3001)->path, juce::String ("Download update 0.2.0..."));
    EXPECT_FALSE (findMenuEntry (entries, 3001)->ticked);
    EXPECT_TRUE (entries[entries.size() - 3].separator);

    for (const auto& entry : entries)
        EXPECT_TRUE (entry.enabled || entry.header || entry.separator) << entry.path;
}

TEST_F (Footer, SettingsMenuTicksTheCurrentSettings)
{
    struct Case
    {
        const char* name;
        double scale;
        int analyser;
        int oversample;
        const char* checks; // stored updateCheckEnabled, null for none
        std::vector<int> ticked;
    };

    const Case cases[] = {
        { "scale 1.0", 1.0, 2, 0, nullptr, { 100, 1002, 2100, 3000 } },
        { "scale 0.9 ticks no scale", 0.9, 2, 0, "1", { 1002, 2100, 3000 } },
        { "scale 1.254 ticks 125", 1.254, 2, 0, "1", { 125, 1002, 2100, 3000 } },
        { "oversampling 4x", 1.0, 1, 2, "1", { 100, 1001, 2102, 3000 } },
        { "analyser off is not oversampling off", 1.0, 0, 1, "1", { 100, 1000, 2101, 3000 } },
        { "checks off", 1.0, 2, 0, "0", { 100, 1002, 2100 } },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        std::map<juce::String, juce::String> keys;
        if (c.checks != nullptr)
            keys[updatekeys::checkEnabled] = c.checks;

        auto& e = open (keys);
        e.setUiScale (c.scale);
        e.curveCanvas.analyzerMode = c.analyser;
        auto* oversample = processor->apvts.getParameter ("oversample");
        oversample->setValueNotifyingHost (oversample->convertTo0to1 ((float) c.oversample));

        EXPECT_EQ (tickedIds (menuEntries (makeSettingsMenu (e))), c.ticked);
    }
}

TEST_F (Footer, DownloadItemFollowsTheStoredVersionWhetherOrNotChecksAreOn)
{
    struct Case
    {
        const char* name;
        std::map<juce::String, juce::String> keys;
        bool offered;
        bool pill;
    };

    const Case cases[] = {
        { "newer, checks on", newer ("0.2.0", "1"), true, true },
        { "newer, checks off", newer ("0.2.0", "0"), true, false },
        { "same version", newer ("0.1.0", "1"), false, false },
        { "older version", newer ("0.0.9", "1"), false, false },
        { "nothing stored", {}, false, false },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        auto& e = open (c.keys);
        EXPECT_EQ (findMenuEntry (menuEntries (makeSettingsMenu (e)), 3001) != nullptr, c.offered);
        EXPECT_EQ (e.updatePill.isVisible(), c.pill);

        if (c.pill)
        {
            EXPECT_EQ (e.updatePill.getButtonText(), juce::String ("UPDATE 0.2.0"));
            EXPECT_EQ (e.updatePill.getTooltip(), juce::String ("Version 0.2.0 is available. Click to open kovalin.example."));
        }
    }
}

TEST_F (Footer, HelpMenuOffersTheManualAndTheVendorsSite)
{
    const auto entries = menuEntries (makeHelpMenu());
    ASSERT_EQ (entries.size(), 3u);
    EXPECT_TRUE (entries[0].header);
    EXPECT_EQ (entries[0].path, juce::String ("Help"));
    EXPECT_EQ (menuIds (entries), (std::vector<int> { 1, 2 }));
    EXPECT_EQ (entries[1].path, juce::String ("User Manual"));
    EXPECT_EQ (entries[2].path, juce::String ("Visit kovalin.example"));
    EXPECT_TRUE (entries[1].enabled && entries[2].enabled);
    EXPECT_TRUE (tickedIds (entries).empty());
}

TEST_F (Footer, SettingsResults)
{
    auto& e = open();

    for (int id : { 1000, 1001, 1002 })
    {
        e.handleSettingsMenuResult (id);
        EXPECT_EQ (e.curveCanvas.analyzerMode, id - 1000);
    }

    for (int id : { 2100, 2101, 2102 })
    {
        ParameterRecorder recorder (*processor);
        e.handleSettingsMenuResult (id);
        EXPECT_EQ ((int) processor->rawParamValue ("oversample"), id - 2100);
        EXPECT_TRUE (oneGestureEach (recorder, { "oversample" }));
    }

    struct ScaleCase
    {
        int id;
        double scale;
        int width;
    };

    for (const auto& c : { ScaleCase { 75, 0.75, 735 }, ScaleCase { 125, 1.25, 1225 }, ScaleCase { 200, 2.0, 1960 },
                           ScaleCase { 4242, 2.0, 1960 }, ScaleCase { 50, 0.75, 735 } })
    {
        SCOPED_TRACE (c.id);
        e.handleSettingsMenuResult (c.id);
        EXPECT_DOUBLE_EQ (e.uiScale, c.scale);
        EXPECT_EQ (e.getWidth(), c.width);
    }

    RecordingLauncher launcher;
    const auto scale = e.uiScale;
    const auto mode = e.curveCanvas.analyzerMode;
    for (int id : { 0, -1, -3000 })
        e.handleSettingsMenuResult (id);

    EXPECT_EQ (e.uiScale, scale);
    EXPECT_EQ (e.curveCanvas.analyzerMode, mode);
    EXPECT_TRUE (launcher.opened.empty());
}

TEST_F (Footer, CheckForUpdatesTogglesTheKeyAndSavesEachTime)
{
    auto& e = open (newer ("0.2.0", "1"));
    ASSERT_TRUE (e.updatePill.isVisible());

    e.handleSettingsMenuResult (3000);
    EXPECT_EQ (home->storedSettings()[updatekeys::checkEnabled], juce::String ("0"));
    EXPECT_FALSE (e.updatePill.isVisible()); // hidden at once

    e.handleSettingsMenuResult (3000);
    EXPECT_EQ (home->storedSettings()[updatekeys::checkEnabled], juce::String ("1"));
    EXPECT_FALSE (e.updatePill.isVisible()); // shown again only when a check reports
    EXPECT_FALSE (processor->updateChecker.isThreadRunning()); // the last check was just now: none due

    e.refreshUpdatePill();
    EXPECT_TRUE (e.updatePill.isVisible());
}

TEST_F (Footer, SwitchingChecksOnStartsACheckWhenOneIsDue)
{
    auto& e = open ({ { updatekeys::checkEnabled, "0" }, { updatekeys::lastCheckMs, "0" } });
    EXPECT_FALSE (processor->updateChecker.isThreadRunning());

    e.handleSettingsMenuResult (3000);
    EXPECT_EQ (home->storedSettings()[updatekeys::checkEnabled], juce::String ("1"));
    // The check starts (and fails quietly against the closed local port).
    EXPECT_TRUE (processor->updateChecker.isThreadRunning() || home->storedSettings()[updatekeys::lastCheckMs] != "0");
    processor->updateChecker.stopThread (5000);
}

TEST_F (Footer, BrowserAddressesOfTheFooter)
{
    struct Case
    {
        const char* name;
        std::function<void (SabrelEditor&)> action;
        const char* storedUrl; // the download address the checker keeps, null for none
        std::vector<juce::String> opened;
    };

    const auto download = juce::String ("https://kovalin.example/sabrel/0.2.0/download");
    const auto hostile = juce::String ("https://kovalin.example/$(touch /tmp/sabrel-pwned)");
    const auto home = vendorweb::homePageUrl();

    const Case cases[] = {
        { "manual", [] (SabrelEditor& e) { e.handleHelpMenuResult (1); }, nullptr, { vendorweb::manualPageUrl() } },
        { "home page", [] (SabrelEditor& e) { e.handleHelpMenuResult (2); }, nullptr, { home } },
        { "help dismissed", [] (SabrelEditor& e) { e.handleHelpMenuResult (0); }, nullptr, {} },
        { "help unknown", [] (SabrelEditor& e) { e.handleHelpMenuResult (3); }, nullptr, {} },
        { "pill", [] (SabrelEditor& e) { e.openUpdateDownload(); }, download.toRawUTF8(), { download } },
        { "pill, nothing stored", [] (SabrelEditor& e) { e.openUpdateDownload(); }, nullptr, { home } },
        { "pill, hostile address", [] (SabrelEditor& e) { e.openUpdateDownload(); }, hostile.toRawUTF8(), { home } },
        { "menu item", [] (SabrelEditor& e) { e.handleSettingsMenuResult (3001); }, download.toRawUTF8(), { download } },
        { "menu item, hostile address", [] (SabrelEditor& e) { e.handleSettingsMenuResult (3001); }, hostile.toRawUTF8(), { home } },
        { "pill click", [] (SabrelEditor& e) { e.updatePill.triggerClick(); }, download.toRawUTF8(), { download } },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        auto keys = newer();
        if (c.storedUrl != nullptr)
            keys[updatekeys::latestUrl] = c.storedUrl;

        auto& e = open (keys);
        RecordingLauncher launcher;
        c.action (e);
        pumpMessagesFor (20); // a click is delivered as a message
        EXPECT_EQ (launcher.opened, c.opened);
    }
}

TEST_F (Footer, PillTextKeepsItsLastValueWhileHidden)
{
    auto& e = open (newer ("0.2.0", "1"));
    e.handleSettingsMenuResult (3000); // checks off
    EXPECT_FALSE (e.updatePill.isVisible());
    EXPECT_EQ (e.updatePill.getButtonText(), juce::String ("UPDATE 0.2.0"));
}

// The pill's tooltip in a real window: hovering the pill shows it after the usual delay, drawn
// by a tooltip window inside the editor, which goes with the editor.
TEST_F (Footer, HoveringThePillShowsItsTooltipInsideTheEditor)
{
    SKIP_WITHOUT_DISPLAY();

    const auto tooltipWindowsOnTheDesktop = [] {
        int n = 0;
        auto& desktop = juce::Desktop::getInstance();
        for (int i = 0; i < desktop.getNumComponents(); ++i)
            if (dynamic_cast<juce::TooltipWindow*> (desktop.getComponent (i)) != nullptr)
                ++n;
        return n;
    };

    auto& e = open (newer ("0.2.0", "1"));
    ASSERT_TRUE (e.updatePill.isVisible());
    const auto tip = e.updatePill.getTooltip();
    ASSERT_TRUE (tip.startsWith ("Version 0.2.0 is available.")) << tip;

    juce::TooltipWindow* tooltips = nullptr;
    for (auto* child : e.getChildren())
        if (auto* t = dynamic_cast<juce::TooltipWindow*> (child))
            tooltips = t;
    ASSERT_NE (tooltips, nullptr) << "the editor has no tooltip window";
    EXPECT_FALSE (tooltips->isVisible());

    // Low on the screen, below the windows of the other tests, which the pointer moved here
    // must not disturb.
    e.setTopLeftPosition (0, 900);
    e.addToDesktop (0);
    e.setVisible (true);

    // Other programs on the shared display may take the focus (JUCE shows tips only to the
    // active application) or cover the window: both are taken back until the tip shows, but
    // only when lost, since each raise or pointer move starts the tip's delay again.
    const auto mouse = juce::Desktop::getInstance().getMainMouseSource();
    e.toFront (true);

    for (int waited = 0; waited < 20000 && ! tooltips->isVisible(); waited += 100)
    {
        if (! juce::Process::isForegroundProcess())
            e.toFront (true);

        // A pointer moved to where it already is tells no window: it goes back and forth by a pixel.
        if (mouse.getComponentUnderMouse() != &e.updatePill)
        {
            const auto centre = e.updatePill.getScreenBounds().getCentre();
            juce::Desktop::setMousePosition (centre.translated ((waited / 100) % 2, 0));
        }

        pumpMessagesFor (100);
    }

    ASSERT_TRUE (tooltips->isVisible());
    EXPECT_EQ (tooltips->getPeer(), e.getPeer());
    EXPECT_EQ (tooltipWindowsOnTheDesktop(), 0);
    EXPECT_TRUE (e.getLocalBounds().contains (tooltips->getBounds()));

    // Sized for the pill's text (the size the look-and-feel gives that text), not another's.
    const auto sized = tooltips->getLookAndFeel().getTooltipBounds (tip, {}, { 0, 0, 4000, 4000 });
    EXPECT_EQ (tooltips->getWidth(), sized.getWidth());
    EXPECT_EQ (tooltips->getHeight(), sized.getHeight());

    writeGalleryPng (e.createComponentSnapshot (e.getLocalBounds()), "editor_update_tooltip.png");

    editor.reset();
    pumpMessagesFor (300);
    EXPECT_EQ (tooltipWindowsOnTheDesktop(), 0);
}

template <typename FooterButton>
juce::Image paintButton (FooterButton& b, int w, int h, bool over, bool down)
{
    b.setSize (w, h);
    juce::Image image (juce::Image::ARGB, w, h, true, juce::SoftwareImageType());
    juce::Graphics g (image);
    b.paintButton (g, over, down);
    return image;
}

TEST (FooterButtons, UpdatePillColoursByState)
{
    SabrelEditor::UpdatePill pill ("update");
    pill.setButtonText ("UPDATE 0.2.0");

    struct Case
    {
        bool over, down;
        juce::uint32 fill;
    };

    for (const auto& c : { Case { false, false, 0xff35c46a }, Case { true, false, 0xff4aca79 }, Case { true, true, 0xff2ca659 },
                           Case { false, true, 0xff2ca659 } })
    {
        const auto image = paintButton (pill, 200, 15, c.over, c.down);
        EXPECT_EQ (image.getPixelAt (12, 7), juce::Colour (c.fill));
        EXPECT_EQ (image.getPixelAt (0, 0).getAlpha(), 0); // rounded ends
    }
}

TEST (FooterButtons, HelpButtonOutlineFollowsHover)
{
    SabrelEditor::HelpButton help ("help");
    help.normalColour = 0xff112233;
    help.highlightColour = 0xffddeeff;

    const auto outlineColour = [] (const juce::Image& img)
    {
        // The ring's left edge on the middle row, at its strongest pixel.
        juce::Colour best;
        for (int x = 0; x < 4; ++x)
            if (img.getPixelAt (x, 10).getAlpha() > best.getAlpha())
                best = img.getPixelAt (x, 10);
        return best.withAlpha ((juce::uint8) 255);
    };

    const auto near = [] (juce::Colour a, juce::uint32 expected)
    {
        const juce::Colour b (expected);
        return std::abs (a.getRed() - b.getRed()) <= 2 && std::abs (a.getGreen() - b.getGreen()) <= 2
               && std::abs (a.getBlue() - b.getBlue()) <= 2;
    };

    EXPECT_TRUE (near (outlineColour (paintButton (help, 21, 21, false, false)), 0xff112233));
    EXPECT_TRUE (near (outlineColour (paintButton (help, 21, 21, true, false)), 0xffddeeff));
    EXPECT_TRUE (near (outlineColour (paintButton (help, 21, 21, false, true)), 0xffddeeff));
    paintButton (help, 0, 0, false, false); // nothing to draw, nothing to fail
}

TEST (FooterButtons, GearIsAnEightToothedStarWithAHole)
{
    const auto gear = makeGearPath (1.0f, 0.74f, 0.4f);
    EXPECT_FALSE (gear.isUsingNonZeroWinding());
    EXPECT_FALSE (gear.contains (0.0f, 0.0f));   // the hole
    EXPECT_TRUE (gear.contains (0.6f, 0.0f));    // between hole and teeth
    EXPECT_TRUE (gear.contains (0.95f, 0.0f));   // a tooth tip at angle 0

    const auto between = juce::MathConstants<float>::pi / 8.0f; // an inner corner
    EXPECT_FALSE (gear.contains (0.8f * std::cos (between), 0.8f * std::sin (between)));

    const auto bounds = gear.getBounds();
    EXPECT_NEAR (bounds.getX(), -1.0f, 1e-4f);
    EXPECT_NEAR (bounds.getRight(), 1.0f, 1e-4f);
}
} // namespace
