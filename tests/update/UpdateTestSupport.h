#pragma once

#include "update/UpdateChecker.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>
#include <string>

namespace juce
{
// JUCE's own message pump on Linux; the tests are the message thread and run it by hand.
bool dispatchNextMessageOnSystemQueue (bool returnIfNoPendingMessages);
} // namespace juce

// Points HOME and XDG_CONFIG_HOME at a fresh temporary folder, so no real settings file is
// touched, and clears SABREL_UPDATE_URL; everything is restored afterwards.
class UpdateCheckerTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Where the checker keeps the user's settings under the temporary home.
    juce::File settingsFile() const;

    // Writes the user settings file with these keys, as a previous session would have.
    void writeSettings (const std::map<juce::String, juce::String>& values) const;

    // The keys as they are stored on disk now.
    juce::StringPairArray storedSettings() const;

    static void setUpdateUrl (const std::string& url);

    // Delivers posted messages until the condition holds or the time is up.
    static bool pumpMessagesUntil (const std::function<bool()>& condition, int timeoutMs);

    // Waits for a running check to end, then delivers what it posted.
    static bool finishCheck (UpdateChecker& checker, int timeoutMs = 10000);

    juce::File home;

private:
    std::map<std::string, std::optional<std::string>> savedEnvironment;
};

// Counts the checker's change messages.
struct ChangeCounter : public juce::ChangeListener
{
    void changeListenerCallback (juce::ChangeBroadcaster*) override { ++count; }
    int count = 0;
};
