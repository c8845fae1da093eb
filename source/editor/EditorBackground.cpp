#include "SabrelEditor.h"

#include "kit/KitFonts.h"

namespace
{
constexpr float panelCornerRadius = 9.0f;
constexpr int panelGrowth = 6;
constexpr float wellRadius = 25.0f;
constexpr float knobTopInset = (float) kov::Knob::captionHeight; // 18
constexpr float knobVerticalReserve = 38.0f;                   // caption and value box

bool hasArea (juce::Rectangle<int> r) { return r.getWidth() > 0 && r.getHeight() > 0; }

juce::Rectangle<float> grownPanel (juce::Rectangle<int> r) { return r.expanded (panelGrowth).toFloat(); }
} // namespace

void SabrelEditor::Content::paint (juce::Graphics& g)
{
    background.draw (g, getLocalBounds(), owner.backgroundKey(), [this] (juce::Graphics& ig) { owner.paintContent (ig); });
}

BackgroundCache::Key SabrelEditor::backgroundKey() const
{
    BackgroundCache::Key key;
    key.areas = { canvasArea, bandPanelArea, footerArea };
    for (const auto* knob : { &inputKnob, &outputKnob, &scaleKnob, &freqKnob, &gainKnob, &qKnob })
    {
        key.areas.push_back (knob->getBounds());
        key.flags.push_back (knob->isVisible());
    }
    key.text = buildStamp;
    return key;
}

void SabrelEditor::Content::drawKnobDecoration (juce::Graphics& g, const kov::KitPalette& wellPalette,
                                                juce::Rectangle<int> knobBounds)
{
    kov::drawKnobShadow (g, knobBounds, wellRadius, knobTopInset, knobVerticalReserve);
    kov::drawKnobScale (g, wellPalette, knobBounds, wellRadius, knobTopInset, knobVerticalReserve);
}

void SabrelEditor::paintContent (juce::Graphics& g)
{
    panelPainter.drawDisplayPanel (g, juce::Rectangle<float> (0.0f, 0.0f, (float) designWidth, (float) designHeight));

    auto wellPalette = mainLookAndFeel.palette;
    wellPalette.textDim = juce::Colour (0xffb4b9c0);

    if (hasArea (canvasArea))
        panelPainter.drawModulePanel (g, grownPanel (canvasArea), panelCornerRadius);

    // Wells go over the panel that holds their knob; none at all without a band panel.
    if (hasArea (bandPanelArea))
    {
        Content::drawKnobDecoration (g, wellPalette, inputKnob.getBounds());
        Content::drawKnobDecoration (g, wellPalette, outputKnob.getBounds());
        panelPainter.drawModulePanel (g, grownPanel (bandPanelArea), panelCornerRadius);
        Content::drawKnobDecoration (g, wellPalette, scaleKnob.getBounds());

        for (auto* knob : { &freqKnob, &gainKnob, &qKnob })
            if (knob->isVisible())
                Content::drawKnobDecoration (g, wellPalette, knob->getBounds());
    }

    if (buildStamp.isNotEmpty() && hasArea (footerArea))
    {
        g.setColour (mainLookAndFeel.palette.textDim.withAlpha ((juce::uint8) 0xb2));
        g.setFont (kov::monoFont (9.5f));
        g.drawText (buildStamp, footerArea.toFloat(), juce::Justification::centredLeft, true);
    }
}
