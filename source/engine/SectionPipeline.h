#pragma once

// Runs a cascade of second-order sections over frames of two lanes (left and right, or mid and
// side) in double, with several sections in flight at once: section k works on sample t - k
// while section 0 takes sample t (a wavefront), so the sections' feedback loops overlap instead
// of waiting for each other. Each section's arithmetic is the plain transposed-direct-form-II
// step, without fused multiply-adds, so every kernel gives bit for bit the result of running
// the sections one after the other.

// One section's coefficients per lane. A lane that the section does not filter holds the unit
// section (b0 = 1, the rest 0) with zero state, which passes the lane through.
struct LaneSection
{
    double b0[2] { 1.0, 1.0 };
    double b1[2] { 0.0, 0.0 };
    double b2[2] { 0.0, 0.0 };
    double a1[2] { 0.0, 0.0 };
    double a2[2] { 0.0, 0.0 };
};

struct LaneState
{
    double z1[2] { 0.0, 0.0 };
    double z2[2] { 0.0, 0.0 };
};

enum class PipelineKernel
{
    plain, // one section after the other, both lanes in one SSE2 register
    sse2,  // four sections in flight, one register each
    avx,   // up to eight sections in flight, two per register, longer cascades in rounds
           // that follow each other without emptying the registers
};

// The widest kernel this processor runs (AVX where it has it; SSE2 is part of every x86-64).
PipelineKernel widestPipelineKernel() noexcept;

// Coefficients of two sections as one AVX register holds them: per coefficient, the first
// section's two lanes, then the second's.
struct alignas (32) RingCoefficients
{
    double b0[4], b1[4], b2[4], a1[4], a2[4];
};

// The AVX kernel's coefficients for a cascade of `count` sections, arranged once per design so
// that runs need not arrange them again: ringCoefficientCount (count) entries, or none when
// the cascade is too short to use them.
int ringCoefficientCount (int count) noexcept;
void arrangeRingCoefficients (const LaneSection* sections, int count, RingCoefficients* out) noexcept;

// Filters `length` frames in place through `count` sections: frames[2i] and frames[2i + 1] are
// the two lanes of frame i. The states are read at the start and written back at the end.
// `arranged` (or null) holds what arrangeRingCoefficients made of these sections.
void runSectionCascade (PipelineKernel kernel, const LaneSection* sections, LaneState* states, int count,
                        double* frames, int length, const RingCoefficients* arranged = nullptr) noexcept;
