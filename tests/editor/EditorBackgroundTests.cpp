#include "EditorTestFixture.h"

#include "support/RecordingGraphics.h"

namespace
{
using Fill = RecordingGraphics::Fill;

// The well shadow of a knob: a disc of radius 35 around a point 3 pixels below the centre of
// its rotary area.
juce::Rectangle<float> shadowOf (juce::Rectangle<int> knob)
{
    const float cx = (float) (knob.getX() + knob.getWidth() / 2);
    const float cy = (float) knob.getY() + 18.0f + (float) (knob.getHeight() - 38) * 0.5f;
    return { cx - 35.0f, cy + 3.0f - 35.0f, 70.0f, 70.0f };
}

bool near (juce::Rectangle<float> a, juce::Rectangle<float> b)
{
    return std::abs (a.getX() - b.getX()) < 0.6f && std::abs (a.getY() - b.getY()) < 0.6f
           && std::abs (a.getWidth() - b.getWidth()) < 1.2f && std::abs (a.getHeight() - b.getHeight()) < 1.2f;
}

// Index of the first recorded fill of this kind covering these bounds, or -1.
int firstFill (const std::vector<Fill>& fills, RecordingGraphics::Kind kind, juce::Rectangle<float> bounds, bool tiled = false)
{
    for (size_t i = 0; i < fills.size(); ++i)
        if (fills[i].kind == kind && fills[i].tiledImage == tiled && near (fills[i].bounds, bounds))
            return (int) i;
    return -1;
}

int firstPanel (const std::vector<Fill>& fills, juce::Rectangle<float> area)
{
    return firstFill (fills, RecordingGraphics::Kind::rect, area, true); // the panel's texture
}

int firstWell (const std::vector<Fill>& fills, const juce::Component& knob)
{
    return firstFill (fills, RecordingGraphics::Kind::path, shadowOf (knob.getBounds()));
}

const juce::Colour stampColour = kov::KitPalette::standard().textDim.withAlpha ((juce::uint8) 0xb2);

std::vector<Fill> stampGlyphs (const std::vector<Fill>& fills)
{
    std::vector<Fill> glyphs;
    for (const auto& f : fills)
        if (f.kind == RecordingGraphics::Kind::glyph && f.colour == stampColour)
            glyphs.push_back (f);
    return glyphs;
}

std::vector<Fill> paintContentOf (SabrelEditor& e)
{
    RecordingGraphics rg (980, 690);
    e.paintContent (rg.g());
    return rg.getFills();
}
} // namespace

TEST_F (EditorTest, BackgroundPaintsPanelsThenWellsThenTheStamp)
{
    auto& e = openEditor();
    const auto fills = paintContentOf (e);

    const int display = firstPanel (fills, { 0, 0, 980, 690 });
    const int canvasPanel = firstPanel (fills, { 92, 64, 796, 460 });
    const int inputWell = firstWell (fills, e.inputKnob);
    const int outputWell = firstWell (fills, e.outputKnob);
    const int bandPanel = firstPanel (fills, { 92, 522, 796, 130 });
    const int scaleWell = firstWell (fills, e.scaleKnob);
    const int freqWell = firstWell (fills, e.freqKnob);
    const int gainWell = firstWell (fills, e.gainKnob);
    const int qWell = firstWell (fills, e.qKnob);
    const auto glyphs = stampGlyphs (fills);

    ASSERT_GE (display, 0);
    EXPECT_LT (display, canvasPanel);
    EXPECT_LT (canvasPanel, inputWell);
    EXPECT_LT (inputWell, outputWell);
    EXPECT_LT (outputWell, bandPanel);
    EXPECT_LT (bandPanel, scaleWell);
    EXPECT_LT (scaleWell, freqWell);
    EXPECT_LT (freqWell, gainWell);
    EXPECT_LT (gainWell, qWell);

    // The stamp: one glyph per visible character, last, inside the footer.
    ASSERT_EQ ((int) glyphs.size(), e.buildStamp.removeCharacters (" ").length());
    for (const auto& g : glyphs)
    {
        EXPECT_GE (g.bounds.getX(), 18.0f);
        EXPECT_GE (g.bounds.getY(), 654.0f);
        EXPECT_LE (g.bounds.getY(), 672.0f);
    }
    EXPECT_GT (std::find_if (fills.begin(), fills.end(), [] (const Fill& f) { return f.colour == stampColour; }) - fills.begin(), qWell);

    // The well centres of the standard layout.
    EXPECT_EQ (shadowOf (e.inputKnob.getBounds()).getCentre(), juce::Point<float> (53.0f, 589.0f));
    EXPECT_EQ (shadowOf (e.scaleKnob.getBounds()).getCentre(), juce::Point<float> (278.0f, 596.0f));
    EXPECT_EQ (shadowOf (e.qKnob.getBounds()).getCentre(), juce::Point<float> (568.0f, 596.0f));
}

TEST_F (EditorTest, HiddenBandKnobsLoseTheirWellsTheOthersKeepThem)
{
    auto& e = openEditor();
    for (auto* knob : { &e.inputKnob, &e.outputKnob, &e.scaleKnob, &e.gainKnob })
        knob->setVisible (false);

    const auto fills = paintContentOf (e);
    EXPECT_GE (firstWell (fills, e.inputKnob), 0);
    EXPECT_GE (firstWell (fills, e.outputKnob), 0);
    EXPECT_GE (firstWell (fills, e.scaleKnob), 0);
    EXPECT_GE (firstWell (fills, e.freqKnob), 0);
    EXPECT_EQ (firstWell (fills, e.gainKnob), -1);
    EXPECT_GE (firstWell (fills, e.qKnob), 0);
}

TEST_F (EditorTest, NoBandPanelMeansNoWellsAtAll)
{
    auto& e = openEditor();
    e.bandPanelArea = {};
    const auto fills = paintContentOf (e);

    EXPECT_GE (firstPanel (fills, { 0, 0, 980, 690 }), 0);
    EXPECT_GE (firstPanel (fills, { 92, 64, 796, 460 }), 0);
    EXPECT_EQ (firstPanel (fills, { 92, 522, 796, 130 }), -1);
    for (auto* knob : { &e.inputKnob, &e.outputKnob, &e.scaleKnob, &e.freqKnob, &e.gainKnob, &e.qKnob })
        EXPECT_EQ (firstWell (fills, *knob), -1);
}

TEST_F (EditorTest, StampNeedsTextAndFooterRoom)
{
    auto& e = openEditor();

    // Too long for the footer: cut with an ellipsis.
    e.buildStamp = juce::String::repeatedString ("VST3  build 2026-06-22 20:49:14 ", 40);
    const auto longGlyphs = stampGlyphs (paintContentOf (e));
    ASSERT_FALSE (longGlyphs.empty());
    for (const auto& g : longGlyphs)
        EXPECT_LT (g.bounds.getX(), 916.0f);
    EXPECT_LT ((int) longGlyphs.size(), e.buildStamp.removeCharacters (" ").length());

    e.buildStamp = {};
    EXPECT_TRUE (stampGlyphs (paintContentOf (e)).empty());

    e.buildStamp = "VST3  build 2026-06-22 20:49:14";
    e.footerArea = e.footerArea.withWidth (0);
    EXPECT_TRUE (stampGlyphs (paintContentOf (e)).empty());
}

TEST_F (EditorTest, WindowBackgroundIsTheMainPaletteBackground)
{
    auto& e = openEditor();
    RecordingGraphics rg (980, 690);
    e.paint (rg.g());
    ASSERT_FALSE (rg.getFills().empty());
    EXPECT_EQ (rg.getFills().front().colour, juce::Colour (0xff0b0612));
}

// The window keeps its background as a picture: painting it again must look the same as
// painting it afresh, and a change to anything the background shows must paint it anew.
TEST_F (EditorTest, KeptBackgroundLooksLikeAFreshOneAndFollowsChanges)
{
    auto& e = openEditor();

    for (const float scale : { 1.0f, 2.0f })
    {
        const int w = juce::roundToInt (980 * scale), h = juce::roundToInt (690 * scale);
        juce::Image fresh (juce::Image::ARGB, w, h, true, juce::SoftwareImageType());
        juce::Image kept (juce::Image::ARGB, w, h, true, juce::SoftwareImageType());
        {
            juce::Graphics g (fresh);
            g.addTransform (juce::AffineTransform::scale (scale));
            e.paintContent (g);
        }
        {
            juce::Graphics g (kept);
            g.addTransform (juce::AffineTransform::scale (scale));
            e.content.paint (g);
            e.content.paint (g); // the second time from the kept picture
        }

        int differing = 0;
        for (int y = 0; y < h; y += 3)
            for (int x = 0; x < w; x += 3)
            {
                const auto a = fresh.getPixelAt (x, y), b = kept.getPixelAt (x, y);
                if (std::abs (a.getRed() - b.getRed()) > 1 || std::abs (a.getGreen() - b.getGreen()) > 1
                    || std::abs (a.getBlue() - b.getBlue()) > 1 || std::abs (a.getAlpha() - b.getAlpha()) > 1)
                    ++differing;
            }
        EXPECT_EQ (differing, 0) << "scale " << scale;
    }

    juce::Image target (juce::Image::ARGB, 980, 690, true, juce::SoftwareImageType());
    juce::Graphics g (target);
    const auto paintsAfter = [&] (const std::function<void()>& change) {
        change();
        const int before = e.content.background.paintCount();
        e.content.paint (g);
        return e.content.background.paintCount() - before;
    };

    paintsAfter ([] {});
    EXPECT_EQ (paintsAfter ([] {}), 0);
    EXPECT_EQ (paintsAfter ([&] { e.gainKnob.setVisible (false); }), 1);
    EXPECT_EQ (paintsAfter ([&] { e.buildStamp = "VST3  build 2026-06-22 20:49:14"; }), 1);
    EXPECT_EQ (paintsAfter ([&] { e.footerArea = e.footerArea.withWidth (100); }), 1);
    EXPECT_EQ (paintsAfter ([&] { e.bandPanelArea = {}; }), 1);
    EXPECT_EQ (paintsAfter ([] {}), 0);
}
