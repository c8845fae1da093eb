// Empty bodies of the editor and canvas operations that are not written yet, so that the editor
// links. Whoever writes one deletes its body here; the file goes when it is empty.

#include "BandPanel.h"
#include "CurveCanvas.h"
#include "FilterTypeIcon.h"
#include "SabrelEditor.h"
#include "SpectrumAnalyser.h"
#include "TranslucentMenuLnf.h"

// Layout, background, band panel, display refresh.
void SabrelEditor::Content::paint (juce::Graphics&) {}
void SabrelEditor::Content::resized() { owner.layoutContent(); }
void SabrelEditor::Content::drawKnobDecoration (juce::Graphics&, const kov::KitPalette&, juce::Rectangle<int>) {}
void SabrelEditor::layoutContent() {}
void SabrelEditor::placeInRow (juce::Component&, int, int&, int, int, int) {}
void SabrelEditor::layoutMeterPair (juce::Rectangle<int>, juce::Label&, kov::LevelMeter&, kov::LevelMeter&, bool) {}
void SabrelEditor::paintContent (juce::Graphics&) {}
void SabrelEditor::showBandInPanel (int) {}
void SabrelEditor::onCanvasBandSelected (int) {}
void SabrelEditor::stepSelectedBand (int) {}
void SabrelEditor::setBandKnobEnabled (kov::Knob&, bool) {}
void SabrelEditor::installKnobTextFunctions (juce::Slider&, const juce::String&) {}
juce::String SabrelEditor::knobTextFromValue (const juce::RangedAudioParameter&, double) { return {}; }
double SabrelEditor::knobValueFromText (const juce::RangedAudioParameter&, const juce::String&) { return 0.0; }
juce::String SabrelEditor::emptyKnobText (double) { return {}; }
juce::String bandTypeCaption (int) { return {}; }
void sortBandIndicesByFrequency (std::vector<int>&, const BandSnapshot&) {}
bool bandFrequencyLess (const BandSnapshot&, int, int) { return false; }
void SabrelEditor::onDisplayRefresh() {}
void SabrelEditor::onDisplayRefresh (double) {}
BandSnapshot SabrelEditor::syncCurveFromProcessor() { return {}; }
void SabrelEditor::refreshPhaseButtons() {}
void SabrelEditor::selectPhaseMode (int) {}
void SabrelEditor::setAnalyzerMode (int) {}

// Canvas painting, overlay, analyser.
void CurveCanvas::paint (juce::Graphics&) {}
juce::Path CurveCanvas::buildResponsePath (const EqEngine&, int, const std::array<int, eqBandCount>&) const { return {}; }
double CurveCanvas::bandHandleLevel (int) const { return 0.0; }
double CurveCanvas::bandHandleLevelStatic (int) const { return 0.0; }
double CurveCanvas::summedMagnitudeDb (const EqEngine&, int) const { return 0.0; }
void CurveCanvas::drawBandOverlay (juce::Graphics&, float, float, float) {}
void CurveCanvas::drawToggleChip (juce::Graphics&, juce::Rectangle<float>, const juce::String&, bool) {}
void CurveCanvas::drawOverlayValueRow (juce::Graphics&, juce::Rectangle<float>, const juce::String&, const juce::String&, float, float) {}
void CurveCanvas::drawOverlayButtonBackground (juce::Graphics&, int) {}
void CurveCanvas::updateAnalysers() {}
void CurveCanvas::drawSpectrum (juce::Graphics&, const SpectrumAnalyser&, bool) {}
float CurveCanvas::spectrumPeakDb (const SpectrumAnalyser&, double, double, double) const { return -120.0f; }
float CurveCanvas::analyserDbToY (float) const { return 0.0f; }
void SpectrumAnalyser::process (const AnalyzerRing&) {}
void drawFilterTypeIcon (juce::Graphics&, juce::Rectangle<float>, int) {}
