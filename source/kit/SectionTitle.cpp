#include "SectionTitle.h"

#include "KitFonts.h"
#include "StoreAndRepaint.h"

namespace kov
{
namespace
{
juce::Font titleFont() { return boldFont (10.5f); }
} // namespace

SectionTitle::SectionTitle (const KitPalette& p) : palette (p) {}

void SectionTitle::setTitleText (const juce::String& newTitle) { storeAndRepaint (*this, title, newTitle); }

float SectionTitle::getTitleBoxWidth() const
{
    return juce::jmin ((float) getWidth(), titleFont().getStringWidthFloat (title) + 8.0f);
}

void SectionTitle::paint (juce::Graphics& g)
{
    const auto W = (float) getWidth(), H = (float) getHeight();
    const auto t = getTitleBoxWidth();

    g.setFont (titleFont());
    g.setColour (palette.textDim);
    g.drawText (title, juce::Rectangle<float> (0.0f, 0.0f, t, H), juce::Justification::centredLeft, true);

    g.setColour (juce::Colour (0x14ffffff));
    g.fillRect (juce::Rectangle<float> (t + 4.0f, H * 0.5f - 0.5f, juce::jmax (W - t - 4.0f, 0.0f), 1.0f));
}
} // namespace kov
