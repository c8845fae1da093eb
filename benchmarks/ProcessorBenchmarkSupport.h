#pragma once

// Set-up shared by the benchmark programs that drive the processor.
#include "engine/SabrelProcessor.h"

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
