#include "CanvasEditSupport.h"
#include "CurveCanvas.h"

#include <cmath>

using canvasedit::isBandIndex;

void CurveCanvas::selectBand (int band)
{
    if (band == selectedBand)
        return;

    if (valueEditor != nullptr && editedValueBox >= 0)
        cancelValueEditor();

    selectedBand = band;
    clearOtherSolos (band);

    if (onBandSelected)
        onBandSelected (band);

    repaint();
}

void CurveCanvas::clearOtherSolos (int keep)
{
    bool changed = false;

    for (int i = 0; i < eqBandCount; ++i)
    {
        if (i == keep)
            continue;

        if (auto* solo = getBandParameter (i, "solo"); solo != nullptr && solo->getValue() >= 0.5f)
        {
            setBandParameter (i, "solo", 0.0f);
            bands[(size_t) i].solo = false;
            changed = true;
        }
    }

    if (changed)
        staticModel.setBands (scaledBands (bands));
}

void CurveCanvas::deleteBand (int band)
{
    if (! isBandIndex (band))
        return;

    setBandParameter (band, "on", 0.0f);
    bands[(size_t) band].on = false;

    if (hoverBand == band)
        hoverBand = -1;

    canvasedit::rebuildAndRepaint (*this);

    if (selectedBand == band)
        selectBand (-1);
}

int CurveCanvas::addBand (double frequency, double gainDb, int type)
{
    type = juce::jlimit (0, 6, type);
    const auto gain = typeHasLevel (type) ? gainDb : 0.0;

    int slot = -1;

    for (int i = 0; i < eqBandCount && slot < 0; ++i)
        if (! bands[(size_t) i].on)
            slot = i;

    if (slot < 0)
        return -1;

    const std::pair<const char*, float> values[] = {
        { "type", (float) type }, { "freq", (float) frequency }, { "gain", (float) gain }, { "q", 0.707f },
        { "slope", 1.0f }, { "active", 1.0f }, { "solo", 0.0f }, { "dynon", 0.0f }, { "auto", 1.0f },
        { "thresh", 0.0f }, { "atk", 5.0f }, { "rel", 80.0f }, { "ratio", 20.0f }, { "knee", 6.0f },
        { "channel", 0.0f }, { "scext", 0.0f }, { "tilt", 0.0f },
        { "on", 1.0f }, // last, so that the band comes into use fully set
    };

    for (const auto& [suffix, value] : values)
        setBandParameter (slot, suffix, value);

    auto& b = bands[(size_t) slot];
    b.on = true;
    b.active = true;
    b.solo = false;
    b.type = type;
    b.freq = frequency;
    b.gain = gain;
    b.q = 0.707;
    b.slope = 12;
    b.dynamic = false;
    b.autoTiming = true;
    b.sidechain = false;
    b.channel = ChannelMode::stereo;
    b.tilt = 0.0;
    b.ratio = 1e9;
    b.knee = 6.0;

    canvasedit::rebuildAndRepaint (*this);
    return slot;
}

void CurveCanvas::setBandType (int band, int type)
{
    if (! isBandIndex (band))
        return;

    type = juce::jlimit (0, 6, type);
    auto& b = bands[(size_t) band];
    setBandParameter (band, "type", (float) type);
    b.type = type;

    if (type == FilterType::tilt)
    {
        setBandParameter (band, "gain", 0.0f);
        b.gain = 0.0;
        setBandParameter (band, "dynon", 0.0f);
        b.dynamic = false;
    }

    canvasedit::rebuildAndRepaint (*this);

    if (band == selectedBand && onBandSelected)
        onBandSelected (band);
}

int CurveCanvas::defaultTypeForFrequency (double frequency) const
{
    const auto r = std::log (frequency / 20.0) / std::log (1000.0);

    if (r <= 0.04)
        return FilterType::lowCut;

    if (r >= 0.96)
        return FilterType::highCut;

    return FilterType::bell;
}

int CurveCanvas::findBandAt (juce::Point<float> point) const
{
    float best = 14.0f;
    int result = -1;

    for (int i = 0; i < eqBandCount; ++i)
    {
        const auto& b = bands[(size_t) i];

        if (! b.on)
            continue;

        const juce::Point<float> handle { frequencyToX (juce::jlimit (20.0, 20000.0, b.freq)),
                                          dbToY (bandHandleLevel (i)) };
        const auto distance = handle.getDistanceFrom (point);

        if (distance < best)
        {
            best = distance;
            result = i;
        }
    }

    return result;
}

bool CurveCanvas::isTypeAllowed (int type, double frequency, int ignoreBand) const
{
    for (int i = 0; i < eqBandCount; ++i)
    {
        const auto& b = bands[(size_t) i];

        if (! b.on || i == ignoreBand)
            continue;

        if (type == FilterType::tilt && b.type == FilterType::tilt)
            return false;

        if (type == FilterType::lowCut && b.freq < frequency)
            return false;

        if (type == FilterType::highCut && b.freq > frequency)
            return false;
    }

    return true;
}

void CurveCanvas::beginBandDragGestures (int band)
{
    if (! isBandIndex (band))
        return;

    for (auto* suffix : { "freq", handleLevelSuffix (band) })
        if (auto* p = suffix != nullptr ? getBandParameter (band, suffix) : nullptr)
            dragGestures.begin (*p);
}

const char* CurveCanvas::handleLevelSuffix (int band) const
{
    if (! isBandIndex (band) || gainScale < 0.02)
        return nullptr;

    const auto type = bands[(size_t) band].type;

    if (type == FilterType::tilt)
        return "tilt";

    return typeHasLevel (type) ? "gain" : nullptr;
}
