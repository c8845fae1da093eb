#pragma once

#include "BackgroundCache.h"
#include "CurveCanvas.h"
#include "KnobAttachment.h"
#include "SwitchAttachment.h"
#include "XErrorFilter.h"
#include "engine/SabrelProcessor.h"
#include "kit/Knob.h"
#include "kit/LevelMeter.h"
#include "kit/PanelPainter.h"
#include "kit/PluginHeader.h"
#include "kit/SslLookAndFeel.h"

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <array>
#include <memory>

// The plug-in window. Every control lives in `content`, laid out and painted in a fixed design
// area of 980 x 690 and shown scaled as a whole by the user's UI scale (0.75 to 2.0).
class SabrelEditor : public juce::AudioProcessorEditor,
                     public juce::ChangeListener
{
public:
    static constexpr int designWidth = 980;
    static constexpr int designHeight = 690;
    static constexpr double minScale = 0.75;
    static constexpr double maxScale = 2.0;
    static constexpr double refreshIntervalMs = 33.0;

    using CurveCanvas = ::CurveCanvas;

    // Every control of the window is a child of this one component.
    class Content : public juce::Component
    {
    public:
        explicit Content (SabrelEditor& ownerEditor) : owner (ownerEditor) {}

        void paint (juce::Graphics& g) override;
        void resized() override;

        // The shadowed well and tick scale under one knob.
        static void drawKnobDecoration (juce::Graphics& g, const kov::KitPalette& wellPalette, juce::Rectangle<int> knobBounds);

        SabrelEditor& owner;
        BackgroundCache background; // paintContent's result, painted again only when it would change
    };

    class HelpButton : public juce::Button
    {
    public:
        explicit HelpButton (const juce::String& name);
        ~HelpButton() override;

        void paintButton (juce::Graphics& g, bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown) override;

        juce::uint32 normalColour = 0xff9aa0a8;
        juce::uint32 highlightColour = 0xffe7ebf0;
    };

    class UpdatePill : public juce::Button
    {
    public:
        explicit UpdatePill (const juce::String& name);

        void paintButton (juce::Graphics& g, bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown) override;
    };

    explicit SabrelEditor (SabrelProcessor& processor);
    ~SabrelEditor() override;

    void paint (juce::Graphics& g) override;
    void resized() override;
    void changeListenerCallback (juce::ChangeBroadcaster* source) override;

    // Window.
    void setUiScale (double scale);
    void setUpMeterCaption (juce::Label& label, const juce::String& text);
    static kov::KitPalette knobPalette();
    static kov::KitPalette meterPalette();

    // Layout and background.
    void layoutContent();
    static void placeInRow (juce::Component& component, int width, int& x, int rowY, int rowHeight, int gap);
    static void layoutMeterPair (juce::Rectangle<int> column, juce::Label& caption, kov::LevelMeter& wide,
                                 kov::LevelMeter& narrow, bool wideOnLeft);
    void paintContent (juce::Graphics& g);
    // What paintContent's picture depends on besides the constant palettes and textures.
    BackgroundCache::Key backgroundKey() const;
    static int updatePillWidth (float textWidth) { return juce::roundToInt (textWidth) + 18; }

    // Band panel. showBandInPanel shows the band it is given; followPanelBand, on each display
    // tick, rebinds the panel when that band's type or on flag has changed since (host edits
    // reach the editor only through the parameters), and shows no band while it is off.
    void showBandInPanel (int band);
    void followPanelBand (const BandSnapshot& bands);
    void bindPanelToBand (int band);
    bool isPanelKnobDragged() const;
    void onCanvasBandSelected (int band);
    void stepSelectedBand (int step);
    void setBandKnobEnabled (kov::Knob& knob, bool enabled);
    void installKnobTextFunctions (juce::Slider& slider, const juce::String& parameterId);
    static juce::String knobTextFromValue (const juce::RangedAudioParameter& parameter, double value);
    static double knobValueFromText (const juce::RangedAudioParameter& parameter, const juce::String& text);
    static juce::String emptyKnobText (double value);

    // Display refresh. The overload taking the time lets a caller drive the clock.
    void onDisplayRefresh();
    void onDisplayRefresh (double nowMs);
    BandSnapshot syncCurveFromProcessor();
    void refreshPhaseButtons();
    void selectPhaseMode (int index);
    void setAnalyzerMode (int mode);

    // Footer menus and the update indicator.
    void showSettingsMenu();
    void handleSettingsMenuResult (int id);
    void showHelpMenu();
    void handleHelpMenuResult (int id);
    void openUpdateDownload();
    void refreshUpdatePill();

    XErrorFilter xErrorFilter; // first in: the window's errors stay inside from its first request
    double uiScale = 1.0;
    double lastRefreshMs = 0.0;
    int panelBand = -1; // the band the panel was asked to show, or -1
    int panelShownType = -1; // the type the panel is bound for, or -1 while it shows no band
    SabrelProcessor& processor;
    kov::SslLookAndFeel mainLookAndFeel;
    kov::SslLookAndFeel knobLookAndFeel;
    kov::SslLookAndFeel bandLookAndFeel;
    kov::PanelPainter panelPainter;
    Content content;
    kov::PluginHeader header;
    CurveCanvas curveCanvas;
    kov::Knob inputKnob;
    kov::Knob outputKnob;
    juce::TextButton bypassButton;
    kov::Knob scaleKnob;
    juce::TextButton autoGainButton;
    juce::ShapeButton settingsButton;
    HelpButton helpButton;
    UpdatePill updatePill;
    std::array<juce::TextButton, 3> phaseButtons;
    kov::Knob freqKnob;
    kov::Knob gainKnob;
    kov::Knob qKnob;
    juce::Label bandCaption;
    juce::TextButton prevBandButton;
    juce::TextButton nextBandButton;
    std::array<kov::LevelMeter, 4> meters; // input left, input right, output left, output right
    juce::Label inCaption;
    juce::Label outCaption;
    juce::String buildStamp;
    juce::Rectangle<int> footerArea, canvasArea, bandPanelArea, inMeterArea, outMeterArea;

    using SliderAttachment = KnobAttachment; // closes the gesture of a drag it does not live to see end
    using ButtonAttachment = SwitchAttachment; // never shows a value the parameter refused
    std::unique_ptr<SliderAttachment> inputAttachment, outputAttachment, freqAttachment, gainAttachment,
        qAttachment, scaleAttachment;
    std::unique_ptr<ButtonAttachment> bypassAttachment, autoGainAttachment;
    juce::VBlankAttachment vblank;
    OpenMenus openMenus; // the settings and help menus; closed first when the editor goes
    // Shows the controls' tooltips (the update pill's). A child of the editor, as a plug-in opens
    // no windows of its own; it goes with the editor.
    juce::TooltipWindow tooltipWindow { this };

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SabrelEditor)
};

// An eight-toothed gear with a round hole, centred on the origin.
juce::Path makeGearPath (float outerRadius, float innerRadius, float holeRadius);
