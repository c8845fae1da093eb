#include "KitFonts.h"

namespace kov
{
FontDescription FontDescription::withName (const juce::String& newName) const
{
    auto copy = *this;
    copy.name = newName;
    return copy;
}

FontDescription FontDescription::withHeight (float pixelHeight) const
{
    auto copy = *this;
    copy.height = pixelHeight;
    return copy;
}

FontDescription FontDescription::withStyle (const juce::String& newStyle) const
{
    auto copy = *this;
    copy.style = newStyle;
    return copy;
}

juce::Font FontDescription::toFont() const
{
    return juce::Font (name, style, height);
}

juce::Font boldFont (float height)
{
    return FontDescription().withHeight (height).withStyle ("Bold").toFont();
}

juce::Font monoFont (float height)
{
    return FontDescription().withName (juce::Font::getDefaultMonospacedFontName()).withHeight (height).toFont();
}
} // namespace kov
