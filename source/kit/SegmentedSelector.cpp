#include "SegmentedSelector.h"

#include "KitFonts.h"

#include <cmath>

namespace kov
{
SegmentedSelector::SegmentedSelector (const KitPalette& p) : palette (p) {}

void SegmentedSelector::setLabels (const juce::StringArray& newLabels)
{
    labels = newLabels;
    repaint();
    setSelectedIndex (selectedIndex);
}

int SegmentedSelector::limitIndex (int index) const noexcept
{
    return juce::jlimit (0, juce::jmax (0, labels.size() - 1), index);
}

void SegmentedSelector::setSelectedIndex (int newIndex)
{
    const auto index = limitIndex (newIndex);

    if (index == selectedIndex)
        return;

    selectedIndex = index;
    repaint();

    if (onChange != nullptr)
        onChange (index);
}

void SegmentedSelector::selectAt (const juce::MouseEvent& event)
{
    if (labels.isEmpty())
        return;

    const auto count = (float) labels.size();
    auto position = event.position.x / ((float) getWidth() / count);

    // A zero-width selector gives NaN or an infinity; limit in floating point before converting,
    // so the conversion to int is always defined.
    if (std::isnan (position))
        position = 0.0f;

    setSelectedIndex ((int) juce::jlimit (0.0f, count - 1.0f, position));
}

void SegmentedSelector::mouseDown (const juce::MouseEvent& event)
{
    selectAt (event);
}

void SegmentedSelector::paint (juce::Graphics& g)
{
    const auto W = (float) getWidth(), H = (float) getHeight();
    const auto cr = juce::jmin (H * 0.5f, palette.cornerRadius);

    g.setColour (palette.well);
    g.fillRoundedRectangle (0.0f, 0.0f, W, H, cr);
    g.setColour (juce::Colour (0x59000000));
    g.drawRoundedRectangle (0.5f, 0.5f, juce::jmax (W - 1.0f, 0.0f), juce::jmax (H - 1.0f, 0.0f), cr, 1.0f);

    const auto s = W / (float) juce::jmax (1, labels.size());
    g.setFont (boldFont (10.5f));

    for (int i = 0; i < labels.size(); ++i)
    {
        const auto x = (float) i * s;
        const auto selected = i == selectedIndex;

        if (selected)
        {
            g.setColour (palette.accent.withAlpha ((juce::uint8) 0x2e));
            g.fillRoundedRectangle (x + 3.0f, 3.0f, juce::jmax (s - 6.0f, 0.0f), juce::jmax (H - 6.0f, 0.0f), cr - 2.0f);
            g.setColour (palette.accent.withAlpha ((juce::uint8) 0x8c));
            g.drawRoundedRectangle (x + 3.5f, 3.5f, juce::jmax (s - 7.0f, 0.0f), juce::jmax (H - 7.0f, 0.0f), cr - 2.0f, 1.0f);
        }

        g.setColour (selected ? palette.accent : palette.textDim);
        g.drawText (labels[i], juce::Rectangle<float> (x, 0.0f, s, H), juce::Justification::centred, true);

        if (i > 0)
        {
            g.setColour (juce::Colour (0x4c000000));
            g.fillRect (juce::Rectangle<float> (x, 3.0f, 1.0f, H - 6.0f));
        }
    }
}
} // namespace kov
