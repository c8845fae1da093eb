#pragma once

#include <juce_graphics/juce_graphics.h>

#include <cstdint>

namespace kov
{
// A 48-bit linear congruential generator. The panel textures come from it so that every run
// draws exactly the same grain.
class TextureRandom
{
public:
    explicit TextureRandom (std::uint64_t seed) noexcept : state (seed) {}

    // The next value in 0 .. 0.9999999.
    float next() noexcept;

private:
    std::uint64_t state;
};

// Paints the kit's two console surfaces: rounded module panels with a brushed grain and
// display panels with scan lines, vignette, inner frames and a fine noise grain.
class PanelPainter
{
public:
    // Makes the textures that do not exist yet; both draw calls do this first.
    void ensureTextures();

    void drawModulePanel (juce::Graphics& g, const juce::Rectangle<float>& area, float cornerRadius);
    void drawDisplayPanel (juce::Graphics& g, const juce::Rectangle<float>& area);

    const juce::Image& getNoiseTexture() const noexcept { return noise; }
    const juce::Image& getBrushedTexture() const noexcept { return brushed; }

    static constexpr std::uint64_t noiseSeed = 1374496523;
    static constexpr std::uint64_t brushedSeed = 1864094631;

private:
    juce::Image noise;
    juce::Image brushed;
};
} // namespace kov
