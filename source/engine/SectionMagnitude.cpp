#include "SectionMagnitude.h"

#include <algorithm>
#include <cmath>

#if defined(__SSE2__) || defined(_M_X64)
 #include <emmintrin.h>
 #define SABREL_SSE2 1
#endif

SectionMagnitudeTerms magnitudeTermsOf (const Biquad& s) noexcept
{
    // num = b0² + b1² + b2² + 2 b1 (b0 + b2) cos w + 2 b0 b2 cos 2w, summed left to right.
    SectionMagnitudeTerms t;
    t.n0 = s.b0 * s.b0 + s.b1 * s.b1 + s.b2 * s.b2;
    t.n1 = 2.0 * s.b1 * (s.b0 + s.b2);
    t.n2 = 2.0 * s.b0 * s.b2;
    t.d0 = 1.0 + s.a1 * s.a1 + s.a2 * s.a2;
    t.d1 = 2.0 * s.a1 * (1.0 + s.a2);
    t.d2 = 2.0 * s.a2;
    return t;
}

namespace
{
float magnitudeAt (const SectionMagnitudeTerms* terms, int numTerms, double c1, double c2) noexcept
{
    double product = 1.0;
    for (int k = 0; k < numTerms; ++k)
    {
        const auto& t = terms[k];
        const double num = t.n0 + t.n1 * c1 + t.n2 * c2;
        const double den = t.d0 + t.d1 * c1 + t.d2 * c2;
        product *= num / std::max (1e-20, den);
    }
    return (float) std::sqrt (std::max (0.0, product));
}
} // namespace

void cascadeMagnitudes (const SectionMagnitudeTerms* terms, int numTerms, const double* cosW, const double* cos2W,
                        float* out, int count) noexcept
{
    int f = 0;

#if SABREL_SSE2
    // Eight frequencies at a time in four registers: the divisions of one section overlap.
    // maxpd returns its second operand when the first is NaN, as std::max (floor, x) does.
    constexpr int lanes = 8;
    const __m128d floor = _mm_set1_pd (1e-20);
    const __m128d zero = _mm_setzero_pd();
    for (; f + lanes <= count; f += lanes)
    {
        __m128d c1[4], c2[4], product[4];
        for (int v = 0; v < 4; ++v)
        {
            c1[v] = _mm_loadu_pd (cosW + f + 2 * v);
            c2[v] = _mm_loadu_pd (cos2W + f + 2 * v);
            product[v] = _mm_set1_pd (1.0);
        }

        for (int k = 0; k < numTerms; ++k)
        {
            const auto& t = terms[k];
            const __m128d n0 = _mm_set1_pd (t.n0), n1 = _mm_set1_pd (t.n1), n2 = _mm_set1_pd (t.n2);
            const __m128d d0 = _mm_set1_pd (t.d0), d1 = _mm_set1_pd (t.d1), d2 = _mm_set1_pd (t.d2);
            for (int v = 0; v < 4; ++v)
            {
                const __m128d num = _mm_add_pd (_mm_add_pd (n0, _mm_mul_pd (n1, c1[v])), _mm_mul_pd (n2, c2[v]));
                const __m128d den = _mm_add_pd (_mm_add_pd (d0, _mm_mul_pd (d1, c1[v])), _mm_mul_pd (d2, c2[v]));
                product[v] = _mm_mul_pd (product[v], _mm_div_pd (num, _mm_max_pd (den, floor)));
            }
        }

        for (int v = 0; v < 4; ++v)
        {
            const __m128 magnitudes = _mm_cvtpd_ps (_mm_sqrt_pd (_mm_max_pd (product[v], zero)));
            _mm_storel_pi (reinterpret_cast<__m64*> (out + f + 2 * v), magnitudes);
        }
    }
#endif

    for (; f < count; ++f)
        out[f] = magnitudeAt (terms, numTerms, cosW[f], cos2W[f]);
}
