#include "PluginHeader.h"

#include "KitFonts.h"
#include "StoreAndRepaint.h"

#include <BinaryData.h>

namespace kov
{
namespace
{
std::unique_ptr<juce::Drawable> recolouredCopy (const juce::Drawable& source, juce::Colour colour)
{
    auto copy = source.createCopy();
    copy->replaceColour (juce::Colours::white, colour);
    return copy;
}
} // namespace

PluginHeader::PluginHeader (const KitPalette& p) : palette (p) {}

PluginHeader::~PluginHeader() = default;

juce::Font PluginHeader::titleFont() { return boldFont (21.0f); }
juce::Font PluginHeader::badgeFont() { return boldFont (10.0f); }
juce::Font PluginHeader::rightTextFont() { return monoFont (9.5f); }

void PluginHeader::setTitleText (const juce::String& newTitle) { storeAndRepaint (*this, title, newTitle); }
void PluginHeader::setBadgeText (const juce::String& newBadge) { storeAndRepaint (*this, badge, newBadge); }
void PluginHeader::setRightText (const juce::String& newText) { storeAndRepaint (*this, rightText, newText); }
void PluginHeader::setFallbackLogo (const juce::Image& image) { storeAndRepaint (*this, fallbackLogo, image); }

void PluginHeader::setLogoHeight (float newHeight)
{
    // A NaN never equals anything, so it is always stored.
    storeAndRepaint (*this, logoHeight, newHeight);
}

void PluginHeader::setLogo()
{
    setLogo (BinaryData::kovalin_svg, (size_t) BinaryData::kovalin_svgSize);
}

bool PluginHeader::setLogo (const void* data, size_t numBytes)
{
    const auto parsed = juce::Drawable::createFromImageData (data, numBytes);

    if (parsed == nullptr)
        return false;

    logoShadow = recolouredCopy (*parsed, juce::Colour (0xcc000000));
    logo = recolouredCopy (*parsed, juce::Colour (0xffb9bfc6));
    logoHighlight = recolouredCopy (*parsed, juce::Colour (0x33e6eaef));
    repaint();
    return true;
}

PluginHeader::Layout PluginHeader::getLayout() const
{
    const auto W = (float) getWidth(), H = (float) getHeight();
    Layout layout;

    const auto t = juce::jmin (W, titleFont().getStringWidthFloat (title) + 6.0f);
    layout.title = { 0.0f, 0.0f, t, H };

    if (badge.isNotEmpty())
    {
        const auto b = badgeFont().getStringWidthFloat (badge) + 18.0f;
        layout.badge = { t + (juce::jmin (W - t, b + 10.0f) - b) * 0.5f, (H - 18.0f) * 0.5f, b, 18.0f };
    }

    auto right = W;
    const auto h = juce::jmin (H - 10.0f, logoHeight);

    if (logo != nullptr)
    {
        const auto bounds = logo->getDrawableBounds();
        const auto w = bounds.getHeight() > 0.0f ? bounds.getWidth() / bounds.getHeight() * h : h;
        layout.logo = { right - w, H * 0.5f - h * 0.5f, w, h };
        right -= w + 12.0f;
    }
    else if (fallbackLogo.isValid() && fallbackLogo.getHeight() > 0)
    {
        const auto w = (float) fallbackLogo.getWidth() / (float) fallbackLogo.getHeight() * h;
        layout.logo = { right - w, H * 0.5f - h * 0.5f, w, h };
        right -= w + 12.0f;
    }

    if (rightText.isNotEmpty())
        layout.rightText = { right - 240.0f, 0.0f, 240.0f, H };

    layout.hairline = { 0.0f, H - 1.0f, W, 1.0f };
    return layout;
}

void PluginHeader::paint (juce::Graphics& g)
{
    const auto layout = getLayout();

    g.setColour (palette.text);
    g.setFont (titleFont());
    g.drawText (title, layout.title, juce::Justification::centredLeft, true);

    if (badge.isNotEmpty())
    {
        g.setColour (palette.accent.withAlpha ((juce::uint8) 0x24));
        g.fillRoundedRectangle (layout.badge, 9.0f);
        g.setColour (palette.accent);
        g.setFont (badgeFont());
        g.drawText (badge, layout.badge, juce::Justification::centred, true);
    }

    const auto logoArea = layout.logo;
    const auto placement = juce::RectanglePlacement (juce::RectanglePlacement::centred);

    if (logo != nullptr)
    {
        logoShadow->drawWithin (g, logoArea.translated (0.0f, 1.6f), placement, 1.0f);
        logo->drawWithin (g, logoArea, placement, 1.0f);
        logoHighlight->drawWithin (g, logoArea.translated (0.0f, -0.9f), placement, 1.0f);
    }
    else if (fallbackLogo.isValid() && fallbackLogo.getHeight() > 0)
    {
        g.setImageResamplingQuality (juce::Graphics::highResamplingQuality);

        const auto drawMask = [&] (juce::Colour colour, juce::Rectangle<float> target)
        {
            g.setColour (colour);
            const auto transform = placement.getTransformToFit (fallbackLogo.getBounds().toFloat(), target);
            g.drawImageTransformed (fallbackLogo, transform, true);
        };

        drawMask (juce::Colour (0x8c000000), logoArea.translated (0.0f, 1.0f));
        drawMask (juce::Colour (0xffc2c7cd), logoArea);
    }

    if (rightText.isNotEmpty())
    {
        g.setColour (palette.textDim.withAlpha ((juce::uint8) 0xb2));
        g.setFont (rightTextFont());
        g.drawText (rightText, layout.rightText, juce::Justification::centredRight, true);
    }

    g.setColour (juce::Colour (0x12ffffff));
    g.fillRect (layout.hairline);
}
} // namespace kov
