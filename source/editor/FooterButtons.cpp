#include "SabrelEditor.h"

#include <cmath>

void SabrelEditor::HelpButton::paintButton (juce::Graphics& g, bool over, bool down)
{
    g.setColour (juce::Colour (over || down ? highlightColour : normalColour));

    const auto w = (float) juce::jmax (getWidth() - 1, 0);
    const auto h = (float) juce::jmax (getHeight() - 1, 0);
    g.drawEllipse (0.5f, 0.5f, w, h, 1.0f);

    g.setFont (juce::Font (juce::Font::getDefaultSansSerifFontName(), 0.7f * h, juce::Font::bold));
    g.drawText ("?", 0, 0, getWidth(), getHeight(), juce::Justification::centred, true);
}

void SabrelEditor::UpdatePill::paintButton (juce::Graphics& g, bool over, bool down)
{
    g.setColour (juce::Colour (down ? 0xff2ca659 : over ? 0xff4aca79 : 0xff35c46a));

    const auto w = (float) juce::jmax (getWidth() - 1, 0);
    const auto h = (float) juce::jmax (getHeight() - 1, 0);
    g.fillRoundedRectangle (0.5f, 0.5f, w, h, h * 0.5f);

    g.setColour (juce::Colour (0xff08210f));
    g.setFont (juce::Font (juce::Font::getDefaultMonospacedFontName(), 0.62f * h, juce::Font::bold));
    g.drawText (getButtonText(), 0, 0, getWidth(), getHeight(), juce::Justification::centred, true);
}

juce::Path makeGearPath (float outerRadius, float innerRadius, float holeRadius)
{
    juce::Path path;

    for (int i = 0; i <= 16; ++i)
    {
        const auto angle = (float) i * juce::MathConstants<float>::twoPi * 0.0625f;
        const auto r = (i % 2 == 1) ? innerRadius : outerRadius;
        const juce::Point<float> point { std::cos (angle) * r, std::sin (angle) * r };

        if (i == 0)
            path.startNewSubPath (point);
        else
            path.lineTo (point);
    }

    path.closeSubPath();
    path.addEllipse (-holeRadius, -holeRadius, 2.0f * holeRadius, 2.0f * holeRadius);
    path.setUsingNonZeroWinding (false);
    return path;
}
