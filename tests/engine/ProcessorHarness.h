#pragma once

#include "engine/SabrelProcessor.h"

#include <algorithm>
#include <cmath>
#include <vector>

// A processor driven the way a host drives it: bus layout, parameters in their own units,
// preparation and blocks of any length; the signals are kept as plain vectors per channel.
struct ProcessorHarness
{
    SabrelProcessor processor;
    bool hostBypass = false; // blocks go through processBlockBypassed, as the host's bypass sends them

    explicit ProcessorHarness (int mainChannels = 2, int sidechainChannels = 0)
    {
        juce::AudioProcessor::BusesLayout layout;
        const auto set = [] (int n) {
            return n == 0 ? juce::AudioChannelSet::disabled()
                          : (n == 1 ? juce::AudioChannelSet::mono() : juce::AudioChannelSet::stereo());
        };
        layout.inputBuses.add (set (mainChannels));
        layout.inputBuses.add (set (sidechainChannels));
        layout.outputBuses.add (set (mainChannels));
        processor.setBusesLayout (layout);
    }

    // Sets a parameter from the message thread, which then tells the host any new latency before
    // the next block, as the processor's timer does in a running host.
    void set (const juce::String& id, float value)
    {
        auto* parameter = processor.apvts.getParameter (id);
        jassert (parameter != nullptr);
        parameter->setValueNotifyingHost (parameter->convertTo0to1 (value));
        processor.publishLatency();
    }

    void setBand (int band, const juce::String& suffix, float value) { set (bandParamId (band, suffix), value); }

    // A placed, enabled band of the given type.
    void placeBand (int band, int type, float freq, float gain, float q)
    {
        setBand (band, "on", 1.0f);
        setBand (band, "type", (float) type);
        setBand (band, "freq", freq);
        setBand (band, "gain", gain);
        setBand (band, "q", q);
    }

    void prepare (double rate, int blockSize)
    {
        processor.setRateAndBufferSizeDetails (rate, blockSize);
        processor.prepareToPlay (rate, blockSize);
    }

    int bufferChannels() const
    {
        return juce::jmax (processor.getTotalNumInputChannels(), processor.getTotalNumOutputChannels());
    }

    std::vector<std::vector<float>> run (const std::vector<std::vector<float>>& main, int blockSize,
                                         const std::vector<std::vector<float>>& sidechain = {})
    {
        return run (main, std::vector<int> { blockSize }, sidechain);
    }

    // Runs main (and optionally sidechain) signals through in blocks whose lengths cycle through
    // blockSizes; returns the main output per channel.
    std::vector<std::vector<float>> run (const std::vector<std::vector<float>>& main, const std::vector<int>& blockSizes,
                                         const std::vector<std::vector<float>>& sidechain = {})
    {
        const int numMain = processor.getChannelCountOfBus (false, 0);
        const int total = (int) main[0].size();
        std::vector<std::vector<float>> out ((size_t) numMain, std::vector<float> ((size_t) total));
        juce::AudioBuffer<float> buffer (bufferChannels(), *std::max_element (blockSizes.begin(), blockSizes.end()));
        juce::MidiBuffer midi;

        for (int start = 0, index = 0; start < total; ++index)
        {
            const int n = juce::jmin (blockSizes[(size_t) index % blockSizes.size()], total - start);
            buffer.setSize (bufferChannels(), n, false, false, true);
            buffer.clear();
            for (int c = 0; c < numMain; ++c)
                buffer.copyFrom (c, 0, main[(size_t) c].data() + start, n);
            for (size_t c = 0; c < sidechain.size(); ++c)
                buffer.copyFrom (numMain + (int) c, 0, sidechain[c].data() + start, n);

            processBlock (buffer, midi);

            for (int c = 0; c < numMain; ++c)
                std::copy (buffer.getReadPointer (c), buffer.getReadPointer (c) + n, out[(size_t) c].begin() + start);
            start += n;
        }
        return out;
    }

    // One block of the given constant value on every main channel; returns the output block.
    juce::AudioBuffer<float> block (int numSamples, float value = 0.0f)
    {
        juce::AudioBuffer<float> buffer (bufferChannels(), numSamples);
        buffer.clear();
        for (int c = 0; c < processor.getChannelCountOfBus (false, 0); ++c)
            juce::FloatVectorOperations::fill (buffer.getWritePointer (c), value, numSamples);
        juce::MidiBuffer midi;
        processBlock (buffer, midi);
        return buffer;
    }

    void processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi)
    {
        if (hostBypass)
            processor.processBlockBypassed (buffer, midi);
        else
            processor.processBlock (buffer, midi);
    }
};

inline std::vector<float> sine (double frequency, double rate, int length, float amplitude = 1.0f)
{
    std::vector<float> signal ((size_t) length);
    for (int i = 0; i < length; ++i)
        signal[(size_t) i] = amplitude * (float) std::sin (2.0 * juce::MathConstants<double>::pi * frequency * i / rate);
    return signal;
}

// Amplitude of a sine of the given frequency in signal[from, to), by correlation.
inline double amplitudeOf (const std::vector<float>& signal, double frequency, double rate, size_t from, size_t to)
{
    // Whole periods only, so the correlation has no leakage.
    const double period = rate / frequency;
    to = from + (size_t) std::llround (std::floor ((double) (to - from) / period) * period);

    double re = 0.0, im = 0.0;
    const double w = 2.0 * juce::MathConstants<double>::pi * frequency / rate;
    for (size_t i = from; i < to; ++i)
    {
        re += signal[i] * std::sin (w * (double) i);
        im += signal[i] * std::cos (w * (double) i);
    }
    return 2.0 * std::hypot (re, im) / (double) (to - from);
}
