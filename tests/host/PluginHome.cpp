// The module opens its update check's settings under the user's home and, once a day, asks the
// vendor's server. The host gives it a home of its own in which today's check has just run, and
// an empty server address besides, so that no test run reaches the network or a real settings
// file. Registered before the JUCE environment of the shared test main, so it is set up first.

#include "HostedPlugin.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <unistd.h>

namespace
{
class PluginHome : public ::testing::Environment
{
public:
    void SetUp() override
    {
        home = juce::File (SABREL_HOST_OUTPUT_DIR).getChildFile ("host-home-" + juce::String ((int) ::getpid()));
        home.deleteRecursively();
        ::setenv ("HOME", home.getFullPathName().toRawUTF8(), 1);
        ::setenv ("XDG_CONFIG_HOME", home.getChildFile (".config").getFullPathName().toRawUTF8(), 1);
        ::setenv ("SABREL_UPDATE_URL", "", 1);

        // The settings file as the module writes it. Written directly: a PropertiesFile would
        // start JUCE's timer thread before the message manager exists, and no timer would fire.
        juce::XmlElement settings ("PROPERTIES");
        auto* lastCheck = settings.createNewChildElement ("VALUE");
        lastCheck->setAttribute ("name", "updateLastCheckMs");
        lastCheck->setAttribute ("val", juce::String (juce::Time::currentTimeMillis()));
        const auto file = pluginSettingsFile();
        file.getParentDirectory().createDirectory();
        settings.writeTo (file);
    }

    void TearDown() override { home.deleteRecursively(); }

private:
    juce::File home;
};

[[maybe_unused]] auto* const pluginHome = ::testing::AddGlobalTestEnvironment (new PluginHome());
} // namespace

juce::File pluginSettingsFile()
{
    return juce::File (juce::SystemStats::getEnvironmentVariable ("XDG_CONFIG_HOME", {})).getChildFile ("kovalin/Sabrel.settings");
}
