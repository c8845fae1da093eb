#include "KnobAttachment.h"

KnobAttachment::KnobAttachment (juce::AudioProcessorValueTreeState& state, const juce::String& parameterId,
                                juce::Slider& s)
    : slider (s), attachment (state, parameterId, s)
{
}

KnobAttachment::~KnobAttachment()
{
    if (slider.getThumbBeingDragged() < 0)
        return;

    // A press on the slider while it is disabled ends the drag in progress, which the attachment
    // (still listening) turns into the end of its gesture, and starts none: the rest of the mouse
    // action moves nothing and its release reports no second end.
    using Source = juce::MouseInputSource;
    const auto now = juce::Time::getCurrentTime();
    const juce::MouseEvent press (juce::Desktop::getInstance().getMainMouseSource(), {}, {},
                                  Source::defaultPressure, Source::defaultOrientation,
                                  Source::defaultRotation, Source::defaultTiltX, Source::defaultTiltY,
                                  &slider, &slider, now, {}, now, 1, false);

    // False also while a parent is disabled; the slider's own flag is then left alone.
    const bool enabled = slider.isEnabled();

    if (enabled)
        slider.setEnabled (false);

    slider.mouseDown (press);

    if (enabled)
        slider.setEnabled (true);
}
