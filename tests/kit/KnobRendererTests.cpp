#include "KitPixels.h"
#include "kit/FilmstripKnobRenderer.h"
#include "kit/ProceduralKnobRenderer.h"

#include <BinaryData.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>

namespace
{
using kitpixels::at;
using kitpixels::colourNear;
using kov::FilmstripKnobRenderer;

const juce::Colour canvas (0xff000000);
constexpr float startAngle = -2.3561945f;
constexpr float endAngle = 2.3561945f;

// -------------------------------------------------------------------------------------------
// Procedural knob in a 50 x 50 area at (0, 0): radius 22, centre (25, 25), body radius 19.5,
// cap radius 14.3, pointer 4.862..12.298 from the centre, 2.6 thick.

TEST (ProceduralKnob, GeometryOfA50PixelArea)
{
    const juce::Colour accent (0xff00c000);
    const juce::Colour grey (0xff808080);
    kov::ProceduralKnobRenderer renderer;
    juce::Slider slider;
    constexpr float scale = 4.0f;
    const auto image = kitpixels::render (50, 50, scale, grey, [&] (juce::Graphics& g) {
        renderer.draw (g, { 0.0f, 0.0f, 50.0f, 50.0f }, 0.5f, startAngle, endAngle, accent, slider);
    });

    const auto isAccentish = [] (juce::Colour c) { return c.getGreen() > c.getRed() + 60 && c.getGreen() > c.getBlue() + 60; };
    const auto isGrey = [] (juce::Colour c) {
        return std::abs (c.getRed() - c.getGreen()) < 12 && std::abs (c.getGreen() - c.getBlue()) < 14 && c.getRed() > 8;
    };

    // Cap inside 14.3 (off the pointer), grey body between 14.3 and 19.5, nothing beyond.
    EXPECT_TRUE (isAccentish (at (image, 25 + 13.5f, 25, scale)));
    EXPECT_TRUE (isAccentish (at (image, 25 - 13.5f, 25, scale)));
    EXPECT_TRUE (isGrey (at (image, 25 + 15.5f, 25, scale)));
    EXPECT_TRUE (isGrey (at (image, 25 + 19.0f, 25, scale)));
    EXPECT_TRUE (colourNear (at (image, 25 + 20.0f, 24, scale), grey, 1));
    // The drop shadow reaches 3 px lower than the body.
    EXPECT_TRUE (colourNear (at (image, 25, 25 + 21.0f, scale), grey.overlaidWith (juce::Colour (0x52000000)), 2));
    EXPECT_TRUE (colourNear (at (image, 25, 25 + 23.0f, scale), grey, 1));

    // Pointer straight up from 4.862 to 12.298, 2.6 wide (x 23.7..26.3), flat ends.
    const juce::Colour pointer (0xfff2f4f7);
    EXPECT_TRUE (colourNear (at (image, 25, 25 - 5.2f, scale), pointer));
    EXPECT_TRUE (colourNear (at (image, 25, 25 - 12.0f, scale), pointer));
    EXPECT_TRUE (colourNear (at (image, 23.8f, 25 - 8.0f, scale), pointer));
    EXPECT_FALSE (colourNear (at (image, 23.5f, 25 - 8.0f, scale), pointer, 40));
    EXPECT_FALSE (colourNear (at (image, 25, 25 - 4.4f, scale), pointer, 40));
    EXPECT_FALSE (colourNear (at (image, 25, 25 - 12.7f, scale), pointer, 40));
}

TEST (ProceduralKnob, TinyAreasDrawWithoutFailing)
{
    kov::ProceduralKnobRenderer renderer;
    juce::Slider slider;
    for (auto size : { 12.0f, 6.0f, 0.0f })
        kitpixels::render (20, 20, 1.0f, canvas, [&] (juce::Graphics& g) {
            renderer.draw (g, { 0.0f, 0.0f, size, size }, 0.2f, startAngle, endAngle, juce::Colours::red, slider);
        });
}

// -------------------------------------------------------------------------------------------
// Filmstrip renderer on small hand-made strips.

juce::Image strip (int frameSize, int frames, const std::function<juce::Colour (int frame, int x, int y)>& pixel,
                   juce::Image::PixelFormat format = juce::Image::ARGB)
{
    juce::Image image (format, frameSize, frameSize * frames, true, juce::SoftwareImageType());
    for (int f = 0; f < frames; ++f)
        for (int y = 0; y < frameSize; ++y)
            for (int x = 0; x < frameSize; ++x)
                image.setPixelAt (x, f * frameSize + y, pixel (f, x, y));
    return image;
}

// Frame k is a flat grey of value 10 + 3k; the mask leaves it untinted.
std::shared_ptr<FilmstripKnobRenderer> numberedFrames (int frames, int frameSize = 4)
{
    auto base = strip (frameSize, frames, [] (int f, int, int) {
        const auto v = (juce::uint8) (10 + 3 * f);
        return juce::Colour (v, v, v);
    });
    auto mask = strip (frameSize, frames, [] (int, int, int) { return juce::Colour (0xff000000); });
    return std::make_shared<FilmstripKnobRenderer> (base, mask, frames);
}

int shownFrame (const FilmstripKnobRenderer& r, const juce::Slider& s)
{
    const auto& entry = r.frameCache.at (&s);
    return (entry.tinted.getPixelAt (0, 0).getRed() - 10) / 3;
}

struct FrameCase
{
    int frames;
    float position;
    int frame;
};

class FilmstripFrames : public ::testing::TestWithParam<FrameCase>
{
};

TEST_P (FilmstripFrames, RoundHalfToEvenAndClamp)
{
    const auto [frames, position, frame] = GetParam();
    auto renderer = numberedFrames (frames);
    EXPECT_EQ (renderer->frameForPosition (position), frame);

    juce::Slider slider;
    kitpixels::render (10, 10, 1.0f, canvas, [&] (juce::Graphics& g) {
        renderer->draw (g, { 0.0f, 0.0f, 10.0f, 10.0f }, position, startAngle, endAngle, juce::Colours::red, slider);
    });
    EXPECT_EQ (renderer->frameCache.at (&slider).frameIndex, frame);
    EXPECT_EQ (shownFrame (*renderer, slider), frame);
}

INSTANTIATE_TEST_SUITE_P (
    Positions, FilmstripFrames,
    ::testing::Values (FrameCase { 64, 0.0f, 0 }, FrameCase { 64, 1.0f, 63 }, FrameCase { 64, 0.5f, 32 }, // 31.5 -> 32
                       FrameCase { 64, 0.3f, 19 }, FrameCase { 64, -0.25f, 0 }, FrameCase { 64, 1.7f, 63 },
                       FrameCase { 1, 0.0f, 0 }, FrameCase { 1, 0.8f, 0 }, FrameCase { 1, 1.0f, 0 }, FrameCase { 3, 0.25f, 0 },
                       FrameCase { 3, 0.75f, 2 }));

struct TintCase
{
    int base, amount, highlight, accent, expected;
};

class FilmstripTint : public ::testing::TestWithParam<TintCase>
{
};

TEST_P (FilmstripTint, IntegerFormula)
{
    const auto c = GetParam();
    EXPECT_EQ (FilmstripKnobRenderer::tintChannel (c.base, c.amount, c.highlight, c.accent), c.expected);
}

INSTANTIATE_TEST_SUITE_P (Channels, FilmstripTint,
                          ::testing::Values (TintCase { 200, 255, 0, 0x4a, 58 }, // full tint: 200 x 74 / 255, rounded
                                             TintCase { 200, 0, 0, 0x4a, 200 },  // no tint keeps the base
                                             TintCase { 200, 113, 0, 0x4a, 138 }, // -142 x 113 / 255 truncates to -62
                                             TintCase { 200, 255, 100, 0x4a, 158 }, // highlight added first
                                             TintCase { 200, 255, 250, 0x4a, 255 }, // capped at 255
                                             TintCase { 10, 128, 0, 255, 10 }, // a white accent keeps the base
                                             TintCase { 0, 255, 0, 255, 0 }, TintCase { 255, 255, 0, 255, 255 },
                                             TintCase { 100, 255, 0, 0x80, 50 })); // (128 x 100 + 127) / 255 = 50

TEST (FilmstripRenderer, ComposesEveryChannelOfTheWorkedExample)
{
    // Base (A 255, R 200, G 100, B 50); mask red 113 and green 0; accent 0xff4a80c0.
    auto base = strip (2, 1, [] (int, int, int) { return juce::Colour ((juce::uint8) 200, (juce::uint8) 100, (juce::uint8) 50); });
    auto mask = strip (2, 1, [] (int, int, int) { return juce::Colour ((juce::uint8) 113, (juce::uint8) 0, (juce::uint8) 0); });
    FilmstripKnobRenderer renderer (base, mask, 1);
    juce::Slider slider;
    kitpixels::render (4, 4, 1.0f, canvas, [&] (juce::Graphics& g) {
        renderer.draw (g, { 0.0f, 0.0f, 4.0f, 4.0f }, 0.0f, startAngle, endAngle, juce::Colour (0xff4a80c0), slider);
    });

    const auto out = renderer.frameCache.at (&slider).tinted.getPixelAt (1, 1);
    EXPECT_EQ (out.getAlpha(), 255);
    EXPECT_EQ (out.getRed(), FilmstripKnobRenderer::tintChannel (200, 113, 0, 0x4a));
    EXPECT_EQ (out.getRed(), 138);
    EXPECT_EQ (out.getGreen(), FilmstripKnobRenderer::tintChannel (100, 113, 0, 0x80));
    EXPECT_EQ (out.getBlue(), FilmstripKnobRenderer::tintChannel (50, 113, 0, 0xc0));
}

TEST (FilmstripRenderer, TintsStoredPremultipliedValuesAndKeepsAlpha)
{
    // A half-transparent base pixel is stored premultiplied; the formula works on what is stored.
    auto base = strip (1, 1, [] (int, int, int) { return juce::Colour ((juce::uint8) 200, (juce::uint8) 200, (juce::uint8) 200, (juce::uint8) 128); });
    auto mask = strip (1, 1, [] (int, int, int) { return juce::Colour ((juce::uint8) 0, (juce::uint8) 0, (juce::uint8) 0); });
    const auto stored = juce::Image::BitmapData (base, juce::Image::BitmapData::readOnly).getPixelPointer (0, 0);
    const auto storedRed = reinterpret_cast<const juce::PixelARGB*> (stored)->getRed();

    FilmstripKnobRenderer renderer (base, mask, 1);
    juce::Slider slider;
    kitpixels::render (1, 1, 1.0f, canvas, [&] (juce::Graphics& g) {
        renderer.draw (g, { 0.0f, 0.0f, 1.0f, 1.0f }, 0.0f, startAngle, endAngle, juce::Colours::red, slider);
    });
    const juce::Image::BitmapData out (renderer.frameCache.at (&slider).tinted, juce::Image::BitmapData::readOnly);
    const auto* pixel = reinterpret_cast<const juce::PixelARGB*> (out.getPixelPointer (0, 0));
    EXPECT_EQ (pixel->getAlpha(), 128);
    EXPECT_EQ (pixel->getRed(), storedRed);
}

// A renderer whose cached frames can be marked, to see whether a draw composed again.
class FilmstripCache : public ::testing::Test
{
protected:
    std::shared_ptr<FilmstripKnobRenderer> renderer = numberedFrames (8);
    juce::Slider first, second;

    void draw (juce::Slider& slider, float position, juce::Colour accent)
    {
        kitpixels::render (10, 10, 1.0f, canvas, [&] (juce::Graphics& g) {
            renderer->draw (g, { 0.0f, 0.0f, 10.0f, 10.0f }, position, startAngle, endAngle, accent, slider);
        });
    }

    void mark (juce::Slider& slider) { renderer->frameCache.at (&slider).tinted.setPixelAt (0, 0, juce::Colour (0xff123456)); }
    bool stillMarked (juce::Slider& slider) { return renderer->frameCache.at (&slider).tinted.getPixelAt (0, 0) == juce::Colour (0xff123456); }
};

TEST_F (FilmstripCache, RecomposesOnlyOnAChangeOfFrameOrAccent)
{
    draw (first, 0.0f, juce::Colours::red);
    mark (first);

    draw (first, 0.0f, juce::Colours::red);
    draw (first, 0.05f, juce::Colours::red); // 0.35 rounds to the same frame 0
    EXPECT_TRUE (stillMarked (first));

    draw (first, 0.5f, juce::Colours::red);
    EXPECT_FALSE (stillMarked (first));
    EXPECT_EQ (renderer->frameCache.at (&first).frameIndex, 4);

    mark (first);
    draw (first, 0.5f, juce::Colours::blue);
    EXPECT_FALSE (stillMarked (first));
    EXPECT_EQ (renderer->frameCache.at (&first).accentArgb, juce::Colours::blue.getARGB());
}

TEST_F (FilmstripCache, EachSliderHasItsOwnEntry)
{
    draw (first, 0.5f, juce::Colours::red);
    draw (second, 0.5f, juce::Colours::red);
    ASSERT_EQ (renderer->frameCache.size(), 2u);
    EXPECT_NE (renderer->frameCache.at (&first).tinted.getPixelData(), renderer->frameCache.at (&second).tinted.getPixelData());

    mark (first);
    mark (second);
    draw (first, 0.5f, juce::Colours::green); // only the accent changes: both recompose on their next paint
    draw (second, 0.5f, juce::Colours::green);
    EXPECT_FALSE (stillMarked (first));
    EXPECT_FALSE (stillMarked (second));
}

TEST_F (FilmstripCache, FreshEntryComposesEvenForATransparentAccent)
{
    draw (first, 0.0f, juce::Colour (0x00000000));
    const auto& entry = renderer->frameCache.at (&first);
    ASSERT_TRUE (entry.tinted.isValid());
    EXPECT_EQ (entry.tinted.getWidth(), 4);
    EXPECT_EQ (entry.frameIndex, 0);
    EXPECT_EQ (entry.accentArgb, 0u);
    EXPECT_EQ (entry.tinted.getPixelAt (2, 2).getRed(), 10);
}

struct PlacementCase
{
    juce::Rectangle<float> area;
    float maxDiameter;
    juce::Rectangle<int> drawn;
};

class FilmstripPlacement : public ::testing::TestWithParam<PlacementCase>
{
};

TEST_P (FilmstripPlacement, DrawsACentredSquareNoLargerThanMaxDiameter)
{
    const auto [area, maxDiameter, drawn] = GetParam();
    auto base = strip (16, 1, [] (int, int, int) { return juce::Colour (0xffffffff); });
    auto mask = strip (16, 1, [] (int, int, int) { return juce::Colour (0xff000000); });
    FilmstripKnobRenderer renderer (base, mask, 1);
    renderer.maxDiameter = maxDiameter;
    juce::Slider slider;
    const auto image = kitpixels::render (100, 100, 1.0f, canvas, [&] (juce::Graphics& g) {
        renderer.draw (g, area, 0.0f, startAngle, endAngle, juce::Colours::red, slider);
    });

    juce::Rectangle<int> lit;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x)
            if (image.getPixelAt (x, y).getRed() > 128)
                lit = lit.isEmpty() ? juce::Rectangle<int> (x, y, 1, 1) : lit.getUnion ({ x, y, 1, 1 });
    EXPECT_EQ (lit, drawn);
}

INSTANTIATE_TEST_SUITE_P (Areas, FilmstripPlacement,
                          ::testing::Values (PlacementCase { { 0, 0, 80, 70 }, 50.0f, { 15, 10, 50, 50 } },
                                             PlacementCase { { 0, 0, 40, 30 }, 50.0f, { 5, 0, 30, 30 } },
                                             PlacementCase { { 10, 20, 40, 30 }, 1.0e6f, { 15, 20, 30, 30 } },
                                             PlacementCase { { 0, 0, 80, 70 }, 1.0e6f, { 5, 0, 70, 70 } }));

TEST (FilmstripRenderer, ConstructorDefaults)
{
    FilmstripKnobRenderer nullStrips ({}, {}, 0);
    EXPECT_EQ (nullStrips.numFrames, 1);
    EXPECT_EQ (nullStrips.frameSize, 0);
    EXPECT_EQ (nullStrips.maxDiameter, 1000000.0f);
    EXPECT_TRUE (nullStrips.frameCache.empty());

    FilmstripKnobRenderer negative (juce::Image (juce::Image::ARGB, 12, 48, true), {}, -5);
    EXPECT_EQ (negative.numFrames, 1);
    EXPECT_EQ (negative.frameSize, 12);
}

// -------------------------------------------------------------------------------------------
// Strips that break the renderer's preconditions draw nothing and touch nothing outside the
// images. CTest also runs this suite under valgrind.

struct BadStripCase
{
    const char* name;
    std::function<juce::Image()> base;
    std::function<juce::Image()> mask;
    int frames;
};

// Names the case in gtest's output (and keeps gtest from dumping the record's raw bytes).
void PrintTo (const BadStripCase& c, std::ostream* os)
{
    *os << c.name;
}

juce::Image blank (int w, int h, juce::Image::PixelFormat format = juce::Image::ARGB)
{
    juce::Image image (format, w, h, true, juce::SoftwareImageType());
    image.clear (image.getBounds(), juce::Colours::white);
    return image;
}

class FilmstripBadInput : public ::testing::TestWithParam<BadStripCase>
{
};

TEST_P (FilmstripBadInput, DrawsNothingAndStaysInsideTheImages)
{
    const auto& c = GetParam();
    FilmstripKnobRenderer renderer (c.base(), c.mask(), c.frames);
    juce::Slider slider;

    for (auto position : { 0.0f, 0.5f, 1.0f, -3.0f, 7.0f, std::numeric_limits<float>::quiet_NaN(),
                           std::numeric_limits<float>::infinity() })
    {
        const auto image = kitpixels::render (40, 40, 1.0f, canvas, [&] (juce::Graphics& g) {
            renderer.draw (g, { 0.0f, 0.0f, 40.0f, 40.0f }, position, startAngle, endAngle, juce::Colours::red, slider);
        });
        for (int y = 0; y < 40; ++y)
            for (int x = 0; x < 40; ++x)
                ASSERT_EQ (image.getPixelAt (x, y), canvas) << c.name << " at position " << position;
    }
}

INSTANTIATE_TEST_SUITE_P (
    Strips, FilmstripBadInput,
    ::testing::Values (BadStripCase { "NullBase", [] { return juce::Image(); }, [] { return blank (8, 32); }, 4 },
                       BadStripCase { "NullMask", [] { return blank (8, 32); }, [] { return juce::Image(); }, 4 },
                       BadStripCase { "BothNull", [] { return juce::Image(); }, [] { return juce::Image(); }, 64 },
                       BadStripCase { "BaseTooShort", [] { return blank (8, 31); }, [] { return blank (8, 32); }, 4 },
                       BadStripCase { "BaseOneFrameForMany", [] { return blank (8, 8); }, [] { return blank (8, 8); }, 64 },
                       BadStripCase { "MaskTooShort", [] { return blank (8, 32); }, [] { return blank (8, 24); }, 4 },
                       BadStripCase { "MaskTooNarrow", [] { return blank (8, 32); }, [] { return blank (7, 32); }, 4 },
                       BadStripCase { "WideBaseShortStrip", [] { return blank (360, 720); }, [] { return blank (360, 23040); }, 64 },
                       BadStripCase { "RgbBase", [] { return blank (8, 32, juce::Image::RGB); }, [] { return blank (8, 32); }, 4 },
                       BadStripCase { "SingleChannelMask", [] { return blank (8, 32); }, [] { return blank (8, 32, juce::Image::SingleChannel); }, 4 }),
    [] (const auto& testInfo) { return std::string (testInfo.param.name); });

TEST (FilmstripBadInput, LargerMaskAndOutOfRangePositionsStayInBounds)
{
    FilmstripKnobRenderer renderer (blank (8, 32), blank (16, 64), 4);
    juce::Slider slider;
    for (auto position : { -1.0e9f, 1.0e9f, std::numeric_limits<float>::quiet_NaN(), 1.0f })
    {
        const auto image = kitpixels::render (8, 8, 1.0f, canvas, [&] (juce::Graphics& g) {
            renderer.draw (g, { 0.0f, 0.0f, 8.0f, 8.0f }, position, startAngle, endAngle, juce::Colours::red, slider);
        });
        const auto frame = renderer.frameCache.at (&slider).frameIndex;
        EXPECT_GE (frame, 0);
        EXPECT_LE (frame, 3);
    }
}

// -------------------------------------------------------------------------------------------
// The embedded filmstrips.

class EmbeddedFilmstrips : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        master = new juce::Image (juce::ImageCache::getFromMemory (BinaryData::knob_master_png, BinaryData::knob_master_pngSize));
        aux = new juce::Image (juce::ImageCache::getFromMemory (BinaryData::knob_aux_png, BinaryData::knob_aux_pngSize));
    }
    static void TearDownTestSuite()
    {
        delete master;
        delete aux;
    }

    static juce::Image* master;
    static juce::Image* aux;
    static constexpr int frameSize = 360;

    static float distanceFromCentre (int x, int y) { return std::hypot ((float) x + 0.5f - 180.0f, (float) y + 0.5f - 180.0f); }

    // The mask's green along a frame's pointer direction at a distance from the centre.
    static int pointerGreen (int frame, float degrees, float distance)
    {
        const auto a = juce::degreesToRadians (degrees);
        const auto x = (int) std::floor (180.0f + distance * std::sin (a));
        const auto y = (int) std::floor (180.0f - distance * std::cos (a));
        return aux->getPixelAt (x, frame * frameSize + y).getGreen();
    }
};

juce::Image* EmbeddedFilmstrips::master = nullptr;
juce::Image* EmbeddedFilmstrips::aux = nullptr;

TEST_F (EmbeddedFilmstrips, Hold64FramesOf360Pixels)
{
    for (auto* image : { master, aux })
    {
        ASSERT_TRUE (image->isValid());
        EXPECT_EQ (image->getFormat(), juce::Image::ARGB);
        EXPECT_EQ (image->getWidth(), 360);
        EXPECT_EQ (image->getHeight(), 23040);
    }
}

TEST_F (EmbeddedFilmstrips, MasterIsACentredKnobWithAGreyCap)
{
    int opaqueWithin156 = 0, transparentBeyond180 = 0, pixels156 = 0, pixels180 = 0;
    for (int y = 0; y < frameSize; ++y)
    {
        for (int x = 0; x < frameSize; ++x)
        {
            const auto d = distanceFromCentre (x, y);
            const auto c = master->getPixelAt (x, y);
            if (d < 155.0f)
                ++pixels156, opaqueWithin156 += c.getAlpha() == 255 ? 1 : 0;
            if (d > 180.0f)
                ++pixels180, transparentBeyond180 += c.getAlpha() == 0 ? 1 : 0;
            if (d < 100.0f)
            {
                ASSERT_EQ (c.getRed(), c.getGreen());
                ASSERT_EQ (c.getGreen(), c.getBlue());
                ASSERT_GE (c.getRed(), 230);
                ASSERT_LE (c.getRed(), 245);
            }
        }
    }
    EXPECT_EQ (opaqueWithin156, pixels156);
    EXPECT_EQ (transparentBeyond180, pixels180);
}

TEST_F (EmbeddedFilmstrips, EveryFrameCoversTheSamePixels)
{
    for (int frame : { 1, 31, 63 })
        for (int y = 0; y < frameSize; y += 3)
            for (int x = 0; x < frameSize; x += 3)
                ASSERT_EQ (master->getPixelAt (x, y).getAlpha() > 0, master->getPixelAt (x, frame * frameSize + y).getAlpha() > 0);
}

TEST_F (EmbeddedFilmstrips, MaskChannelsFollowTheirMeaning)
{
    const std::set<int> levels { 0, 28, 56, 85, 113, 141, 170, 198, 226, 255 };
    for (int frame : { 0, 40 })
    {
        for (int y = 0; y < frameSize; y += 2)
        {
            for (int x = 0; x < frameSize; x += 2)
            {
                const auto c = aux->getPixelAt (x, frame * frameSize + y);
                const auto d = distanceFromCentre (x, y);
                ASSERT_EQ (c.getAlpha(), 255);
                ASSERT_EQ (c.getBlue(), 0);
                ASSERT_EQ (levels.count (c.getRed()), 1u) << (int) c.getRed();
                if (d < 119.0f)
                {
                    ASSERT_EQ (c.getRed(), 255);
                }
                if (d > 151.0f)
                {
                    ASSERT_EQ (c.getRed(), 0);
                }
            }
        }
    }
}

TEST_F (EmbeddedFilmstrips, PointerTurnsFromMinus129ToPlus129Degrees)
{
    for (int frame : { 0, 21, 32, 63 })
    {
        const auto degrees = -129.0f + (float) frame * 258.0f / 63.0f;
        EXPECT_GT (pointerGreen (frame, degrees, 60.0f), 200) << frame;
        EXPECT_GT (pointerGreen (frame, degrees, 120.0f), 200) << frame;
        EXPECT_LT (pointerGreen (frame, degrees + 40.0f, 60.0f), 40) << frame;
        EXPECT_EQ (pointerGreen (frame, degrees, 140.0f), 0) << frame;
    }
}

TEST_F (EmbeddedFilmstrips, TintTurnsTheCapIntoTheAccent)
{
    FilmstripKnobRenderer renderer (*master, *aux, 64);
    juce::Slider slider;
    const juce::Colour accent (0xff3fb5c0);
    kitpixels::render (50, 50, 1.0f, canvas, [&] (juce::Graphics& g) {
        renderer.draw (g, { 0.0f, 0.0f, 50.0f, 50.0f }, 0.0f, startAngle, endAngle, accent, slider);
    });
    // Off the pointer, on the cap: close to the accent (the grey is 230..245, not 255).
    const auto cap = renderer.frameCache.at (&slider).tinted.getPixelAt (240, 180);
    EXPECT_TRUE (colourNear (cap, accent, 18)) << cap.toDisplayString (true);
    // The pointer's highlight pushes it towards white.
    const auto onPointer = renderer.frameCache.at (&slider).tinted.getPixelAt (180 - 47, 180 + 38);
    EXPECT_GT (onPointer.getRed(), 240);
}
} // namespace
