// Cost of drawing one knob face: the filmstrip renderer from its cache, the same renderer
// recomposing its tinted frame on every draw (a new accent each time), and the procedural one.

#include "kit/FilmstripKnobRenderer.h"
#include "kit/ProceduralKnobRenderer.h"

#include <benchmark/benchmark.h>

namespace
{
constexpr int frameSize = 360;
constexpr int frames = 64;
constexpr float startAngle = -2.3561945f;
constexpr float endAngle = 2.3561945f;

juce::Image strip (juce::Colour colour)
{
    juce::Image image (juce::Image::ARGB, frameSize, frameSize * frames, false, juce::SoftwareImageType());
    image.clear (image.getBounds(), colour);
    return image;
}

struct Canvas
{
    juce::Image image { juce::Image::ARGB, 50, 50, true, juce::SoftwareImageType() };
    juce::Graphics g { image };
};

void BM_FilmstripCachedDraw (benchmark::State& state)
{
    kov::FilmstripKnobRenderer renderer (strip (juce::Colour (0xffe0e0e0)), strip (juce::Colour (0xffff4000)), frames);
    juce::Slider slider;
    Canvas canvas;
    for (auto _ : state)
        renderer.draw (canvas.g, { 0.0f, 0.0f, 50.0f, 50.0f }, 0.4f, startAngle, endAngle, juce::Colours::orange, slider);
    benchmark::DoNotOptimize (canvas.image.getPixelAt (25, 25));
}
BENCHMARK (BM_FilmstripCachedDraw);

void BM_FilmstripRecomposeAndDraw (benchmark::State& state)
{
    kov::FilmstripKnobRenderer renderer (strip (juce::Colour (0xffe0e0e0)), strip (juce::Colour (0xffff4000)), frames);
    juce::Slider slider;
    Canvas canvas;
    juce::uint32 accent = 0xff102030;
    for (auto _ : state)
        renderer.draw (canvas.g, { 0.0f, 0.0f, 50.0f, 50.0f }, 0.4f, startAngle, endAngle, juce::Colour (++accent), slider);
    benchmark::DoNotOptimize (canvas.image.getPixelAt (25, 25));
}
BENCHMARK (BM_FilmstripRecomposeAndDraw);

void BM_ProceduralDraw (benchmark::State& state)
{
    kov::ProceduralKnobRenderer renderer;
    juce::Slider slider;
    Canvas canvas;
    for (auto _ : state)
        renderer.draw (canvas.g, { 0.0f, 0.0f, 50.0f, 50.0f }, 0.4f, startAngle, endAngle, juce::Colours::orange, slider);
    benchmark::DoNotOptimize (canvas.image.getPixelAt (25, 25));
}
BENCHMARK (BM_ProceduralDraw);
} // namespace
