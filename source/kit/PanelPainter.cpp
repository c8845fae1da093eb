#include "PanelPainter.h"

#include <array>
#include <cmath>

namespace kov
{
float TextureRandom::next() noexcept
{
    constexpr std::uint64_t mask48 = (std::uint64_t (1) << 48) - 1;
    state = (state * 25214903917ull + 11ull) & mask48;
    const auto bits = static_cast<std::uint32_t> (state >> 16);
    return juce::jmin (static_cast<float> (bits) * 0x1p-32f, 0.9999999f);
}

namespace
{
juce::Image makeClearImage (int width, int height)
{
    return juce::Image (juce::Image::ARGB, width, height, true, juce::NativeImageType());
}

juce::Colour greyGrain (bool white, float alpha)
{
    return (white ? juce::Colours::white : juce::Colours::black).withAlpha (alpha);
}

juce::Image makeNoiseTexture()
{
    constexpr int size = 96;
    auto image = makeClearImage (size, size);
    TextureRandom random (PanelPainter::noiseSeed);

    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
        {
            const auto v = random.next();
            image.setPixelAt (x, y, greyGrain (v > 0.5f, std::abs (v - 0.5f) * 0.12f));
        }

    return image;
}

juce::Image makeBrushedTexture()
{
    constexpr int width = 256, height = 128, halfTaps = 5;
    auto image = makeClearImage (width, height);
    TextureRandom random (PanelPainter::brushedSeed);
    std::array<float, width> raw {}, blur {};

    for (int y = 0; y < height; ++y)
    {
        for (auto& value : raw)
            value = random.next();

        // Each row is smeared horizontally (wrapping) so the grain reads as brushed streaks.
        for (int k = 0; k < width; ++k)
        {
            float sum = 0.0f;
            for (int m = -halfTaps; m <= halfTaps; ++m)
                sum += raw[(size_t) ((k + m + width) % width)];
            blur[(size_t) k] = sum / float (2 * halfTaps + 1);
        }

        for (int x = 0; x < width; ++x)
        {
            const auto b = juce::jlimit (-1.0f, 1.0f, (blur[(size_t) x] - 0.5f) * 3.5f);
            image.setPixelAt (x, y, greyGrain (b > 0.0f, std::abs (b) * 0.05f));
        }
    }

    return image;
}

juce::Rectangle<float> inset (const juce::Rectangle<float>& area, float amount)
{
    return { area.getX() + amount, area.getY() + amount,
             juce::jmax (area.getWidth() - 2.0f * amount, 0.0f),
             juce::jmax (area.getHeight() - 2.0f * amount, 0.0f) };
}

void clipToRoundedArea (juce::Graphics& g, const juce::Rectangle<float>& area, float cornerRadius)
{
    juce::Path outline;
    outline.addRoundedRectangle (area, cornerRadius);
    g.reduceClipRegion (outline);
}

void drawScanLines (juce::Graphics& g, const juce::Rectangle<float>& area, float firstOffset, juce::Colour colour)
{
    g.setColour (colour);
    const auto left = area.getX(), right = area.getX() + area.getWidth();
    const auto bottom = area.getY() + area.getHeight();

    for (float p = area.getY() + firstOffset; p < bottom; p += 3.0f)
    {
        g.drawHorizontalLine ((int) p, left, right);

        // Far from the origin a step of 3 no longer changes a float; stop rather than spin.
        if (p + 3.0f <= p)
            break;
    }
}
} // namespace

void PanelPainter::ensureTextures()
{
    if (noise.isNull())
        noise = makeNoiseTexture();

    if (brushed.isNull())
        brushed = makeBrushedTexture();
}

void PanelPainter::drawModulePanel (juce::Graphics& g, const juce::Rectangle<float>& area, float cornerRadius)
{
    const auto x = area.getX(), y = area.getY(), w = area.getWidth(), h = area.getHeight();
    const auto r = cornerRadius;

    if (w <= 0.0f || h <= 0.0f)
        return;

    ensureTextures();

    g.setGradientFill (juce::ColourGradient (juce::Colour (0xff282b31), x, y, juce::Colour (0xff141519), x, y + h, false));
    g.fillRoundedRectangle (area, r);

    if (brushed.isValid())
    {
        juce::Graphics::ScopedSaveState saved (g);
        clipToRoundedArea (g, area, r);
        g.setTiledImageFill (brushed, (int) x, (int) y, 0.55f);
        g.fillRect (area);
    }

    g.setColour (juce::Colour (0x73000000));
    g.drawRoundedRectangle (inset (area, -1.5f), r + 1.5f, 2.0f);
    g.setColour (juce::Colour (0x99000000));
    g.drawRoundedRectangle (inset (area, 0.5f), r, 1.2f);

    juce::Graphics::ScopedSaveState saved (g);
    clipToRoundedArea (g, area, r);
    g.setColour (juce::Colour (0x80000000));
    g.drawRoundedRectangle (inset (area, 1.6f), r - 1.0f, 2.4f);
    g.setColour (juce::Colour (0x0fffffff));
    g.drawRoundedRectangle (inset (area, 3.4f), r - 2.0f, 1.0f);
}

void PanelPainter::drawDisplayPanel (juce::Graphics& g, const juce::Rectangle<float>& area)
{
    const auto x = area.getX(), y = area.getY(), w = area.getWidth(), h = area.getHeight();

    ensureTextures();

    juce::ColourGradient body (juce::Colour (0xff23272d), x, y, juce::Colour (0xff0d0f12), x, y + h, false);
    body.addColour (0.5, juce::Colour (0xff15181d));
    g.setGradientFill (body);
    g.fillRect (area);

    drawScanLines (g, area, 2.0f, juce::Colour (0x06ffffff));
    drawScanLines (g, area, 3.5f, juce::Colour (0x0d000000));

    g.setColour (juce::Colour (0x0fffffff));
    g.fillRect (juce::Rectangle<float> (x, y, w, 1.5f));

    g.setGradientFill (juce::ColourGradient (juce::Colours::transparentBlack, x + w * 0.5f, y + h * 0.55f,
                                             juce::Colour (0x66000000), x + w * 0.5f, y + h, true));
    g.fillRect (area);

    g.setColour (juce::Colour (0x80000000));
    g.drawRoundedRectangle (inset (area, 4.0f), 10.0f, 1.6f);
    g.setColour (juce::Colour (0x0fffffff));
    g.drawRoundedRectangle (inset (area, 5.6f), 10.0f, 1.0f);

    g.setTiledImageFill (noise, (int) x, (int) y, 1.0f);
    g.fillRect (area);
}
} // namespace kov
