#include "engine/EqEngine.h"
#include "engine/FilterDesign.h"
#include "EngineTestHelpers.h"

#include <gtest/gtest.h>
#include <juce_dsp/juce_dsp.h>

#include <cmath>
#include <vector>

namespace
{
using namespace engine_test;

class EngineDesign : public ::testing::Test
{
protected:
    EqEngine engine;
    BandSnapshot bands {};

    void design (double rate = 48000.0, bool matched = false)
    {
        engine.sampleRate = rate;
        engine.matchedDesign = matched;
        engine.setBands (bands);
    }
};

TEST_F (EngineDesign, FreshEngineIsEmpty)
{
    EXPECT_EQ (engine.soloBand, -1);
    EXPECT_EQ (engine.sampleRate, 44100.0);
    EXPECT_FALSE (engine.matchedDesign);
    for (int b = 0; b < EqEngine::numBands; ++b)
    {
        EXPECT_EQ (engine.sectionCount[(size_t) b], 0);
        EXPECT_FALSE (engine.bands[(size_t) b].on);
        EXPECT_EQ (engine.bands[(size_t) b].ratio, 1e9);
        EXPECT_TRUE (sameCoefficients (engine.sections[(size_t) b][8], Biquad {}));
    }
}

struct CutCase
{
    int32_t slope;
    std::vector<double> qs;
    bool firstOrder;
};

TEST_F (EngineDesign, CutCascadesUseButterworthSectionQs)
{
    const CutCase cases[] = {
        { 6, {}, true },
        { 12, { 0.7071 }, false },
        { 18, { 1.0 }, true },
        { 24, { 1.3066, 0.5412 }, false },
        { 30, { 1.6180, 0.6180 }, true },
        { 36, { 1.9319, 0.7071, 0.5176 }, false },
        { 48, { 2.5629, 0.9000, 0.6013, 0.5098 }, false },
        { 72, { 3.8306, 1.3066, 0.8213, 0.6302, 0.5412, 0.5043 }, false },
        { 96, { 5.1011, 1.7224, 1.0607, 0.7882, 0.6468, 0.5669, 0.5225, 0.5024 }, false },
        { 0, {}, true },
        { -12, {}, true },
        { 200, { 5.1011, 1.7224, 1.0607, 0.7882, 0.6468, 0.5669, 0.5225, 0.5024 }, false },
    };

    const double rate = 48000, f = 250;
    const double w0 = 2 * pi * f / rate;

    for (const auto type : { FilterType::lowCut, FilterType::highCut })
    {
        for (const auto& c : cases)
        {
            bands[3] = placed (type, f);
            bands[3].slope = c.slope;
            design (rate, true); // the cascades ignore the design mode

            const auto expectedCount = (int) c.qs.size() + (c.firstOrder ? 1 : 0);
            ASSERT_EQ (engine.sectionCount[3], expectedCount) << "slope " << c.slope;

            for (size_t k = 0; k < c.qs.size(); ++k)
            {
                const auto& s = engine.sections[3][k];
                // Recover Q from a2 = (1 - alpha) / (1 + alpha), alpha = sin w0 / (2 Q).
                const double alpha = (1 - s.a2) / (1 + s.a2);
                EXPECT_NEAR (std::sin (w0) / (2 * alpha), c.qs[k], 6e-5) << "slope " << c.slope << " section " << k;
                EXPECT_NEAR (s.magnitudeAt (type == FilterType::lowCut ? pi : 0.0), 1.0, 1e-12);
            }

            if (c.firstOrder)
            {
                const auto& last = engine.sections[3][c.qs.size()];
                const auto expected = type == FilterType::lowCut ? firstOrderHighPass (rate, f) : firstOrderLowPass (rate, f);
                EXPECT_TRUE (sameCoefficients (last, expected)) << "slope " << c.slope;
            }
        }
    }
}

TEST_F (EngineDesign, NotchIsAlwaysTheCookbookCutWithItsQRule)
{
    const std::pair<double, double> cases[] = { { 0.1, 2.0 }, { 0.707, 4.242 }, { 3.0, 18.0 } };
    for (const bool matched : { false, true })
    {
        for (const auto& [q, notchQ] : cases)
        {
            bands[0] = placed (FilterType::notch, 3000, 12, q);
            design (48000, matched);
            ASSERT_EQ (engine.sectionCount[0], 1);
            EXPECT_TRUE (sameCoefficients (engine.sections[0][0], cookbookBell (48000, 3000, -36, notchQ)))
                << "Q " << q << " matched " << matched;
        }
    }
}

TEST_F (EngineDesign, TiltHasSixShelvesAndAGainSection)
{
    bands[5] = placed (FilterType::tilt, 632.46);
    bands[5].tilt = 6;
    design (48000, true);

    ASSERT_EQ (engine.sectionCount[5], 7);
    for (int k = 0; k < 6; ++k)
    {
        const double corner = 20 * std::pow (1000.0, (k + 0.5) / 6);
        EXPECT_TRUE (sameCoefficients (engine.sections[5][(size_t) k], matchedHighShelf (48000, corner, 1.0, 0.5)));
    }

    const auto& gain = engine.sections[5][6];
    EXPECT_NEAR (gain.b0, std::pow (10.0, -3.0 / 20.0), 1e-5);
    EXPECT_EQ (gain.b1, 0.0);
    EXPECT_EQ (gain.a1, 0.0);
    EXPECT_EQ (gain.a2, 0.0);

    // The tilt rises by its amount across the audio range and passes near 0 dB at the band.
    EXPECT_NEAR (engine.bandMagnitudeDb (5, 632.46), 0.0, 0.3);
    EXPECT_NEAR (engine.bandMagnitudeDb (5, 20000) - engine.bandMagnitudeDb (5, 20), 6.0, 1.0);

    // A static gain enters the gain section; a dynamic band's gain waits for the gain computer.
    bands[5].gain = 4;
    design (48000, false);
    EXPECT_TRUE (sameCoefficients (engine.sections[5][0], cookbookHighShelf (48000, 20 * std::pow (1000.0, 0.5 / 6), 1.0, 0.5)));
    EXPECT_NEAR (engine.sections[5][6].b0, std::pow (10.0, 1.0 / 20.0), 1e-5);
    bands[5].dynamic = true;
    design (48000, false);
    EXPECT_NEAR (engine.sections[5][6].b0, std::pow (10.0, -3.0 / 20.0), 1e-5);
}

TEST_F (EngineDesign, CutIsTheExactMirrorOfTheBoostInBothModes)
{
    for (const bool matched : { false, true })
    {
        for (const auto type : { FilterType::bell, FilterType::lowShelf, FilterType::highShelf })
        {
            engine.matchedDesign = matched;
            engine.sampleRate = 48000;
            const auto band = placed (type, 1500, 0, 0.5);
            const auto boost = engine.designBand (band, 9);
            const auto cut = engine.designBand (band, -9);
            EXPECT_EQ (cut.z1[0], 0.0f);
            for (double f : { 20.0, 300.0, 1500.0, 7000.0, 23000.0 })
            {
                const double w = 2 * pi * f / 48000;
                EXPECT_NEAR (20 * std::log10 (cut.magnitudeAt (w)), -20 * std::log10 (boost.magnitudeAt (w)), 1e-9)
                    << "type " << type << " matched " << matched << " at " << f;
            }
        }
    }

    // Another type is a Bell at the gain as given.
    engine.matchedDesign = false;
    EXPECT_TRUE (sameCoefficients (engine.designBand (placed (FilterType::notch, 500, 0, 2), -5), cookbookBell (48000, 500, -5, 2)));
}

TEST_F (EngineDesign, DynamicBellStartsFromItsStaticInvertedDesign)
{
    bands[2] = placed (FilterType::bell, 800, -6, 1.2);
    bands[2].dynamic = true;
    design();

    EXPECT_TRUE (engine.dynamic[2]);
    const auto boost = cookbookBell (48000, 800, 6, 1.2);
    const auto& s = engine.sections[2][0];
    EXPECT_DOUBLE_EQ (s.b0, 1 / boost.b0);
    EXPECT_DOUBLE_EQ (s.b1, boost.a1 / boost.b0);
    EXPECT_DOUBLE_EQ (s.a2, boost.b2 / boost.b0);
    EXPECT_TRUE (sameCoefficients (engine.detector[2], cookbookBandPass (48000, 800, 1.2)));
}

TEST_F (EngineDesign, OnlyOnActiveDynamicCapableBandsRunDynamics)
{
    struct Case { int32_t type; bool on, active, dynamic, expected; };
    const Case cases[] = {
        { FilterType::bell, true, true, true, true },
        { FilterType::lowShelf, true, true, true, true },
        { FilterType::highShelf, true, true, true, true },
        { FilterType::tilt, true, true, true, true },
        { FilterType::lowCut, true, true, true, false },
        { FilterType::notch, true, true, true, false },
        { FilterType::bell, true, false, true, false },
        { FilterType::bell, false, true, true, false },
        { FilterType::bell, true, true, false, false },
        { 7, true, true, true, false },
    };

    for (const auto& c : cases)
    {
        engine.dynGainDb[1] = -3.0f;
        bands[1] = placed (c.type, 1000, -6);
        bands[1].on = c.on;
        bands[1].active = c.active;
        bands[1].dynamic = c.dynamic;
        design();
        EXPECT_EQ (engine.dynamic[1], c.expected) << "type " << c.type;
        if (! c.expected)
            EXPECT_EQ (engine.dynGainDb[1], 0.0f);
        else
            EXPECT_EQ (engine.dynGainDb[1], -3.0f); // left for the gain computer
    }

    // A type outside 0..6 has no sections.
    EXPECT_EQ (engine.sectionCount[1], 0);
    EXPECT_EQ (engine.bandMagnitudeDb (1, 1000), 0.0);
}

TEST_F (EngineDesign, SoloBandIsTheLowestOnAndSoloedBand)
{
    bands[9] = placed (FilterType::lowCut, 100);
    bands[9].solo = true;
    bands[9].active = false; // still the solo band
    bands[14] = placed (FilterType::bell, 4000, 0, 3);
    bands[14].solo = true;
    bands[4].solo = true; // not on
    design();
    EXPECT_EQ (engine.soloBand, 9);
    EXPECT_TRUE (sameCoefficients (engine.soloSections[0], cookbookBandPass (48000, 100, 0.707)));
    EXPECT_TRUE (sameCoefficients (engine.soloSections[1], Biquad {}));

    bands[9].solo = false;
    design();
    EXPECT_EQ (engine.soloBand, 14);

    bands[14].solo = false;
    design();
    EXPECT_EQ (engine.soloBand, -1);
}

TEST_F (EngineDesign, AttackAndReleaseCoefficients)
{
    const double rate = 48000;
    const auto coefficient = [rate] (double ms) { return (float) std::exp (-1 / (ms * 0.001 * rate)); };
    const std::pair<double, double> automatic[] = { { 100, 25 }, { 1000, 2.5 }, { 30, 40 }, { 5000, 1 } };

    for (const auto& [freq, attackMs] : automatic)
    {
        bands[0] = placed (FilterType::bell, freq, 6);
        bands[0].dynamic = true;
        bands[0].autoTiming = true;
        bands[0].attackMs = 100;
        bands[0].releaseMs = 250;
        design (rate);
        EXPECT_FLOAT_EQ (engine.attackCoef[0], coefficient (attackMs)) << freq << " Hz";
        EXPECT_FLOAT_EQ (engine.releaseCoef[0], coefficient (250));
    }

    bands[0].autoTiming = false;
    bands[0].attackMs = 0.0; // floored at 0.01 ms
    design (rate);
    EXPECT_FLOAT_EQ (engine.attackCoef[0], coefficient (0.01));
}

//==============================================================================
TEST_F (EngineDesign, ResponsesAreProductsOfSectionMagnitudes)
{
    const double rate = 44100;
    std::vector<double> omegas;
    for (double f = 10; f < 22000; f *= 1.17)
        omegas.push_back (2 * pi * f / rate);
    std::vector<float> out (omegas.size());

    design (rate);
    engine.magnitudeResponse (omegas.data(), out.data(), (int) out.size());
    for (float m : out)
        EXPECT_EQ (m, 1.0f);
    EXPECT_EQ (engine.bandMagnitudeDb (24, 1000), 0.0);
    EXPECT_EQ (engine.bandMagnitudeDb (-1, 1000), 0.0);

    bands[0] = placed (FilterType::lowCut, 40);
    bands[0].slope = 30;
    bands[1] = placed (FilterType::bell, 900, 7, 2);
    bands[1].channel = ChannelMode::side;
    bands[2] = placed (FilterType::tilt, 3000);
    bands[2].tilt = -4;
    bands[2].channel = ChannelMode::left;
    bands[3] = placed (FilterType::highShelf, 9000, -5, 0.5);
    bands[4] = placed (FilterType::notch, 60);
    bands[5] = placed (FilterType::highCut, 15000);
    bands[5].slope = 48;

    for (const bool matched : { false, true })
    {
        design (rate, matched);
        engine.magnitudeResponse (omegas.data(), out.data(), (int) out.size());

        for (size_t i = 0; i < omegas.size(); ++i)
        {
            double product = 1, bandDb = 0;
            for (int b = 0; b < EqEngine::numBands; ++b)
            {
                for (int k = 0; k < engine.sectionCount[(size_t) b]; ++k)
                    product *= engine.sections[(size_t) b][(size_t) k].magnitudeAt (omegas[i]);
                bandDb += engine.bandMagnitudeDb (b, omegas[i] * rate / (2 * pi));
            }
            // The closed form loses a few digits to cancellation where cos w is near 1.
            EXPECT_NEAR (out[i], product, 1e-4 * product + 1e-30);
            if (product > 1e-8)
            {
                EXPECT_NEAR (bandDb, 20 * std::log10 (product), 1e-7);
            }
        }
    }
}

// Frequencies are evaluated side by side in vector registers; each must still be exactly the
// closed form evaluated alone, whether cos w comes from the engine or from the caller's tables.
TEST_F (EngineDesign, ResponseIsTheClosedFormBitForBit)
{
    for (int b = 0; b < 20; ++b)
        bands[(size_t) b] = placed (FilterType::bell, 30.0 * std::pow (1.4, b), b % 2 == 0 ? 6.0 : -6.0, 0.3 + 0.2 * b);
    bands[20] = placed (FilterType::lowCut, 25);
    bands[20].slope = 96;
    bands[21] = placed (FilterType::tilt, 700);
    bands[21].tilt = 5;
    bands[22] = placed (FilterType::highCut, 23900); // a pole pair right at the design limit
    bands[22].slope = 72;

    // A count that is not a multiple of the vector width, with w = 0 and w = pi included.
    std::vector<double> omegas, cosW, cos2W;
    for (int k = 0; k <= 2048; k += 3)
        omegas.push_back (pi * k / 2048.0);
    omegas.push_back (pi);
    for (const double w : omegas)
    {
        cosW.push_back (std::cos (w));
        cos2W.push_back (2.0 * cosW.back() * cosW.back() - 1.0);
    }

    for (const bool matched : { false, true })
    {
        design (48000.0, matched);
        std::vector<float> fromOmegas (omegas.size()), fromTables (omegas.size());
        engine.magnitudeResponse (omegas.data(), fromOmegas.data(), (int) omegas.size());
        engine.magnitudeResponseAt (cosW.data(), cos2W.data(), fromTables.data(), (int) omegas.size());

        for (size_t f = 0; f < omegas.size(); ++f)
        {
            const double c1 = std::cos (omegas[f]);
            const double c2 = 2.0 * c1 * c1 - 1.0;
            double product = 1.0;
            for (int b = 0; b < EqEngine::numBands; ++b)
            {
                for (int k = 0; k < engine.sectionCount[(size_t) b]; ++k)
                {
                    const auto& s = engine.sections[(size_t) b][(size_t) k];
                    const double num = s.b0 * s.b0 + s.b1 * s.b1 + s.b2 * s.b2 + 2.0 * s.b1 * (s.b0 + s.b2) * c1 + 2.0 * s.b0 * s.b2 * c2;
                    const double den = 1.0 + s.a1 * s.a1 + s.a2 * s.a2 + 2.0 * s.a1 * (1.0 + s.a2) * c1 + 2.0 * s.a2 * c2;
                    product *= num / std::max (1e-20, den);
                }
            }
            const float expected = (float) std::sqrt (std::max (0.0, product));
            ASSERT_EQ (fromOmegas[f], expected) << "w " << omegas[f] << (matched ? " matched" : " cookbook");
            ASSERT_EQ (fromTables[f], expected) << "w " << omegas[f] << (matched ? " matched" : " cookbook");
        }
    }
}

// The engine's measured response: an impulse through the cascades, then an FFT.
TEST_F (EngineDesign, ProcessedImpulseResponseMatchesTheComputedResponse)
{
    constexpr int order = 16;
    constexpr int size = 1 << order;
    const double rate = 48000;

    bands[0] = placed (FilterType::lowCut, 30);
    bands[0].slope = 24;
    bands[1] = placed (FilterType::bell, 250, -8, 1.5);
    bands[2] = placed (FilterType::lowShelf, 120, 5, 0.5);
    bands[3] = placed (FilterType::highShelf, 6000, -4, 0.5);
    bands[4] = placed (FilterType::bell, 2500, 10, 4);
    bands[5] = placed (FilterType::notch, 5000, 0, 1);
    bands[6] = placed (FilterType::tilt, 1000);
    bands[6].tilt = 5;
    bands[7] = placed (FilterType::highCut, 18000);
    bands[7].slope = 18;

    for (const bool matched : { false, true })
    {
        EqEngine fresh;
        fresh.sampleRate = rate;
        fresh.matchedDesign = matched;
        fresh.setBands (bands);

        std::vector<float> left (size * 2, 0.0f), right (size, 0.0f);
        left[0] = right[0] = 1.0f;
        float* channels[] = { left.data(), right.data() };
        fresh.process (channels, 2, size, nullptr);

        for (int i = 0; i < size; ++i)
            ASSERT_EQ (left[(size_t) i], right[(size_t) i]);

        juce::dsp::FFT fft (order);
        fft.performFrequencyOnlyForwardTransform (left.data(), true);

        std::vector<double> omegas;
        std::vector<int> bins;
        // From 150 Hz up: lower down, the float rounding of the coefficients of sections
        // with poles near z = 1 (the 30 Hz cut, the lowest tilt shelves) moves the response by
        // up to about 0.01 dB on its own.
        for (int k = (int) (150.0 * size / rate); k < size / 2; k += 37)
        {
            bins.push_back (k);
            omegas.push_back (2 * pi * k / size);
        }
        std::vector<float> expected (omegas.size());
        fresh.magnitudeResponse (omegas.data(), expected.data(), (int) expected.size());

        for (size_t i = 0; i < bins.size(); ++i)
        {
            const double wanted = 20 * std::log10 ((double) expected[i]);
            if (wanted < -60)
                continue; // float noise floor of the measurement
            EXPECT_NEAR (20 * std::log10 ((double) left[(size_t) bins[i]]), wanted, 0.01)
                << "bin " << bins[i] << " matched " << matched;
        }
    }
}

TEST_F (EngineDesign, DesignModeChangesTakeEffectAtTheNextRedesign)
{
    bands[0] = placed (FilterType::bell, 10000, 9, 1);
    design (48000, false);
    const auto cookbook = engine.sections[0][0];
    engine.matchedDesign = true;
    EXPECT_TRUE (sameCoefficients (engine.sections[0][0], cookbook));
    engine.setBands (bands);
    EXPECT_TRUE (sameCoefficients (engine.sections[0][0], matchedBell (48000, 10000, 9, 1)));
}
} // namespace
