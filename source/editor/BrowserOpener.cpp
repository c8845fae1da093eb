#include "BrowserOpener.h"

#include "update/VendorWeb.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <vector>

namespace browser
{
namespace
{
constexpr int maxAddressLength = 2048;

bool isHostCharacter (juce::juce_wchar c)
{
    return (c < 128 && juce::CharacterFunctions::isLetterOrDigit (c)) || c == '-' || c == '.';
}

// RFC 3986's unreserved and reserved characters, less those a shell or a quoted argument
// would treat specially ($ ( ) ' and the sub-delimiters around them are left out on purpose).
bool isAddressCharacter (juce::juce_wchar c)
{
    if (c < 128 && juce::CharacterFunctions::isLetterOrDigit (c))
        return true;

    return juce::String ("-._~:/?#[]@!&*+,;=%").containsChar (c);
}

bool hasValidEscapes (const juce::String& s)
{
    for (int i = 0; i < s.length(); ++i)
        if (s[i] == '%')
            if (juce::CharacterFunctions::getHexDigitValue (s[i + 1]) < 0
                || juce::CharacterFunctions::getHexDigitValue (s[i + 2]) < 0)
                return false;

    return true;
}

// "host" or "host:port"; user names in front of the host are refused (they disguise hosts).
bool isValidAuthority (const juce::String& authority)
{
    const auto host = authority.upToFirstOccurrenceOf (":", false, false);
    const auto port = authority.fromFirstOccurrenceOf (":", false, false);

    if (host.isEmpty() || host.startsWithChar ('-') || host.startsWithChar ('.'))
        return false;

    for (auto c : host)
        if (! isHostCharacter (c))
            return false;

    if (authority.containsChar (':'))
        return port.isNotEmpty() && port.length() <= 5 && port.containsOnly ("0123456789");

    return true;
}

std::mutex launcherLock;

Launcher& currentLauncher()
{
    static Launcher launcher;
    return launcher;
}
} // namespace

bool isOpenableWebAddress (const juce::String& address)
{
    if (address.isEmpty() || address.length() > maxAddressLength)
        return false;

    juce::String rest;

    if (address.startsWithIgnoreCase ("https://"))
        rest = address.substring (8);
    else if (address.startsWithIgnoreCase ("http://"))
        rest = address.substring (7);
    else
        return false;

    for (auto c : address)
        if (! isAddressCharacter (c))
            return false;

    if (! hasValidEscapes (address))
        return false;

    const auto authorityEnd = rest.indexOfAnyOf ("/?#");
    const auto authority = authorityEnd < 0 ? rest : rest.substring (0, authorityEnd);

    if (! isValidAuthority (authority))
        return false;

    // The framework must read the same host out of it.
    return juce::URL (address).getDomain().equalsIgnoreCase (authority.upToFirstOccurrenceOf (":", false, false));
}

juce::String addressToOpen (const juce::String& address)
{
    return isOpenableWebAddress (address) ? address : vendorweb::homePageUrl();
}

bool launchSystemBrowser (const juce::String& address)
{
   #if JUCE_LINUX || JUCE_BSD
    // The framework's own launcher hands the address to /bin/sh; xdg-open started directly
    // gets it as one argument that nothing interprets. Finished launchers are reaped here.
    static std::vector<std::unique_ptr<juce::ChildProcess>> launched;
    static std::mutex launchedLock;
    const std::lock_guard<std::mutex> lock (launchedLock);

    launched.erase (std::remove_if (launched.begin(), launched.end(), [] (auto& p) { return ! p->isRunning(); }),
                    launched.end());

    auto process = std::make_unique<juce::ChildProcess>();

    if (! process->start (juce::StringArray { "xdg-open", address }, 0))
        return false;

    launched.push_back (std::move (process));
    return true;
   #else
    return juce::URL (address).launchInDefaultBrowser();
   #endif
}

Launcher replaceLauncher (Launcher launcher)
{
    const std::lock_guard<std::mutex> lock (launcherLock);
    std::swap (currentLauncher(), launcher);
    return launcher;
}

void openInBrowser (const juce::String& address)
{
    Launcher launcher;

    {
        const std::lock_guard<std::mutex> lock (launcherLock);
        launcher = currentLauncher();
    }

    const auto target = addressToOpen (address);

    if (launcher)
        launcher (target);
    else
        launchSystemBrowser (target);
}
} // namespace browser
