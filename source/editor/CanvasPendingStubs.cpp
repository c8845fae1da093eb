// Empty bodies of the editor and canvas operations that are not written yet, so that the editor
// links. Whoever writes one deletes its body here; the file goes when it is empty.

#include "CurveCanvas.h"
#include "FilterTypeIcon.h"
#include "SabrelEditor.h"
#include "SpectrumAnalyser.h"
#include "TranslucentMenuLnf.h"


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
void CurveCanvas::drawSpectrum (juce::Graphics&, const SpectrumAnalyser&, bool) {}
float CurveCanvas::spectrumPeakDb (const SpectrumAnalyser&, double, double, double) const { return -120.0f; }
float CurveCanvas::analyserDbToY (float) const { return 0.0f; }
void SpectrumAnalyser::process (const AnalyzerRing&) {}
void drawFilterTypeIcon (juce::Graphics&, juce::Rectangle<float>, int) {}
