#pragma once

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_gui_basics/juce_gui_basics.h>

// The value a widget shows for a parameter change: the parameter's own value when the change
// carried none that is finite. The framework tells listeners the value a host handed over
// even when the parameter refused it; a slider given NaN would post itself change messages for
// ever (NaN is never equal to itself).
float finiteValueFor (const juce::RangedAudioParameter& parameter, float denormalised);

// Binds a slider to a parameter as the framework's slider attachment does, but never hands the
// slider a non-finite value, and closes the change gesture of a drag that is still going on
// when the binding goes. The framework's attachment ends its gesture only when the slider
// reports the end of the drag, which would come after it is gone (the editor closing, the band
// panel rebinding its knobs): the host would keep an open gesture, and a rebound slider would
// report the end to a parameter that never saw the begin.
class KnobAttachment : private juce::Slider::Listener
{
public:
    KnobAttachment (juce::AudioProcessorValueTreeState& state, const juce::String& parameterId,
                    juce::Slider& slider);
    ~KnobAttachment() override;

private:
    void setValue (float denormalised);
    void sliderValueChanged (juce::Slider*) override;
    void sliderDragStarted (juce::Slider*) override { attachment.beginGesture(); }
    void sliderDragEnded (juce::Slider*) override { attachment.endGesture(); }

    juce::Slider& slider;
    juce::RangedAudioParameter& parameter;
    juce::ParameterAttachment attachment;
    bool ignoreCallbacks = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (KnobAttachment)
};
