#include "SabrelEditor.h"

#include "kit/KitFonts.h"

// Every position is in design pixels inside `content`; the window's scale never enters.

void SabrelEditor::Content::resized() { owner.layoutContent(); }

void SabrelEditor::placeInRow (juce::Component& component, int width, int& x, int rowY, int rowHeight, int gap)
{
    component.setBounds (x, rowY, width, rowHeight);
    x += width + gap;
}

void SabrelEditor::layoutMeterPair (juce::Rectangle<int> column, juce::Label& caption, kov::LevelMeter& wide,
                                    kov::LevelMeter& narrow, bool wideOnLeft)
{
    const int cx = column.getX() + column.getWidth() / 2;
    const int top = column.getY() + 25;
    const int height = column.getHeight() - 33;

    // The 48-pixel caption is centred over the two wells, not over the scale strip.
    if (wideOnLeft)
    {
        wide.setBounds (cx - 28, top, 38, height);
        narrow.setBounds (cx + 12, top, 16, height);
        caption.setBounds (cx - 13, column.getY() + 8, 48, 12);
    }
    else
    {
        wide.setBounds (cx - 10, top, 38, height);
        narrow.setBounds (cx - 28, top, 16, height);
        caption.setBounds (cx - 35, column.getY() + 8, 48, 12);
    }
}

void SabrelEditor::layoutContent()
{
    const int m = (int) mainLookAndFeel.palette.margin;
    auto area = juce::Rectangle<int> (m + 4, m + 4, juce::jmax (0, 972 - 2 * m), juce::jmax (0, 682 - 2 * m));

    auto footer = area.removeFromBottom (18);
    settingsButton.setBounds (footer.removeFromRight (16).withSizeKeepingCentre (14, 14));
    footer.removeFromRight (6);
    helpButton.setBounds (footer.removeFromRight (16).withSizeKeepingCentre (13, 13));
    footer.removeFromRight (8);

    // The pill's width follows its text; a hidden pill keeps whatever bounds it had.
    if (updatePill.isVisible())
    {
        const auto font = kov::monoFont (10.0f).boldened();
        const int w = updatePillWidth (font.getStringWidthFloat (updatePill.getButtonText()));
        const auto slot = footer.removeFromRight (w);
        updatePill.setBounds (slot.withSizeKeepingCentre (slot.getWidth(), 15));
        footer.removeFromRight (10);
    }
    footerArea = footer;

    area.removeFromBottom (8);
    header.setBounds (area.removeFromTop (40));
    area.removeFromTop (12);
    const auto bandStrip = area.removeFromBottom (118);
    area.removeFromBottom (10);
    inMeterArea = area.removeFromLeft (70);
    area.removeFromLeft (10);
    outMeterArea = area.removeFromRight (70);
    area.removeFromRight (10);
    canvasArea = area;
    curveCanvas.setBounds (canvasArea);
    bandPanelArea = { canvasArea.getX(), bandStrip.getY(), juce::jmax (0, canvasArea.getWidth()), bandStrip.getHeight() };

    layoutMeterPair (inMeterArea, inCaption, meters[0], meters[1], true);
    layoutMeterPair (outMeterArea, outCaption, meters[3], meters[2], false);

    const int knobY = bandStrip.getY() + (bandStrip.getHeight() - 98) / 2;
    inputKnob.setBounds (inMeterArea.getX() + inMeterArea.getWidth() / 2 - 36, knobY, 72, 98);
    outputKnob.setBounds (outMeterArea.getX() + outMeterArea.getWidth() / 2 - 36, knobY, 72, 98);

    const int by = bandPanelArea.getY();
    const auto inner = bandPanelArea.reduced (18, 0);
    const int rowY = by + 41;
    const int rowHeight = 40;
    const int knobRowY = by + 22;

    int x = inner.getX();
    placeInRow (bypassButton, 60, x, rowY, rowHeight, 10);
    placeInRow (autoGainButton, 50, x, rowY, rowHeight, 10);
    scaleKnob.setBounds (x, knobRowY, 64, 88);

    const int c = inner.getX() + inner.getWidth() / 2;
    prevBandButton.setBounds (c - 152, rowY, 30, rowHeight);
    kov::Knob* const bandKnobs[] { &freqKnob, &gainKnob, &qKnob };
    for (int i = 0; i < 3; ++i)
        bandKnobs[i]->setBounds (c - 110 + 78 * i, knobRowY, 64, 88);
    nextBandButton.setBounds (c + 122, rowY, 30, rowHeight);
    bandCaption.setBounds (c - 110, by + 4, 220, 14);

    for (int i = 0; i < 3; ++i)
        phaseButtons[(size_t) i].setBounds (inner.getX() + inner.getWidth() - 174 + 60 * i, rowY, 54, rowHeight);
}
