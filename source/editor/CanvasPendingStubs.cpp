// Empty bodies of the editor and canvas operations that are not written yet, so that the editor
// links. Whoever writes one deletes its body here; the file goes when it is empty.

#include "CurveCanvas.h"
#include "SabrelEditor.h"
#include "SpectrumAnalyser.h"
#include "TranslucentMenuLnf.h"

// Footer menus and buttons.
void SabrelEditor::showSettingsMenu() {}
void SabrelEditor::handleSettingsMenuResult (int) {}
void SabrelEditor::showHelpMenu() {}
void SabrelEditor::handleHelpMenuResult (int) {}
void SabrelEditor::openUpdateDownload() {}
void SabrelEditor::refreshUpdatePill() {}
void SabrelEditor::HelpButton::paintButton (juce::Graphics&, bool, bool) {}
void SabrelEditor::UpdatePill::paintButton (juce::Graphics&, bool, bool) {}
juce::Path makeGearPath (float, float, float) { return {}; }

// Canvas band operations.
void CurveCanvas::selectBand (int) {}
void CurveCanvas::clearOtherSolos (int) {}
int CurveCanvas::addBand (double, double, int) { return -1; }
void CurveCanvas::setBandType (int, int) {}
int CurveCanvas::defaultTypeForFrequency (double) const { return FilterType::bell; }
int CurveCanvas::findBandAt (juce::Point<float>) const { return -1; }
bool CurveCanvas::isTypeAllowed (int, double, int) const { return true; }
void CurveCanvas::beginBandDragGestures (int) {}
void CurveCanvas::endBandDragGestures() {}

// Canvas mouse, value boxes, menus.
void CurveCanvas::mouseMove (const juce::MouseEvent&) {}
void CurveCanvas::mouseExit (const juce::MouseEvent&) {}
void CurveCanvas::mouseDown (const juce::MouseEvent&) {}
void CurveCanvas::mouseDrag (const juce::MouseEvent&) {}
void CurveCanvas::mouseUp (const juce::MouseEvent&) {}
void CurveCanvas::mouseDoubleClick (const juce::MouseEvent&) {}
void CurveCanvas::mouseWheelMove (const juce::MouseEvent&, const juce::MouseWheelDetails&) {}
int CurveCanvas::findValueBoxAt (juce::Point<float>) const { return -1; }
int CurveCanvas::findOverlayButtonAt (juce::Point<float>) const { return -1; }
void CurveCanvas::setDynamicsSliderFromX (int, float) {}
void CurveCanvas::dragValueBox (const juce::MouseEvent&) {}
void CurveCanvas::dragBandLevel (int, float) {}
void CurveCanvas::openValueEditor (int) {}
void CurveCanvas::commitValueEditor (bool) {}
void CurveCanvas::cancelValueEditor() {}
float CurveCanvas::getValueOfKind (int) const { return 0.0f; }
void CurveCanvas::showAddBandMenu (float) {}
void CurveCanvas::handleAddBandMenuResult (double, double, int) {}
void CurveCanvas::showBandMenu (int) {}
void CurveCanvas::handleBandMenuResult (int, int) {}
void CurveCanvas::showTypeMenu (int) {}
void CurveCanvas::handleTypeMenuResult (int, int) {}
void CurveCanvas::showChannelMenu (int) {}
void CurveCanvas::handleChannelMenuResult (int, int) {}
TranslucentMenuLnf::TranslucentMenuLnf() {}
TranslucentMenuLnf::~TranslucentMenuLnf() = default;
void TranslucentMenuLnf::drawPopupMenuBackground (juce::Graphics&, int, int) {}
std::unique_ptr<TranslucentMenuLnf> makeTranslucentMenuLnf() { return std::make_unique<TranslucentMenuLnf>(); }

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
