#include "kit/PanelPainter.h"

#include "support/RecordingGraphics.h"

#include <gtest/gtest.h>

namespace
{
int maxAlpha (const juce::Image& image)
{
    int result = 0;
    for (int y = 0; y < image.getHeight(); ++y)
        for (int x = 0; x < image.getWidth(); ++x)
            result = juce::jmax (result, (int) image.getPixelAt (x, y).getAlpha());
    return result;
}

std::vector<int> rowsOf (const std::vector<RecordingGraphics::Fill>& fills)
{
    std::vector<int> rows;
    for (const auto& fill : fills)
    {
        EXPECT_FLOAT_EQ (fill.bounds.getHeight(), 1.0f);
        rows.push_back ((int) fill.bounds.getY());
        EXPECT_FLOAT_EQ (fill.bounds.getY(), (float) rows.back());
    }
    return rows;
}

const juce::Colour lightScanLine { 0x06ffffff };
const juce::Colour darkScanLine { 0x0d000000 };
} // namespace

TEST (TextureRandom, FirstNoiseValuesMatchTheSeededSequence)
{
    kov::TextureRandom random (kov::PanelPainter::noiseSeed);
    EXPECT_NEAR (random.next(), 0.2321851f, 1.0e-6f);
    EXPECT_NEAR (random.next(), 0.3997775f, 1.0e-6f);

    for (int i = 2; i < 96; ++i)
        random.next();

    EXPECT_NEAR (random.next(), 0.3365788f, 1.0e-6f); // first value of row 1
}

TEST (TextureRandom, TopValueIsLimitedBelowOne)
{
    // This seed steps to a state whose top 32 bits are all ones, which rounds to 1.0 in single
    // precision before the limit.
    kov::TextureRandom random (142368275371844ull);
    EXPECT_EQ (random.next(), 0.9999999f);
}

TEST (PanelPainterTextures, NoiseTextureIsExactlyReproducible)
{
    kov::PanelPainter painter;
    painter.ensureTextures();
    const auto& noise = painter.getNoiseTexture();

    ASSERT_EQ (noise.getWidth(), 96);
    ASSERT_EQ (noise.getHeight(), 96);
    EXPECT_EQ (noise.getFormat(), juce::Image::ARGB);
    EXPECT_EQ (noise.getPixelAt (0, 0).getARGB(), 0x08000000u);
    EXPECT_EQ (noise.getPixelAt (1, 0).getARGB(), 0x03000000u);
    EXPECT_EQ (noise.getPixelAt (0, 1).getARGB(), 0x05000000u);

    // Half the grain is white; the texture's white pixels are exactly those drawn with v > 0.5
    // (at alpha 0 a white pixel is stored as transparent, so it cannot be told from black).
    kov::TextureRandom random (kov::PanelPainter::noiseSeed);
    int white = 0;
    for (int y = 0; y < 96; ++y)
        for (int x = 0; x < 96; ++x)
        {
            const auto isWhite = random.next() > 0.5f;
            white += isWhite ? 1 : 0;
            const auto pixel = noise.getPixelAt (x, y);
            if (pixel.getAlpha() > 0)
                ASSERT_EQ (pixel.getRed() == 255, isWhite) << x << ", " << y;
        }

    EXPECT_EQ (white, 4584);
    EXPECT_EQ (maxAlpha (noise), 15);
}

TEST (PanelPainterTextures, BrushedTextureIsExactlyReproducible)
{
    kov::PanelPainter painter;
    painter.ensureTextures();
    const auto& brushed = painter.getBrushedTexture();

    ASSERT_EQ (brushed.getWidth(), 256);
    ASSERT_EQ (brushed.getHeight(), 128);
    // Pixel (0, 0) is white at alpha 0, which premultiplied storage keeps as all zeros.
    EXPECT_EQ (brushed.getPixelAt (0, 0).getAlpha(), 0);
    EXPECT_EQ (brushed.getPixelAt (1, 0).getARGB(), 0x01ffffffu);
    EXPECT_EQ (maxAlpha (brushed), 13);
}

TEST (PanelPainterTextures, AreMadeOnceAndKept)
{
    kov::PanelPainter painter;
    EXPECT_TRUE (painter.getNoiseTexture().isNull());
    EXPECT_TRUE (painter.getBrushedTexture().isNull());

    painter.ensureTextures();
    const auto noise = painter.getNoiseTexture();
    const auto brushed = painter.getBrushedTexture();

    RecordingGraphics target (100, 100);
    painter.drawDisplayPanel (target.g(), { 0.0f, 0.0f, 100.0f, 100.0f });
    painter.drawModulePanel (target.g(), { 10.0f, 10.0f, 50.0f, 50.0f }, 6.0f);

    // Same shared pixel data: never regenerated.
    EXPECT_EQ (painter.getNoiseTexture(), noise);
    EXPECT_EQ (painter.getBrushedTexture(), brushed);
}

TEST (PanelPainterModule, EmptyAreaDrawsNothingAndMakesNoTexture)
{
    for (const auto area : { juce::Rectangle<float> (5.0f, 5.0f, 0.0f, 40.0f),
                             juce::Rectangle<float> (5.0f, 5.0f, 40.0f, 0.0f),
                             juce::Rectangle<float> (5.0f, 5.0f, -3.0f, 40.0f) })
    {
        kov::PanelPainter painter;
        RecordingGraphics target (60, 60);
        painter.drawModulePanel (target.g(), area, 9.0f);

        EXPECT_TRUE (target.getFills().empty());
        EXPECT_TRUE (painter.getNoiseTexture().isNull());
        EXPECT_TRUE (painter.getBrushedTexture().isNull());
    }
}

TEST (PanelPainterModule, BrushedGrainIsClippedToTheRoundedPanel)
{
    kov::PanelPainter painter;
    RecordingGraphics target (80, 60);
    painter.drawModulePanel (target.g(), { 10.0f, 10.0f, 60.0f, 40.0f }, 12.0f);

    int tiled = 0;
    for (const auto& fill : target.getFills())
        if (fill.tiledImage)
            ++tiled;
    EXPECT_EQ (tiled, 1);

    // The grain and body stay inside the rounded corner, the outer shadow ring lies outside it.
    const auto corner = target.getImage().getPixelAt (10, 10);
    const auto centre = target.getImage().getPixelAt (40, 30);
    EXPECT_LT (corner.getAlpha(), 0xff);
    EXPECT_EQ (centre.getAlpha(), 0xff);
}

TEST (PanelPainterDisplay, ScanLinesLandOnWholeRows)
{
    kov::PanelPainter painter;
    RecordingGraphics target (40, 20);
    painter.drawDisplayPanel (target.g(), { 0.0f, 0.0f, 40.0f, 20.0f });

    EXPECT_EQ (rowsOf (target.fillsOf (lightScanLine)), (std::vector<int> { 2, 5, 8, 11, 14, 17 }));
    EXPECT_EQ (rowsOf (target.fillsOf (darkScanLine)), (std::vector<int> { 3, 6, 9, 12, 15, 18 }));

    for (const auto& fill : target.fillsOf (lightScanLine))
    {
        EXPECT_FLOAT_EQ (fill.bounds.getX(), 0.0f);
        EXPECT_FLOAT_EQ (fill.bounds.getWidth(), 40.0f);
    }
}

TEST (PanelPainterDisplay, ScanLinesFollowAFractionalTop)
{
    kov::PanelPainter painter;
    RecordingGraphics target (40, 40);
    painter.drawDisplayPanel (target.g(), { 3.0f, 10.4f, 20.0f, 7.0f });

    // 12.4, 15.4 -> rows 12, 15; 13.9, 16.9 -> rows 13, 16; all below 17.4.
    EXPECT_EQ (rowsOf (target.fillsOf (lightScanLine)), (std::vector<int> { 12, 15 }));
    EXPECT_EQ (rowsOf (target.fillsOf (darkScanLine)), (std::vector<int> { 13, 16 }));
}

TEST (PanelPainterDisplay, NoScanLinesWithoutHeightOrWidth)
{
    for (const auto area : { juce::Rectangle<float> (0.0f, 0.0f, 40.0f, 0.0f),
                             juce::Rectangle<float> (0.0f, 0.0f, 0.0f, 30.0f) })
    {
        kov::PanelPainter painter;
        RecordingGraphics target (40, 30);
        painter.drawDisplayPanel (target.g(), area);

        EXPECT_TRUE (target.fillsOf (lightScanLine).empty());
        EXPECT_TRUE (target.fillsOf (darkScanLine).empty());
        EXPECT_TRUE (painter.getNoiseTexture().isValid()); // the display panel makes its textures regardless
    }
}

TEST (PanelPainterDisplay, FarFromTheOriginScanLinesStillEnd)
{
    // Where adding 3 no longer changes a float, the scan-line loop must not spin forever.
    kov::PanelPainter painter;
    RecordingGraphics target (10, 10);
    painter.drawDisplayPanel (target.g(), { 0.0f, 1.0e9f, 10.0f, 1.0e3f });
    SUCCEED();
}
