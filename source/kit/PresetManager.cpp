#include "PresetManager.h"

namespace kov
{
PresetManager::PresetManager (juce::AudioProcessorValueTreeState& s, const juce::StringArray& ids,
                              const juce::String& folder)
    : state (&s), presetFolder (folder), parameterIds (ids)
{
    for (const auto& id : parameterIds)
        state->addParameterListener (id, this);
}

PresetManager::~PresetManager()
{
    for (const auto& id : parameterIds)
        state->removeParameterListener (id, this);
}

void PresetManager::parameterChanged (const juce::String&, float)
{
    if (! loading)
        modified = true;
}

void PresetManager::setCurrentName (const juce::String& name)
{
    currentName = name;
    modified = false;
}
} // namespace kov
