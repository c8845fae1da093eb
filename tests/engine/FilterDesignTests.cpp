#include "engine/FilterDesign.h"
#include "EngineTestHelpers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <limits>
#include <vector>

namespace
{
using namespace engine_test;
using Complex = std::complex<double>;

double omegaOf (double frequency, double rate) { return 2.0 * pi * frequency / rate; }

bool hasZeroState (const Biquad& s)
{
    return s.z1[0] == 0.0f && s.z1[1] == 0.0f && s.z2[0] == 0.0f && s.z2[1] == 0.0f;
}

//==============================================================================
// The cookbook designs are the bilinear transforms, prewarped at the design frequency, of
// analogue prototypes; so |H(e^jw)| = |Ha(j tan(w/2) / tan(w0/2))| gives their magnitudes
// independently of the coefficient formulas.
enum class Design { bell, lowShelf, highShelf, lowPass, highPass, bandPass, firstLowPass, firstHighPass };

Complex analoguePrototype (Design d, Complex s, double gainDb, double q)
{
    const double a = std::pow (10.0, gainDb / 40.0);
    const double ra = std::sqrt (a);
    switch (d)
    {
        case Design::bell: return (s * s + s * (a / q) + 1.0) / (s * s + s / (a * q) + 1.0);
        case Design::lowShelf: return a * (s * s + s * ra / q + a) / (a * s * s + s * ra / q + 1.0);
        case Design::highShelf: return a * (a * s * s + s * ra / q + 1.0) / (s * s + s * ra / q + a);
        case Design::lowPass: return 1.0 / (s * s + s / q + 1.0);
        case Design::highPass: return s * s / (s * s + s / q + 1.0);
        case Design::bandPass: return (s / q) / (s * s + s / q + 1.0);
        case Design::firstLowPass: return 1.0 / (s + 1.0);
        case Design::firstHighPass: return s / (s + 1.0);
    }
    return 1.0;
}

Biquad design (Design d, double rate, double f, double gainDb, double q)
{
    switch (d)
    {
        case Design::bell: return cookbookBell (rate, f, gainDb, q);
        case Design::lowShelf: return cookbookLowShelf (rate, f, gainDb, q);
        case Design::highShelf: return cookbookHighShelf (rate, f, gainDb, q);
        case Design::lowPass: return cookbookLowPass (rate, f, q);
        case Design::highPass: return cookbookHighPass (rate, f, q);
        case Design::bandPass: return cookbookBandPass (rate, f, q);
        case Design::firstLowPass: return firstOrderLowPass (rate, f);
        case Design::firstHighPass: return firstOrderHighPass (rate, f);
    }
    return {};
}

struct CookbookCase
{
    Design design;
    double rate, frequency, gainDb, q;
};

const CookbookCase cookbookCases[] = {
    { Design::bell, 48000, 1000, 6, 0.707 },
    { Design::bell, 44100, 80, -12, 4 },
    { Design::bell, 96000, 12000, 18, 0.3 },
    { Design::bell, 44100, 30000, 9, 1 },       // limited to 0.49 x rate
    { Design::lowShelf, 48000, 200, 9, 0.707 },
    { Design::lowShelf, 44100, 5000, -15, 1.5 },
    { Design::highShelf, 48000, 8000, -6, 0.5 },
    { Design::highShelf, 192000, 300, 24, 2 },
    { Design::lowPass, 48000, 5000, 0, 0.707 },
    { Design::lowPass, 44100, 25000, 0, 5.1 },  // limited
    { Design::highPass, 48000, 40, 0, 1.3066 },
    { Design::bandPass, 48000, 2500, 0, 3 },
    { Design::bandPass, 96000, 100, 0, 0.2 },
    { Design::firstLowPass, 48000, 1000, 0, 0 },
    { Design::firstHighPass, 44100, 60, 0, 0 },
    { Design::firstHighPass, 44100, 40000, 0, 0 }, // limited
};

TEST (CookbookDesigns, MagnitudesMatchTheirPrewarpedAnaloguePrototypes)
{
    for (const auto& c : cookbookCases)
    {
        const auto s = design (c.design, c.rate, c.frequency, c.gainDb, c.q);
        const double fl = std::min (c.frequency, 0.49 * c.rate);
        const double warp = std::tan (omegaOf (fl, c.rate) / 2.0);

        EXPECT_TRUE (hasZeroState (s));

        for (double f : { 5.0, 31.0, 440.0, 997.0, 3000.0, 10000.0, 19000.0, 0.45 * c.rate })
        {
            const double w = omegaOf (f, c.rate);
            const double expected = std::abs (analoguePrototype (c.design, Complex (0.0, std::tan (w / 2.0) / warp), c.gainDb, c.q));
            EXPECT_NEAR (s.magnitudeAt (w), expected, 1e-9 * std::max (1.0, expected))
                << "design " << (int) c.design << " rate " << c.rate << " f0 " << c.frequency << " at " << f << " Hz";
        }
    }
}

TEST (CookbookDesigns, FrequencyIsLimitedToJustBelowNyquist)
{
    EXPECT_TRUE (sameCoefficients (cookbookBell (44100, 30000, 6, 1), cookbookBell (44100, 21609, 6, 1)));
    EXPECT_TRUE (sameCoefficients (firstOrderLowPass (44100, 30000), firstOrderLowPass (44100, 21609)));
    EXPECT_FALSE (sameCoefficients (cookbookBell (44100, 21000, 6, 1), cookbookBell (44100, 21609, 6, 1)));
}

TEST (CookbookDesigns, BellOfZeroGainIsTheIdentity)
{
    const auto s = cookbookBell (48000, 1234, 0, 2.5);
    EXPECT_EQ (s.b1, s.a1);
    EXPECT_EQ (s.b2, s.a2);
    for (double f : { 10.0, 1234.0, 20000.0 })
        EXPECT_NEAR (s.magnitudeAt (omegaOf (f, 48000)), 1.0, 1e-12);
}

TEST (CookbookDesigns, FirstOrderSectionsAreFirstOrder)
{
    for (const auto& s : { firstOrderLowPass (48000, 500), firstOrderHighPass (48000, 500) })
    {
        EXPECT_EQ (s.b2, 0.0);
        EXPECT_EQ (s.a2, 0.0);
    }
    EXPECT_NEAR (firstOrderLowPass (48000, 500).magnitudeAt (0.0), 1.0, 1e-12);
    EXPECT_NEAR (firstOrderLowPass (48000, 500).magnitudeAt (pi), 0.0, 1e-12);
    EXPECT_NEAR (firstOrderHighPass (48000, 500).magnitudeAt (0.0), 0.0, 1e-12);
    EXPECT_NEAR (firstOrderHighPass (48000, 500).magnitudeAt (pi), 1.0, 1e-12);
}

//==============================================================================
TEST (BiquadSection, UnitSectionPassesAndIsMonotonic)
{
    const Biquad unit;
    EXPECT_EQ (unit.b0, 1.0);
    EXPECT_TRUE (hasZeroState (unit));
    EXPECT_DOUBLE_EQ (unit.magnitudeAt (1.0), 1.0);
    EXPECT_TRUE (unit.isMonotonicShelf (48000));
}

TEST (BiquadSection, MagnitudeAtDcIsTheRatioOfCoefficientSums)
{
    for (const auto& s : { cookbookBell (48000, 100, 12, 2), cookbookLowShelf (44100, 300, -9, 0.7), cookbookHighPass (96000, 30, 0.5) })
        EXPECT_NEAR (s.magnitudeAt (0.0), std::abs ((s.b0 + s.b1 + s.b2) / (1.0 + s.a1 + s.a2)), 1e-12);
}

TEST (BiquadSection, MonotonicTestAcceptsShelvesAndRejectsBumps)
{
    EXPECT_TRUE (cookbookLowShelf (48000, 200, 9, 0.707).isMonotonicShelf (48000));
    EXPECT_TRUE (cookbookHighShelf (48000, 4000, -12, 0.5).isMonotonicShelf (48000));
    EXPECT_FALSE (cookbookBell (48000, 1000, 6, 1).isMonotonicShelf (48000));   // rises and falls
    EXPECT_FALSE (cookbookBell (48000, 1000, -6, 1).isMonotonicShelf (48000));  // falls and rises
    EXPECT_FALSE (cookbookLowShelf (48000, 1000, 12, 6).isMonotonicShelf (48000)); // resonant overshoot
}

//==============================================================================
TEST (MatchedDesigns, PolesAreTheMappedAnaloguePoles)
{
    const double w0 = omegaOf (2000, 48000);
    for (double q : { 0.1, 0.4, 0.5, 0.707, 4.0, 40.0 })
    {
        // Roots of s^2 + s w0/Q + w0^2, mapped by z = e^s.
        const Complex root = std::sqrt (Complex (w0 * w0 / (q * q) - 4.0 * w0 * w0, 0.0));
        const Complex p1 = std::exp ((-w0 / q + root) / 2.0);
        const Complex p2 = std::exp ((-w0 / q - root) / 2.0);
        double a1 = 0.0, a2 = 0.0;
        matchedPoles (w0, q, a1, a2);
        EXPECT_NEAR (a1, -(p1 + p2).real(), 1e-12) << "Q " << q;
        EXPECT_NEAR (a2, (p1 * p2).real(), 1e-12) << "Q " << q;
    }

    // Critical damping: the cos branch with c = 1.
    double a1 = 0.0, a2 = 0.0;
    matchedPoles (w0, 0.5, a1, a2);
    EXPECT_DOUBLE_EQ (a1, -2.0 * std::exp (-w0));
}

struct ZerosCase
{
    const char* what;
    double a1, a2, phi, h0Sq, hcSq, hnSq;
};

TEST (MatchedDesigns, ZerosFailWhereNoSectionExists)
{
    const ZerosCase cases[] = {
        { "phi = 0", -1.5, 0.6, 0.0, 1, 2, 1 },
        { "phi = 1", -1.5, 0.6, 1.0, 1, 2, 1 },
        { "phi < 0", -1.5, 0.6, -0.2, 1, 2, 1 },
        { "negative numerator at Nyquist", 0, 0, 0.5, 1, 1, -1 },
        { "zeros not real", 0, 0, 0.25, 1, 0, 1 },
        { "not finite", 0, 0, 0.5, 1, std::numeric_limits<double>::infinity(), 1 },
    };

    for (const auto& c : cases)
    {
        Biquad destination;
        EXPECT_FALSE (matchedZeros (c.a1, c.a2, c.phi, c.h0Sq, c.hcSq, c.hnSq, destination)) << c.what;
    }
}

// Squared magnitudes of the analogue prototypes (s normalised to the design frequency).
double prototypeSquared (Design d, Complex s, double gainDb, double q)
{
    if (d == Design::bell)
    {
        const double g = std::pow (10.0, gainDb / 20.0);
        return std::norm ((s * s + s * g / q + 1.0) / (s * s + s / q + 1.0));
    }
    return std::norm (analoguePrototype (d, s, gainDb, q));
}

Biquad matched (Design d, double rate, double f, double gainDb, double q)
{
    if (d == Design::lowShelf)
        return matchedLowShelf (rate, f, gainDb, q);
    if (d == Design::highShelf)
        return matchedHighShelf (rate, f, gainDb, q);
    return matchedBell (rate, f, gainDb, q);
}

Biquad cookbookOf (Design d, double rate, double f, double gainDb, double q)
{
    return design (d, rate, f, gainDb, q);
}

const CookbookCase matchedCases[] = {
    { Design::bell, 48000, 1000, 6, 0.707 },
    { Design::bell, 48000, 10000, 12, 2 },
    { Design::bell, 44100, 18000, -9, 1 },
    { Design::bell, 48000, 400, -24, 3 },
    { Design::bell, 44100, 30000, 6, 1 },
    { Design::bell, 48000, 2000, 0, 1 },
    { Design::lowShelf, 48000, 200, 9, 0.5 },
    { Design::lowShelf, 48000, 8000, 6, 0.707 },
    { Design::lowShelf, 48000, 1000, -6, 0.5 },
    { Design::lowShelf, 48000, 15000, 12, 1 },
    { Design::highShelf, 48000, 5000, 6, 0.5 },
    { Design::highShelf, 48000, 8000, -12, 0.5 },
    { Design::highShelf, 48000, 15000, -12, 1 },
};

TEST (MatchedDesigns, HitTheirThreeTargets)
{
    for (const auto& c : matchedCases)
    {
        const auto s = matched (c.design, c.rate, c.frequency, c.gainDb, c.q);
        const double fl = std::min (c.frequency, 0.49 * c.rate);
        const double o = c.rate / 2.0 / fl;
        const auto where = ::testing::Message() << "design " << (int) c.design << " f " << c.frequency << " gain " << c.gainDb << " Q " << c.q;

        EXPECT_TRUE (hasZeroState (s));
        if (c.gainDb != 0.0)
        {
            ASSERT_FALSE (sameCoefficients (s, cookbookOf (c.design, c.rate, fl, c.gainDb, c.q))) << where << ": fell back";
        }

        const std::pair<double, Complex> targets[] = { { 0.0, 0.0 }, { omegaOf (fl, c.rate), Complex (0, 1) }, { pi, Complex (0, o) } };
        for (const auto& [w, s0] : targets)
        {
            const double expected = prototypeSquared (c.design, s0, c.gainDb, c.q);
            const double actual = s.magnitudeAt (w) * s.magnitudeAt (w);
            EXPECT_NEAR (actual, expected, 1e-9 * expected) << where << " at w " << w;
        }
    }
}

TEST (MatchedDesigns, NonMonotonicShelvesFallBackToTheCookbook)
{
    // With the poles of s^2 + s/Q + 1 this shelf's matched solution exists but overshoots.
    const double rate = 48000, f = 1000, gain = 6, q = 0.707;
    const double w0 = omegaOf (f, rate);
    double a1 = 0, a2 = 0;
    matchedPoles (w0, q, a1, a2);
    const double a = std::pow (10.0, gain / 40.0);
    const double o2 = (rate / 2 / f) * (rate / 2 / f);
    const double d = a * o2 / (q * q);
    const double hn = a * a * ((a - o2) * (a - o2) + d) / ((1 - a * o2) * (1 - a * o2) + d);
    Biquad solution;
    ASSERT_TRUE (matchedZeros (a1, a2, std::pow (std::sin (w0 / 2), 2), a * a * a * a, a * a, hn, solution));
    ASSERT_FALSE (solution.isMonotonicShelf (rate));

    EXPECT_TRUE (sameCoefficients (matchedLowShelf (rate, f, gain, q), cookbookLowShelf (rate, f, gain, q)));
    EXPECT_TRUE (sameCoefficients (matchedHighShelf (rate, f, gain, q), cookbookHighShelf (rate, f, gain, q)));
    // The fallback uses the limited frequency.
    EXPECT_TRUE (sameCoefficients (matchedLowShelf (44100, 30000, gain, q), cookbookLowShelf (44100, 21609, gain, q)));
}

TEST (MatchedDesigns, BellOfZeroGainIsUnityAtItsTargets)
{
    const auto s = matchedBell (44100, 3000, 0, 0.9);
    for (double w : { 0.0, omegaOf (3000, 44100), pi })
        EXPECT_NEAR (s.magnitudeAt (w), 1.0, 1e-9);
}
} // namespace
