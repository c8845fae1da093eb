#pragma once

// One second-order section: H(z) = (b0 + b1 z^-1 + b2 z^-2) / (1 + a1 z^-1 + a2 z^-2).
// Coefficients are designed in double and applied in double; the transposed-direct-form-II
// state is double too, one pair of words per channel slot (slot 0: left, mid or mono; slot 1:
// right or side). Single precision cannot hold the poles of low-frequency sections at high
// rates: they land on or outside the unit circle.
// A default-constructed section is the unit section, which passes the signal unchanged.
struct Biquad
{
    double b0 = 1.0;
    double b1 = 0.0;
    double b2 = 0.0;
    double a1 = 0.0;
    double a2 = 0.0;
    double z1[2] { 0.0, 0.0 };
    double z2[2] { 0.0, 0.0 };

    // |H(e^jw)| for w in radians per sample.
    double magnitudeAt (double w) const;

    // True when the magnitude neither rises and falls nor falls and rises between 5 Hz and
    // 0.49 x sampleRate (33 log-spaced points, steps within +/-0.1 % ignored).
    bool isMonotonicShelf (double sampleRate) const;

    // Takes the five coefficients of another section and keeps this one's state.
    void setCoefficientsFrom (const Biquad& other) noexcept
    {
        b0 = other.b0;
        b1 = other.b1;
        b2 = other.b2;
        a1 = other.a1;
        a2 = other.a2;
    }

    void clearState() noexcept
    {
        z1[0] = z1[1] = 0.0;
        z2[0] = z2[1] = 0.0;
    }
};
