#include "ReductionMeter.h"

#include "LevelMeter.h"
#include "StoreAndRepaint.h"

#include <cmath>

namespace kov
{
float reductionToProportion (float reductionDb, bool logScale) noexcept
{
    const auto proportion = logScale ? 1.0f - std::pow (10.0f, -reductionDb / 20.0f) : reductionDb / 10.0f;
    return juce::jlimit (0.0f, 1.0f, proportion);
}

ReductionMeter::ReductionMeter (const KitPalette& p) : palette (p) {}

void ReductionMeter::setReduction (float newReductionDb) { storeAndRepaint (*this, reductionDb, newReductionDb); }
void ReductionMeter::setPeakReduction (float newPeakReductionDb) { storeAndRepaint (*this, peakReductionDb, newPeakReductionDb); }
void ReductionMeter::setScaleOnLeft (bool shouldBeOnLeft) { storeAndRepaint (*this, scaleOnLeft, shouldBeOnLeft); }
void ReductionMeter::setLogScale (bool shouldUseLogScale) { storeAndRepaint (*this, logScale, shouldUseLogScale); }
void ReductionMeter::setTwoColour (bool shouldUseTwoColours) { storeAndRepaint (*this, twoColour, shouldUseTwoColours); }
void ReductionMeter::setEmbossed (bool shouldEmboss) { storeAndRepaint (*this, embossed, shouldEmboss); }

void ReductionMeter::paint (juce::Graphics& g)
{
    const auto W = (float) getWidth(), H = (float) getHeight();
    const auto r = palette.cornerRadius;
    const auto useLog = logScale;
    const std::function<float (float)> toProportion = [useLog] (float db) { return reductionToProportion (db, useLog); };

    g.fillAll (palette.background);

    const auto s = juce::jmin (W, 22.0f);
    const auto wellX = scaleOnLeft ? s : 0.0f;
    const auto stripX = scaleOnLeft ? 0.0f : W - s;
    const auto wellWidth = W - s;

    g.setColour (palette.well.withAlpha ((juce::uint8) 0xd9));
    g.fillRoundedRectangle (wellX, 0.0f, wellWidth, H, r);

    const std::vector<ColourStop> stops = twoColour
        ? std::vector<ColourStop> { { toProportion (6.0f), palette.meterMid }, { 1.0f, palette.meterHigh } }
        : std::vector<ColourStop> { { 1.0f, palette.meterMid } };

    const juce::Rectangle<float> column (wellX + 4.0f, 4.0f, juce::jmax (wellWidth - 8.0f, 0.0f), juce::jmax (H - 8.0f, 0.0f));
    drawSegmentedBar (g, column, toProportion (reductionDb), toProportion (peakReductionDb), stops, true);

    g.setColour (juce::Colour (0x1affffff));
    g.drawRoundedRectangle (wellX + 0.75f, 0.75f, juce::jmax (wellWidth - 1.5f, 0.0f), juce::jmax (H - 1.5f, 0.0f), r, 1.0f);

    const auto majorDb = logScale ? std::vector<float> { 0.0f, 6.0f, 12.0f, 24.0f }
                                  : std::vector<float> { 0.0f, 2.0f, 4.0f, 6.0f, 8.0f, 10.0f };
    const auto minorDb = logScale ? std::vector<float> { 3.0f, 9.0f, 18.0f }
                                  : std::vector<float> { 1.0f, 3.0f, 5.0f, 7.0f, 9.0f };

    drawMeterScale (g, palette, { stripX, 0.0f, s, H }, column, scaleOnLeft, majorDb, minorDb, toProportion, true, embossed);
}
} // namespace kov
