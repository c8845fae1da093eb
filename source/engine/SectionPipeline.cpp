#include "SectionPipeline.h"

#include <immintrin.h>

#include <algorithm>
#include <utility>

namespace
{
struct Coefficients
{
    __m128d b0, b1, b2, a1, a2;
};

inline Coefficients coefficientsOf (const LaneSection& s) noexcept
{
    return { _mm_loadu_pd (s.b0), _mm_loadu_pd (s.b1), _mm_loadu_pd (s.b2), _mm_loadu_pd (s.a1), _mm_loadu_pd (s.a2) };
}

inline Coefficients unitSection() noexcept
{
    const __m128d zero = _mm_setzero_pd();
    return { _mm_set1_pd (1.0), zero, zero, zero, zero };
}

// y = b0 x + z1; z1 = b1 x - a1 y + z2; z2 = b2 x - a2 y, on both lanes.
inline __m128d step (const Coefficients& c, __m128d x, __m128d& z1, __m128d& z2) noexcept
{
    const __m128d y = _mm_add_pd (_mm_mul_pd (c.b0, x), z1);
    z1 = _mm_add_pd (_mm_sub_pd (_mm_mul_pd (c.b1, x), _mm_mul_pd (c.a1, y)), z2);
    z2 = _mm_sub_pd (_mm_mul_pd (c.b2, x), _mm_mul_pd (c.a2, y));
    return y;
}

inline void stepInPlace (double* frames, int i, const Coefficients& c, __m128d& z1, __m128d& z2) noexcept
{
    _mm_storeu_pd (frames + 2 * i, step (c, _mm_loadu_pd (frames + 2 * i), z1, z2));
}

void runPlain (const LaneSection* sections, LaneState* states, int count, double* frames, int length) noexcept
{
    for (int k = 0; k < count; ++k)
    {
        const auto c = coefficientsOf (sections[k]);
        __m128d z1 = _mm_loadu_pd (states[k].z1), z2 = _mm_loadu_pd (states[k].z2);
        for (int i = 0; i < length; ++i)
            stepInPlace (frames, i, c, z1, z2);
        _mm_storeu_pd (states[k].z1, z1);
        _mm_storeu_pd (states[k].z2, z2);
    }
}

// The W sections of a wavefront as one-register sections: the first `used` are real, the
// rest unit sections that pass the signal on.
template <int W>
struct Wavefront
{
    Coefficients c[W];
    __m128d z1[W], z2[W];

    Wavefront (const LaneSection* sections, const LaneState* states, int used) noexcept
    {
        for (int g = 0; g < W; ++g)
        {
            c[g] = g < used ? coefficientsOf (sections[g]) : unitSection();
            z1[g] = g < used ? _mm_loadu_pd (states[g].z1) : _mm_setzero_pd();
            z2[g] = g < used ? _mm_loadu_pd (states[g].z2) : _mm_setzero_pd();
        }
    }

    void store (LaneState* states, int used) const noexcept
    {
        for (int g = 0; g < used; ++g)
        {
            _mm_storeu_pd (states[g].z1, z1[g]);
            _mm_storeu_pd (states[g].z2, z2[g]);
        }
    }

    // Before the steady part: section g takes samples [0, W - 1 - g), one diagonal at a time,
    // each reading in place what section g - 1 wrote there.
    void fill (double* frames) noexcept
    {
        for (int t = 0; t < W - 1; ++t)
            for (int g = 0; g <= t; ++g)
                stepInPlace (frames, t - g, c[g], z1[g], z2[g]);
    }

    // After it, with every section's next input in place at frames[n - g]: section g finishes
    // samples [n - g, n).
    void drain (double* frames, int n) noexcept
    {
        for (int t = n; t < n + W - 1; ++t)
            for (int g = t - n + 1; g < W; ++g)
                stepInPlace (frames, t - g, c[g], z1[g], z2[g]);
    }
};

// W sections in flight, one register each; needs n >= W.
template <int W>
void runWavefrontSse2 (const LaneSection* sections, LaneState* states, int used, double* frames, int n) noexcept
{
    Wavefront<W> w (sections, states, used);
    w.fill (frames);

    __m128d v[W]; // the next input of each section
#pragma GCC unroll 8
    for (int g = 0; g < W; ++g)
        v[g] = _mm_loadu_pd (frames + 2 * (W - 1 - g));

    for (int t = W - 1; t < n; ++t)
    {
        __m128d y[W];
#pragma GCC unroll 8
        for (int g = 0; g < W; ++g)
            y[g] = step (w.c[g], v[g], w.z1[g], w.z2[g]);
        _mm_storeu_pd (frames + 2 * (t - W + 1), y[W - 1]);
#pragma GCC unroll 8
        for (int g = W - 1; g > 0; --g)
            v[g] = y[g - 1];
        v[0] = _mm_loadu_pd (frames + 2 * std::min (t + 1, n - 1));
    }

    for (int g = 1; g < W; ++g)
        _mm_storeu_pd (frames + 2 * (n - g), v[g]);
    w.drain (frames, n);
    w.store (states, used);
}

#define SABREL_AVX __attribute__ ((target ("avx")))
#define SABREL_AVX_INLINE __attribute__ ((target ("avx"), always_inline)) inline

SABREL_AVX_INLINE __m256d pack (__m128d low, __m128d high) noexcept
{
    return _mm256_insertf128_pd (_mm256_castpd128_pd256 (low), high, 1);
}

SABREL_AVX_INLINE __m128d lowHalf (__m256d x) noexcept { return _mm256_castpd256_pd128 (x); }
SABREL_AVX_INLINE __m128d highHalf (__m256d x) noexcept { return _mm256_extractf128_pd (x, 1); }

// A ring of 2K lanes, two per register: lane h is the low half of register h % K for h < K and
// the high half of register h - K after that, and takes its input from lane h - 1 as it was
// one step earlier (lane 0 from the frames). Lane h runs section 2K r + h of round r over
// steps [n r + h, n r + h + n), so the rounds follow each other without emptying the ring:
// only the first round fills it and only the last one drains it. Lanes without a section of
// their own run the unit section. Round r + 1 reads a sample in place after round r wrote it
// there, which needs n >= 2K.
//
// Register j's coefficients come from one of round r's 2K arranged entries: from step n r + j
// (its low lane in round r, its high lane still in round r - 1) the "changing" entry, from step
// n r + j + K (both lanes in round r) the "steady" one.
constexpr int arrangedRingWidth = 4; // the registers of the ring whose entries are kept

// Section i's coefficients (the unit section outside the cascade) into half `part` of an entry.
void arrangeHalf (RingCoefficients& entry, int part, const LaneSection* sections, int count, int i) noexcept
{
    static constexpr LaneSection unit {};
    const auto& s = i >= 0 && i < count ? sections[i] : unit;
    for (int l = 0; l < 2; ++l)
    {
        entry.b0[2 * part + l] = s.b0[l];
        entry.b1[2 * part + l] = s.b1[l];
        entry.b2[2 * part + l] = s.b2[l];
        entry.a1[2 * part + l] = s.a1[l];
        entry.a2[2 * part + l] = s.a2[l];
    }
}

// Round r's 2K entries: register j's changing entry at 2j, its steady one at 2j + 1.
void arrangeRound (int K, const LaneSection* sections, int count, int round, RingCoefficients* out) noexcept
{
    const int first = 2 * K * round;
    for (int j = 0; j < K; ++j)
    {
        arrangeHalf (out[2 * j], 0, sections, count, first + j);
        arrangeHalf (out[2 * j], 1, sections, count, first - K + j);
        arrangeHalf (out[2 * j + 1], 0, sections, count, first + j);
        arrangeHalf (out[2 * j + 1], 1, sections, count, first + K + j);
    }
}

int ringRounds (int K, int count) noexcept { return (count + 2 * K - 1) / (2 * K); }

template <int K>
struct Ring
{
    const RingCoefficients* c[K];
    __m256d z1[K], z2[K], y[K];
};

template <bool high>
SABREL_AVX_INLINE void setHalf (__m256d& r, __m128d x) noexcept
{
    if constexpr (high)
        r = _mm256_insertf128_pd (r, x, 1);
    else
        r = _mm256_blend_pd (r, _mm256_castpd128_pd256 (x), 0x3);
}

template <bool high>
SABREL_AVX_INLINE __m128d half (__m256d r) noexcept
{
    if constexpr (high)
        return highHalf (r);
    else
        return lowHalf (r);
}

// Lane h leaves round - 1's section (its state kept) and takes round's (or the unit section);
// `entries` are round's arranged coefficients.
template <int K, int h>
SABREL_AVX_INLINE void switchLane (Ring<K>& g, const RingCoefficients* entries, LaneState* states, int count,
                                   int round) noexcept
{
    constexpr int j = h % K;
    constexpr bool high = h >= K;
    const int old = 2 * K * (round - 1) + h, next = 2 * K * round + h;

    if (round >= 1 && old < count)
    {
        _mm_storeu_pd (states[old].z1, half<high> (g.z1[j]));
        _mm_storeu_pd (states[old].z2, half<high> (g.z2[j]));
    }

    g.c[j] = entries + 2 * j + (high ? 1 : 0);
    setHalf<high> (g.z1[j], next < count ? _mm_loadu_pd (states[next].z1) : _mm_setzero_pd());
    setHalf<high> (g.z2[j], next < count ? _mm_loadu_pd (states[next].z2) : _mm_setzero_pd());
}

// One step of every lane; x is lane 0's input.
template <int K>
SABREL_AVX_INLINE void ringStep (Ring<K>& g, __m128d x) noexcept
{
    __m256d v[K];
    v[0] = pack (x, lowHalf (g.y[K - 1]));
#pragma GCC unroll 4
    for (int j = 1; j < K; ++j)
        v[j] = g.y[j - 1];
#pragma GCC unroll 4
    for (int j = 0; j < K; ++j)
    {
        const auto& c = *g.c[j];
        g.y[j] = _mm256_add_pd (_mm256_mul_pd (_mm256_load_pd (c.b0), v[j]), g.z1[j]);
        g.z1[j] = _mm256_add_pd (_mm256_sub_pd (_mm256_mul_pd (_mm256_load_pd (c.b1), v[j]),
                                                _mm256_mul_pd (_mm256_load_pd (c.a1), g.y[j])),
                                 g.z2[j]);
        g.z2[j] = _mm256_sub_pd (_mm256_mul_pd (_mm256_load_pd (c.b2), v[j]), _mm256_mul_pd (_mm256_load_pd (c.a2), g.y[j]));
    }
}

// Step n r + h of the ring: lane h changes round before its step. The last lane is still
// finishing round r - 1 until its own change, when it starts round r.
template <int K, int h>
SABREL_AVX_INLINE void changeLaneRound (Ring<K>& g, const RingCoefficients* entries, LaneState* states, int count,
                                        double* frames, int n, int round, int rounds) noexcept
{
    constexpr int W = 2 * K;
    switchLane<K, h> (g, entries, states, count, round);
    if (round == rounds && h == W - 1)
        return; // every round has left the ring
    ringStep (g, round < rounds ? _mm_loadu_pd (frames + 2 * h) : _mm_setzero_pd());
    if (h == W - 1)
        _mm_storeu_pd (frames, highHalf (g.y[K - 1]));
    else if (round >= 1)
        _mm_storeu_pd (frames + 2 * (n - W + 1 + h), highHalf (g.y[K - 1]));
}

template <int K, int... h>
SABREL_AVX_INLINE void changeRound (Ring<K>& g, const RingCoefficients* entries, LaneState* states, int count,
                                    double* frames, int n, int round, int rounds,
                                    std::integer_sequence<int, h...>) noexcept
{
    (changeLaneRound<K, h> (g, entries, states, count, frames, n, round, rounds), ...);
}

// `arranged`: every round's entries (only for K = arrangedRingWidth), or null to arrange each
// round as it comes.
template <int K>
SABREL_AVX void runRingAvx (const LaneSection* sections, LaneState* states, int count, double* frames, int n,
                            const RingCoefficients* arranged) noexcept
{
    constexpr int W = 2 * K;
    const int rounds = ringRounds (K, count);
    RingCoefficients local[2][W]; // this round's and the last one's, which lanes still use

    Ring<K> g;
    for (int j = 0; j < K; ++j)
        g.z1[j] = g.z2[j] = g.y[j] = _mm256_setzero_pd();

    for (int round = 0;; ++round)
    {
        const RingCoefficients* entries = local[round & 1];
        if (arranged != nullptr)
            entries = arranged + W * round;
        else
            arrangeRound (K, sections, count, round, local[round & 1]);

        // Before round 0 every register runs the unit sections of its changing entries.
        if (round == 0)
            for (int j = 0; j < K; ++j)
                g.c[j] = entries + 2 * j;

        changeRound (g, entries, states, count, frames, n, round, rounds, std::make_integer_sequence<int, W> {});
        if (round == rounds)
            break;
        for (int t = W; t < n; ++t)
        {
            ringStep (g, _mm_loadu_pd (frames + 2 * t));
            _mm_storeu_pd (frames + 2 * (t - W + 1), highHalf (g.y[K - 1]));
        }
    }
}

void runSse2 (const LaneSection* s, LaneState* z, int used, double* frames, int n) noexcept
{
    switch (used)
    {
        case 2: runWavefrontSse2<2> (s, z, used, frames, n); break;
        case 3: runWavefrontSse2<3> (s, z, used, frames, n); break;
        default: runWavefrontSse2<4> (s, z, used, frames, n); break;
    }
}

// The widest ring that the run's length allows and the sections fill.
SABREL_AVX void runAvx (const LaneSection* s, LaneState* z, int count, double* frames, int n,
                        const RingCoefficients* arranged) noexcept
{
    switch (std::min ({ arrangedRingWidth, (count + 1) / 2, n / 2 }))
    {
        case 1: runRingAvx<1> (s, z, count, frames, n, nullptr); break;
        case 2: runRingAvx<2> (s, z, count, frames, n, nullptr); break;
        case 3: runRingAvx<3> (s, z, count, frames, n, nullptr); break;
        default: runRingAvx<arrangedRingWidth> (s, z, count, frames, n, arranged); break;
    }
}
} // namespace

PipelineKernel widestPipelineKernel() noexcept
{
    static const PipelineKernel widest = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports ("avx") ? PipelineKernel::avx : PipelineKernel::sse2;
    }();
    return widest;
}

int ringCoefficientCount (int count) noexcept
{
    // Rounds 0 .. R, the last one draining the ring through unit sections.
    return (count + 1) / 2 >= arrangedRingWidth ? 2 * arrangedRingWidth * (ringRounds (arrangedRingWidth, count) + 1) : 0;
}

void arrangeRingCoefficients (const LaneSection* sections, int count, RingCoefficients* out) noexcept
{
    const int entries = ringCoefficientCount (count);
    for (int round = 0; 2 * arrangedRingWidth * round < entries; ++round)
        arrangeRound (arrangedRingWidth, sections, count, round, out + 2 * arrangedRingWidth * round);
}

void runSectionCascade (PipelineKernel kernel, const LaneSection* sections, LaneState* states, int count,
                        double* frames, int length, const RingCoefficients* arranged) noexcept
{
    // One section, or one sample, gains nothing from running sections side by side.
    if (kernel == PipelineKernel::avx && count >= 2 && length >= 2)
    {
        runAvx (sections, states, count, frames, length, arranged);
        return;
    }
    const int width = kernel == PipelineKernel::sse2 ? 4 : 1;
    if (width == 1 || length < width)
    {
        runPlain (sections, states, count, frames, length);
        return;
    }

    for (int first = 0; first < count; first += width)
    {
        const int used = std::min (width, count - first);
        if (used == 1)
            runPlain (sections + first, states + first, 1, frames, length);
        else
            runSse2 (sections + first, states + first, used, frames, length);
    }
}
