#include "LevelMeter.h"

#include "KitFonts.h"

#include <cmath>

namespace kov
{
float dbToProportion (float db) noexcept
{
    return juce::jlimit (0.0f, 1.0f, (db - LevelMeter::minDb) / -LevelMeter::minDb);
}

void drawSegmentedBar (juce::Graphics& g, const juce::Rectangle<float>& area, float level, float peak,
                       const std::vector<ColourStop>& stops, bool fromTop)
{
    if (stops.empty())
        return;

    const auto h = area.getHeight();
    const auto n = juce::jmax (6, (int) std::floor (h / 5.0f));
    const auto pitch = h / (float) n;
    const auto gap = juce::jmin (pitch * 0.3f, 1.6f);
    const auto segmentHeight = pitch - gap;

    for (int i = 0; i < n; ++i)
    {
        const auto lo = (float) i / (float) n;
        const auto hi = (float) (i + 1) / (float) n;
        const auto centre = (lo + hi) * 0.5f;

        auto colour = stops.back().colour;
        for (const auto& stop : stops)
        {
            if (stop.position >= centre)
            {
                colour = stop.colour;
                break;
            }
        }

        const auto top = (fromTop ? area.getY() + h * lo : area.getY() + h - h * hi) + gap * 0.5f;

        if (lo < peak && peak <= hi)
            g.setColour (colour.brighter (0.6f));
        else if (level > lo)
            g.setColour (colour);
        else
            g.setColour (colour.withAlpha ((juce::uint8) 0x16));

        g.fillRect (juce::Rectangle<float> (area.getX(), top, area.getWidth(), segmentHeight));
    }
}

void drawMeterScale (juce::Graphics& g, const KitPalette& palette, juce::Rectangle<float> strip,
                     juce::Rectangle<float> bar, bool onLeft, const std::vector<float>& majorDb,
                     const std::vector<float>& minorDb, const std::function<float (float)>& toProportion,
                     bool fromTop, bool embossed)
{
    const auto positionOf = [&] (float db)
    {
        const auto p = juce::jlimit (0.0f, 1.0f, toProportion (db));
        return fromTop ? bar.getY() + bar.getHeight() * p : bar.getBottom() - bar.getHeight() * p;
    };

    const auto fillEmbossed = [&] (juce::Rectangle<float> mark, juce::Colour colour)
    {
        if (embossed)
        {
            g.setColour (juce::Colours::white.withAlpha ((juce::uint8) 0x29));
            g.fillRect (mark.translated (0.0f, 1.0f));
            g.setColour (juce::Colours::black.withAlpha ((juce::uint8) 0x8c));
            g.fillRect (mark.translated (0.0f, -1.0f));
        }
        g.setColour (colour);
        g.fillRect (mark);
    };

    for (auto db : minorDb)
    {
        const auto x = onLeft ? strip.getRight() - 2.5f : strip.getX();
        fillEmbossed ({ x, positionOf (db) - 0.5f, 2.5f, 1.0f }, palette.textDim.withAlpha ((juce::uint8) 0x59));
    }

    g.setFont (monoFont (8.5f));

    for (auto db : majorDb)
    {
        const auto yc = positionOf (db);
        const auto x = onLeft ? strip.getRight() - 5.0f : strip.getX();
        fillEmbossed ({ x, yc - 0.5f, 5.0f, 1.0f }, palette.textDim.withAlpha ((juce::uint8) 0xb2));

        const juce::String text ((int) std::lround (db));
        const juce::Rectangle<float> box (onLeft ? strip.getX() : strip.getX() + 7.0f, yc - 6.0f,
                                          strip.getWidth() - 7.0f, 12.0f);
        const auto justification = onLeft ? juce::Justification::centredRight : juce::Justification::centredLeft;

        if (embossed)
        {
            g.setColour (juce::Colours::white.withAlpha ((juce::uint8) 0x2e));
            g.drawText (text, box.translated (0.0f, 1.0f), justification, true);
            g.setColour (juce::Colours::black.withAlpha ((juce::uint8) 0x99));
            g.drawText (text, box.translated (0.0f, -1.0f), justification, true);
        }
        g.setColour (palette.textDim);
        g.drawText (text, box, justification, true);
    }
}

LevelMeter::LevelMeter (const KitPalette& p) : palette (p)
{
    setOpaque (true);
}

LevelMeter::~LevelMeter() = default;

void LevelMeter::setLevel (float levelInDb)
{
    // A NaN would stick in the ballistics for good; show it as silence instead.
    const auto v = std::isnan (levelInDb) ? minDb : juce::jlimit (minDb, maxInputDb, levelInDb);

    if (v >= levelDb)
        levelDb = v;
    else
        levelDb += (v - levelDb) * fallFactor;

    if (levelDb >= peakDb)
    {
        peakDb = levelDb;
        peakHold = peakHoldCalls;
    }
    else if (peakHold > 0.0f)
    {
        peakHold -= 1.0f;
    }
    else
    {
        peakDb += (levelDb - peakDb) * peakFallFactor;
    }

    repaint();
}

void LevelMeter::setScaleOnLeft (bool shouldBeOnLeft)
{
    scaleOnLeft = shouldBeOnLeft;
}

void LevelMeter::setScaleVisible (bool shouldBeVisible)
{
    if (scaleVisible == shouldBeVisible)
        return;

    scaleVisible = shouldBeVisible;
    repaint();
}

void LevelMeter::paint (juce::Graphics& g)
{
    const auto W = (float) getWidth();
    const auto H = (float) getHeight();

    g.fillAll (palette.background);

    const auto s = scaleVisible ? juce::jmin (W, scaleWidth) : 0.0f;
    const auto stripX = scaleOnLeft ? 0.0f : W - s;
    const auto wellX = scaleOnLeft ? s : 0.0f;
    const auto wellW = W - s;

    g.setColour (palette.well.withAlpha ((juce::uint8) 0xd9));
    g.fillRoundedRectangle ({ wellX, 0.0f, wellW, H }, palette.cornerRadius);

    const juce::Rectangle<float> column (wellX + wellInset, wellInset, juce::jmax (wellW - 2.0f * wellInset, 0.0f),
                                         juce::jmax (H - 2.0f * wellInset, 0.0f));
    drawSegmentedBar (g, column, dbToProportion (levelDb), dbToProportion (peakDb),
                      { { 0.625f, palette.meterLow }, { 0.875f, palette.meterMid }, { 1.0f, palette.meterHigh } },
                      false);

    g.setColour (juce::Colours::white.withAlpha ((juce::uint8) 0x1a));
    g.drawRoundedRectangle ({ wellX + 0.75f, 0.75f, juce::jmax (wellW - 1.5f, 0.0f), juce::jmax (H - 1.5f, 0.0f) },
                            palette.cornerRadius, 1.0f);

    if (scaleVisible)
        drawMeterScale (g, palette, { stripX, 0.0f, s, H }, column, scaleOnLeft,
                        { 0.0f, -6.0f, -12.0f, -18.0f, -24.0f, -36.0f, -48.0f },
                        { -3.0f, -9.0f, -15.0f, -21.0f, -30.0f, -42.0f }, dbToProportion, false, false);
}
} // namespace kov
