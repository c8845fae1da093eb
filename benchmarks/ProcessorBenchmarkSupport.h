#pragma once

// Set-up shared by the benchmark programs that drive the processor.
#include "engine/SabrelProcessor.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace processorbench
{
// Sets a parameter in its own units, as a host would.
inline void set (SabrelProcessor& p, const juce::String& id, float value)
{
    auto* parameter = p.apvts.getParameter (id);
    parameter->setValueNotifyingHost (parameter->convertTo0to1 (value));
}

// Quiet noise to copy into each block (the copy costs next to nothing).
inline const std::vector<float>& quietNoise()
{
    static const std::vector<float> samples = [] {
        std::vector<float> s (8192);
        juce::Random random (5);
        for (auto& x : s)
            x = (random.nextFloat() - 0.5f) * 0.5f;
        return s;
    }();
    return samples;
}

// Counters: ns_per_frame is the time per stereo sample frame; cores is the share of one core
// that stereo audio at the given rate takes (1.0 = a whole core).
inline void reportCost (benchmark::State& state, int blockSize, double rate)
{
    const auto frames = (double) state.iterations() * blockSize;
    const auto perSecond = benchmark::Counter::kIsRate | benchmark::Counter::kInvert;
    state.counters["ns_per_frame"] = benchmark::Counter (frames * 1e-9, perSecond);
    state.counters["cores"] = benchmark::Counter (frames / rate, perSecond);
}

// A processor with its parameters loaded by `load`, prepared as a host prepares it.
template <typename Load>
std::unique_ptr<SabrelProcessor> makePrepared (Load&& load, double rate, int blockSize)
{
    auto processor = std::make_unique<SabrelProcessor>();
    load (*processor);
    processor->setRateAndBufferSizeDetails (rate, blockSize);
    processor->prepareToPlay (rate, blockSize);
    return processor;
}
} // namespace processorbench
