// The band overlay: the panel beside the selected band's handle. Drawing it also records every
// hit rectangle the mouse handlers test, so what the user clicks is what was drawn.

#include "CurveCanvas.h"

#include "engine/SabrelProcessor.h"

#include "BandColours.h"
#include "FilterTypeIcon.h"
#include "kit/KitFonts.h"

#include <algorithm>
#include <cmath>

namespace
{
constexpr float pi = 3.14159265358979f;
const juce::Colour valueTextColour { 0xffeef1f5 };
const juce::Colour dimIconColour { 0xff8c929b };

struct ValueRow
{
    juce::String text;
    int kind; // ValueKind, -1 for a row that is shown but not editable
    float width = 0.0f;
};

struct ValueRows
{
    std::array<ValueRow, 8> rows {};
    int count = 0;

    void add (juce::String text, int kind) { rows[(size_t) count++] = { std::move (text), kind }; }
};

ValueRows buildValueRows (const BandSettings& band, double gainScale)
{
    ValueRows result;
    result.add (CurveCanvas::formatFrequency (band.freq), 0);

    switch (band.type)
    {
        case FilterType::bell:
        case FilterType::lowShelf:
        case FilterType::highShelf:
            result.add (juce::String (band.gain * gainScale, 1) + " dB", 1);
            result.add ("Q " + juce::String (band.q, 2), 2);
            break;
        case FilterType::tilt:
        {
            const double tilt = band.tilt * gainScale;
            result.add ("TILT " + juce::String (tilt >= 0.0 ? "+" : "") + juce::String (tilt, 1), 4);
            break;
        }
        case FilterType::notch:
            result.add ("Notch", -1);
            result.add ("Q " + juce::String (band.q, 2), 2);
            break;
        case FilterType::lowCut:
        case FilterType::highCut:
            result.add (juce::String (band.slope) + " dB/oct", 3);
            break;
        default:
            break;
    }
    return result;
}

float normalisedValue (const juce::RangedAudioParameter* parameter)
{
    return parameter != nullptr ? parameter->getValue() : 0.0f;
}

void strokeIcon (juce::Graphics& g, const juce::Path& path, float thickness)
{
    g.strokePath (path, juce::PathStrokeType (thickness, juce::PathStrokeType::curved, juce::PathStrokeType::rounded));
}

void drawPowerIcon (juce::Graphics& g, juce::Rectangle<float> button, bool on)
{
    const auto box = button.reduced (4.0f);
    const float cx = box.getX() + 5.0f, cy = box.getY() + 5.5f, r = 10.0f * 0.46f;
    juce::Path arc;
    arc.addCentredArc (cx, cy, r, r, 0.0f, 0.6632251f, 5.61996f, true);
    g.setColour (juce::Colour (on ? 0xff7ddc8f : 0xff8c929b));
    strokeIcon (g, arc, 1.6f);
    g.drawLine (cx, cy - r - 1.3f, cx, cy + 0.5f, 1.6f);
}

void drawSoloIcon (juce::Graphics& g, juce::Rectangle<float> button, bool on)
{
    const auto box = button.reduced (3.5f);
    const float cx = box.getX() + 5.5f, cy = box.getY() + 6.5f, r = 11.0f * 0.42f;
    juce::Path band;
    band.addCentredArc (cx, cy, r, r, 0.0f, -pi * 0.5f, pi * 0.5f, true);
    g.setColour (on ? juce::Colour (0xffefc04a) : dimIconColour);
    strokeIcon (g, band, 1.5f);
    g.fillRoundedRectangle (cx - r - 1.4f, cy - 0.5f, 2.9f, 5.6f, 1.3f);
    g.fillRoundedRectangle (cx + r - 1.5f, cy - 0.5f, 2.9f, 5.6f, 1.3f);
}

void drawCloseIcon (juce::Graphics& g, juce::Rectangle<float> button)
{
    const auto box = button.reduced (5.5f);
    juce::Path cross;
    cross.startNewSubPath (box.getTopLeft());
    cross.lineTo (box.getBottomRight());
    cross.startNewSubPath (box.getTopRight());
    cross.lineTo (box.getBottomLeft());
    g.setColour (dimIconColour);
    strokeIcon (g, cross, 1.8f);
}

void drawChipBackground (juce::Graphics& g, juce::Rectangle<float> chip, bool hovered)
{
    g.setColour (hovered ? juce::Colour (0xff363c44) : juce::Colour (0xff2e333a).withAlpha (0.5f));
    g.fillRoundedRectangle (chip.reduced (1.0f), 4.0f);
}

// A rectangle's outline drawn on the pixel grid: moved by half a pixel, one pixel smaller.
juce::Rectangle<float> outlineOf (juce::Rectangle<float> r)
{
    return { r.getX() + 0.5f, r.getY() + 0.5f, std::max (r.getWidth() - 1.0f, 0.0f), std::max (r.getHeight() - 1.0f, 0.0f) };
}

const char* channelChipText (int channel)
{
    static const char* const texts[] = { "ST", "M", "S", "L", "R" };
    return texts[std::clamp (channel, 0, 4)];
}
} // namespace

juce::String CurveCanvas::formatFrequency (double hz)
{
    if (hz >= 1000.0)
        return juce::String (hz / 1000.0, 2) + " kHz";
    // Ties to even, as the default rounding mode does.
    return juce::String ((juce::int64) std::nearbyint (std::isfinite (hz) ? hz : 0.0)) + " Hz";
}

void CurveCanvas::drawToggleChip (juce::Graphics& g, juce::Rectangle<float> chip, const juce::String& text, bool lit)
{
    g.setColour (juce::Colour (lit ? 0xff3a2f1f : 0xff24282e));
    g.fillRoundedRectangle (chip, 4.0f);
    g.setColour (juce::Colour (lit ? 0xff6a5526 : 0xff3a4048));
    g.drawRoundedRectangle (outlineOf (chip), 4.0f, 1.0f);
    g.setColour (juce::Colour (lit ? 0xffefc04a : 0xffb4b9c0));
    g.setFont (kov::boldFont (10.5f));
    g.drawText (text, chip, juce::Justification::centred, false);
}

void CurveCanvas::drawOverlayButtonBackground (juce::Graphics& g, int button)
{
    const juce::Rectangle<float>* rects[] = { &powerRect, &soloRect, &closeRect };
    if (button < 0 || button > 2)
        return;
    const auto& r = *rects[button];
    g.setColour (juce::Colour (0x802e333a));
    g.fillRoundedRectangle (r.getX() + 1.0f, r.getY() + 1.0f, std::max (r.getWidth() - 2.0f, 0.0f),
                            std::max (r.getHeight() - 2.0f, 0.0f), 4.0f);
}

void CurveCanvas::drawOverlayValueRow (juce::Graphics& g, juce::Rectangle<float> track, const juce::String& suffix,
                                       const juce::String& label, float labelWidth, float valueWidth)
{
    auto* parameter = getBandParameter (selectedBand, suffix);
    if (parameter == nullptr)
        return;

    const float v = parameter->getValue();
    const float cy = track.getY() + track.getHeight() * 0.5f;
    g.setFont (kov::boldFont (10.5f));

    g.setColour (juce::Colour (0xffb4b9c0));
    g.drawText (label, juce::Rectangle<float> (track.getX() - 6.0f - labelWidth, cy - 7.0f, labelWidth, 14.0f),
                juce::Justification::centredLeft, false);

    g.setColour (juce::Colour (0xff15181d));
    g.fillRoundedRectangle (track, 2.0f);
    g.setColour (juce::Colour (0xff6c9fd8));
    g.fillRoundedRectangle (track.withWidth (track.getWidth() * v), 2.0f);

    const juce::Rectangle<float> thumb (track.getX() + track.getWidth() * v - 5.0f, cy - 5.0f, 10.0f, 10.0f);
    g.setColour (juce::Colour (0xffcdd6df));
    g.fillEllipse (thumb);
    g.setColour (juce::Colour (0xff5a6675));
    g.drawEllipse (thumb, 1.0f);

    auto text = parameter->getText (v, 8);
    if (parameter->getLabel().isNotEmpty())
        text << " " << parameter->getLabel();
    g.setColour (juce::Colour (0xff9aa0a8));
    g.drawText (text, juce::Rectangle<float> (track.getRight() + 6.0f, cy - 7.0f, valueWidth, 14.0f),
                juce::Justification::centredRight, false);
}

void CurveCanvas::drawBandOverlay (juce::Graphics& g, float anchorX, float anchorY, float handleRadius)
{
    const int s = selectedBand;
    if (s < 0 || s >= eqBandCount)
        return;

    const auto& band = bands[(size_t) s];
    const float W = (float) getWidth(), H = (float) getHeight();

    const bool levelType = band.type == FilterType::bell || band.type == FilterType::lowShelf || band.type == FilterType::highShelf;
    const bool dynAllowed = levelType && processor->rawParamValue ("phasemode") < 1.5f;
    const bool dynOn = dynAllowed && normalisedValue (getBandParameter (s, "dynon")) >= 0.5f;
    const bool autoTiming = normalisedValue (getBandParameter (s, "auto")) >= 0.5f;
    const bool slidersShown = dynOn && ! autoTiming;

    // Measure the rows in the font they are drawn with: the hit boxes take exactly that width.
    const auto rowFont = kov::boldFont (11.5f);
    auto rows = buildValueRows (band, gainScale);
    float rowsW = 14.0f * (float) (rows.count - 1);
    for (int k = 0; k < rows.count; ++k)
    {
        auto& row = rows.rows[(size_t) k];
        row.width = rowFont.getStringWidthFloat (row.text);
        rowsW += row.width;
    }

    const int nc = ! dynAllowed ? 0 : (dynOn ? 3 : 1);
    const float chipsW = nc == 0 ? 134.0f : (float) (nc * 36 + (nc - 1) * 5 + 16 + 134);
    float C = std::max (rowsW, chipsW);
    if (dynOn)
        C = std::max (C, 300.0f);
    const float PW = C + 16.0f;
    const float PH = 55.0f + (dynOn ? 37.0f : 0.0f) + (slidersShown ? 50.0f : 0.0f);

    // Right of the handle when it fits, else left of it; always inside the canvas where possible.
    float x = anchorX + handleRadius + 8.0f;
    if (x + PW > W - 2.0f)
        x = anchorX - (handleRadius + 8.0f) - PW;
    x = x < 2.0f ? 2.0f : std::min (x, W - PW - 2.0f);
    float y = anchorY - PH * 0.5f;
    y = y < 2.0f ? 2.0f : std::min (y, H - PH - 2.0f);

    overlayRect = { x, y, PW, PH };
    g.setColour (juce::Colour (0xff262a30).withAlpha (0.62f));
    g.fillRoundedRectangle (overlayRect, 5.0f);
    g.setColour (juce::Colour (0xff444a52).withAlpha (0.7f));
    g.drawRoundedRectangle (outlineOf (overlayRect), 5.0f, 1.0f);

    // Top row: power, solo, close, type chip, channel chip, dynamics chips.
    const float bx = x + 8.0f, by = y + 8.0f;
    powerRect = { bx, by, 18.0f, 18.0f };
    soloRect = { bx + 24.0f, by, 18.0f, 18.0f };
    closeRect = { bx + 48.0f, by, 18.0f, 18.0f };
    for (int button = 0; button < 3; ++button)
        drawOverlayButtonBackground (g, button);
    drawPowerIcon (g, powerRect, band.active);
    drawSoloIcon (g, soloRect, band.solo);
    drawCloseIcon (g, closeRect);

    typeLabelRect = { bx + 72.0f, by, 30.0f, 18.0f };
    drawChipBackground (g, typeLabelRect, typeLabelHover);
    g.setColour (valueTextColour);
    drawFilterTypeIcon (g, typeLabelRect.reduced (5.0f, 4.0f), band.type);

    channelLabelRect = { typeLabelRect.getRight() + 6.0f, by, 26.0f, 18.0f };
    const int channel = std::clamp (juce::roundToInt (normalisedValue (getBandParameter (s, "channel")) * 4.0f), 0, 4);
    drawChipBackground (g, channelLabelRect, channelLabelHover);
    if (channel != 0)
    {
        g.setColour (channelColour (channel).withAlpha (0.9f));
        g.fillRect (juce::Rectangle<float> (channelLabelRect.getX() + 4.0f, channelLabelRect.getBottom() - 2.5f,
                                            channelLabelRect.getWidth() - 8.0f, 1.6f));
    }
    g.setColour (channelColour (channel));
    g.setFont (kov::boldFont (10.5f));
    g.drawText (channelChipText (channel), channelLabelRect, juce::Justification::centred, false);

    dynRect = autoRect = sidechainRect = {};
    autoShown = sidechainShown = false;
    if (nc > 0)
    {
        const float x0 = bx + C - (float) (nc * 36 + (nc - 1) * 5);
        dynRect = { x0, by + 0.5f, 36.0f, 17.0f };
        drawToggleChip (g, dynRect, "DYN", dynOn);

        if (dynOn)
        {
            autoRect = { x0 + 41.0f, by + 0.5f, 36.0f, 17.0f };
            drawToggleChip (g, autoRect, "FULL", ! autoTiming);
            autoShown = true;

            sidechainRect = { x0 + 82.0f, by + 0.5f, 36.0f, 17.0f };
            const bool external = normalisedValue (getBandParameter (s, "scext")) >= 0.5f;
            drawToggleChip (g, sidechainRect, "EXT", external);
            if (external && ! processor->sidechainActive.load (std::memory_order_relaxed))
            {
                g.setColour (juce::Colour (0xffff7a1c));
                g.fillEllipse (sidechainRect.getRight() - 7.0f, sidechainRect.getY() + 2.5f, 4.0f, 4.0f);
            }
            sidechainShown = true;
        }
    }

    // Value texts, centred as a group; every editable one becomes a value box.
    valueBoxCount = 0;
    for (auto& r : valueBoxRects)
        r = {};
    const float ry = by + 25.0f;
    float rx = x + (PW - rowsW) * 0.5f;
    g.setFont (rowFont);
    for (int k = 0; k < rows.count; ++k)
    {
        const auto& row = rows.rows[(size_t) k];
        const bool editable = row.kind >= 0;
        const bool hovered = editable && hoverValueBox != -1 && hoverValueBox == valueBoxCount;
        const juce::Rectangle<float> box (rx, ry, row.width, 14.0f);

        g.setColour (valueTextColour.withAlpha (! editable ? 0.7f : (hovered ? 1.0f : 0.95f)));
        g.drawText (row.text, box, juce::Justification::centred, false);

        if (editable && valueBoxCount < (int) valueBoxRects.size())
        {
            valueBoxRects[(size_t) valueBoxCount] = box;
            valueBoxKinds[(size_t) valueBoxCount] = row.kind;
            if (hovered)
            {
                g.setColour (juce::Colour (0xff6c9fd8).withAlpha (0.8f));
                g.fillRect (juce::Rectangle<float> (rx, ry + 13.0f, row.width, 1.0f));
            }
            ++valueBoxCount;
        }
        rx += row.width + 14.0f;
    }

    thresholdBand = -1;
    thresholdTrackRect = {};
    const float sy = ry + 14.0f + 7.0f;
    if (dynOn)
        drawCompressorSection (g, bx, sy, C, slidersShown);

    dynSliderCount = 0;
    for (auto& r : dynSliderRects)
        r = {};
    if (slidersShown)
    {
        static const char* const labels[] = { "RATIO", "KNEE", "ATK", "REL" };
        static const char* const suffixes[] = { "ratio", "knee", "atk", "rel" };
        const float cw = (C - 16.0f) * 0.5f, sw = cw - 94.0f, step = cw + 16.0f;
        const float t1 = sy + 30.0f, t2 = t1 + 25.0f;
        dynSliderCount = 4;

        for (int i = 0; i < 4; ++i)
        {
            const juce::Rectangle<float> track (bx + 41.0f + (i % 2 == 1 ? step : 0.0f), (i < 2 ? t1 : t2) + 14.0f, sw, 4.0f);
            dynSliderRects[(size_t) i] = track;
            drawOverlayValueRow (g, track, suffixes[i], labels[i], 36.0f, 48.0f);

            if (valueBoxCount < (int) valueBoxRects.size())
            {
                valueBoxRects[(size_t) valueBoxCount] = { track.getRight() + 6.0f, track.getY() - 5.0f, 48.0f, 14.0f };
                valueBoxKinds[(size_t) valueBoxCount] = 5 + i;
                ++valueBoxCount;
            }
        }
    }

    overlayVisible = true;
}

void CurveCanvas::drawCompressorSection (juce::Graphics& g, float bx, float sy, float C, bool slidersShown)
{
    const int s = selectedBand;
    const auto& band = bands[(size_t) s];
    const float tw = C - 76.0f;
    const float mx = bx + tw + 12.0f;

    const juce::Rectangle<float> box (bx - 5.0f, sy - 4.0f, C + 10.0f, slidersShown ? 88.0f : 38.0f);
    g.setColour (juce::Colour (0x8c141b25));
    g.fillRoundedRectangle (box, 5.0f);
    g.setColour (juce::Colour (0x8c32465c));
    g.drawRoundedRectangle (outlineOf (box), 5.0f, 1.0f);

    const juce::Rectangle<float> track (bx, sy + 13.0f, tw, 13.0f);
    thresholdTrackRect = track;

    const float level = processor->bandLevelDb[(size_t) s].load (std::memory_order_relaxed);
    const float dyn = processor->bandGainDb[(size_t) s].load (std::memory_order_relaxed);
    const bool boosting = band.gain >= 0.0;

    g.setColour (juce::Colour (0xff6f7c8c));
    g.setFont (kov::boldFont (9.0f));
    g.drawText ("COMPRESSOR", (int) bx, (int) sy, (int) tw, 11, juce::Justification::left, false);

    g.setColour (juce::Colour (0xff8c929b));
    g.setFont (juce::Font (9.5f));
    g.drawText ((boosting ? "GA " : "GR ") + juce::String (dyn, 1), (int) mx, (int) sy, 68, 11,
                juce::Justification::left, false);

    g.setColour (bandColour (s));
    g.setFont (kov::boldFont (10.5f));
    g.drawText ("T " + juce::String (band.thresh, 1), (int) bx, (int) sy, (int) tw, 11, juce::Justification::right, false);

    const auto position = [&] (double db) {
        return track.getX() + tw * (float) std::clamp ((std::clamp (db, -72.0, 0.0) + 72.0) / 72.0, 0.0, 1.0);
    };
    const float tx = position (band.thresh);

    g.setColour (juce::Colour (0xff15181d));
    g.fillRoundedRectangle (track, 3.0f);
    if (level > -72.0f)
    {
        const float lx = position (level);
        g.setColour (juce::Colour (0x805dcaa5));
        g.fillRoundedRectangle (track.withWidth (std::max (lx - track.getX(), 0.0f)), 3.0f);
        if (lx > tx)
        {
            g.setColour (juce::Colour (0xffe0a23a).withAlpha (0.5f));
            g.fillRect (juce::Rectangle<float> (tx, track.getY(), lx - tx, 13.0f));
        }
    }

    g.setColour (bandColour (s));
    g.fillRect (juce::Rectangle<float> (tx - 1.0f, track.getY() - 3.0f, 2.0f, 19.0f));
    juce::Path marker;
    marker.addTriangle (tx - 4.0f, track.getY() - 4.0f, tx + 4.0f, track.getY() - 4.0f, tx, track.getY() + 1.0f);
    g.fillPath (marker);

    g.setColour (juce::Colour (0xff2e333a));
    g.drawRoundedRectangle (track, 3.0f, 1.0f);

    const juce::Rectangle<float> meter (mx, track.getY(), 64.0f, 13.0f);
    g.setColour (juce::Colour (0xff15181d));
    g.fillRoundedRectangle (meter, 3.0f);
    const float m = std::clamp (std::abs (dyn) / 18.0f, 0.0f, 1.0f);
    if (m > 0.0f)
    {
        g.setColour (juce::Colour (boosting ? 0xff57b894 : 0xffd8643c).withAlpha (0.75f));
        g.fillRoundedRectangle (meter.withWidth (64.0f * m), 3.0f);
    }
    g.setColour (juce::Colour (0xff2e333a));
    g.drawRoundedRectangle (meter, 3.0f, 1.0f);

    thresholdBand = s;
}
