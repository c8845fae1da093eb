// The canvas's paint: background, analyser image, grid, response curves per channel group and
// the band handles; the overlay of the selected band is drawn last (BandOverlay.cpp).

#include "CurveCanvas.h"

#include "BandColours.h"
#include "kit/KitFonts.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace
{
constexpr double pi = 3.14159265358979323846;

// Bands of channel c contribute to a curve whose mask has bit c set.
struct CurveGroup
{
    int mask;
    juce::Colour colour;
};

struct CurveGroups
{
    std::array<CurveGroup, 5> groups {};
    int count = 0;

    void add (int mask, juce::uint32 argb) { groups[(size_t) count++] = { mask, juce::Colour (argb) }; }
};

bool maskHas (int mask, int channel)
{
    return channel >= 0 && channel < 31 && ((mask >> channel) & 1) != 0;
}

// Mid/Side and Left/Right get a curve each (with the Stereo bands in both), plus a Stereo
// curve when Stereo bands are on; without any of those there is one curve of everything.
CurveGroups collectCurveGroups (const std::array<BandSettings, eqBandCount>& bands)
{
    bool midSide = false, leftRight = false, stereo = false;
    for (const auto& b : bands)
    {
        if (! b.on)
            continue;
        midSide = midSide || b.channel == ChannelMode::mid || b.channel == ChannelMode::side;
        leftRight = leftRight || b.channel == ChannelMode::left || b.channel == ChannelMode::right;
        stereo = stereo || b.channel == ChannelMode::stereo;
    }

    CurveGroups result;
    if (midSide)
    {
        result.add (0b00011, 0xffe0b341);
        result.add (0b00101, 0xff9b7fd6);
    }
    if (leftRight)
    {
        result.add (0b01001, 0xffe0795a);
        result.add (0b10001, 0xff3fb5c0);
    }
    if (result.count == 0)
        result.add (0b11111, 0xff6cc0ff);
    else if (stereo)
        result.add (0b00001, 0xff6cc0ff);
    return result;
}

// The curve continued along the 0 dB line and closed: the area between curve and 0 dB.
juce::Path areaToZeroLine (const juce::Path& curve, float w, float h)
{
    auto area = curve;
    area.lineTo (w, h * 0.5f);
    area.lineTo (0.0f, h * 0.5f);
    area.closeSubPath();
    return area;
}

const char* channelBadgeText (int channel)
{
    switch (channel)
    {
        case ChannelMode::mid: return "M";
        case ChannelMode::side: return "S";
        case ChannelMode::left: return "L";
        case ChannelMode::right: return "R";
        default: return "";
    }
}
} // namespace

juce::Path CurveCanvas::buildResponsePath (const EqEngine& model, int mask, const std::array<int, eqBandCount>& channels) const
{
    const int w = getWidth();
    const auto columns = (size_t) std::max (w, 0) + 1;
    const double span = (double) std::max (w, 1);

    // Squared magnitudes per column, band by band: the cosines are shared by every section and
    // the per-band floor of -180 dB is kept, so the sum of logarithms becomes one logarithm.
    std::vector<double> c1 (columns), c2 (columns), total (columns, 1.0), band (columns);
    for (size_t i = 0; i < columns; ++i)
    {
        const double f = 20.0 * std::pow (1000.0, (double) i / span);
        const double omega = 2.0 * pi * f / model.sampleRate;
        c1[i] = std::cos (omega);
        c2[i] = 2.0 * c1[i] * c1[i] - 1.0;
    }

    for (int j = 0; j < EqEngine::numBands; ++j)
    {
        const int sectionCount = model.sectionCount[(size_t) j];
        if (sectionCount <= 0 || ! maskHas (mask, channels[(size_t) j]))
            continue;

        std::fill (band.begin(), band.end(), 1.0);
        for (int k = 0; k < std::min (sectionCount, EqEngine::maxSections); ++k)
        {
            const auto& s = model.sections[(size_t) j][(size_t) k];
            const double n0 = s.b0 * s.b0 + s.b1 * s.b1 + s.b2 * s.b2, n1 = 2.0 * s.b1 * (s.b0 + s.b2), n2 = 2.0 * s.b0 * s.b2;
            const double d0 = 1.0 + s.a1 * s.a1 + s.a2 * s.a2, d1 = 2.0 * s.a1 * (1.0 + s.a2), d2 = 2.0 * s.a2;

            for (size_t i = 0; i < columns; ++i)
            {
                const double num = std::max (0.0, n0 + n1 * c1[i] + n2 * c2[i]);
                const double den = std::max (1e-20, d0 + d1 * c1[i] + d2 * c2[i]);
                band[i] *= num / den;
            }
        }

        for (size_t i = 0; i < columns; ++i)
            total[i] *= std::max (1e-18, band[i]);
    }

    juce::Path path;
    path.preallocateSpace ((int) columns * 3 + 3);
    for (size_t i = 0; i < columns; ++i)
    {
        const float y = dbToY (total[i] > 0.0 ? 10.0 * std::log10 (total[i]) : -1000.0);
        if (i == 0)
            path.startNewSubPath (0.0f, y);
        else
            path.lineTo ((float) i, y);
    }
    return path;
}

double CurveCanvas::summedMagnitudeDb (const EqEngine& model, int band) const
{
    if (band < 0 || band >= eqBandCount)
        return 0.0;

    const auto& b = bands[(size_t) band];
    double sum = 0.0;
    for (int j = 0; j < eqBandCount; ++j)
    {
        const auto channel = bands[(size_t) j].channel;
        if (channel == ChannelMode::stereo || channel == b.channel)
            sum += model.bandMagnitudeDb (j, b.freq);
    }
    return sum;
}

// The level of the curve of the band's own channel at its frequency; with includeDynamic the
// other dynamic bands are read from the live model, without it they are left out.
static double handleLevel (const CurveCanvas& canvas, int band, bool includeDynamic)
{
    if (band < 0 || band >= eqBandCount)
        return 0.0;

    const auto& b = canvas.bands[(size_t) band];
    if (b.type == FilterType::tilt)
        return (b.gain + b.tilt * 0.5) * canvas.gainScale;

    if (b.on && b.active)
    {
        double sum = 0.0;
        for (int j = 0; j < eqBandCount; ++j)
        {
            const auto& other = canvas.bands[(size_t) j];
            if (other.channel != ChannelMode::stereo && other.channel != b.channel)
                continue;

            const bool live = j != band && other.dynamic && CurveCanvas::typeHasLevel (other.type);
            if (! live)
                sum += canvas.staticModel.bandMagnitudeDb (j, b.freq);
            else if (includeDynamic)
                sum += canvas.dynamicModel.bandMagnitudeDb (j, b.freq);
        }
        return sum;
    }

    if (b.type == FilterType::bell || b.type == FilterType::lowShelf || b.type == FilterType::highShelf)
        return b.gain * canvas.gainScale;
    return 0.0;
}

double CurveCanvas::bandHandleLevel (int band) const
{
    return handleLevel (*this, band, true);
}

double CurveCanvas::bandHandleLevelStatic (int band) const
{
    return handleLevel (*this, band, false);
}

void CurveCanvas::paint (juce::Graphics& g)
{
    const int wi = getWidth(), hi = getHeight();
    const float w = (float) wi, h = (float) hi;

    g.setColour (juce::Colour (0xff0c0e11));
    g.fillRoundedRectangle (0.0f, 0.0f, w, h, 6.0f);

    if (analyzerMode == 1 || analyzerMode == 2)
        paintAnalyserImage (g);

    // Grid.
    g.setFont (juce::Font (10.0f));
    const auto white = juce::Colours::white;
    for (const double f : { 20.0, 30.0, 50.0, 100.0, 200.0, 300.0, 500.0, 1000.0, 2000.0, 3000.0, 5000.0, 10000.0, 20000.0 })
    {
        const int xi = (int) frequencyToX (f);
        const bool major = f == 100.0 || f == 1000.0 || f == 10000.0;
        g.setColour (white.withAlpha (major ? 0.1f : 0.05f));
        if (hi > 0)
            g.fillRect (juce::Rectangle<float> ((float) xi, 0.0f, 1.0f, h));

        if (major)
        {
            const auto label = f < 1000.0 ? juce::String ((int) f) : juce::String ((int) (f / 1000.0)) + "k";
            g.setColour (white.withAlpha (0.3f));
            g.drawText (label, juce::Rectangle<int> (xi + 3, hi - 14, 30, 12), juce::Justification::left, true);
        }
    }

    for (int d = -24; d <= 24; d += 6)
    {
        const int yi = (int) dbToY ((double) d);
        g.setColour (white.withAlpha (d == 0 ? 0.18f : 0.05f));
        if (wi > 0)
            g.fillRect (juce::Rectangle<float> (0.0f, (float) yi, w, 1.0f));

        if (d != 0 && d != -24 && d != 24)
        {
            g.setColour (white.withAlpha (0.25f));
            g.drawText ((d > 0 ? "+" : "") + juce::String (d), juce::Rectangle<int> (3, yi - 12, 28, 12),
                        juce::Justification::left, true);
        }
    }

    // Response curves: a shaded static layer when dynamic bands move the curve, then the live one.
    std::array<int, eqBandCount> channels {};
    for (size_t j = 0; j < channels.size(); ++j)
        channels[j] = bands[j].channel;
    const auto groups = collectCurveGroups (bands);

    if (hasDynamicBands)
    {
        for (int k = 0; k < groups.count; ++k)
        {
            const auto& group = groups.groups[(size_t) k];
            const auto curve = buildResponsePath (staticModel, group.mask, channels);
            const auto bounds = curve.getBounds();
            const float yMin = bounds.getY(), yMax = bounds.getBottom();
            if (yMax - yMin < 0.5f)
                continue;

            const auto p = std::clamp ((h * 0.5f - yMin) / std::max (yMax - yMin, 1.0f), 0.0f, 1.0f);
            juce::ColourGradient gradient (group.colour.withAlpha (p <= 0.001f ? 0.0f : 0.2f), 0.0f, yMin,
                                           group.colour.withAlpha (p >= 0.999f ? 0.0f : 0.2f), 0.0f, yMax, false);
            if (p > 0.001f && p < 0.999f)
                gradient.addColour ((double) p, group.colour.withAlpha (0.0f));

            g.setGradientFill (gradient);
            g.fillPath (areaToZeroLine (curve, w, h));
        }
    }

    for (int k = 0; k < groups.count; ++k)
    {
        const auto& group = groups.groups[(size_t) k];
        const auto curve = buildResponsePath (dynamicModel, group.mask, channels);
        g.setColour (group.colour.withAlpha (groups.count == 1 ? 0.1f : 0.06f));
        g.fillPath (areaToZeroLine (curve, w, h));
        g.setColour (group.colour);
        g.strokePath (curve, juce::PathStrokeType (2.0f, juce::PathStrokeType::curved, juce::PathStrokeType::butt));
    }

    // Handles, in index order so that the higher index lies on top.
    overlayVisible = false;
    bool overlayDue = false;
    float anchorX = 0.0f, anchorY = 0.0f, anchorRadius = 0.0f;
    const auto badgeFont = kov::boldFont (10.0f);

    for (int i = 0; i < eqBandCount; ++i)
    {
        const auto& b = bands[(size_t) i];
        if (! b.on)
            continue;

        const float x = frequencyToX (std::clamp (b.freq, 20.0, 20000.0));
        const float y = dbToY (bandHandleLevel (i));
        const bool lit = b.active;
        const bool emphasised = i == hoverBand || i == dragBand || i == selectedBand;
        const auto base = lit ? bandColour (i) : juce::Colour (0xff7a7f87);
        const float R = emphasised ? 13.0f : 9.0f;
        const float r = emphasised ? 6.5f : 5.0f;

        if (lit)
        {
            // How far the band's dynamics currently move the curve at its frequency.
            const float yd = dbToY (summedMagnitudeDb (dynamicModel, i));
            if (std::abs (yd - y) > R)
            {
                g.setColour (base.withAlpha (0.55f));
                g.drawLine (x, yd > y ? y + R : y - R, x, yd, 1.4f);
            }
        }

        g.setColour (base.withAlpha ((lit ? 1.0f : 0.5f) * (emphasised ? 0.35f : 0.22f)));
        g.fillEllipse (x - R, y - R, 2.0f * R, 2.0f * R);

        const juce::Rectangle<float> body (x - r, y - r, 2.0f * r, 2.0f * r);
        g.setColour (lit ? base : base.withAlpha (0.35f));
        g.fillEllipse (body);
        g.setColour (white.withAlpha ((lit ? 1.0f : 0.55f) * (emphasised ? 1.0f : 0.85f)));
        g.drawEllipse (body, emphasised ? 1.6f : 1.2f);

        if (auto* channelParameter = getBandParameter (i, "channel"))
        {
            const int c = std::min (juce::roundToInt (channelParameter->getValue() * 4.0f), 4);
            if (c > 0)
            {
                const juce::Rectangle<float> badge (x - 9.0f, y + R + 2.0f, 18.0f, 13.0f);
                g.setColour (channelColour (c).withAlpha (lit ? 0.95f : 0.5f));
                g.fillRoundedRectangle (badge, 3.0f);
                g.setColour (juce::Colours::black.withAlpha (lit ? 0.85f : 0.5f));
                g.setFont (badgeFont);
                g.drawText (channelBadgeText (c), badge, juce::Justification::centred, true);
            }
        }

        if (i == selectedBand)
        {
            g.setColour (white.withAlpha (0.85f));
            g.drawEllipse (x - R, y - R, 2.0f * R, 2.0f * R, 1.4f);
            overlayDue = true;
            anchorX = x;
            anchorY = dbToY (bandHandleLevelStatic (i));
            anchorRadius = R;
        }
    }

    if (overlayDue)
        drawBandOverlay (g, anchorX, anchorY, anchorRadius);
}
