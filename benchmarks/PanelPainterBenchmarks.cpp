// The panel textures are made once per painter; every later panel is only fills.
// Compare a painter's first display panel (textures included) with a later one.
#include "kit/PanelPainter.h"

#include <benchmark/benchmark.h>

namespace
{
const juce::Rectangle<float> windowArea { 0.0f, 0.0f, 980.0f, 690.0f };
const juce::Rectangle<float> moduleArea { 14.0f, 520.0f, 460.0f, 150.0f };

void firstPanels (benchmark::State& state)
{
    juce::Image target (juce::Image::ARGB, 980, 690, true);
    juce::Graphics g (target);

    for (auto _ : state)
    {
        kov::PanelPainter painter;
        painter.drawDisplayPanel (g, windowArea);
        painter.drawModulePanel (g, moduleArea, 9.0f);
        benchmark::DoNotOptimize (painter.getNoiseTexture().getWidth());
    }
}

void laterPanels (benchmark::State& state)
{
    juce::Image target (juce::Image::ARGB, 980, 690, true);
    juce::Graphics g (target);
    kov::PanelPainter painter;
    painter.ensureTextures();

    for (auto _ : state)
    {
        painter.drawDisplayPanel (g, windowArea);
        painter.drawModulePanel (g, moduleArea, 9.0f);
        benchmark::ClobberMemory();
    }
}

void texturesOnly (benchmark::State& state)
{
    for (auto _ : state)
    {
        kov::PanelPainter painter;
        painter.ensureTextures();
        benchmark::DoNotOptimize (painter.getBrushedTexture().getWidth());
    }
}
} // namespace

BENCHMARK (firstPanels)->Unit (benchmark::kMicrosecond);
BENCHMARK (laterPanels)->Unit (benchmark::kMicrosecond);
BENCHMARK (texturesOnly)->Unit (benchmark::kMicrosecond);
