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
    // min(numChannels, channelCount) channels in place. A channel left out of earlier blocks
    // starts again from silence, in step with the others.
    void process (const float* targetMagnitudes, float* const* channelData, int channelCount,
                  int numSamples) noexcept;

    // The largest gain a bin takes (+120 dB). A stack of strong boosts can overflow the response
    // to infinity; held here, the smoothing comes back from it to a flat response within about
    // 80 blocks.
    static constexpr float magnitudeCeiling = 1.0e6f;

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

    int currentChannels = 0; // the channels that took part in every block since the reset

    void restartReturningChannels (int channelCount) noexcept;
    void smoothTowardTarget (const float* targetMagnitudes) noexcept;
    void buildGains() noexcept;
    // Both channels of a pair go through one complex transform, one as the real and one as the
    // imaginary part: the gains are real and even, so the two never mix.
    //
    // The work of a frame is spread so that no block carries much more than one transform:
    // - the frame is windowed as its samples come in (its older three quarters, already in
    //   the ring, at three positions per incoming sample);
    // - the forward transform and the gains run when its last sample is in (analysis);
    // - the inverse transform runs before its first output sample is read, at the start of
    //   the next block when the hop ended with a block (synthesis);
    // - the overlap-add runs ahead of the reads, four positions per sample, so it is done
    //   before the next frame adds to the same positions.
    // Every value is computed as in one pass, in the same order: the output does not change.
    void windowPositions (int from, int to) noexcept;
    void analyseFrames() noexcept;
    void synthesisePending() noexcept;
    void overlapAddUpTo (int position) noexcept;
    Channel* pairChannel (int pair, int member) noexcept;

    // Per pair of channels, aligned for the transform's vector code: the windowed frame, its
    // spectrum and the frame transformed back.
    int numPairs = 0;
    juce::HeapBlock<juce::dsp::Complex<float>> transformMemory;
    juce::dsp::Complex<float>* pairMemory (int pair, int buffer) const noexcept;

    int frameChannels = 0;     // the channels the frame being windowed is formed from
    int olderWindowed = 0;     // positions of the older three quarters windowed so far
    bool windowingWhole = true; // the frame is windowed at once when its last sample is in
    bool synthesisPending = false;
    int synthesisChannels = 0; // the channels of the frame being synthesised and added
    int addStart = 0;          // the ring position of that frame's first output sample
    int added = 0;             // its positions added to the output rings so far
};
