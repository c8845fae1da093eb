#pragma once

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_gui_basics/juce_gui_basics.h>

// Binds a slider to a parameter as the framework's slider attachment does, and closes the change
// gesture of a drag that is still going on when the binding goes. The framework's attachment
// ends its gesture only when the slider reports the end of the drag, which would come after it
// is gone (the editor closing, the band panel rebinding its knobs): the host would keep an open
// gesture, and a rebound slider would report the end to a parameter that never saw the begin.
class KnobAttachment
{
public:
    KnobAttachment (juce::AudioProcessorValueTreeState& state, const juce::String& parameterId,
                    juce::Slider& slider);
    ~KnobAttachment();

private:
    juce::Slider& slider;
    juce::AudioProcessorValueTreeState::SliderAttachment attachment;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (KnobAttachment)
};
