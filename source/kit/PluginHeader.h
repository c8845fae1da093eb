#pragma once

#include "KitPalette.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace kov
{
// The kit's title bar: a bold title, an optional badge pill, the maker's logo at the right
// drawn as three stacked layers so it looks embossed, an optional small text left of the logo
// and a hairline along the bottom.
class PluginHeader : public juce::Component
{
public:
    explicit PluginHeader (const KitPalette& palette);
    ~PluginHeader() override;

    void setTitleText (const juce::String& newTitle);
    void setBadgeText (const juce::String& newBadge);
    void setRightText (const juce::String& newText);
    void setFallbackLogo (const juce::Image& image);
    void setLogoHeight (float newHeight);

    // Loads the embedded logo into the three layers.
    void setLogo();

    // Loads a logo document into the three layers. Returns false, changing nothing, when the
    // data is not a drawable image.
    bool setLogo (const void* data, size_t numBytes);

    bool hasLogo() const noexcept { return logo != nullptr; }
    float getLogoHeight() const noexcept { return logoHeight; }

    // Where each part of the header goes at the current size; an empty rectangle means the
    // part is not drawn.
    struct Layout
    {
        juce::Rectangle<float> title, badge, logo, rightText, hairline;
    };

    Layout getLayout() const;

    void paint (juce::Graphics& g) override;

private:
    KitPalette palette;
    juce::String title, badge, rightText;
    juce::Image fallbackLogo;
    std::unique_ptr<juce::Drawable> logo, logoShadow, logoHighlight;
    float logoHeight = 22.0f;

    static juce::Font titleFont();
    static juce::Font badgeFont();
    static juce::Font rightTextFont();

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (PluginHeader)
};
} // namespace kov
