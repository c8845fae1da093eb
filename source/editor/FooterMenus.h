#pragma once

#include "SabrelEditor.h"

// The footer's settings and help menus as they are shown, built apart from showing them.
juce::PopupMenu makeSettingsMenu (SabrelEditor& editor);
juce::PopupMenu makeHelpMenu();

// Whether update checks are on: the settings key, on when absent.
bool updateChecksEnabled (UpdateChecker& checker);
