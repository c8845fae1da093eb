#include "KitPixels.h"
#include "kit/ConsoleKeys.h"
#include "kit/ProceduralKnobRenderer.h"
#include "kit/SslLookAndFeel.h"

#include <gtest/gtest.h>

namespace
{
using kitpixels::at;
using kitpixels::colourNear;

const auto& palette = kov::KitPalette::standard();
constexpr float scale = 2.0f;
constexpr float startAngle = -2.3561945f;
constexpr float endAngle = 2.3561945f;

bool sameImages (const juce::Image& a, const juce::Image& b)
{
    if (a.getBounds() != b.getBounds())
        return false;
    for (int y = 0; y < a.getHeight(); ++y)
        for (int x = 0; x < a.getWidth(); ++x)
            if (a.getPixelAt (x, y) != b.getPixelAt (x, y))
                return false;
    return true;
}

bool isBlank (const juce::Image& image)
{
    for (int y = 0; y < image.getHeight(); ++y)
        for (int x = 0; x < image.getWidth(); ++x)
            if (image.getPixelAt (x, y).getAlpha() != 0)
                return false;
    return true;
}

// -------------------------------------------------------------------------------------------
// Rotary knobs

struct RecordingRenderer : kov::KnobRenderer
{
    int calls = 0;
    juce::Rectangle<float> bounds;
    float position = 0, start = 0, end = 0;
    juce::Colour accent;
    juce::Slider* slider = nullptr;

    void draw (juce::Graphics&, const juce::Rectangle<float>& b, float p, float s, float e, juce::Colour a, juce::Slider& sl) override
    {
        ++calls, bounds = b, position = p, start = s, end = e, accent = a, slider = &sl;
    }
};

TEST (SslLookAndFeel, StartsWithAProceduralRenderer)
{
    kov::SslLookAndFeel lf (palette);
    ASSERT_NE (lf.knobRenderer, nullptr);
    EXPECT_NE (dynamic_cast<kov::ProceduralKnobRenderer*> (lf.knobRenderer.get()), nullptr);
}

TEST (SslLookAndFeel, HandsRotarySlidersToItsRendererWithItsAccent)
{
    auto edited = palette;
    edited.accent = juce::Colour (0xff3fb5c0);
    kov::SslLookAndFeel lf (edited);
    auto renderer = std::make_shared<RecordingRenderer>();
    lf.knobRenderer = renderer;
    juce::Slider slider;

    kitpixels::render (80, 80, 1.0f, juce::Colours::transparentBlack, [&] (juce::Graphics& g) {
        lf.drawRotarySlider (g, 5, 7, 60, 50, 0.25f, startAngle, endAngle, slider);
    });
    EXPECT_EQ (renderer->calls, 1);
    EXPECT_EQ (renderer->bounds, juce::Rectangle<float> (5.0f, 7.0f, 60.0f, 50.0f));
    EXPECT_FLOAT_EQ (renderer->position, 0.25f);
    EXPECT_FLOAT_EQ (renderer->start, startAngle);
    EXPECT_FLOAT_EQ (renderer->end, endAngle);
    EXPECT_EQ (renderer->accent, edited.accent);
    EXPECT_EQ (renderer->slider, &slider);

    // An accent edited after construction reaches the renderer at the next paint.
    lf.palette.accent = juce::Colours::orange;
    kitpixels::render (80, 80, 1.0f, juce::Colours::transparentBlack, [&] (juce::Graphics& g) {
        lf.drawRotarySlider (g, 5, 7, 60, 50, 0.25f, startAngle, endAngle, slider);
    });
    EXPECT_EQ (renderer->accent, juce::Colours::orange);
}

TEST (SslLookAndFeel, WithoutARendererDrawsTheArcKnobAndNoRingWhileTheMouseIsAway)
{
    kov::SslLookAndFeel console (palette);
    console.knobRenderer = nullptr;
    kov::KovLookAndFeel kit (palette);
    juce::Slider slider;
    const auto paint = [&] (juce::LookAndFeel_V4& lf) {
        return kitpixels::render (100, 100, 1.0f, juce::Colours::black, [&] (juce::Graphics& g) {
            lf.drawRotarySlider (g, 0, 0, 100, 100, 0.4f, startAngle, endAngle, slider);
        });
    };
    EXPECT_TRUE (sameImages (paint (console), paint (kit)));
}

TEST (SslLookAndFeel, SharedRendererLivesAsLongAsItsLastLookAndFeel)
{
    std::weak_ptr<kov::KnobRenderer> watch;
    {
        auto a = std::make_unique<kov::SslLookAndFeel> (palette);
        kov::SslLookAndFeel b (palette);
        b.knobRenderer = a->knobRenderer;
        watch = a->knobRenderer;
        a.reset();
        EXPECT_FALSE (watch.expired());
    }
    EXPECT_TRUE (watch.expired());
}

struct RingCase
{
    bool down;
    int alpha;
    float thickness;
};

class HoverRing : public ::testing::TestWithParam<RingCase>
{
};

TEST_P (HoverRing, CircleJustInsideTheKnobArea)
{
    const auto [down, alpha, thickness] = GetParam();
    const auto image = kitpixels::render (64, 64, 4.0f, juce::Colours::transparentBlack, [&] (juce::Graphics& g) {
        kov::drawHoverRing (g, { 0, 0, 60, 60 }, palette.accent, down);
    });

    // Radius 29 about (30, 30): integrate the coverage across the ring along the centre row.
    float coverage = 0.0f, weightedX = 0.0f;
    for (int x = 50 * 4; x < 64 * 4; ++x)
    {
        const auto a = (float) image.getPixelAt (x, 120).getAlpha() / (float) alpha;
        coverage += a / 4.0f;
        weightedX += a * ((float) x + 0.5f) / 4.0f / 4.0f;
    }
    EXPECT_NEAR (coverage, thickness, 0.08f);
    EXPECT_NEAR (weightedX / coverage, 59.0f, 0.05f);

    const auto brightest = image.getPixelAt (59 * 4, 120);
    EXPECT_EQ (brightest.getAlpha(), alpha);
    EXPECT_TRUE (colourNear (brightest.withAlpha (1.0f), palette.accent.brighter (0.1f), 3));
}

INSTANTIATE_TEST_SUITE_P (States, HoverRing, ::testing::Values (RingCase { false, 0x4c, 1.6f }, RingCase { true, 0x8c, 2.4f }));

// -------------------------------------------------------------------------------------------
// Buttons

juce::Image paintDirect (int w, int h, const std::function<void (juce::Graphics&)>& paint)
{
    return kitpixels::render (w, h, scale, juce::Colours::transparentBlack, paint);
}

juce::Image paintBackgroundOnly (kov::SslLookAndFeel& lf, juce::Button& button, bool down = false)
{
    return paintDirect (button.getWidth(), button.getHeight(),
                        [&] (juce::Graphics& g) { lf.drawButtonBackground (g, button, juce::Colours::red, false, down); });
}

TEST (SslButtons, ShapeButtonsGetNoBackground)
{
    kov::SslLookAndFeel lf (palette);
    juce::ShapeButton shape ("s", juce::Colours::red, juce::Colours::red, juce::Colours::red);
    shape.setBounds (0, 0, 40, 40);
    shape.getProperties().set ("plain", true);
    EXPECT_TRUE (isBlank (paintBackgroundOnly (lf, shape, true)));
}

TEST (SslButtons, PlainWinsOverFlatAndFillsWithTheButtonColour)
{
    kov::SslLookAndFeel lf (palette);
    juce::TextButton button ("Go");
    button.setBounds (0, 0, 60, 30);
    button.setColour (juce::TextButton::buttonColourId, juce::Colour (0xff2040a0));
    button.getProperties().set ("plain", true);
    button.getProperties().set ("tcflat", true);

    const auto image = paintBackgroundOnly (lf, button);
    EXPECT_TRUE (colourNear (at (image, 6, 15, scale), juce::Colour (0xff2040a0)));
    // Outline inset to (1, 1): the pixel row 1..1.5 is darkened.
    EXPECT_FALSE (colourNear (at (image, 30, 1.25f, scale), juce::Colour (0xff2040a0), 10));

    const auto pressed = paintBackgroundOnly (lf, button, true);
    EXPECT_TRUE (colourNear (at (pressed, 6, 15, scale), juce::Colour (0xff2040a0).overlaidWith (juce::Colour (0x2e000000))));
}

TEST (SslButtons, MomentaryFlatButtonIsAFlatKeyOverTheColumn)
{
    kov::SslLookAndFeel lf (palette);
    juce::TextButton button;
    button.setBounds (0, 0, 50, 24);
    button.getProperties().set ("tcflat", true);
    for (bool down : { false, true })
    {
        const auto expected = paintDirect (50, 24, [&] (juce::Graphics& g) { kov::drawFlatKey (g, { 0.5f, 0.5f, 49.0f, 23.0f }, down); });
        EXPECT_TRUE (sameImages (paintBackgroundOnly (lf, button, down), expected)) << down;
    }
}

struct ToggleCase
{
    const char* name;
    juce::var ledLevel; // void: property absent
    bool toggleState;
    bool ledOn;
    float ledLevelDrawn;
};

class SslFlatToggle : public ::testing::TestWithParam<ToggleCase>
{
};

TEST_P (SslFlatToggle, KeyBelowAnLedStripInItsZone)
{
    const auto& c = GetParam();
    kov::SslLookAndFeel lf (palette);
    juce::TextButton button ("Auto");
    button.setClickingTogglesState (true);
    button.setToggleState (c.toggleState, juce::dontSendNotification);
    button.setColour (juce::TextButton::buttonOnColourId, juce::Colour (0xc0ff3030)); // not made opaque
    button.setBounds (0, 0, 60, 40);
    button.getProperties().set ("tcflat", true);
    if (! c.ledLevel.isVoid())
        button.getProperties().set ("tcledlevel", c.ledLevel);

    // w 59, h 39: label 10, gap 6, LED zone 5, gap 3, key (0.5, 24.5, 59, 15); LED (22, 16.5, 16, 5).
    const auto expected = paintDirect (60, 40, [&] (juce::Graphics& g) {
        kov::drawFlatKey (g, { 0.5f, 24.5f, 59.0f, 15.0f }, false);
        kov::drawLed (g, { 22.0f, 16.5f, 16.0f, 5.0f }, juce::Colour (0xc0ff3030), c.ledOn, c.ledLevelDrawn);
    });
    EXPECT_TRUE (sameImages (paintBackgroundOnly (lf, button), expected));
}

INSTANTIATE_TEST_SUITE_P (
    LedLevels, SslFlatToggle,
    ::testing::Values (ToggleCase { "AbsentFollowsToggleOn", juce::var(), true, true, 1.0f },
                       ToggleCase { "AbsentFollowsToggleOff", juce::var(), false, false, 1.0f },
                       ToggleCase { "LevelOneIsDim", 1, false, true, 0.24f }, ToggleCase { "LevelTwoIsFull", 2, false, true, 1.0f },
                       ToggleCase { "LevelFiveIsFull", 5, false, true, 1.0f },
                       ToggleCase { "ZeroIsUnlitWhateverTheToggle", 0, true, false, 0.24f },
                       ToggleCase { "NegativeIsUnlit", -3, true, false, 0.24f },
                       ToggleCase { "StringConvertsToInt", "2", false, true, 1.0f }),
    [] (const auto& testInfo) { return std::string (testInfo.param.name); });

TEST (SslButtons, ShortFlatToggleSpendsItsHeightOnTheLabel)
{
    kov::SslLookAndFeel lf (palette);
    juce::TextButton button ("On");
    button.setClickingTogglesState (true);
    button.setBounds (0, 0, 40, 12);
    button.getProperties().set ("tcflat", true);

    // h 11: label 10 and gap 1; the LED zone and the key have no height.
    const auto colour = button.findColour (juce::TextButton::buttonOnColourId);
    const auto expected = paintDirect (40, 12, [&] (juce::Graphics& g) {
        kov::drawFlatKey (g, { 0.5f, 11.5f, 39.0f, 0.0f }, false);
        kov::drawLed (g, { 12.0f, 9.0f, 16.0f, 5.0f }, colour, false, 1.0f);
    });
    EXPECT_TRUE (sameImages (paintBackgroundOnly (lf, button), expected));
}

TEST (SslButtons, ArrowDirectionsAreExactAndCaseSensitive)
{
    kov::SslLookAndFeel lf (palette);
    const auto paintArrow = [&] (const juce::String& direction) {
        juce::TextButton button ("text");
        button.setBounds (0, 0, 40, 30);
        button.setColour (juce::TextButton::textColourOffId, juce::Colours::white);
        button.getProperties().set ("tcflat", true);
        button.getProperties().set ("tcarrow", direction);
        return paintDirect (40, 30, [&] (juce::Graphics& g) { lf.drawButtonText (g, button, false, false); });
    };

    const auto up = paintArrow ("up"), left = paintArrow ("left"), right = paintArrow ("right"), down = paintArrow ("down");
    EXPECT_FALSE (sameImages (up, left));
    EXPECT_FALSE (sameImages (left, right));
    EXPECT_FALSE (sameImages (right, down));
    EXPECT_TRUE (sameImages (paintArrow ("Left"), down));
    EXPECT_TRUE (sameImages (paintArrow ("anything"), down));

    // w 39, h 29: s = 6.96, centre (20, 15). "left": apex at x 20 - 5.92, base at x 20 + 4.52.
    EXPECT_EQ (at (left, 15.0f, 15.0f, scale).getAlpha(), 255);
    EXPECT_EQ (at (left, 13.5f, 15.0f, scale).getAlpha(), 0);
    EXPECT_EQ (at (left, 24.25f, 15.0f, scale).getAlpha(), 255);
    EXPECT_EQ (at (left, 25.25f, 15.0f, scale).getAlpha(), 0);
    EXPECT_EQ (at (down, 20.0f, 19.5f, scale).getAlpha(), 255); // apex 5.92 below the centre
    EXPECT_EQ (at (down, 20.0f, 21.25f, scale).getAlpha(), 0);

    // An empty value draws the text instead.
    const auto text = paintArrow ("");
    EXPECT_FALSE (sameImages (text, down));
    EXPECT_FALSE (isBlank (text));
}

TEST (SslButtons, FlatToggleLabelStaysInItsZoneWithAShadowBelow)
{
    kov::SslLookAndFeel lf (palette);
    juce::TextButton button ("AUTO");
    button.setClickingTogglesState (true);
    button.setBounds (0, 0, 60, 40);
    button.getProperties().set ("tcflat", true);
    button.setColour (juce::TextButton::textColourOffId, juce::Colours::red); // not used by this kind

    const auto text = paintDirect (60, 40, [&] (juce::Graphics& g) { lf.drawButtonText (g, button, false, false); });
    bool sawLabelColour = false;
    for (int y = 0; y < text.getHeight(); ++y)
    {
        for (int x = 0; x < text.getWidth(); ++x)
        {
            const auto c = text.getPixelAt (x, y);
            if (c.getAlpha() == 0)
                continue;
            ASSERT_LT ((float) y / scale, 12.0f); // label box (0, 0, 59, 10), shadow 2 px lower
            EXPECT_LT (c.getRed() - c.getBlue(), 30) << "text colour ids are not used";
            sawLabelColour = sawLabelColour || colourNear (c, juce::Colour (0xffb4b9c0), 3);
        }
    }
    EXPECT_TRUE (sawLabelColour);
}

TEST (SslButtons, PlainTextTakesTheOnOrOffColour)
{
    kov::SslLookAndFeel lf (palette);
    juce::TextButton button ("WWWW");
    button.setBounds (0, 0, 80, 30);
    button.getProperties().set ("plain", true);
    button.setColour (juce::TextButton::textColourOffId, juce::Colour (0xff00ff00));
    button.setColour (juce::TextButton::textColourOnId, juce::Colour (0xffff0000));

    const auto strongest = [&] {
        const auto text = paintDirect (80, 30, [&] (juce::Graphics& g) { lf.drawButtonText (g, button, false, false); });
        juce::Colour best;
        for (int y = 0; y < text.getHeight(); ++y)
            for (int x = 0; x < text.getWidth(); ++x)
                if (text.getPixelAt (x, y).getAlpha() > best.getAlpha())
                    best = text.getPixelAt (x, y);
        return best;
    };
    EXPECT_TRUE (colourNear (strongest(), juce::Colour (0xff00ff00)));
    button.setToggleState (true, juce::dontSendNotification);
    EXPECT_TRUE (colourNear (strongest(), juce::Colour (0xffff0000)));
}

struct KeycapCase
{
    int height;
    float keyTop;
    float ledY;
    int captionY;
};

class SslKeycap : public ::testing::TestWithParam<KeycapCase>
{
};

TEST_P (SslKeycap, CaptionKeyAndLedInAFortyTwoPixelBlock)
{
    const auto [height, keyTop, ledY, captionY] = GetParam();
    kov::SslLookAndFeel lf (palette);
    juce::TextButton button ("MID");
    button.setBounds (0, 0, 40, height);

    const auto background = paintBackgroundOnly (lf, button);
    // Key (11, keyTop, 18, 18); its outline reaches 0.1 px beyond it.
    EXPECT_EQ (at (background, 20, keyTop - 0.7f, scale).getAlpha(), 0);
    EXPECT_EQ (at (background, 20, keyTop + 0.7f, scale).getAlpha(), 255);
    EXPECT_EQ (at (background, 10.3f, keyTop + 9, scale).getAlpha(), 0);
    EXPECT_EQ (at (background, 11.7f, keyTop + 9, scale).getAlpha(), 255);
    EXPECT_EQ (at (background, 28.3f, keyTop + 9, scale).getAlpha(), 255);
    EXPECT_EQ (at (background, 29.7f, keyTop + 9, scale).getAlpha(), 0);
    EXPECT_EQ (at (background, 20, keyTop + 18.7f, scale).getAlpha(), 0);
    EXPECT_TRUE (colourNear (at (background, 20, keyTop + 9, scale), juce::Colour (0xffe7e3d7), 8));
    // LED bezel of radius 3.5 about (20, ledY).
    EXPECT_EQ (at (background, 20, ledY - 3.7f, scale).getAlpha(), 0);
    EXPECT_EQ (at (background, 20, ledY - 2.7f, scale).getAlpha(), 255);
    EXPECT_EQ (at (background, 20, ledY + 3.7f, scale).getAlpha(), 0);
    EXPECT_EQ (at (background, 16.3f, ledY, scale).getAlpha(), 0);
    EXPECT_EQ (at (background, 17.2f, ledY, scale).getAlpha(), 255);

    // The caption stays within its 10-px box (captionY .. captionY + 10) above the key.
    const auto text = paintDirect (40, height, [&] (juce::Graphics& g) { lf.drawButtonText (g, button, false, false); });
    int inBox = 0, outside = 0;
    for (int y = 0; y < text.getHeight(); ++y)
        for (int x = 0; x < text.getWidth(); ++x)
            if (text.getPixelAt (x, y).getAlpha() > 0)
                ((float) y / scale >= (float) captionY && (float) y / scale < (float) captionY + 10.0f ? inBox : outside)++;
    EXPECT_GT (inBox, 10);
    EXPECT_EQ (outside, 0);
}

INSTANTIATE_TEST_SUITE_P (Heights, SslKeycap,
                          ::testing::Values (KeycapCase { 61, 22.5f, 46.0f, 10 }, // block top 9.5, caption at 9.5 -> 10
                                             KeycapCase { 60, 22.0f, 45.5f, 9 }));

TEST (SslKeycap, LitKeyLooksPressedInAndLightsItsLed)
{
    kov::SslLookAndFeel lf (palette);
    juce::TextButton button ("S");
    button.setBounds (0, 0, 40, 61);
    button.setColour (juce::TextButton::buttonOnColourId, juce::Colour (0x80ff2020)); // made opaque for the LED
    const auto off = paintBackgroundOnly (lf, button);
    button.setToggleState (true, juce::dontSendNotification);
    const auto on = paintBackgroundOnly (lf, button);

    // LED body at (20, 46): opaque red when lit, a dim desaturated red when not.
    EXPECT_TRUE (colourNear (at (on, 20.2f, 46.7f, scale), juce::Colour (0xffff2020), 4));
    EXPECT_TRUE (colourNear (at (off, 20.2f, 46.7f, scale),
                             juce::Colour (0xffff2020).withMultipliedSaturation (0.5f).withMultipliedBrightness (0.2f), 4));
    // The glow reaches past the bezel only when lit.
    EXPECT_EQ (at (off, 20, 52.0f, scale).getAlpha(), 0);
    EXPECT_GT (at (on, 20, 52.0f, scale).getAlpha(), 0);
    // Darker top of the key when pressed in.
    EXPECT_LT (at (on, 20, 24.0f, scale).getBrightness(), at (off, 20, 24.0f, scale).getBrightness() - 0.1f);
}

// -------------------------------------------------------------------------------------------
// Painters

TEST (FlatKey, InsetFromItsAreaWithAShadowBelow)
{
    const auto up = paintDirect (60, 24, [] (juce::Graphics& g) { kov::drawFlatKey (g, { 0.0f, 0.0f, 60.0f, 22.0f }, false); });
    // k = (2, 1, 56, 20), its 1-px outline centred on the edge; shadow down to 22.2.
    EXPECT_EQ (at (up, 1.2f, 11, scale).getAlpha(), 0);
    EXPECT_NEAR (at (up, 1.7f, 11, scale).getAlpha(), 0xb2, 2);
    EXPECT_EQ (at (up, 2.3f, 11, scale).getAlpha(), 255);
    EXPECT_EQ (at (up, 57.7f, 11, scale).getAlpha(), 255);
    EXPECT_NEAR (at (up, 58.3f, 11, scale).getAlpha(), 0xb2, 2);
    EXPECT_EQ (at (up, 58.7f, 11, scale).getAlpha(), 0);
    EXPECT_EQ (at (up, 30, 0.3f, scale).getAlpha(), 0);
    EXPECT_EQ (at (up, 30, 1.3f, scale).getAlpha(), 255);
    EXPECT_NEAR (at (up, 30, 21.7f, scale).getAlpha(), 0x73, 2);
    EXPECT_EQ (at (up, 30, 22.7f, scale).getAlpha(), 0);

    // Pressed: no sheen, darker face.
    const auto down = paintDirect (60, 24, [] (juce::Graphics& g) { kov::drawFlatKey (g, { 0.0f, 0.0f, 60.0f, 22.0f }, true); });
    EXPECT_LT (at (down, 30, 4.0f, scale).getBrightness(), at (up, 30, 4.0f, scale).getBrightness());
}

TEST (FlatKey, DegenerateAreasDrawWithoutFailing)
{
    paintDirect (10, 10, [] (juce::Graphics& g) {
        kov::drawFlatKey (g, { 0.0f, 0.0f, 3.0f, 1.0f }, true);
        kov::drawFlatKey (g, { 0.0f, 0.0f, 0.0f, 0.0f }, false);
        kov::drawLed (g, { 0.0f, 0.0f, 0.0f, 0.0f }, juce::Colours::red, true, 1.0f);
    });
}

struct LedCase
{
    bool on;
    float level;
    juce::Colour body;
};

class Led : public ::testing::TestWithParam<LedCase>
{
};

TEST_P (Led, BodyBezelAndGlow)
{
    const auto [on, level, body] = GetParam();
    const juce::Colour colour (0xffff3030);
    const auto image = paintDirect (60, 40, [&] (juce::Graphics& g) { kov::drawLed (g, { 20.0f, 20.0f, 16.0f, 5.0f }, colour, on, level); });

    EXPECT_TRUE (colourNear (at (image, 28, 24.2f, scale), body, 3)) << at (image, 28, 24.2f, scale).toDisplayString (true);
    // Bezel 1.2 px around the body.
    EXPECT_TRUE (colourNear (at (image, 19.2f, 22.5f, scale), juce::Colour (0xff080304), 3));
    if (on)
        EXPECT_GT (at (image, 28, 14.0f, scale).getAlpha(), 0);
    else
        EXPECT_EQ (at (image, 28, 14.0f, scale).getAlpha(), 0);
    EXPECT_EQ (at (image, 28, 3.5f, scale).getAlpha(), 0); // beyond the glow's rectangle
}

INSTANTIATE_TEST_SUITE_P (
    States, Led,
    ::testing::Values (LedCase { true, 1.0f, juce::Colour (0xffff3030) },
                       LedCase { true, 0.24f, juce::Colour (0xffff3030).withMultipliedBrightness (0.3f + 0.7f * 0.24f) },
                       LedCase { true, 7.0f, juce::Colour (0xffff3030) }, // level clamped to 1
                       LedCase { false, 1.0f, juce::Colour (0xffff3030).withMultipliedBrightness (0.16f).withMultipliedSaturation (0.85f) }));
} // namespace
