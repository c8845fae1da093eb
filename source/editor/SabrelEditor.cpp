#include "SabrelEditor.h"

#include "KnobFilmstrip.h"
#include "kit/KitFonts.h"

#include <BinaryData.h>

#include <cmath>
#include <tuple>

#ifndef SABREL_BUILD_DATE_TIME
 #define SABREL_BUILD_DATE_TIME "2026-06-22 20:49:14"
#endif

namespace
{
const juce::Identifier uiScaleProperty ("uiScale");
const juce::Identifier analyzerModeProperty ("analyzerMode");

const kov::KitPalette& standardPalette() { return kov::KitPalette::standard(); }

// A stored view setting as a number: the fallback when it is absent or not a finite number,
// which a crafted state block could carry.
double storedNumber (const juce::var& stored, double fallback)
{
    if (stored.isVoid() || ! (stored.isInt() || stored.isInt64() || stored.isDouble() || stored.isBool() || stored.isString()))
        return fallback;

    const auto value = (double) stored;
    return std::isfinite (value) ? value : fallback;
}

void addFlatToggle (juce::Component& content, juce::TextButton& button, juce::uint32 onColour)
{
    button.setClickingTogglesState (true);
    button.getProperties().set ("tcflat", true);
    button.setColour (juce::TextButton::buttonOnColourId, juce::Colour (onColour));
    content.addAndMakeVisible (button);
}
} // namespace

kov::KitPalette SabrelEditor::knobPalette()
{
    auto p = standardPalette();
    p.accent = juce::Colour (0xff1b1d20);
    p.textDim = juce::Colour (0xffb4b9c0);
    return p;
}

kov::KitPalette SabrelEditor::meterPalette()
{
    auto p = standardPalette();
    p.background = juce::Colour (0x00000000);
    p.well = juce::Colour (0xff14171c);
    p.textDim = juce::Colour (0xff9aa0a8);
    return p;
}

SabrelEditor::SabrelEditor (SabrelProcessor& p)
    : juce::AudioProcessorEditor (p),
      processor (p),
      mainLookAndFeel (standardPalette()),
      knobLookAndFeel (knobPalette()),
      bandLookAndFeel (knobPalette()),
      content (*this),
      header (standardPalette()),
      curveCanvas (p),
      inputKnob ("Input", knobPalette()),
      outputKnob ("Output", knobPalette()),
      bypassButton ("BYPASS"),
      scaleKnob ("Scale", knobPalette()),
      autoGainButton ("AUTO"),
      settingsButton ("settings", standardPalette().textDim, standardPalette().text, standardPalette().text),
      helpButton ("help"),
      updatePill ("update"),
      freqKnob ("Freq", knobPalette()),
      gainKnob ("Gain", knobPalette()),
      qKnob ("Q", knobPalette()),
      meters { { kov::LevelMeter (meterPalette()), kov::LevelMeter (meterPalette()),
                 kov::LevelMeter (meterPalette()), kov::LevelMeter (meterPalette()) } }
{
    // 1-2
    setLookAndFeel (&mainLookAndFeel);
    addAndMakeVisible (content);

    // 3
    const juce::String wrapperType (juce::AudioProcessor::getWrapperTypeDescription (processor.wrapperType));
    buildStamp = wrapperType + "  build " + SABREL_BUILD_DATE_TIME;

    // 4
    header.setTitleText ("Sabrel");
    header.setLogo();
    header.setLogoHeight (22.0f);
    content.addAndMakeVisible (header);

    // 5: the display refresh follows the rate whenever the host prepares the processor again.
    curveCanvas.setSampleRate (processor.preparedSampleRate.load (std::memory_order_relaxed));
    curveCanvas.setBands (processor.snapshotBands());
    content.addAndMakeVisible (curveCanvas);

    // 6-7
    setUpMeterCaption (inCaption, "IN");
    setUpMeterCaption (outCaption, "OUT");
    meters[0].setScaleOnLeft (true);
    meters[0].setScaleVisible (true);
    meters[1].setScaleVisible (false);
    meters[2].setScaleVisible (false);
    meters[3].setScaleOnLeft (false);
    meters[3].setScaleVisible (true);
    for (auto& meter : meters)
    {
        meter.setOpaque (false);
        content.addAndMakeVisible (meter);
    }

    // 8: one decoded strip pair shared by the three look-and-feels, or the procedural knobs.
    if (auto renderer = makeKnobFilmstripRenderer (
            juce::ImageCache::getFromMemory (BinaryData::knob_master_png, BinaryData::knob_master_pngSize),
            juce::ImageCache::getFromMemory (BinaryData::knob_aux_png, BinaryData::knob_aux_pngSize)))
    {
        for (auto* lnf : { &mainLookAndFeel, &knobLookAndFeel, &bandLookAndFeel })
            lnf->knobRenderer = renderer;
    }

    // 9-10
    for (auto* knob : { &inputKnob, &outputKnob, &scaleKnob })
    {
        if (&knob->getLookAndFeel() != &knobLookAndFeel)
            knob->setLookAndFeel (&knobLookAndFeel);
        content.addAndMakeVisible (*knob);
    }
    inputAttachment = std::make_unique<SliderAttachment> (processor.apvts, "input", inputKnob.slider);
    outputAttachment = std::make_unique<SliderAttachment> (processor.apvts, "output", outputKnob.slider);
    scaleAttachment = std::make_unique<SliderAttachment> (processor.apvts, "gainscale", scaleKnob.slider);

    // 11-12
    addFlatToggle (content, bypassButton, 0xffff2a1c);
    bypassAttachment = std::make_unique<ButtonAttachment> (processor.apvts, "bypass", bypassButton);
    addFlatToggle (content, autoGainButton, 0xff35d15a);
    autoGainAttachment = std::make_unique<ButtonAttachment> (processor.apvts, "autogain", autoGainButton);

    // 13
    // Clamped before the conversion to int, so that no stored value is out of the int range.
    setAnalyzerMode ((int) juce::jlimit (0.0, 2.0, storedNumber (processor.getViewProperty (analyzerModeProperty), 2.0)));

    // 14-15
    for (auto* knob : { &freqKnob, &gainKnob, &qKnob })
    {
        if (&knob->getLookAndFeel() != &bandLookAndFeel)
            knob->setLookAndFeel (&bandLookAndFeel);
        content.addAndMakeVisible (*knob);
    }
    bandCaption.setJustificationType (juce::Justification::centred);
    bandCaption.setFont (kov::boldFont (10.0f));
    bandCaption.setColour (juce::Label::textColourId, juce::Colour (0xffb4b9c0));
    content.addAndMakeVisible (bandCaption);

    // 16-17
    curveCanvas.onBandSelected = [this] (int band) { onCanvasBandSelected (band); };
    for (auto [button, direction, step] : { std::tuple { &prevBandButton, "left", -1 },
                                            std::tuple { &nextBandButton, "right", 1 } })
    {
        button->getProperties().set ("tcflat", true);
        button->getProperties().set ("tcarrow", juce::String (direction));
        button->setColour (juce::TextButton::textColourOffId, juce::Colour (0xffc6cad0));
        button->onClick = [this, s = step] { stepSelectedBand (s); };
        content.addAndMakeVisible (*button);
    }

    // 18-19
    const char* const phaseTexts[] { "ZERO LAT", "NATURAL", "LINEAR" };
    for (int i = 0; i < 3; ++i)
    {
        auto& button = phaseButtons[(size_t) i];
        button.setButtonText (phaseTexts[i]);
        addFlatToggle (content, button, 0xff35d15a);
        button.onClick = [this, i] { selectPhaseMode (i); };
    }
    refreshPhaseButtons();

    // 20-22
    settingsButton.setShape (makeGearPath (1.0f, 0.74f, 0.4f), false, true, false);
    settingsButton.setOutline (juce::Colour (0x00000000), 0.0f);
    settingsButton.onClick = [this] { showSettingsMenu(); };
    content.addAndMakeVisible (settingsButton);

    helpButton.normalColour = mainLookAndFeel.palette.textDim.getARGB();
    helpButton.highlightColour = mainLookAndFeel.palette.text.getARGB();
    helpButton.onClick = [this] { showHelpMenu(); };
    content.addAndMakeVisible (helpButton);

    updatePill.onClick = [this] { openUpdateDownload(); };
    content.addChildComponent (updatePill);

    // 23-26
    processor.updateChecker.broadcaster.addChangeListener (this);
    refreshUpdatePill();
    processor.updateChecker.pluginFormat = wrapperType;
    processor.updateChecker.checkIfDue();

    // 27-28
    setResizable (false, false);
    setUiScale (storedNumber (processor.getViewProperty (uiScaleProperty), 1.0));

    // 29
    int first = -1;
    const auto bands = processor.snapshotBands();
    for (int i = 0; i < eqBandCount && first < 0; ++i)
        if (bands[(size_t) i].on)
            first = i;
    curveCanvas.selectBand (first);
    showBandInPanel (first);

    // 30: from here on, display refreshes drive the editor.
    vblank = juce::VBlankAttachment (this, [this] { onDisplayRefresh(); });
}

SabrelEditor::~SabrelEditor()
{
    processor.updateChecker.broadcaster.removeChangeListener (this);
    vblank = juce::VBlankAttachment();

    for (auto* knob : { &inputKnob, &outputKnob, &scaleKnob, &freqKnob, &gainKnob, &qKnob })
        knob->setLookAndFeel (nullptr); // sends a change only when one was set

    setLookAndFeel (nullptr);
}

void SabrelEditor::setUpMeterCaption (juce::Label& label, const juce::String& text)
{
    label.setText (text, juce::dontSendNotification);
    label.setJustificationType (juce::Justification::centred);
    label.setFont (kov::boldFont (9.0f));
    label.setColour (juce::Label::textColourId, juce::Colour (0xffb4b9c0));
    content.addAndMakeVisible (label);
}

void SabrelEditor::setUiScale (double scale)
{
    // NaN would pass the clamp and size the window from garbage: it counts as the default.
    const auto s = juce::jlimit (minScale, maxScale, std::isnan (scale) ? 1.0 : scale);
    uiScale = s;
    processor.setViewProperty (uiScaleProperty, s);
    setSize (juce::roundToInt (designWidth * s), juce::roundToInt (designHeight * s));
}

void SabrelEditor::resized()
{
    const auto s = juce::jlimit (minScale, maxScale, getWidth() / (double) designWidth);
    content.setBounds (0, 0, designWidth, designHeight);
    content.setTransform (juce::AffineTransform::scale ((float) s));
}

void SabrelEditor::paint (juce::Graphics& g)
{
    g.fillAll (mainLookAndFeel.palette.background);
}

void SabrelEditor::changeListenerCallback (juce::ChangeBroadcaster*)
{
    refreshUpdatePill();
}

SabrelEditor::HelpButton::HelpButton (const juce::String& name) : juce::Button (name)
{
    setMouseCursor (juce::MouseCursor::PointingHandCursor);
}

SabrelEditor::HelpButton::~HelpButton() = default;

SabrelEditor::UpdatePill::UpdatePill (const juce::String& name) : juce::Button (name)
{
    setMouseCursor (juce::MouseCursor::PointingHandCursor);
}
