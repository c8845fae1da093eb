#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <gtest/gtest.h>

// The bundle folder: the module's binary sits in <bundle>.vst3/Contents/<architecture>/.
inline juce::String bundlePath()
{
    return juce::File (SABREL_VST3_BINARY_DIR).getParentDirectory().getParentDirectory().getFullPathName();
}

// Each test gets a freshly loaded instance of the module, as a host creates it.
class HostedPlugin : public ::testing::Test
{
protected:
    void SetUp() override
    {
        juce::OwnedArray<juce::PluginDescription> found;
        format.findAllTypesForFile (found, bundlePath());
        ASSERT_EQ (found.size(), 1) << "no plug-in found in " << bundlePath();
        description = *found[0];
        plugin = create();
        ASSERT_NE (plugin, nullptr);
    }

    std::unique_ptr<juce::AudioPluginInstance> create()
    {
        juce::String error;
        auto instance = format.createInstanceFromDescription (description, 48000.0, 512, error);
        EXPECT_TRUE (error.isEmpty()) << error;
        return instance;
    }

    juce::AudioProcessorParameter* parameterNamed (const juce::String& name)
    {
        for (auto* p : plugin->getParameters())
            if (p->getName (100) == name)
                return p;
        return nullptr;
    }

    juce::VST3PluginFormat format;
    juce::PluginDescription description;
    std::unique_ptr<juce::AudioPluginInstance> plugin;
};
