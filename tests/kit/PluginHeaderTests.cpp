#include "kit/KitFonts.h"
#include "kit/PluginHeader.h"

#include "support/RecordingGraphics.h"
#include "support/RepaintCounter.h"

#include <BinaryData.h>
#include <gtest/gtest.h>

#include <cmath>

namespace
{
class PluginHeaderTest : public ::testing::Test
{
protected:
    kov::PluginHeader header { kov::KitPalette::standard() };

    float titleBoxWidth (const juce::String& text) const { return kov::boldFont (21.0f).getStringWidthFloat (text) + 6.0f; }
    float pillWidth (const juce::String& text) const { return kov::boldFont (10.0f).getStringWidthFloat (text) + 18.0f; }

    std::unique_ptr<RecordingGraphics> render()
    {
        auto target = std::make_unique<RecordingGraphics> (header.getWidth(), header.getHeight());
        header.paint (target->g());
        return target;
    }

    static juce::Image logoImage (int width, int height)
    {
        juce::Image image (juce::Image::ARGB, width, height, true);
        juce::Graphics (image).fillAll (juce::Colours::white);
        return image;
    }
};
} // namespace

TEST (KovalinLogo, IsAnSvgWhoseShapesAreAllWhite)
{
    const juce::String svg (BinaryData::kovalin_svg, (size_t) BinaryData::kovalin_svgSize);
    const auto document = juce::parseXML (svg);
    ASSERT_NE (document, nullptr);
    EXPECT_TRUE (document->hasTagName ("svg"));

    int shapes = 0;
    for (auto* element : document->getChildIterator())
    {
        ++shapes;
        EXPECT_EQ (element->getStringAttribute ("fill"), "#ffffff") << element->toString();
        EXPECT_FALSE (element->hasAttribute ("stroke"));
    }
    EXPECT_GT (shapes, 0);

    // After replacing white nothing of the original colour is left.
    auto drawable = juce::Drawable::createFromImageData (BinaryData::kovalin_svg, (size_t) BinaryData::kovalin_svgSize);
    ASSERT_NE (drawable, nullptr);
    EXPECT_TRUE (drawable->replaceColour (juce::Colours::white, juce::Colours::red));
    EXPECT_FALSE (drawable->replaceColour (juce::Colours::white, juce::Colours::red));
}

TEST_F (PluginHeaderTest, LogoHeightIsLimitedByTheHeaderHeight)
{
    header.setLogo();
    ASSERT_TRUE (header.hasLogo());

    struct Case { int height; float logoHeight; };
    for (const auto c : { Case { 30, 20.0f }, Case { 40, 22.0f }, Case { 32, 22.0f } })
    {
        header.setSize (400, c.height);
        const auto logo = header.getLayout().logo;
        EXPECT_FLOAT_EQ (logo.getHeight(), c.logoHeight) << c.height;
        EXPECT_FLOAT_EQ (logo.getRight(), 400.0f);
        EXPECT_FLOAT_EQ (logo.getCentreY(), (float) c.height * 0.5f);
        EXPECT_GT (logo.getWidth(), logo.getHeight()); // the logo is wider than high: its aspect is kept
    }
}

TEST_F (PluginHeaderTest, LogoLayersAreDrawnShadowBodyHighlight)
{
    header.setSize (400, 40);
    header.setLogo();
    const auto logo = header.getLayout().logo;
    const auto target = render();

    const auto shadow = target->fillsOf (juce::Colour (0xcc000000));
    const auto body = target->fillsOf (juce::Colour (0xffb9bfc6));
    const auto highlight = target->fillsOf (juce::Colour (0x33e6eaef));
    ASSERT_FALSE (shadow.empty());
    ASSERT_EQ (shadow.size(), body.size());
    ASSERT_EQ (highlight.size(), body.size());

    // The shadow sits 1.6 px below the body and the highlight 0.9 px above; all inside the logo box.
    for (size_t i = 0; i < body.size(); ++i)
    {
        EXPECT_NEAR (shadow[i].bounds.getY() - body[i].bounds.getY(), 1.6f, 1.0e-3f);
        EXPECT_NEAR (highlight[i].bounds.getY() - body[i].bounds.getY(), -0.9f, 1.0e-3f);
        EXPECT_TRUE (logo.expanded (0.01f).contains (body[i].bounds)) << body[i].bounds.toString();
    }
}

TEST_F (PluginHeaderTest, UnparsableLogoLeavesEarlierLayers)
{
    header.setSize (400, 40);
    const char garbage[] = "this is not an image";

    EXPECT_FALSE (header.setLogo (garbage, sizeof (garbage)));
    EXPECT_FALSE (header.hasLogo());

    header.setLogo();
    const auto before = header.getLayout().logo;
    RepaintCounter repaints (header);

    EXPECT_FALSE (header.setLogo (garbage, sizeof (garbage)));
    EXPECT_TRUE (header.hasLogo());
    EXPECT_EQ (header.getLayout().logo, before);
    EXPECT_EQ (repaints.get(), 0);
}

TEST_F (PluginHeaderTest, LongTitleIsCutAtTheHeaderWidth)
{
    header.setSize (120, 40);
    header.setTitleText ("A title far too long to fit in this header");

    EXPECT_FLOAT_EQ (header.getLayout().title.getWidth(), 120.0f);

    const auto target = render();
    const auto glyphs = target->fillsOf (kov::KitPalette::standard().text);
    ASSERT_FALSE (glyphs.empty());
    for (const auto& glyph : glyphs)
        EXPECT_LT (glyph.bounds.getX(), 120.0f);
}

TEST_F (PluginHeaderTest, TitleOnlyDrawsTitleAndHairline)
{
    header.setSize (300, 40);
    header.setTitleText ("Sabrel");
    const auto target = render();

    const auto hairline = juce::Colour (0x12ffffff);
    for (const auto& fill : target->getFills())
        EXPECT_TRUE (fill.colour == kov::KitPalette::standard().text || fill.colour == hairline)
            << fill.colour.toString();

    const auto lines = target->fillsOf (hairline);
    ASSERT_EQ (lines.size(), 1u);
    EXPECT_EQ (lines[0].bounds, juce::Rectangle<float> (0.0f, 39.0f, 300.0f, 1.0f));
    EXPECT_FLOAT_EQ (header.getLayout().title.getWidth(), titleBoxWidth ("Sabrel"));
    EXPECT_TRUE (header.getLayout().badge.isEmpty());
    EXPECT_TRUE (header.getLayout().rightText.isEmpty());
}

TEST_F (PluginHeaderTest, RightTextBoxEndsTwelvePixelsLeftOfTheLogo)
{
    header.setSize (600, 40);
    header.setRightText ("v0.1.0");
    EXPECT_EQ (header.getLayout().rightText, juce::Rectangle<float> (360.0f, 0.0f, 240.0f, 40.0f));

    header.setLogo();
    const auto layout = header.getLayout();
    EXPECT_FLOAT_EQ (layout.rightText.getRight(), layout.logo.getX() - 12.0f);
    EXPECT_FLOAT_EQ (layout.rightText.getWidth(), 240.0f);

    // A text longer than the box keeps the box and is cut.
    header.setRightText (juce::String::repeatedString ("build 0123456789 ", 8));
    EXPECT_EQ (header.getLayout().rightText, layout.rightText);
    const auto target = render();
    for (const auto& glyph : target->fillsOf (kov::KitPalette::standard().textDim.withAlpha ((juce::uint8) 0xb2)))
    {
        EXPECT_GE (glyph.bounds.getX(), layout.rightText.getX());
        EXPECT_LT (glyph.bounds.getX(), layout.rightText.getRight());
    }
}

TEST_F (PluginHeaderTest, FallbackImageIsDrawnAsTwoMasksWhenThereIsNoLogo)
{
    header.setSize (300, 30);
    header.setFallbackLogo (logoImage (60, 20));
    header.setRightText ("x");

    const auto layout = header.getLayout();
    EXPECT_EQ (layout.logo, juce::Rectangle<float> (240.0f, 5.0f, 60.0f, 20.0f));
    EXPECT_FLOAT_EQ (layout.rightText.getRight(), 228.0f);

    const auto target = render();
    const auto masksOf = [&target] (juce::Colour colour)
    {
        std::vector<RecordingGraphics::Fill> masks;
        for (const auto& fill : target->fillsOf (colour))
            if (fill.kind == RecordingGraphics::Kind::image)
                masks.push_back (fill);
        return masks;
    };
    const auto shadow = masksOf (juce::Colour (0x8c000000));
    const auto face = masksOf (juce::Colour (0xffc2c7cd));
    ASSERT_EQ (shadow.size(), 1u);
    ASSERT_EQ (face.size(), 1u);
    EXPECT_EQ (face[0].bounds, layout.logo);
    EXPECT_EQ (shadow[0].bounds, layout.logo.translated (0.0f, 1.0f));

    // A logo drawable takes precedence over the image.
    header.setLogo();
    const auto withLogo = render();
    EXPECT_TRUE (withLogo->fillsOf (juce::Colour (0xffc2c7cd)).empty());
}

TEST_F (PluginHeaderTest, BadgePillPlacement)
{
    header.setTitleText ("Sabrel");
    header.setBadgeText ("BETA");
    const auto t = titleBoxWidth ("Sabrel");
    const auto b = pillWidth ("BETA");

    auto pillAtWidth = [this] (float width)
    {
        header.setSize ((int) width, 40);
        return header.getLayout().badge;
    };

    for (const auto& pill : { pillAtWidth (std::ceil (t + b + 60.0f)), pillAtWidth (std::ceil (t + b + 4.0f)),
                              pillAtWidth (std::floor (t + b - 6.0f)) })
    {
        EXPECT_FLOAT_EQ (pill.getWidth(), b);
        EXPECT_FLOAT_EQ (pill.getY(), 11.0f);
        EXPECT_FLOAT_EQ (pill.getHeight(), 18.0f);
    }

    // With room: 5 px right of the title box.
    EXPECT_FLOAT_EQ (pillAtWidth (std::ceil (t + b + 60.0f)).getX(), t + 5.0f);

    // Space narrower than pill + 10: centred in the space right of the title.
    const auto squeezed = pillAtWidth (std::ceil (t + b + 4.0f));
    EXPECT_NEAR (squeezed.getCentreX(), (t + (float) header.getWidth()) * 0.5f, 1.0e-3f);
    EXPECT_GT (squeezed.getX(), t);

    // Space narrower than the pill: it overlaps the title box and the right edge equally.
    const auto overlapping = pillAtWidth (std::floor (t + b - 6.0f));
    const auto W = (float) header.getWidth();
    EXPECT_LT (overlapping.getX(), t);
    EXPECT_GT (overlapping.getRight(), W);
    EXPECT_NEAR (t - overlapping.getX(), overlapping.getRight() - W, 1.0e-3f);
}

TEST_F (PluginHeaderTest, SettersRepaintOnlyOnChange)
{
    RepaintCounter repaints (header);

    header.setTitleText ("Sabrel");
    EXPECT_EQ (repaints.get(), 1);
    header.setTitleText ("Sabrel");
    EXPECT_EQ (repaints.get(), 1);

    header.setLogoHeight (22.0f);
    EXPECT_EQ (repaints.get(), 1);
    header.setLogoHeight (24.0f);
    EXPECT_EQ (repaints.get(), 2);

    header.setLogoHeight (std::nanf (""));
    header.setLogoHeight (std::nanf (""));
    EXPECT_EQ (repaints.get(), 4); // a NaN never equals the stored value

    header.setLogo();
    EXPECT_EQ (repaints.get(), 5);
}
