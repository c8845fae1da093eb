#pragma once

#include <juce_graphics/juce_graphics.h>

namespace kov
{
// Describes a font by typeface name, pixel height and style, then builds the juce::Font.
// JUCE 7 has no juce::FontOptions; this gives the kit the same way of saying what it wants.
class FontDescription
{
public:
    FontDescription withName (const juce::String& name) const;
    FontDescription withHeight (float pixelHeight) const;
    FontDescription withStyle (const juce::String& style) const;

    juce::Font toFont() const;

    const juce::String& getName() const noexcept { return name; }
    float getHeight() const noexcept { return height; }
    const juce::String& getStyle() const noexcept { return style; }

private:
    juce::String name = juce::Font::getDefaultSansSerifFontName();
    float height = 15.0f;
    juce::String style = "Regular";
};

// The platform's default sans-serif typeface, bold, at a pixel height.
juce::Font boldFont (float height);

// The platform's default monospaced typeface, regular, at a pixel height.
juce::Font monoFont (float height);
} // namespace kov
