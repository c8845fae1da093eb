#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <atomic>
#include <map>
#include <vector>

namespace kov
{
// Listens to a set of parameters and marks the current preset as modified when one of them
// changes outside a load.
class PresetManager : public juce::AudioProcessorValueTreeState::Listener
{
public:
    struct Preset
    {
        juce::String name;
        std::map<juce::String, float> values;
    };

    // Starts listening to each of the given parameters of the state, which must outlive this.
    PresetManager (juce::AudioProcessorValueTreeState& state, const juce::StringArray& parameterIds,
                   const juce::String& presetFolder);
    ~PresetManager() override;

    // Hosts may change parameters from the audio thread, so this only touches atomics.
    void parameterChanged (const juce::String& parameterId, float newValue) override;

    // While loading, parameter changes are not counted as edits.
    void setLoading (bool isLoading) noexcept { loading = isLoading; }
    bool isLoading() const noexcept { return loading; }

    bool isModified() const noexcept { return modified; }

    // Makes the named preset current and unmodified.
    void setCurrentName (const juce::String& name);
    const juce::String& getCurrentName() const noexcept { return currentName; }

    const juce::String& getPresetFolder() const noexcept { return presetFolder; }
    const std::vector<Preset>& getPresets() const noexcept { return presets; }

private:
    juce::AudioProcessorValueTreeState* state;
    juce::String presetFolder;
    std::vector<Preset> presets;
    juce::StringArray parameterIds;
    juce::String currentName;
    std::atomic<bool> modified { false };
    std::atomic<bool> loading { false };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (PresetManager)
};
} // namespace kov
