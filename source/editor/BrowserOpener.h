#pragma once

#include <juce_core/juce_core.h>

#include <functional>

// Every address the editor opens in a browser goes through openInBrowser. Addresses may come
// from the network (the update server names the download), so only plain web addresses are
// handed on, and never through a shell.
namespace browser
{
// True for an http or https address with a host name, made only of characters that stand
// in addresses unescaped; shell characters such as $ ( ) ` ' " and spaces are not among them.
bool isOpenableWebAddress (const juce::String& address);

// The address itself when it is openable, else the vendor's home page.
juce::String addressToOpen (const juce::String& address);

// Starts the system's browser on the address as a single argument, without a shell.
// False when the browser could not be started.
bool launchSystemBrowser (const juce::String& address);

using Launcher = std::function<bool (const juce::String& address)>;

// Replaces what openInBrowser starts (an empty function restores the system browser) and
// returns the previous launcher. Tests use it so that no test ever starts a browser.
Launcher replaceLauncher (Launcher launcher);

// Opens addressToOpen (address) with the current launcher; a browser that cannot be started
// fails quietly.
void openInBrowser (const juce::String& address);
} // namespace browser
