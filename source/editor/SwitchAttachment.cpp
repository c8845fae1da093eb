#include "SwitchAttachment.h"

#include "KnobAttachment.h"

SwitchAttachment::SwitchAttachment (juce::AudioProcessorValueTreeState& state, const juce::String& parameterId,
                                    juce::Button& b)
    : button (b),
      parameter (*state.getParameter (parameterId)),
      attachment (parameter, [this] (float value) { setValue (value); }, state.undoManager)
{
    attachment.sendInitialUpdate();
    button.addListener (this);
}

SwitchAttachment::~SwitchAttachment()
{
    button.removeListener (this);
}

void SwitchAttachment::setValue (float denormalised)
{
    const juce::ScopedValueSetter<bool> ignoring (ignoreCallbacks, true);
    button.setToggleState (finiteValueFor (parameter, denormalised) >= 0.5f, juce::sendNotificationSync);
}

void SwitchAttachment::buttonClicked (juce::Button*)
{
    if (! ignoreCallbacks)
        attachment.setValueAsCompleteGesture (button.getToggleState() ? 1.0f : 0.0f);
}
