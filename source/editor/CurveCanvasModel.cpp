#include "CurveCanvas.h"

#include "TranslucentMenuLnf.h"
#include "engine/SabrelProcessor.h"

#include <cmath>

namespace
{
constexpr double minFrequency = 20.0;
constexpr double frequencyRatio = 1000.0; // three decades over the width
constexpr double dbRange = 24.0;
constexpr double thresholdRange = 72.0;

// NaN counts as 0 so that no mapping ever returns NaN.
double clamp01 (double v) noexcept { return v > 0.0 ? (v < 1.0 ? v : 1.0) : 0.0; }
} // namespace

const char* valueKindParameterSuffix (int kind) noexcept
{
    static constexpr const char* suffixes[] { "freq", "gain", "q", "slope", "tilt", "ratio", "knee", "atk", "rel" };
    return kind >= 0 && kind < (int) std::size (suffixes) ? suffixes[kind] : nullptr;
}

CurveCanvas::CurveCanvas (SabrelProcessor& p) : processor (&p) {}

CurveCanvas::~CurveCanvas() = default;

void CurveCanvas::setBands (const BandSnapshot& newBands)
{
    bands = newBands;
    staticModel.setBands (scaledBands (bands));
    repaint();
}

void CurveCanvas::setSampleRate (double rate)
{
    if (! (std::isfinite (rate) && rate > 0.0))
        return;

    if (rate == sampleRate && rate == staticModel.sampleRate && rate == dynamicModel.sampleRate)
        return;

    sampleRate = rate;
    for (auto* model : { &staticModel, &dynamicModel })
    {
        model->sampleRate = rate;
        model->controlSmoothing = (float) std::exp (-16.0 / (rate * 0.25));
        const auto designed = model->bands;
        model->setBands (designed);
    }

    // The analyser's levels stay; only their bins now stand for other frequencies.
    analyserImageDirty = true;
    repaint();
}

BandSnapshot CurveCanvas::scaledBands (const BandSnapshot& source) const
{
    auto result = source;
    if (gainScale != 1.0)
    {
        for (auto& band : result)
        {
            band.gain *= gainScale;
            band.tilt *= gainScale;
        }
    }
    return result;
}

double CurveCanvas::xToFrequency (float x) const
{
    const auto t = clamp01 (x / (double) juce::jmax (getWidth(), 1));
    return minFrequency * std::pow (frequencyRatio, t);
}

float CurveCanvas::frequencyToX (double frequency) const
{
    // A non-positive frequency has no place on the log axis: it stands at the left edge.
    const auto t = frequency > 0.0 ? clamp01 (std::log (frequency / minFrequency) / std::log (frequencyRatio)) : 0.0;
    return (float) (getWidth() * t);
}

double CurveCanvas::yToDb (float y) const
{
    const auto t = clamp01 (y / (double) juce::jmax (getHeight(), 1));
    return juce::jlimit (-dbRange, dbRange, (1.0 - t) * 2.0 * dbRange - dbRange);
}

float CurveCanvas::dbToY (double db) const
{
    return (float) (getHeight() * (1.0 - clamp01 ((db + dbRange) / (2.0 * dbRange))));
}

double CurveCanvas::xToThreshold (float x) const
{
    const auto width = (double) juce::jmax (thresholdTrackRect.getWidth(), 1.0f);
    const auto t = clamp01 ((x - thresholdTrackRect.getX()) / width);
    return t * thresholdRange - thresholdRange;
}

float CurveCanvas::thresholdToX (double db) const
{
    return (float) (thresholdTrackRect.getX() + thresholdTrackRect.getWidth() * clamp01 ((db + thresholdRange) / thresholdRange));
}

juce::RangedAudioParameter* CurveCanvas::getBandParameter (int band, const juce::String& suffix) const
{
    return processor->apvts.getParameter (bandParamId (band, suffix));
}

void CurveCanvas::setBandParameter (int band, const juce::String& suffix, float value)
{
    if (std::isnan (value))
        return;

    if (auto* parameter = getBandParameter (band, suffix))
    {
        const auto& range = parameter->getNormalisableRange();
        dragGestures.set (*parameter, range.convertTo0to1 (range.snapToLegalValue (value)));
    }
}

void CurveCanvas::toggleBandParameter (int band, const juce::String& suffix)
{
    if (auto* parameter = getBandParameter (band, suffix))
        setBandParameter (band, suffix, parameter->getValue() >= 0.5f ? 0.0f : 1.0f);
}

bool CurveCanvas::typeHasLevel (int type) noexcept
{
    return type == FilterType::bell || type == FilterType::lowShelf || type == FilterType::highShelf
           || type == FilterType::tilt;
}
