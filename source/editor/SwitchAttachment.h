#pragma once

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_gui_basics/juce_gui_basics.h>

// Binds a toggle button to an on/off parameter as the framework's button attachment does, but
// shows the parameter's own value when a change carries a non-finite one (see finiteValueFor).
class SwitchAttachment : private juce::Button::Listener
{
public:
    SwitchAttachment (juce::AudioProcessorValueTreeState& state, const juce::String& parameterId,
                      juce::Button& button);
    ~SwitchAttachment() override;

private:
    void setValue (float denormalised);
    void buttonClicked (juce::Button*) override;

    juce::Button& button;
    juce::RangedAudioParameter& parameter;
    juce::ParameterAttachment attachment;
    bool ignoreCallbacks = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SwitchAttachment)
};
