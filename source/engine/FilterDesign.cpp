#include "FilterDesign.h"

#include <algorithm>
#include <cmath>

namespace
{
constexpr double pi = 3.14159265358979323846;

double limitedFrequency (double sampleRate, double frequency)
{
    return std::min (0.49 * sampleRate, frequency);
}

double angularFrequency (double sampleRate, double frequency)
{
    return 2.0 * pi * limitedFrequency (sampleRate, frequency) / sampleRate;
}

Biquad normalised (double b0, double b1, double b2, double a0, double a1, double a2)
{
    Biquad s;
    s.b0 = b0 / a0;
    s.b1 = b1 / a0;
    s.b2 = b2 / a0;
    s.a1 = a1 / a0;
    s.a2 = a2 / a0;
    return s;
}

struct CookbookTerms
{
    double cosW, alpha, a; // a = 10^(gain/40)
};

CookbookTerms cookbookTerms (double sampleRate, double frequency, double gainDb, double q)
{
    const double w0 = angularFrequency (sampleRate, frequency);
    return { std::cos (w0), std::sin (w0) / (2.0 * q), std::pow (10.0, gainDb / 40.0) };
}

// Squared magnitude of 1 + c1 z^-1 + c2 z^-2 on the unit circle at p = sin^2(w/2).
double squaredMagnitude (double c1, double c2, double p)
{
    return (1.0 + c1 + c2) * (1.0 + c1 + c2) - 4.0 * (c1 * (1.0 + c2) + 4.0 * c2) * p + 16.0 * c2 * p * p;
}

struct MatchedSetup
{
    double fl, w0, nyquistRatio, phi, a1, a2;
};

MatchedSetup matchedSetup (double sampleRate, double frequency, double q)
{
    MatchedSetup m {};
    m.fl = limitedFrequency (sampleRate, frequency);
    m.w0 = 2.0 * pi * m.fl / sampleRate;
    m.nyquistRatio = (sampleRate * 0.5) / m.fl;
    const double half = std::sin (m.w0 * 0.5);
    m.phi = half * half;
    matchedPoles (m.w0, q, m.a1, m.a2);
    return m;
}
} // namespace

Biquad cookbookBell (double sampleRate, double frequency, double gainDb, double q)
{
    const auto [c, alpha, a] = cookbookTerms (sampleRate, frequency, gainDb, q);
    return normalised (1.0 + alpha * a, -2.0 * c, 1.0 - alpha * a, 1.0 + alpha / a, -2.0 * c, 1.0 - alpha / a);
}

Biquad cookbookLowShelf (double sampleRate, double frequency, double gainDb, double q)
{
    const auto [c, alpha, a] = cookbookTerms (sampleRate, frequency, gainDb, q);
    const double k = 2.0 * std::sqrt (a) * alpha;
    return normalised (a * ((a + 1.0) - (a - 1.0) * c + k),
                       2.0 * a * ((a - 1.0) - (a + 1.0) * c),
                       a * ((a + 1.0) - (a - 1.0) * c - k),
                       (a + 1.0) + (a - 1.0) * c + k,
                       -2.0 * ((a - 1.0) + (a + 1.0) * c),
                       (a + 1.0) + (a - 1.0) * c - k);
}

Biquad cookbookHighShelf (double sampleRate, double frequency, double gainDb, double q)
{
    const auto [c, alpha, a] = cookbookTerms (sampleRate, frequency, gainDb, q);
    const double k = 2.0 * std::sqrt (a) * alpha;
    return normalised (a * ((a + 1.0) + (a - 1.0) * c + k),
                       -2.0 * a * ((a - 1.0) + (a + 1.0) * c),
                       a * ((a + 1.0) + (a - 1.0) * c - k),
                       (a + 1.0) - (a - 1.0) * c + k,
                       2.0 * ((a - 1.0) - (a + 1.0) * c),
                       (a + 1.0) - (a - 1.0) * c - k);
}

Biquad cookbookLowPass (double sampleRate, double frequency, double q)
{
    const auto [c, alpha, unused] = cookbookTerms (sampleRate, frequency, 0.0, q);
    return normalised ((1.0 - c) * 0.5, 1.0 - c, (1.0 - c) * 0.5, 1.0 + alpha, -2.0 * c, 1.0 - alpha);
}

Biquad cookbookHighPass (double sampleRate, double frequency, double q)
{
    const auto [c, alpha, unused] = cookbookTerms (sampleRate, frequency, 0.0, q);
    return normalised ((1.0 + c) * 0.5, -(1.0 + c), (1.0 + c) * 0.5, 1.0 + alpha, -2.0 * c, 1.0 - alpha);
}

Biquad cookbookBandPass (double sampleRate, double frequency, double q)
{
    const auto [c, alpha, unused] = cookbookTerms (sampleRate, frequency, 0.0, q);
    return normalised (alpha, 0.0, -alpha, 1.0 + alpha, -2.0 * c, 1.0 - alpha);
}

Biquad firstOrderLowPass (double sampleRate, double frequency)
{
    const double k = std::tan (angularFrequency (sampleRate, frequency) * 0.5);
    return normalised (k, k, 0.0, k + 1.0, k - 1.0, 0.0);
}

Biquad firstOrderHighPass (double sampleRate, double frequency)
{
    const double k = std::tan (angularFrequency (sampleRate, frequency) * 0.5);
    return normalised (1.0, -1.0, 0.0, k + 1.0, k - 1.0, 0.0);
}

void matchedPoles (double w0, double q, double& a1, double& a2)
{
    const double zeta = 1.0 / (2.0 * q);
    const double c = zeta <= 1.0 ? std::cos (w0 * std::sqrt (1.0 - zeta * zeta))
                                 : std::cosh (w0 * std::sqrt (zeta * zeta - 1.0));
    a1 = -2.0 * std::exp (-zeta * w0) * c;
    a2 = std::exp (-2.0 * zeta * w0);
}

bool matchedZeros (double a1, double a2, double phi, double h0Sq, double hcSq, double hnSq, Biquad& destination)
{
    if (! (phi > 0.0 && phi < 1.0))
        return false;

    const double n0 = squaredMagnitude (a1, a2, 0.0) * h0Sq;
    const double n1 = squaredMagnitude (a1, a2, 1.0) * hnSq;
    const double nc = squaredMagnitude (a1, a2, phi) * hcSq;

    const double c2 = ((n1 - n0) * phi - (nc - n0)) / ((1.0 - phi) * phi);
    const double c1 = (n1 - n0) - c2;
    const double c0 = std::max (0.0, n0);

    const double r0 = std::sqrt (c0);
    const double sum = c0 + c1 + c2;
    if (sum < 0.0)
        return false;
    const double r1 = std::sqrt (sum);

    const double b1 = (r0 - r1) * 0.5;
    const double w = r0 - b1;
    const double r = w * w - c2 * 0.25;
    if (r < 0.0)
        return false;

    const double b0 = (w + std::sqrt (r)) * 0.5;
    const double b2 = w - b0;

    if (! (std::isfinite (b0) && std::isfinite (b1) && std::isfinite (b2)))
        return false;

    destination.b0 = b0;
    destination.b1 = b1;
    destination.b2 = b2;
    destination.a1 = a1;
    destination.a2 = a2;
    return true;
}

Biquad matchedBell (double sampleRate, double frequency, double gainDb, double q)
{
    const auto m = matchedSetup (sampleRate, frequency, q);
    const double g = std::pow (10.0, gainDb / 20.0);
    const double o = m.nyquistRatio;
    const double edge = (1.0 - o * o) * (1.0 - o * o);
    const double hn = (edge + (g * o / q) * (g * o / q)) / (edge + (o / q) * (o / q));

    Biquad result;
    if (matchedZeros (m.a1, m.a2, m.phi, 1.0, g * g, hn, result))
        return result;

    return cookbookBell (sampleRate, m.fl, gainDb, q);
}

namespace
{
// The two shelves share their poles and differ only in their targets: the low shelf's DC gain
// is the high shelf's Nyquist gain, and the Nyquist prototype terms swap places.
Biquad matchedShelf (bool high, double sampleRate, double frequency, double gainDb, double q)
{
    const auto m = matchedSetup (sampleRate, frequency, q);
    const double a = std::pow (10.0, gainDb / 40.0);
    const double o2 = m.nyquistRatio * m.nyquistRatio;
    const double damping = a * o2 / (q * q);
    const double lowTerm = (a - o2) * (a - o2) + damping;
    const double highTerm = (1.0 - a * o2) * (1.0 - a * o2) + damping;
    const double h0Sq = high ? 1.0 : a * a * a * a;
    const double hnSq = high ? a * a * highTerm / lowTerm : a * a * lowTerm / highTerm;

    Biquad result;
    if (matchedZeros (m.a1, m.a2, m.phi, h0Sq, a * a, hnSq, result) && result.isMonotonicShelf (sampleRate))
        return result;

    return high ? cookbookHighShelf (sampleRate, m.fl, gainDb, q) : cookbookLowShelf (sampleRate, m.fl, gainDb, q);
}
} // namespace

Biquad matchedLowShelf (double sampleRate, double frequency, double gainDb, double q)
{
    return matchedShelf (false, sampleRate, frequency, gainDb, q);
}

Biquad matchedHighShelf (double sampleRate, double frequency, double gainDb, double q)
{
    return matchedShelf (true, sampleRate, frequency, gainDb, q);
}
