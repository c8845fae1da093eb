#include "KnobAttachment.h"

#include <cmath>

float finiteValueFor (const juce::RangedAudioParameter& parameter, float denormalised)
{
    return std::isfinite (denormalised) ? denormalised : parameter.convertFrom0to1 (parameter.getValue());
}

namespace
{
// The slider moves along the parameter's own range, skew and steps, as the framework's
// attachment sets it up.
juce::NormalisableRange<double> sliderRangeOf (const juce::RangedAudioParameter& parameter)
{
    const auto range = parameter.getNormalisableRange();
    const auto within = [range] (double start, double end) {
        auto moved = range;
        moved.start = (float) start;
        moved.end = (float) end;
        return moved;
    };

    juce::NormalisableRange<double> result {
        (double) range.start, (double) range.end,
        [within] (double start, double end, double normalised) {
            return (double) within (start, end).convertFrom0to1 ((float) normalised);
        },
        [within] (double start, double end, double value) {
            return (double) within (start, end).convertTo0to1 ((float) value);
        },
        [within] (double start, double end, double value) {
            return (double) within (start, end).snapToLegalValue ((float) value);
        }
    };
    result.interval = range.interval;
    result.skew = range.skew;
    result.symmetricSkew = range.symmetricSkew;
    return result;
}
} // namespace

KnobAttachment::KnobAttachment (juce::AudioProcessorValueTreeState& state, const juce::String& parameterId,
                                juce::Slider& s)
    : slider (s),
      parameter (*state.getParameter (parameterId)),
      attachment (parameter, [this] (float value) { setValue (value); }, state.undoManager)
{
    auto& p = parameter;
    slider.valueFromTextFunction = [&p] (const juce::String& text) { return (double) p.convertFrom0to1 (p.getValueForText (text)); };
    slider.textFromValueFunction = [&p] (double value) { return p.getText (p.convertTo0to1 ((float) value), 0); };
    slider.setDoubleClickReturnValue (true, parameter.convertFrom0to1 (parameter.getDefaultValue()));
    slider.setNormalisableRange (sliderRangeOf (parameter));

    attachment.sendInitialUpdate();
    slider.valueChanged();
    slider.addListener (this);
}

KnobAttachment::~KnobAttachment()
{
    if (slider.getThumbBeingDragged() >= 0)
    {
        // A press on the slider while it is disabled ends the drag in progress, which this
        // (still listening) turns into the end of its gesture, and starts none: the rest of the
        // mouse action moves nothing and its release reports no second end.
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

    slider.removeListener (this);
}

void KnobAttachment::setValue (float denormalised)
{
    const juce::ScopedValueSetter<bool> ignoring (ignoreCallbacks, true);
    slider.setValue (finiteValueFor (parameter, denormalised), juce::sendNotificationSync);
}

void KnobAttachment::sliderValueChanged (juce::Slider*)
{
    if (! ignoreCallbacks)
        attachment.setValueAsPartOfGesture ((float) slider.getValue());
}
