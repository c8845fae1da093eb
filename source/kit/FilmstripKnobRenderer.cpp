#include "FilmstripKnobRenderer.h"

namespace kov
{
FilmstripKnobRenderer::FilmstripKnobRenderer (juce::Image base, juce::Image mask, int frames)
    : baseStrip (std::move (base)),
      maskStrip (std::move (mask)),
      numFrames (juce::jmax (1, frames)),
      frameSize (baseStrip.isValid() ? baseStrip.getWidth() : 0)
{
}

FilmstripKnobRenderer::~FilmstripKnobRenderer()
{
    frameCache.clear();
    maskStrip = {};
    baseStrip = {};
}

int FilmstripKnobRenderer::frameForPosition (float sliderPosProportional) const noexcept
{
    return juce::jlimit (0, numFrames - 1, juce::roundToInt ((float) (numFrames - 1) * sliderPosProportional));
}

int FilmstripKnobRenderer::tintChannel (int base, int maskAmount, int highlight, int accentChannel) noexcept
{
    const auto target = juce::jmin (255, highlight + (accentChannel * base + 127) / 255);
    return base + ((target - base) * maskAmount) / 255;
}

bool FilmstripKnobRenderer::stripsCanHoldEveryFrame() const
{
    if (frameSize <= 0 || ! baseStrip.isValid() || ! maskStrip.isValid())
        return false;

    if (baseStrip.getFormat() != juce::Image::ARGB || maskStrip.getFormat() != juce::Image::ARGB)
        return false;

    const auto stripHeight = (std::int64_t) numFrames * frameSize;
    return baseStrip.getWidth() >= frameSize && baseStrip.getHeight() >= stripHeight
           && maskStrip.getWidth() >= frameSize && maskStrip.getHeight() >= stripHeight;
}

void FilmstripKnobRenderer::compose (CachedFrame& entry, int frame, juce::Colour accent) const
{
    if (! entry.tinted.isValid())
        entry.tinted = juce::Image (juce::Image::ARGB, frameSize, frameSize, true);

    const auto top = frame * frameSize;
    const juce::Image::BitmapData base (baseStrip, 0, top, frameSize, frameSize);
    const juce::Image::BitmapData mask (maskStrip, 0, top, frameSize, frameSize);
    juce::Image::BitmapData out (entry.tinted, juce::Image::BitmapData::writeOnly);

    const int accentRed = accent.getRed(), accentGreen = accent.getGreen(), accentBlue = accent.getBlue();

    for (int y = 0; y < frameSize; ++y)
    {
        const auto* b = reinterpret_cast<const juce::PixelARGB*> (base.getLinePointer (y));
        const auto* m = reinterpret_cast<const juce::PixelARGB*> (mask.getLinePointer (y));
        auto* o = reinterpret_cast<juce::PixelARGB*> (out.getLinePointer (y));

        for (int x = 0; x < frameSize; ++x)
        {
            const int amount = m[x].getRed();
            const int highlight = m[x].getGreen();
            o[x].setARGB (b[x].getAlpha(),
                          (juce::uint8) tintChannel (b[x].getRed(), amount, highlight, accentRed),
                          (juce::uint8) tintChannel (b[x].getGreen(), amount, highlight, accentGreen),
                          (juce::uint8) tintChannel (b[x].getBlue(), amount, highlight, accentBlue));
        }
    }
}

void FilmstripKnobRenderer::draw (juce::Graphics& g, const juce::Rectangle<float>& bounds, float sliderPosProportional,
                                  float, float, juce::Colour accent, juce::Slider& slider)
{
    if (! stripsCanHoldEveryFrame())
        return;

    const auto frame = frameForPosition (sliderPosProportional);
    auto& entry = frameCache[&slider];

    if (entry.frameIndex != frame || entry.accentArgb != accent.getARGB() || ! entry.tinted.isValid())
    {
        compose (entry, frame, accent);
        entry.frameIndex = frame;
        entry.accentArgb = accent.getARGB();
    }

    const auto size = juce::jmin (maxDiameter, juce::jmin (bounds.getWidth(), bounds.getHeight()));
    const auto dx = juce::roundToInt (bounds.getX() + bounds.getWidth() * 0.5f - size * 0.5f);
    const auto dy = juce::roundToInt (bounds.getY() + bounds.getHeight() * 0.5f - size * 0.5f);
    const auto s = juce::roundToInt (size);

    if (entry.tinted.isValid())
        g.drawImage (entry.tinted, dx, dy, s, s, 0, 0, frameSize, frameSize);
}
} // namespace kov
