#pragma once

#include <vector>

// A delay of up to maxDelay samples per channel: one ring per channel, one position shared by
// all of them. Sized in prepare only; nothing else allocates.
class DelayLine
{
public:
    // Rings for numChannels channels, room for maxDelay samples of delay with blocks of up to
    // blockSize samples read back whole; all silent.
    void prepare (int numChannels, int maxDelay, int blockSize);

    void clear() noexcept;

    // Takes the next numSamples samples in; the block itself is left as it is.
    void write (const float* const* channels, int numChannels, int numSamples) noexcept;

    // Replaces the block just written (its numSamples samples) by the signal `delay` samples
    // earlier; numSamples + delay must not exceed capacity().
    void read (float* const* channels, int numChannels, int numSamples, int delay) const noexcept;

    // write and read in one, for blocks of any length.
    void process (float* const* channels, int numChannels, int numSamples, int delay) noexcept;

    // Silences what was written more than newerDelay and at most olderDelay samples before
    // the next sample: a read that moves from the one delay to the other plays silence there
    // instead of what it already played.
    void silence (int newerDelay, int olderDelay) noexcept;

    int capacity() const noexcept { return size; }

private:
    std::vector<std::vector<float>> rings;
    int size = 0;
    int mask = 0;
    int position = 0; // where the next sample goes
};
