#include "SectionPipeline.h"

#include <immintrin.h>

#include <algorithm>

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

SABREL_AVX inline __m256d pack (__m128d low, __m128d high) noexcept
{
    return _mm256_insertf128_pd (_mm256_castpd128_pd256 (low), high, 1);
}

SABREL_AVX inline __m128d lowHalf (__m256d x) noexcept { return _mm256_castpd256_pd128 (x); }
SABREL_AVX inline __m128d highHalf (__m256d x) noexcept { return _mm256_extractf128_pd (x, 1); }

// 2K sections in flight, two per register: register j holds section j in its low half and
// section j + K in its high half, so that every section but 0 and K takes its input from the
// same half of the register before it.
template <int K>
SABREL_AVX void runWavefrontAvx (const LaneSection* sections, LaneState* states, int used,
                                                       double* frames, int n) noexcept
{
    constexpr int W = 2 * K;
    Wavefront<W> w (sections, states, used);
    w.fill (frames);


    __m256d b0[K], b1[K], b2[K], a1[K], a2[K], z1[K], z2[K], v[K];
    for (int j = 0; j < K; ++j)
    {
        const auto& lo = w.c[j];
        const auto& hi = w.c[j + K];
        b0[j] = pack (lo.b0, hi.b0);
        b1[j] = pack (lo.b1, hi.b1);
        b2[j] = pack (lo.b2, hi.b2);
        a1[j] = pack (lo.a1, hi.a1);
        a2[j] = pack (lo.a2, hi.a2);
        z1[j] = pack (w.z1[j], w.z1[j + K]);
        z2[j] = pack (w.z2[j], w.z2[j + K]);
        v[j] = pack (_mm_loadu_pd (frames + 2 * (W - 1 - j)), _mm_loadu_pd (frames + 2 * (K - 1 - j)));
    }

    for (int t = W - 1; t < n; ++t)
    {
        __m256d y[K];
#pragma GCC unroll 4
        for (int j = 0; j < K; ++j)
        {
            y[j] = _mm256_add_pd (_mm256_mul_pd (b0[j], v[j]), z1[j]);
            z1[j] = _mm256_add_pd (_mm256_sub_pd (_mm256_mul_pd (b1[j], v[j]), _mm256_mul_pd (a1[j], y[j])), z2[j]);
            z2[j] = _mm256_sub_pd (_mm256_mul_pd (b2[j], v[j]), _mm256_mul_pd (a2[j], y[j]));
        }
        _mm_storeu_pd (frames + 2 * (t - W + 1), highHalf (y[K - 1]));
#pragma GCC unroll 4
        for (int j = K - 1; j > 0; --j)
            v[j] = y[j - 1];
        v[0] = pack (_mm_loadu_pd (frames + 2 * std::min (t + 1, n - 1)), lowHalf (y[K - 1]));
    }

    for (int j = 0; j < K; ++j)
    {
        w.z1[j] = lowHalf (z1[j]);
        w.z1[j + K] = highHalf (z1[j]);
        w.z2[j] = lowHalf (z2[j]);
        w.z2[j + K] = highHalf (z2[j]);
        if (j > 0)
            _mm_storeu_pd (frames + 2 * (n - j), lowHalf (v[j]));
        _mm_storeu_pd (frames + 2 * (n - j - K), highHalf (v[j]));
    }

    w.drain (frames, n);
    w.store (states, used);
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

SABREL_AVX void runAvx (const LaneSection* s, LaneState* z, int used, double* frames, int n) noexcept
{
    switch ((used + 1) / 2)
    {
        case 1: runWavefrontAvx<1> (s, z, used, frames, n); break;
        case 2: runWavefrontAvx<2> (s, z, used, frames, n); break;
        case 3: runWavefrontAvx<3> (s, z, used, frames, n); break;
        default: runWavefrontAvx<4> (s, z, used, frames, n); break;
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

void runSectionCascade (PipelineKernel kernel, const LaneSection* sections, LaneState* states, int count,
                        double* frames, int length) noexcept
{
    const int width = kernel == PipelineKernel::avx ? 8 : kernel == PipelineKernel::sse2 ? 4 : 1;

    // A run shorter than the wavefront gains nothing from it.
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
        else if (kernel == PipelineKernel::avx)
            runAvx (sections + first, states + first, used, frames, length);
        else
            runSse2 (sections + first, states + first, used, frames, length);
    }
}
