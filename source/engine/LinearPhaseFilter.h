#pragma once

#include <juce_dsp/juce_dsp.h>

#include <memory>
#include <vector>

// Applies a magnitude response with zero phase by FFT overlap-add: every hop it windows the
// last fftSize input samples of each channel, scales their spectrum by the response and adds
// the windowed inverse transform into an output ring. Every sample leaves exactly `latency`
// samples later.
class LinearPhaseFilter
{
public:
    struct Channel
    {
        std::vector<float> inRing;  // the last fftSize input samples
        std::vector<float> outRing; // overlap-added output waiting to be read
        int writePos = 0;
        int readPos = 0;
    };

    // Sizes everything for the given channel count; forgets the smoothed response.
    void prepare (int numOutputChannels);

    // Clears the rings; the smoothed response is kept so a switch back starts from it.
    void reset() noexcept;

    // Moves the response a quarter of the way toward targetMagnitudes (numBins values, bin k at
    // 2 pi k / fftSize; null: the same as in the last call) and filters the first
    // min(numChannels, channelCount) channels in place.
    void process (const float* targetMagnitudes, float* const* channelData, int channelCount,
                  int numSamples) noexcept;

    int fftOrder = 0;
    int fftSize = 0;
    int hopSize = 0;
    int numBins = 0;
    int numChannels = 0;
    int latency = 0;
    int hopCounter = 0;
    float overlapGain = 1.0f;
    std::unique_ptr<juce::dsp::FFT> fft;
    std::vector<float> window;
    std::vector<float> fullGains;
    std::vector<float> targetMags;
    std::vector<float> smoothedMags;
    std::vector<Channel> channels;

    // Skips the smoothing step once it moves no value and the target stays, and builds the
    // gains only when a frame is formed (off only to check that skipping changes nothing).
    bool skipUnchangedWork = true;

private:
    bool smoothingSettled = false; // the last smoothing step left every value as it was
    bool gainsStale = true;        // smoothedMags changed since fullGains was built

    void smoothTowardTarget (const float* targetMagnitudes) noexcept;
    void buildGains() noexcept;
    // Both channels of a pair go through one complex transform, one as the real and one as the
    // imaginary part: the gains are real and even, so the two never mix. A frame is formed in
    // two halves: analysis (window, forward transform, gains) as soon as its last input sample
    // is in, synthesis (inverse transform, overlap-add) before its first output sample is read.
    void analyseFrame (int pair) noexcept;
    void synthesiseFrame (int pair) noexcept;
    void synthesisePending() noexcept;
    Channel* pairChannel (int pair, int member) noexcept;

    // Per pair of channels, the transform's work buffers, the windowed frame and its spectrum,
    // aligned for the transform's vector code.
    int numPairs = 0;
    juce::HeapBlock<juce::dsp::Complex<float>> transformMemory;
    juce::dsp::Complex<float>* pairMemory (int pair) const noexcept;

    // A frame whose hop ended with a block is synthesised at the start of the next block, so
    // that its two transforms fall in different blocks (the output is the same).
    bool synthesisPending = false;
    int frameChannels = 0; // the channels the last frame was formed from
};
