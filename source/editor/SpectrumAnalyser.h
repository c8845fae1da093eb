#pragma once

#include "engine/AnalyzerRing.h"

#include <juce_dsp/juce_dsp.h>

#include <array>

// Turns the newest 4096 samples of an analyser ring into a smoothed dB spectrum of 2048 bins.
struct SpectrumAnalyser
{
    static constexpr int fftOrder = 12;
    static constexpr int fftSize = 1 << fftOrder; // 4096
    static constexpr int numBins = fftSize / 2;   // 2048

    juce::dsp::FFT fft { fftOrder };
    juce::dsp::WindowingFunction<float> window { (size_t) fftSize, juce::dsp::WindowingFunction<float>::hann, true };
    std::array<float, 2 * fftSize> fftData {};
    std::array<float, numBins> smoothedDb {};
    bool hasFrame = false;

    void process (const AnalyzerRing& ring);
};
