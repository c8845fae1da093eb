#pragma once

#include "Biquad.h"

// A section's squared magnitude on the unit circle in closed form, split into the terms that
// do not depend on the frequency: num = n0 + n1 cos w + n2 cos 2w, den = d0 + d1 cos w + d2 cos 2w.
// Each term is formed exactly as the whole expression forms it, so the split changes no bit.
struct SectionMagnitudeTerms
{
    double n0, n1, n2, d0, d1, d2;
};

SectionMagnitudeTerms magnitudeTermsOf (const Biquad& s) noexcept;

// out[f] = sqrt(max(0, product over the sections in order of num / max(1e-20, den))) at
// cosW[f] and cos2W[f] (= 2 cos^2 w - 1), stored as float; several frequencies side by side.
void cascadeMagnitudes (const SectionMagnitudeTerms* terms, int numTerms, const double* cosW, const double* cos2W,
                        float* out, int count) noexcept;
