#include "UpdateTestSupport.h"
#include <unistd.h>

#include <cstdlib>
#include <optional>

namespace
{
const char* const redirectedVariables[] = { "HOME", "XDG_CONFIG_HOME", "SABREL_UPDATE_URL" };
}

void UpdateCheckerTest::SetUp()
{
    for (auto* name : redirectedVariables)
    {
        auto* value = std::getenv (name);
        savedEnvironment[name] = value != nullptr ? std::optional<std::string> (value) : std::nullopt;
    }

    home = juce::File::getSpecialLocation (juce::File::tempDirectory)
               .getNonexistentChildFile ("sabrel-update-home-" + juce::String (::getpid()) + "-"
                                             + juce::String::toHexString (juce::Random::getSystemRandom().nextInt64()),
                                         {}, false);
    ASSERT_TRUE (home.createDirectory());

    ::setenv ("HOME", home.getFullPathName().toRawUTF8(), 1);
    ::setenv ("XDG_CONFIG_HOME", home.getChildFile (".config").getFullPathName().toRawUTF8(), 1);
    ::unsetenv ("SABREL_UPDATE_URL");
}

void UpdateCheckerTest::TearDown()
{
    for (auto& [name, value] : savedEnvironment)
    {
        if (value)
            ::setenv (name.c_str(), value->c_str(), 1);
        else
            ::unsetenv (name.c_str());
    }

    // Tests may have taken write permission away.
    for (const auto& entry : juce::RangedDirectoryIterator (home, true, "*", juce::File::findFilesAndDirectories))
        entry.getFile().setReadOnly (false);

    home.deleteRecursively();
}

juce::File UpdateCheckerTest::settingsFile() const
{
    return home.getChildFile (".config/kovalin/Sabrel.settings");
}

void UpdateCheckerTest::writeSettings (const std::map<juce::String, juce::String>& values) const
{
    juce::PropertiesFile file (settingsFile(), updateSettingsOptions());

    for (const auto& [key, value] : values)
        file.setValue (key, value);

    ASSERT_TRUE (file.save());
}

juce::StringPairArray UpdateCheckerTest::storedSettings() const
{
    juce::PropertiesFile file (settingsFile(), updateSettingsOptions());
    return file.getAllProperties();
}

void UpdateCheckerTest::setUpdateUrl (const std::string& url)
{
    ::setenv ("SABREL_UPDATE_URL", url.c_str(), 1);
}

bool UpdateCheckerTest::pumpMessagesUntil (const std::function<bool()>& condition, int timeoutMs)
{
    const auto deadline = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutMs;

    while (! condition())
    {
        if (juce::Time::getMillisecondCounter() >= deadline)
            return false;

        if (! juce::dispatchNextMessageOnSystemQueue (true))
            juce::Thread::sleep (2);
    }

    return true;
}

bool UpdateCheckerTest::finishCheck (UpdateChecker& checker, int timeoutMs)
{
    if (! pumpMessagesUntil ([&] { return ! checker.isThreadRunning(); }, timeoutMs))
        return false;

    // The result, when there is one, is posted before the thread ends; one more round
    // delivers it and the change message it sends.
    pumpMessagesUntil ([] { return false; }, 100);
    return true;
}
