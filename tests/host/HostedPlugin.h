#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <gtest/gtest.h>

#include <functional>

// The host's state of the instance with the module's own state replaced by what `change` makes
// of it, to be given back through setStateInformation, as restoring a project does. The host's
// state wraps the module's, which is the processor's binary XML block followed by the VST3
// wrapper's private data.
inline juce::MemoryBlock withModuleState (juce::AudioPluginInstance& plugin,
                                          const std::function<juce::MemoryBlock (const juce::MemoryBlock&)>& change)
{
    juce::MemoryBlock hostState;
    plugin.getStateInformation (hostState);
    const auto host = juce::AudioProcessor::getXmlFromBinary (hostState.getData(), (int) hostState.getSize());
    auto* component = host != nullptr ? host->getChildByName ("IComponent") : nullptr;

    if (component == nullptr)
    {
        ADD_FAILURE() << "the host's state holds no module state";
        return {};
    }

    juce::MemoryBlock moduleState;
    EXPECT_TRUE (moduleState.fromBase64Encoding (component->getAllSubText()));

    component->deleteAllTextElements();
    component->addTextElement (change (moduleState).toBase64Encoding());
    juce::MemoryBlock changed;
    juce::AudioProcessor::copyXmlToBinary (*host, changed);
    return changed;
}

// The module's per-user settings file in the home of its own that the host gives it (PluginHome.cpp).
juce::File pluginSettingsFile();

// The bundle folder: the module's binary sits in <bundle>.vst3/Contents/<architecture>/.
inline juce::String bundlePath()
{
    return juce::File (SABREL_VST3_BINARY_DIR).getParentDirectory().getParentDirectory().getFullPathName();
}

// A host's plug-in window: a desktop window that owns the editor it is given.
class PluginWindow : public juce::DocumentWindow
{
public:
    explicit PluginWindow (juce::AudioProcessorEditor* editor)
        : juce::DocumentWindow ("Kovalin Sabrel", juce::Colours::darkgrey, juce::DocumentWindow::closeButton)
    {
        setUsingNativeTitleBar (false);
        setContentOwned (editor, true);

        // At the right of the screen, away from the windows and menus of the editor's own
        // tests, which may be open on the same display at the same time.
        setTopLeftPosition (juce::jmax (0, 2540 - getWidth()), 40);
        setVisible (true);
    }

    void closeButtonPressed() override {}
};

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
