#pragma once

// Set-up shared by the editor's benchmark programs.
#include "ProcessorBenchmarkSupport.h"
#include "engine/SabrelProcessor.h"
#include "update/UpdateChecker.h"

#include <cstdlib>

namespace editorbench
{
// A settings folder of our own in which update checks are off, so that no editor starts a
// network request.
inline void useQuietSettingsFolder()
{
    static const bool done = [] {
        const auto home = juce::File::getSpecialLocation (juce::File::tempDirectory)
                              .getChildFile ("sabrel-bench-home-" + juce::String (juce::Time::currentTimeMillis()));
        home.createDirectory();
        ::setenv ("HOME", home.getFullPathName().toRawUTF8(), 1);
        ::setenv ("XDG_CONFIG_HOME", home.getChildFile (".config").getFullPathName().toRawUTF8(), 1);
        juce::PropertiesFile settings (home.getChildFile (".config/kovalin/Sabrel.settings"), updateSettingsOptions());
        settings.setValue (updatekeys::checkEnabled, false);
        settings.save();
        return true;
    }();
    juce::ignoreUnused (done);
}

using processorbench::set;
} // namespace editorbench
