#include "kit/KitFonts.h"
#include "kit/KitPalette.h"

#include <gtest/gtest.h>

#include <thread>
#include <type_traits>

namespace
{
using kov::KitPalette;

static_assert (std::is_trivially_copyable_v<KitPalette>);

TEST (KitPalette, StandardIsOneInstanceWithTheDocumentedValues)
{
    const auto& p = KitPalette::standard();
    EXPECT_EQ (&p, &KitPalette::standard());

    const std::pair<juce::Colour, juce::uint32> colours[] = {
        { p.background, 0xff0b0612 }, { p.surface, 0xff16091e },   { p.well, 0xff06030c },     { p.accent, 0xffffd24a },
        { p.magenta, 0xffff2d87 },    { p.red, 0xffff3b30 },       { p.violet, 0xff8b35ff },   { p.lavender, 0xffc48bff },
        { p.text, 0xfff3ecff },       { p.textDim, 0xff8a7da6 },   { p.meterLow, 0xff36c75a }, { p.meterMid, 0xfff5b324 },
        { p.meterHigh, 0xffe5392f },  { p.orange, 0xffffb23a },    { p.brown, 0xff734011 },
    };
    for (size_t i = 0; i < std::size (colours); ++i)
        EXPECT_EQ (colours[i].first.getARGB(), colours[i].second) << "colour " << i;

    EXPECT_EQ (p.cornerRadius, 9.0f);
    EXPECT_EQ (p.margin, 14.0f);
}

TEST (KitPalette, EditingACopyLeavesTheStandardAndOtherCopiesAlone)
{
    auto a = KitPalette::standard();
    const auto b = KitPalette::standard();
    a.accent = juce::Colours::red;
    a.cornerRadius = 2.0f;

    EXPECT_EQ (KitPalette::standard().accent.getARGB(), 0xffffd24au);
    EXPECT_EQ (KitPalette::standard().cornerRadius, 9.0f);
    EXPECT_EQ (b.accent.getARGB(), 0xffffd24au);
}

TEST (KitPalette, ConcurrentFirstCallsSeeOneFullyBuiltPalette)
{
    const KitPalette* seen[8] {};
    std::vector<std::thread> threads;
    for (auto& s : seen)
        threads.emplace_back ([&s] { s = &KitPalette::standard(); });
    for (auto& t : threads)
        t.join();
    for (auto* s : seen)
    {
        EXPECT_EQ (s, &KitPalette::standard());
        EXPECT_EQ (s->brown.getARGB(), 0xff734011u);
    }
}

// Width of a string in a font: equal for every glyph only in a monospaced face.
float widthOf (const juce::Font& f, const char* text)
{
    return f.getStringWidthFloat (text);
}

TEST (KitFonts, MonoFontIsTheDefaultMonospacedFaceRegular)
{
    const auto f = kov::monoFont (12.0f);
    EXPECT_EQ (f.getTypefaceName(), juce::Font::getDefaultMonospacedFontName());
    EXPECT_FLOAT_EQ (f.getHeight(), 12.0f);
    EXPECT_FALSE (f.isBold());
    EXPECT_FALSE (f.isItalic());
    EXPECT_GT (widthOf (f, "0000"), 0.0f);
    EXPECT_NEAR (widthOf (f, "iiii"), widthOf (f, "WWWW"), 0.01f); // really monospaced
    EXPECT_NEAR (widthOf (f, "-48"), widthOf (f, "888"), 0.01f);
}

TEST (KitFonts, BoldFontIsTheDefaultSansSerifFaceBold)
{
    const auto f = kov::boldFont (12.0f);
    EXPECT_EQ (f.getTypefaceName(), juce::Font::getDefaultSansSerifFontName());
    EXPECT_FLOAT_EQ (f.getHeight(), 12.0f);
    EXPECT_TRUE (f.isBold());
    EXPECT_GT (widthOf (f, "WWWW"), widthOf (f, "iiii") * 1.5f); // proportional, not monospaced
    // Bold is a real face: wider than the regular one.
    EXPECT_GT (widthOf (f, "Gain Output"), widthOf (juce::Font (12.0f), "Gain Output"));
}

TEST (KitFonts, HeightsArePixelsForAnyValue)
{
    for (auto h : { 8.0f, 8.5f, 9.2f, 13.0f, 40.0f })
    {
        EXPECT_FLOAT_EQ (kov::boldFont (h).getHeight(), h);
        EXPECT_FLOAT_EQ (kov::monoFont (h).getHeight(), h);
    }
}

TEST (FontDescription, BuildsUpByCopies)
{
    const kov::FontDescription base;
    const auto bold = base.withHeight (20.0f).withStyle ("Bold");
    EXPECT_EQ (base.getStyle(), "Regular");
    EXPECT_FLOAT_EQ (base.getHeight(), 15.0f);
    EXPECT_EQ (base.getName(), juce::Font::getDefaultSansSerifFontName());
    EXPECT_EQ (bold.getStyle(), "Bold");
    EXPECT_FLOAT_EQ (bold.getHeight(), 20.0f);
    EXPECT_EQ (bold.withName ("Serif-ish").getName(), "Serif-ish");
    EXPECT_EQ (bold.getName(), juce::Font::getDefaultSansSerifFontName());
}
} // namespace
