#include "BandPanel.h"

#include "BandColours.h"
#include "SabrelEditor.h"

#include <algorithm>

namespace
{
const juce::Colour noBandAccent { 0xff2a2d33 };
const juce::Colour noBandCaptionColour { 0xff6b7178 };
constexpr float disabledKnobAlpha = 0.32f;

bool typeUsesGain (int type)
{
    return type == FilterType::bell || type == FilterType::lowShelf || type == FilterType::highShelf
           || type == FilterType::tilt;
}

bool typeUsesQ (int type)
{
    return type == FilterType::bell || type == FilterType::lowShelf || type == FilterType::highShelf
           || type == FilterType::notch;
}
} // namespace

juce::String bandTypeCaption (int type)
{
    static const char* const captions[] { "BELL", "LOW SHELF", "HIGH SHELF", "LOW CUT", "HIGH CUT", "NOTCH", "TILT" };
    return type >= 0 && type < (int) std::size (captions) ? captions[type] : "";
}

bool bandFrequencyLess (const BandSnapshot& bands, int a, int b)
{
    return bands[(size_t) a].freq < bands[(size_t) b].freq;
}

void sortBandIndicesByFrequency (std::vector<int>& indices, const BandSnapshot& bands)
{
    std::stable_sort (indices.begin(), indices.end(), [&bands] (int a, int b) { return bandFrequencyLess (bands, a, b); });
}

void SabrelEditor::onCanvasBandSelected (int band) { showBandInPanel (band); }

void SabrelEditor::showBandInPanel (int n)
{
    panelBand = (unsigned) n < (unsigned) eqBandCount ? n : -1;
    bindPanelToBand (n);
}

void SabrelEditor::followPanelBand (const BandSnapshot& bands)
{
    const bool inUse = panelBand >= 0 && bands[(size_t) panelBand].on;
    const int wanted = inUse ? bands[(size_t) panelBand].type : -1;

    // Rebinding in the middle of a drag on a panel knob would end the user's gesture on another
    // parameter than the one it began on, so the change waits for the release.
    if (wanted != panelShownType && ! isPanelKnobDragged())
        bindPanelToBand (inUse ? panelBand : -1);
}

bool SabrelEditor::isPanelKnobDragged() const
{
    for (const auto* knob : { &freqKnob, &gainKnob, &qKnob })
        if (knob->slider.getThumbBeingDragged() >= 0)
            return true;

    return false;
}

void SabrelEditor::bindPanelToBand (int n)
{
    for (juce::Component* c : { (juce::Component*) &freqKnob, (juce::Component*) &gainKnob, (juce::Component*) &qKnob,
                                 (juce::Component*) &bandCaption, (juce::Component*) &prevBandButton,
                                 (juce::Component*) &nextBandButton })
        c->setVisible (true);

    kov::Knob* const knobs[] { &freqKnob, &gainKnob, &qKnob };

    if ((unsigned) n < (unsigned) eqBandCount)
    {
        const int type = processor.snapshotBands()[(size_t) n].type;
        panelShownType = type;

        freqAttachment.reset();
        gainAttachment.reset();
        qAttachment.reset();

        const auto freqId = bandParamId (n, "freq");
        const auto gainId = bandParamId (n, type == FilterType::tilt ? "tilt" : "gain");
        const auto qId = bandParamId (n, "q");
        freqAttachment = std::make_unique<SliderAttachment> (processor.apvts, freqId, freqKnob.slider);
        gainAttachment = std::make_unique<SliderAttachment> (processor.apvts, gainId, gainKnob.slider);
        qAttachment = std::make_unique<SliderAttachment> (processor.apvts, qId, qKnob.slider);

        installKnobTextFunctions (freqKnob.slider, freqId);
        installKnobTextFunctions (gainKnob.slider, gainId);
        installKnobTextFunctions (qKnob.slider, qId);

        gainKnob.setCaption (type == FilterType::tilt ? "Tilt" : "Gain");

        setBandKnobEnabled (freqKnob, true);
        setBandKnobEnabled (gainKnob, typeUsesGain (type));
        setBandKnobEnabled (qKnob, typeUsesQ (type));

        const auto colour = bandColour (n);
        bandLookAndFeel.palette.accent = colour;
        for (auto* knob : knobs)
            knob->repaint();

        bandCaption.setColour (juce::Label::textColourId, colour);
        bandCaption.setText ("BAND " + juce::String (n + 1) + "    " + bandTypeCaption (type), juce::dontSendNotification);
    }
    else
    {
        panelShownType = -1;
        freqAttachment.reset();
        gainAttachment.reset();
        qAttachment.reset();

        for (auto* knob : knobs)
            setBandKnobEnabled (*knob, false);

        for (auto* knob : knobs)
        {
            auto& slider = knob->slider;
            slider.setValue (slider.proportionOfLengthToValue (0.5), juce::dontSendNotification);
            slider.textFromValueFunction = emptyKnobText;
            slider.updateText();
        }

        bandLookAndFeel.palette.accent = noBandAccent;
        for (auto* knob : knobs)
            knob->repaint();

        bandCaption.setColour (juce::Label::textColourId, noBandCaptionColour);
        bandCaption.setText ("NO BAND", juce::dontSendNotification);
        layoutContent();
    }

    content.repaint();
}

void SabrelEditor::setBandKnobEnabled (kov::Knob& knob, bool enabled)
{
    knob.slider.setEnabled (enabled);
    knob.setAlpha (enabled ? 1.0f : disabledKnobAlpha);
}

void SabrelEditor::installKnobTextFunctions (juce::Slider& slider, const juce::String& parameterId)
{
    auto* parameter = processor.apvts.getParameter (parameterId);
    if (parameter == nullptr)
        return;

    slider.textFromValueFunction = [parameter] (double value) { return knobTextFromValue (*parameter, value); };
    slider.valueFromTextFunction = [parameter] (const juce::String& text) { return knobValueFromText (*parameter, text); };
    slider.updateText();
}

juce::String SabrelEditor::knobTextFromValue (const juce::RangedAudioParameter& parameter, double value)
{
    const auto text = parameter.getText (parameter.convertTo0to1 ((float) value), 0);
    const auto label = parameter.getLabel();
    return label.isNotEmpty() ? text + " " + label : text;
}

double SabrelEditor::knobValueFromText (const juce::RangedAudioParameter& parameter, const juce::String& text)
{
    const auto normalised = juce::jlimit (0.0f, 1.0f, parameter.getValueForText (text));
    return (double) parameter.convertFrom0to1 (normalised);
}

juce::String SabrelEditor::emptyKnobText (double) { return {}; }

void SabrelEditor::stepSelectedBand (int step)
{
    const auto snapshot = processor.snapshotBands();

    std::vector<int> list;
    for (int i = 0; i < eqBandCount; ++i)
        if (snapshot[(size_t) i].on)
            list.push_back (i);

    if (list.empty())
        return;

    sortBandIndicesByFrequency (list, snapshot);

    const int count = (int) list.size();
    const auto found = std::find (list.begin(), list.end(), curveCanvas.selectedBand);
    int target;
    if (found != list.end())
        target = list[(size_t) (((int) (found - list.begin()) + count + step) % count)];
    else
        target = step <= 0 ? list.back() : list.front();

    curveCanvas.selectBand (target);
}
