#include "FooterMenus.h"

#include "BrowserOpener.h"
#include "EditGestures.h"
#include "update/VendorWeb.h"

namespace
{
constexpr int analyserIdBase = 1000;
constexpr int oversampleIdBase = 2100;
constexpr int checkUpdatesId = 3000;
constexpr int downloadUpdateId = 3001;
constexpr int manualId = 1;
constexpr int homePageId = 2;

// The menus' handlers hold the editor through a safe pointer: a result that arrives after
// the editor has closed is dropped.
template <typename Handler>
std::function<void (int)> forEditor (SabrelEditor& editor, Handler handler)
{
    return [safe = juce::Component::SafePointer<SabrelEditor> (&editor), handler] (int id)
    {
        if (auto* e = safe.getComponent())
            handler (*e, id);
    };
}
} // namespace

bool updateChecksEnabled (UpdateChecker& checker)
{
    // As it stands on disk now: the user may have changed it in another instance.
    auto* settings = checker.settings.reloadUserSettings();
    return settings == nullptr || settings->getBoolValue (updatekeys::checkEnabled, true);
}

juce::PopupMenu makeSettingsMenu (SabrelEditor& editor)
{
    auto& checker = editor.processor.updateChecker;

    juce::PopupMenu scales;
    const int percent = juce::roundToInt (editor.uiScale * 100.0);

    for (int n : { 75, 85, 100, 125, 150, 175, 200 })
        scales.addItem (n, juce::String (n) + " %", true, n == percent);

    juce::PopupMenu analyser;
    const char* analyserNames[] = { "Off", "Post", "Pre + Post" };

    for (int i = 0; i < 3; ++i)
        analyser.addItem (analyserIdBase + i, analyserNames[i], true, i == editor.curveCanvas.analyzerMode);

    juce::PopupMenu oversampling;
    const char* oversampleNames[] = { "Off", "2x", "4x" };
    const auto oversample = (int) editor.processor.rawParamValue ("oversample");

    for (int i = 0; i < 3; ++i)
        oversampling.addItem (oversampleIdBase + i, oversampleNames[i], true, i == oversample);

    juce::PopupMenu menu;
    menu.addSectionHeader ("Settings");
    menu.addSubMenu ("UI Scale", scales);
    menu.addSubMenu ("Analyzer", analyser);
    menu.addSubMenu ("Oversampling", oversampling);
    menu.addSeparator();
    menu.addItem (checkUpdatesId, "Check for updates", true, updateChecksEnabled (checker));

    if (const auto newer = checker.getNewerVersion(); newer.isNotEmpty())
        menu.addItem (downloadUpdateId, "Download update " + newer + "...", true, false);

    return menu;
}

juce::PopupMenu makeHelpMenu()
{
    juce::PopupMenu menu;
    menu.addSectionHeader ("Help");
    menu.addItem (manualId, "User Manual");
    menu.addItem (homePageId, juce::String ("Visit ") + vendorweb::domain);
    return menu;
}

void SabrelEditor::showSettingsMenu()
{
    openMenus.show (makeSettingsMenu (*this), juce::PopupMenu::Options().withTargetComponent (&settingsButton),
                    forEditor (*this, [] (SabrelEditor& e, int id) { e.handleSettingsMenuResult (id); }));
}

void SabrelEditor::handleSettingsMenuResult (int id)
{
    if (id >= analyserIdBase && id <= analyserIdBase + 2)
    {
        setAnalyzerMode (id - analyserIdBase);
    }
    else if (id >= oversampleIdBase && id <= oversampleIdBase + 2)
    {
        if (auto* p = processor.apvts.getParameter ("oversample"))
            setInOwnGesture (*p, p->convertTo0to1 ((float) (id - oversampleIdBase)));
    }
    else if (id == checkUpdatesId)
    {
        auto& checker = processor.updateChecker;
        const bool wasOn = updateChecksEnabled (checker);

        juce::StringPairArray choice;
        choice.set (updatekeys::checkEnabled, wasOn ? "0" : "1");
        checker.settings.writeUserValues (choice);

        if (wasOn)
            refreshUpdatePill();
        else
            checker.checkIfDue();
    }
    else if (id == downloadUpdateId)
    {
        browser::openInBrowser (processor.updateChecker.getDownloadUrl());
    }
    else if (id > 0)
    {
        setUiScale (id / 100.0);
    }
}

void SabrelEditor::showHelpMenu()
{
    openMenus.show (makeHelpMenu(), juce::PopupMenu::Options().withTargetComponent (&helpButton),
                    forEditor (*this, [] (SabrelEditor& e, int id) { e.handleHelpMenuResult (id); }));
}

void SabrelEditor::handleHelpMenuResult (int id)
{
    if (id == manualId)
        browser::openInBrowser (vendorweb::manualPageUrl());
    else if (id == homePageId)
        browser::openInBrowser (vendorweb::homePageUrl());
}

void SabrelEditor::openUpdateDownload()
{
    browser::openInBrowser (processor.updateChecker.getDownloadUrl());
}

void SabrelEditor::refreshUpdatePill()
{
    auto& checker = processor.updateChecker;
    const auto version = updateChecksEnabled (checker) ? checker.getNewerVersion() : juce::String();

    if (version.isNotEmpty())
    {
        updatePill.setButtonText ("UPDATE " + version);
        updatePill.setTooltip ("Version " + version + " is available. Click to open " + vendorweb::domain + ".");
    }

    updatePill.setVisible (version.isNotEmpty());
    layoutContent();
    content.repaint();
}
