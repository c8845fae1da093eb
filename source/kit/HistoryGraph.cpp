#include "HistoryGraph.h"

#include "StoreAndRepaint.h"

#include <cmath>
#include <functional>

namespace kov
{
namespace
{
constexpr float plotInset = 7.0f;

// The plot area inside the frame and the mapping of trace values onto it.
struct Plot
{
    float d, c, cx, cy, amplitude;

    explicit Plot (float width, float height)
        : d (juce::jmax (width - 2.0f * plotInset, 0.0f)),
          c (juce::jmax (height - 2.0f * plotInset, 0.0f)),
          cx (d * 0.5f + plotInset),
          cy (c * 0.5f + plotInset),
          amplitude (c * 0.46f)
    {
    }

    float traceY (float value) const noexcept { return cy - amplitude * juce::jlimit (-1.15f, 1.15f, value); }

    float dropY (float dropDb) const noexcept { return plotInset + c * juce::jlimit (0.0f, 1.0f, dropDb / 12.0f); }
};

juce::Rectangle<float> bar (float left, float width, float y1, float y2)
{
    return { left, juce::jmin (y1, y2), width, juce::jmax (std::abs (y1 - y2), 1.0f) };
}
} // namespace

HistoryGraph::HistoryGraph (const KitPalette& p) : palette (p) {}

void HistoryGraph::addEntry (const Entry& entry)
{
    if (entries.empty())
        return;

    entries[(size_t) writeIndex] = entry;
    writeIndex = (writeIndex + 1) % length;
    repaint();
}

void HistoryGraph::setPointSpacing (float newSpacing)
{
    if (! std::isfinite (newSpacing))
        return;

    // A vanishing spacing would ask for an unbounded ring.
    newSpacing = juce::jmax (newSpacing, 0.5f);

    if (std::equal_to<float>() (newSpacing, pointSpacing))
        return;

    pointSpacing = newSpacing;
    resized();
    repaint();
}

void HistoryGraph::setThreshold (float newThreshold) { storeAndRepaint (*this, threshold, newThreshold); }

void HistoryGraph::setShowThreshold (bool shouldShow) { storeAndRepaint (*this, showThreshold, shouldShow); }

void HistoryGraph::setFilledEnvelope (bool shouldFill) { storeAndRepaint (*this, filledEnvelope, shouldFill); }

int HistoryGraph::gapLength (int ringLength) noexcept
{
    return juce::jlimit (2, 14, ringLength / 12);
}

bool HistoryGraph::isHidden (int point, int gap) const noexcept
{
    return (length + point - writeIndex) % length < gap;
}

void HistoryGraph::resized()
{
    length = juce::jmax (1, (int) ((float) getWidth() / pointSpacing));
    entries.assign ((size_t) length, Entry());
    writeIndex = 0;
}

void HistoryGraph::paint (juce::Graphics& g)
{
    const auto W = (float) getWidth(), H = (float) getHeight();
    const auto r = palette.cornerRadius;
    const auto orange = palette.orange;
    const Plot plot (W, H);
    const auto d = plot.d, c = plot.c;

    g.fillAll (palette.background);
    g.setColour (juce::Colour (0xff05030a));
    g.fillRoundedRectangle (0.0f, 0.0f, W, H, r);

    g.setGradientFill (juce::ColourGradient (orange.withAlpha ((juce::uint8) 0x0d), plot.cx, plot.cy,
                                             juce::Colours::transparentBlack, plotInset, plotInset, true));
    g.fillRoundedRectangle (plotInset, plotInset, d, c, r * 0.5f);

    g.setColour (juce::Colour (0x0bffffff));
    for (int j = 1; j <= 9; ++j)
        g.fillRect (juce::Rectangle<float> ((float) j * d / 10.0f + plotInset - 0.5f, plotInset, 1.0f, c));
    for (int k = 1; k <= 7; ++k)
        g.fillRect (juce::Rectangle<float> (plotInset, (float) k * c * 0.125f + plotInset - 0.5f, d, 1.0f));

    g.setColour (juce::Colour (0x1affffff));
    g.fillRect (juce::Rectangle<float> (plot.cx - 0.5f, plotInset, 1.0f, c));
    g.fillRect (juce::Rectangle<float> (plotInset, plot.cy - 0.5f, d, 1.0f));

    const auto yT = plot.traceY (threshold), yB = plot.traceY (-threshold);

    if (showThreshold)
    {
        g.setColour (orange.withAlpha ((juce::uint8) 0x52));
        for (float x = plotInset; x < d + plotInset; x += 9.0f)
        {
            g.fillRect (juce::Rectangle<float> (x, yT - 0.5f, 5.0f, 1.0f));
            g.fillRect (juce::Rectangle<float> (x, yB - 0.5f, 5.0f, 1.0f));
        }
    }

    if (! entries.empty())
    {
        const auto m = juce::jmax (pointSpacing - 0.5f, 1.0f);
        const auto gap = gapLength (length);
        const auto leftEdge = [&] (int k) { return (float) k * pointSpacing + plotInset; };
        const auto centreX = [&] (int k) { return leftEdge (k) + m * 0.5f; };
        const auto entryAt = [&] (int k) -> const Entry& { return entries[(size_t) k]; };

        if (filledEnvelope)
        {
            for (int k = 0; k < length;)
            {
                if (isHidden (k, gap))
                {
                    ++k;
                    continue;
                }

                int i = k;
                while (i < length && ! isHidden (i, gap))
                    ++i;

                if (i - k >= 2)
                {
                    juce::Path envelope;
                    envelope.startNewSubPath (centreX (k), plot.traceY (entryAt (k).outerHigh));
                    for (int j = k + 1; j < i; ++j)
                        envelope.lineTo (centreX (j), plot.traceY (entryAt (j).outerHigh));
                    for (int j = i - 1; j >= k; --j)
                        envelope.lineTo (centreX (j), plot.traceY (entryAt (j).outerLow));
                    envelope.closeSubPath();
                    g.setColour (orange.withAlpha ((juce::uint8) 0xcc));
                    g.fillPath (envelope);

                    juce::Path dropArea, dropLine;
                    dropArea.startNewSubPath (centreX (k), plotInset);
                    for (int j = k; j < i; ++j)
                    {
                        const juce::Point<float> point (centreX (j), plot.dropY (entryAt (j).dropDb));
                        dropArea.lineTo (point);
                        if (j == k)
                            dropLine.startNewSubPath (point);
                        else
                            dropLine.lineTo (point);
                    }
                    dropArea.lineTo (centreX (i - 1), plotInset);
                    dropArea.closeSubPath();

                    g.setColour (juce::Colour (0x1affffff));
                    g.fillPath (dropArea);
                    g.setColour (juce::Colour (0xd9ffffff));
                    g.strokePath (dropLine, juce::PathStrokeType (1.4f));
                }

                k = i;
            }
        }
        else
        {
            for (int k = 0; k < length; ++k)
            {
                if (isHidden (k, gap))
                    continue;

                const auto& e = entryAt (k);
                const auto yOuterHigh = plot.traceY (e.outerHigh), yOuterLow = plot.traceY (e.outerLow);
                const auto yInnerHigh = plot.traceY (e.innerHigh), yInnerLow = plot.traceY (e.innerLow);

                g.setColour (orange.withAlpha ((juce::uint8) 0x26));
                g.fillRect (bar (leftEdge (k), m, yOuterHigh, yOuterLow));

                if (showThreshold)
                {
                    g.setColour (palette.brown);
                    if (e.outerHigh > threshold)
                        g.fillRect (bar (leftEdge (k), m, yOuterHigh, yT));
                    if (e.outerLow < -threshold)
                        g.fillRect (bar (leftEdge (k), m, yOuterLow, yB));
                }

                g.setColour (orange.withAlpha ((juce::uint8) 0x33));
                g.fillRect (bar (centreX (k) - (m + 2.0f) * 0.5f, m + 2.0f, yInnerHigh, yInnerLow));
                g.setColour (orange.withAlpha ((juce::uint8) 0xeb));
                g.fillRect (bar (leftEdge (k), m, yInnerHigh, yInnerLow));
            }
        }
    }

    g.setColour (juce::Colour (0x14ffffff));
    g.drawRoundedRectangle (0.75f, 0.75f, juce::jmax (W - 1.5f, 0.0f), juce::jmax (H - 1.5f, 0.0f), r, 1.0f);
}
} // namespace kov
