#include "ParameterLayout.h"

#include <atomic>
#include <cstdint>
#include <cmath>

const SlopeTable& getSlopeTable()
{
    static const SlopeTable table { 6, 12, 18, 24, 30, 36, 48, 72, 96 };
    return table;
}

juce::String bandParamId (int band, const juce::String& suffix)
{
    return "b" + juce::String (band) + "_" + suffix;
}

float defaultBandFrequency (int band)
{
    const double lo = std::log (30.0);
    const double hi = std::log (16000.0);
    return (float) std::exp (lo + (hi - lo) * (double) band / 23.0);
}

juce::String frequencyToText (float v, int)
{
    if (v >= 1000.0f)
        return juce::String (v / 1000.0f, v < 10000.0f ? 2 : 1) + " k";

    return juce::String (juce::roundToInt (v));
}

juce::String decibelsToText (float v, int)
{
    if (v > -0.005f && v < 0.005f)
        v = 0.0f;

    return juce::String (v, 1);
}

juce::String qToText (float v, int)
{
    return juce::String (v, 2);
}

juce::String thresholdToText (float v, int)
{
    if (v > -0.05f && v < 0.05f)
        v = 0.0f;

    return (v > 0.0f ? "+" : "") + juce::String (v, 1);
}

juce::String millisecondsToText (float v, int)
{
    if (v < 10.0f)
        return juce::String (v, 1);

    return juce::String (juce::roundToInt (v));
}

juce::String ratioToText (float v, int)
{
    if (v >= 20.0f)
        return "Inf";

    return juce::String (v, 1) + ":1";
}

juce::String percentToText (float v, int)
{
    return juce::String (juce::roundToInt (v));
}

namespace
{
using StringFromValue = juce::String (*) (float, int);

juce::NormalisableRange<float> makeRange (float start, float end, float interval, float centre = 0.0f)
{
    juce::NormalisableRange<float> range (start, end, interval);
    if (centre > 0.0f)
        range.setSkewForCentre (centre);
    return range;
}

// Every non-finite value a parameter built here has handed out to its listeners.
std::atomic<uint32_t> nonFiniteValuesHandedOut { 0 };

// Whether a parameter told its listeners a non-finite value since its kept value was resent.
struct KeptFromNonFinite
{
    std::atomic<bool> resendDue { false };
};

// A parameter that refuses NaN and infinity, whether a host sets it or a state restores it:
// such a value leaves the parameter at its last finite value. The framework still tells the
// listeners the value it was handed, after this has run; each such notice is marked here, so
// that the value kept follows it (resendValuesKeptFromNonFinite).
template <typename Base, typename Value>
class FiniteOnly : public Base, public KeptFromNonFinite, private juce::AudioProcessorParameter::Listener
{
public:
    template <typename... Args>
    explicit FiniteOnly (Args&&... args) : Base (std::forward<Args> (args)...)
    {
        this->addListener (this);
    }

    ~FiniteOnly() override { this->removeListener (this); }

protected:
    void valueChanged (Value) override
    {
        const float normalised = parameter().getValue();
        if (std::isfinite (normalised))
            lastFinite.store (normalised, std::memory_order_relaxed);
        else
            parameter().setValue (lastFinite.load (std::memory_order_relaxed)); // silently: see above
    }

private:
    void parameterValueChanged (int, float value) override
    {
        if (std::isfinite (value))
            return;

        resendDue.store (true, std::memory_order_release);
        nonFiniteValuesHandedOut.fetch_add (1, std::memory_order_acq_rel);
    }

    void parameterGestureChanged (int, bool) override {}

    // getValue, getDefaultValue and setValue are private in the framework's classes, public in their base.
    juce::AudioProcessorParameter& parameter() { return *this; }

    std::atomic<float> lastFinite { parameter().getDefaultValue() };
};

using FiniteFloat = FiniteOnly<juce::AudioParameterFloat, float>;
using FiniteBool = FiniteOnly<juce::AudioParameterBool, bool>;
using FiniteChoice = FiniteOnly<juce::AudioParameterChoice, int>;

std::unique_ptr<juce::AudioParameterFloat> makeFloat (const juce::String& id, const juce::String& name,
                                                      juce::NormalisableRange<float> range, float defaultValue,
                                                      const juce::String& label, StringFromValue toText)
{
    auto attributes = juce::AudioParameterFloatAttributes().withStringFromValueFunction (toText);
    if (label.isNotEmpty())
        attributes = attributes.withLabel (label);

    return std::make_unique<FiniteFloat> (juce::ParameterID { id, 1 }, name, range, defaultValue, attributes);
}

std::unique_ptr<juce::AudioParameterBool> makeBool (const juce::String& id, const juce::String& name, bool defaultValue)
{
    return std::make_unique<FiniteBool> (juce::ParameterID { id, 1 }, name, defaultValue);
}

std::unique_ptr<juce::AudioParameterChoice> makeChoice (const juce::String& id, const juce::String& name,
                                                        const juce::StringArray& choices, int defaultIndex)
{
    return std::make_unique<FiniteChoice> (juce::ParameterID { id, 1 }, name, choices, defaultIndex);
}
} // namespace

void resendValuesKeptFromNonFinite (juce::AudioProcessor& processor, uint32_t& seen)
{
    // A notice marks its parameter before it counts, so one counted after this load is found
    // now or at the next call.
    const auto handedOut = nonFiniteValuesHandedOut.load (std::memory_order_acquire);
    if (handedOut == seen)
        return;

    seen = handedOut;
    for (auto* parameter : processor.getParameters())
        if (auto* kept = dynamic_cast<KeptFromNonFinite*> (parameter))
            if (kept->resendDue.exchange (false, std::memory_order_acq_rel))
                parameter->setValueNotifyingHost (parameter->getValue());
}

juce::AudioProcessorValueTreeState::ParameterLayout buildParameterLayout()
{
    juce::AudioProcessorValueTreeState::ParameterLayout layout;

    const juce::StringArray typeChoices { "Bell", "Low Shelf", "High Shelf", "Low Cut", "High Cut", "Notch", "Tilt" };
    juce::StringArray slopeChoices;
    for (auto slope : getSlopeTable())
        slopeChoices.add (juce::String (slope) + " dB/oct");
    const juce::StringArray channelChoices { "Stereo", "Mid", "Side", "Left", "Right" };

    for (int band = 0; band < numBands; ++band)
    {
        const auto id = [band] (const char* suffix) { return bandParamId (band, suffix); };
        const auto name = [band] (const char* what) { return "Band " + juce::String (band + 1) + " " + what; };

        layout.add (makeBool (id ("on"), name ("On"), false),
                    makeBool (id ("active"), name ("Active"), true),
                    makeBool (id ("solo"), name ("Solo"), false),
                    makeChoice (id ("type"), name ("Type"), typeChoices, 0),
                    makeFloat (id ("freq"), name ("Freq"), makeRange (10.0f, 30000.0f, 0.0f, 1000.0f),
                               defaultBandFrequency (band), "Hz", frequencyToText),
                    makeFloat (id ("gain"), name ("Gain"), makeRange (-30.0f, 30.0f, 0.01f), 0.0f, "dB", decibelsToText),
                    makeFloat (id ("q"), name ("Q"), makeRange (0.1f, 40.0f, 0.0f, 1.0f), 0.707f, {}, qToText),
                    makeChoice (id ("slope"), name ("Slope"), slopeChoices, 1),
                    makeBool (id ("dynon"), name ("Dynamic"), false),
                    makeFloat (id ("thresh"), name ("Threshold"), makeRange (-72.0f, 12.0f, 0.1f), -18.0f, "dB",
                               thresholdToText),
                    makeFloat (id ("atk"), name ("Attack"), makeRange (0.1f, 200.0f, 0.0f, 10.0f), 5.0f, "ms",
                               millisecondsToText),
                    makeFloat (id ("rel"), name ("Release"), makeRange (5.0f, 1000.0f, 0.0f, 120.0f), 80.0f, "ms",
                               millisecondsToText),
                    makeFloat (id ("ratio"), name ("Ratio"), makeRange (1.0f, 20.0f, 0.0f, 4.0f), 20.0f, {}, ratioToText),
                    makeFloat (id ("knee"), name ("Knee"), makeRange (0.0f, 24.0f, 0.1f), 6.0f, "dB", decibelsToText),
                    makeBool (id ("auto"), name ("Auto"), true),
                    makeChoice (id ("channel"), name ("Channel"), channelChoices, 0),
                    makeBool (id ("scext"), name ("Sidechain"), false),
                    makeFloat (id ("tilt"), name ("Tilt"), makeRange (-18.0f, 18.0f, 0.1f), 0.0f, "dB", decibelsToText));
    }

    layout.add (makeFloat ("input", "Input", makeRange (-24.0f, 24.0f, 0.01f), 0.0f, "dB", decibelsToText),
                makeFloat ("output", "Output", makeRange (-24.0f, 24.0f, 0.01f), 0.0f, "dB", decibelsToText),
                makeBool ("bypass", "Bypass", false),
                makeChoice ("phasemode", "Phase", { "Zero Latency", "Natural Phase", "Linear Phase" }, 0),
                makeChoice ("oversample", "Oversampling", { "Off", "2x", "4x" }, 0),
                makeFloat ("gainscale", "Gain Scale", makeRange (0.0f, 200.0f, 0.1f), 100.0f, "%", percentToText),
                makeBool ("autogain", "Auto Gain", false));

    return layout;
}
