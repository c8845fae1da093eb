#pragma once

#include "EditGestures.h"
#include "OpenMenus.h"
#include "SpectrumAnalyser.h"
#include "engine/BandSettings.h"
#include "engine/EqEngine.h"

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <array>
#include <functional>
#include <memory>

class SabrelProcessor;
class TranslucentMenuLnf;

// What an overlay value box shows and edits; each kind stands for one band parameter.
namespace ValueKind
{
constexpr int frequency = 0;
constexpr int gain = 1;
constexpr int q = 2;
constexpr int slope = 3;
constexpr int tilt = 4;
constexpr int ratio = 5;
constexpr int knee = 6;
constexpr int attack = 7;
constexpr int release = 8;
} // namespace ValueKind

// The band parameter suffix of a value kind, or null for a value that has no parameter.
const char* valueKindParameterSuffix (int kind) noexcept;

// The response-curve area of the editor: the curve over the analyser, one handle per band in
// use and the selected band's overlay. It edits the processor only through band parameters and
// mirrors each change in its working copy `bands` so the drawing follows at once.
class CurveCanvas : public juce::Component
{
public:
    explicit CurveCanvas (SabrelProcessor& processor);
    ~CurveCanvas() override;

    void mouseMove (const juce::MouseEvent& e) override;
    void mouseExit (const juce::MouseEvent& e) override;
    void mouseDown (const juce::MouseEvent& e) override;
    void mouseDrag (const juce::MouseEvent& e) override;
    void mouseUp (const juce::MouseEvent& e) override;
    void mouseDoubleClick (const juce::MouseEvent& e) override;
    void mouseWheelMove (const juce::MouseEvent& e, const juce::MouseWheelDetails& wheel) override;
    void paint (juce::Graphics& g) override;

    // Model and coordinates.
    void setBands (const BandSnapshot& newBands);
    // Draws and analyses at this rate from now on; a rate that is not finite and positive is
    // ignored.
    void setSampleRate (double rate);
    BandSnapshot scaledBands (const BandSnapshot& source) const;
    double xToFrequency (float x) const;
    float frequencyToX (double frequency) const;
    double yToDb (float y) const;
    float dbToY (double db) const;
    double xToThreshold (float x) const;
    float thresholdToX (double db) const;

    // Band parameter access: every canvas operation reads and writes band parameters here.
    juce::RangedAudioParameter* getBandParameter (int band, const juce::String& suffix) const;
    void setBandParameter (int band, const juce::String& suffix, float value);
    void toggleBandParameter (int band, const juce::String& suffix);
    static bool typeHasLevel (int type) noexcept;

    // Band operations.
    void selectBand (int band);
    void clearOtherSolos (int keep);
    int addBand (double frequency, double gainDb, int type);
    void deleteBand (int band); // switches it off; a selected band is deselected
    void setBandType (int band, int type);
    int defaultTypeForFrequency (double frequency) const;
    int findBandAt (juce::Point<float> point) const;
    bool isTypeAllowed (int type, double frequency, int ignoreBand) const;
    void beginBandDragGestures (int band);
    const char* handleLevelSuffix (int band) const; // "gain", "tilt" or null: what a handle drag moves

    // Mouse interaction.
    int findValueBoxAt (juce::Point<float> point) const;
    int findOverlayButtonAt (juce::Point<float> point) const;
    void setDynamicsSliderFromX (int slider, float x);
    void dragValueBox (const juce::MouseEvent& e);
    void dragBandLevel (int band, float y);
    void endDrags(); // ends whichever drag is in progress, and its gestures

    // Value boxes and the inline editor.
    void openValueEditor (int box);
    void commitValueEditor (bool apply);
    void cancelValueEditor();
    float getValueOfKind (int kind) const;

    // Menus.
    void showAddBandMenu (float x);
    void handleAddBandMenuResult (double frequency, double gainDb, int id);
    void showBandMenu (int band);
    void handleBandMenuResult (int band, int id);
    void showTypeMenu (int band);
    void handleTypeMenuResult (int band, int id);
    void showChannelMenu (int band);
    void handleChannelMenuResult (int band, int id);

    // Painting.
    juce::Path buildResponsePath (const EqEngine& model, int channelMask,
                                  const std::array<int, eqBandCount>& channels) const;
    double bandHandleLevel (int band) const;
    double bandHandleLevelStatic (int band) const;
    double summedMagnitudeDb (const EqEngine& model, int band) const;

    // Band overlay.
    void drawBandOverlay (juce::Graphics& g, float anchorX, float anchorY, float handleRadius);
    void drawToggleChip (juce::Graphics& g, juce::Rectangle<float> area, const juce::String& text, bool lit);
    void drawOverlayValueRow (juce::Graphics& g, juce::Rectangle<float> track, const juce::String& suffix,
                              const juce::String& label, float labelWidth, float valueWidth);
    void drawOverlayButtonBackground (juce::Graphics& g, int button);
    static juce::String formatFrequency (double hz);

    // Analyser.
    void updateAnalysers();
    void drawSpectrum (juce::Graphics& g, const SpectrumAnalyser& analyser, bool post);
    float spectrumPeakDb (const SpectrumAnalyser& analyser, double lowHz, double highHz, double centreHz) const;
    float analyserDbToY (float db) const;

    bool matchedDesign = false;
    bool hasDynamicBands = false;
    double gainScale = 1.0;
    std::function<void (int)> onBandSelected;
    SabrelProcessor* processor;
    EqEngine staticModel;
    EqEngine dynamicModel;
    BandSnapshot bands {};
    SpectrumAnalyser preAnalyser;
    SpectrumAnalyser postAnalyser;
    double sampleRate = 48000.0;
    int analyzerMode = 2;
    juce::Image analyserImage;
    bool analyserImageDirty = true;
    juce::Rectangle<float> powerRect;
    juce::Rectangle<float> soloRect;
    juce::Rectangle<float> closeRect;
    juce::Rectangle<float> dynRect;
    juce::Rectangle<float> autoRect;
    juce::Rectangle<float> sidechainRect;
    std::array<juce::Rectangle<float>, 4> dynSliderRects {};
    std::array<juce::Rectangle<float>, 8> valueBoxRects {};
    juce::Rectangle<float> typeLabelRect;
    juce::Rectangle<float> channelLabelRect;
    bool typeLabelHover = false;
    bool channelLabelHover = false;
    std::array<int, 8> valueBoxKinds {};
    int valueBoxCount = 0;
    int hoverValueBox = -1;
    int draggedValueBox = -1;
    float valueDragStartValue = 0.0f;
    float valueDragStartY = 0.0f;
    std::unique_ptr<juce::TextEditor> valueEditor;
    int editedValueBox = -1;
    std::unique_ptr<TranslucentMenuLnf> menuLookAndFeel;
    OpenMenus openMenus; // after the look-and-feel, so its menus close before that goes
    juce::Rectangle<float> overlayRect;
    bool overlayVisible = false;
    bool autoShown = false;
    bool sidechainShown = false;
    int dynSliderCount = 0;
    int dynSliderDrag = -1;
    int thresholdBand = -1;
    juce::Rectangle<float> thresholdTrackRect;
    int thresholdDrag = -1;
    int dragBand = -1;
    int hoverBand = -1;
    int selectedBand = -1;
    float bandDragStartY = 0.0f;
    double bandDragStartGain = 0.0;
    double bandDragStartTilt = 0.0;
    double lastSlopeWheelMs = 0.0;
    // Every parameter change of the canvas goes through here: a drag's changes stay in one
    // gesture per parameter until the release, any other change has a gesture of its own.
    // Whatever is open when the canvas goes is ended with it.
    DragGestures dragGestures;

private:
    // Step 2 of paint: the cached trace image, rebuilt when dirty, resized or rescaled.
    void paintAnalyserImage (juce::Graphics& g);
    // The overlay's threshold track, detector level and gain-change meter.
    void drawCompressorSection (juce::Graphics& g, float left, float top, float contentWidth, bool slidersShown);

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (CurveCanvas)
};
