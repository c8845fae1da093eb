#include "SabrelEditor.h"

// All periodic work of the editor rides on the vertical-blank callback: a tick at most every
// 33 ms (phase LEDs, meters, analysers) and a model sync after each tick and, while the user
// drags on the canvas, on every callback.

namespace
{
const juce::Identifier analyzerModeProperty ("analyzerMode");
const juce::Identifier ledLevelProperty ("tcledlevel");
constexpr float silenceDb = -100.0f;

bool isDynamicCandidate (const BandSettings& band)
{
    return band.on && band.dynamic
           && (band.type == FilterType::bell || band.type == FilterType::lowShelf || band.type == FilterType::highShelf);
}
} // namespace

void SabrelEditor::onDisplayRefresh() { onDisplayRefresh (juce::Time::getMillisecondCounterHiRes()); }

void SabrelEditor::onDisplayRefresh (double nowMs)
{
    auto& canvas = curveCanvas;
    const bool interacting = canvas.dragBand >= 0 || canvas.draggedValueBox >= 0 || canvas.dynSliderDrag >= 0
                             || canvas.thresholdDrag >= 0;

    const bool tick = nowMs - lastRefreshMs >= refreshIntervalMs;

    if (tick)
    {
        lastRefreshMs = nowMs;
        refreshPhaseButtons();

        // The host may prepare the processor again at another rate while the editor is open.
        canvas.setSampleRate (processor.preparedSampleRate.load (std::memory_order_relaxed));

        // The audio thread only raises the peaks between ticks; the exchange takes the highest
        // one since the last tick and leaves silence behind without losing a peak in between.
        for (size_t k = 0; k < meters.size(); ++k)
            meters[k].setLevel (processor.peakDb[k].exchange (silenceDb));

        canvas.updateAnalysers();
    }
    else if (! interacting)
    {
        return;
    }

    const auto snapshot = syncCurveFromProcessor();

    // While the user drags, the canvas's copy and static model belong to the mouse handlers.
    if (! interacting)
    {
        canvas.bands = snapshot;
        canvas.staticModel.setBands (canvas.scaledBands (snapshot));
    }

    if (tick)
        followPanelBand (snapshot);

    canvas.repaint();
}

void CurveCanvas::updateAnalysers()
{
    preAnalyser.process (processor->analyzerPre);
    postAnalyser.process (processor->analyzerPost);
    analyserImageDirty = true;
}

BandSnapshot SabrelEditor::syncCurveFromProcessor()
{
    auto& canvas = curveCanvas;

    const bool matched = processor.rawParamValue ("phasemode") >= 0.5f;
    canvas.matchedDesign = matched;
    canvas.staticModel.matchedDesign = matched;
    canvas.dynamicModel.matchedDesign = matched;

    const double scale = (double) processor.rawParamValue ("gainscale") * 0.01;
    canvas.gainScale = juce::jlimit (0.0, 2.0, scale);

    const auto snapshot = processor.snapshotBands();
    auto live = snapshot;
    bool anyDynamic = false;

    for (size_t i = 0; i < live.size(); ++i)
    {
        if (isDynamicCandidate (snapshot[i]))
        {
            live[i].gain = (double) processor.bandGainDb[i].load (std::memory_order_relaxed);
            anyDynamic = true;
        }
    }

    canvas.hasDynamicBands = anyDynamic;
    canvas.dynamicModel.setBands (canvas.scaledBands (live));
    return snapshot;
}

void SabrelEditor::refreshPhaseButtons()
{
    const int mode = juce::jlimit (0, 2, (int) processor.rawParamValue ("phasemode"));

    for (int i = 0; i < (int) phaseButtons.size(); ++i)
    {
        auto& button = phaseButtons[(size_t) i];
        const int wanted = i == mode ? 2 : 0;
        const int current = (int) button.getProperties().getWithDefault (ledLevelProperty, 0);

        if (current != wanted)
        {
            button.getProperties().set (ledLevelProperty, wanted);
            button.setToggleState (i == mode, juce::dontSendNotification);
            button.repaint();
        }
    }
}

void SabrelEditor::selectPhaseMode (int index)
{
    if (auto* parameter = processor.apvts.getParameter ("phasemode"))
        setInOwnGesture (*parameter, parameter->convertTo0to1 ((float) index));

    refreshPhaseButtons();
}

void SabrelEditor::setAnalyzerMode (int mode)
{
    const int m = juce::jlimit (0, 2, mode);
    curveCanvas.analyzerMode = m;
    curveCanvas.analyserImageDirty = true;
    processor.setViewProperty (analyzerModeProperty, m);
    curveCanvas.repaint();
}
