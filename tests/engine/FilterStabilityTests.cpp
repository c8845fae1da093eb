#include "engine/EqEngine.h"
#include "EngineTestHelpers.h"
#include "ProcessorHarness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <vector>

// Low sections at high processing rates put their poles within a hair of z = 1. Every design the
// parameters allow (gain scale at 200 % included) must stay stable there and keep its designed
// magnitude, at every base rate with and without oversampling.
namespace
{
using namespace engine_test;

const double processingRates[] = { 44100.0, 48000.0, 96000.0, 176400.0, 192000.0, 384000.0, 768000.0, 1536000.0 };

struct Case
{
    int32_t type;
    double freq;
    double gain;
    double q;
    int32_t slope = 12;
    double tilt = 0.0;
};

// The slowest decay of the band's sections, as -ln |pole| per sample.
double slowestDecay (const EqEngine& e, int band)
{
    double slowest = 1.0;
    for (int k = 0; k < e.sectionCount[(size_t) band]; ++k)
    {
        const auto& s = e.sections[(size_t) band][(size_t) k];
        const double disc = s.a1 * s.a1 - 4.0 * s.a2;
        const double radius = disc < 0.0 ? std::sqrt (s.a2) : 0.5 * (std::abs (s.a1) + std::sqrt (disc));
        slowest = std::min (slowest, -std::log (radius));
    }
    return slowest;
}

// Gives every running section of the band the state it holds in the steady state of the input
// sin(w n), so that the output is in its steady state from the first sample on, however long
// the filter rings.
void startInSteadyState (EqEngine& e, int band, double w)
{
    using C = std::complex<double>;
    const C back = std::polar (1.0, -w);
    C in (0.0, -1.0); // x[n] = Re(in e^jwn) = sin(w n)

    for (int k = 0; k < e.sectionCount[(size_t) band]; ++k)
    {
        auto& s = e.sections[(size_t) band][(size_t) k];
        const C out = in * (s.b0 + s.b1 * back + s.b2 * back * back) / (1.0 + s.a1 * back + s.a2 * back * back);
        // Before sample 0: z1 = y[0] - b0 x[0], z2 = b2 x[-1] - a2 y[-1].
        s.z1[0] = out.real() - s.b0 * in.real();
        s.z2[0] = s.b2 * (in * back).real() - s.a2 * (out * back).real();
        in = out;
    }
}

void process (EqEngine& e, std::vector<float>& signal)
{
    constexpr int chunk = 4096;
    for (size_t start = 0; start < signal.size(); start += chunk)
    {
        float* channels[] = { signal.data() + start };
        e.process (channels, 1, (int) std::min<size_t> (chunk, signal.size() - start), nullptr);
    }
}

struct Peaks
{
    float all = 0.0f, middle = 0.0f, last = 0.0f;
    bool finite = true;
};

// The impulse response over `length` samples: its peak, and the peaks of the windows that end
// in the middle and at the end (each long enough to hold a crest of the ringing).
Peaks impulseResponse (EqEngine& e, size_t length, size_t window)
{
    std::vector<float> y (length, 0.0f);
    y[0] = 1.0f;
    process (e, y);

    window = std::clamp<size_t> (window, 1, length / 4);
    Peaks p;
    for (size_t i = 0; i < length; ++i)
    {
        const float a = std::abs (y[i]);
        p.finite = p.finite && std::isfinite (y[i]);
        p.all = std::max (p.all, a);
        if (i + window >= length)
            p.last = std::max (p.last, a);
        if (i < length / 2 && i + window >= length / 2)
            p.middle = std::max (p.middle, a);
    }
    return p;
}

// Magnitude in dB of the band at its own frequency, measured on a sine over whole periods.
double measuredMagnitudeDb (EqEngine& e, int band, double freq, double rate)
{
    const double w = 2.0 * pi * freq / rate;
    startInSteadyState (e, band, w);

    const double period = rate / freq;
    const auto length = (size_t) std::llround (std::ceil (std::max (2.0, 4096.0 / period)) * period);
    std::vector<float> y (length);
    for (size_t i = 0; i < length; ++i)
        y[i] = (float) std::sin (w * (double) i);
    process (e, y);

    std::complex<double> sum;
    for (size_t i = 0; i < length; ++i)
        sum += (double) y[i] * std::polar (1.0, -w * (double) i);
    return 20.0 * std::log10 (2.0 * std::abs (sum) / (double) length);
}

void checkEveryRate (const Case& c, bool matched)
{
    constexpr size_t longest = 3'000'000; // samples of impulse response per case at most

    for (const double rate : processingRates)
    {
        SCOPED_TRACE (::testing::Message() << "type " << c.type << " at " << c.freq << " Hz, gain " << c.gain << ", Q "
                                           << c.q << ", slope " << c.slope << ", tilt " << c.tilt
                                           << (matched ? ", matched" : ", cookbook") << ", " << rate << " Hz");
        BandSnapshot bands {};
        bands[0] = placed (c.type, c.freq, c.gain, c.q);
        bands[0].slope = c.slope;
        bands[0].tilt = c.tilt;

        EqEngine e;
        e.sampleRate = rate;
        e.matchedDesign = matched;
        e.setBands (bands);
        ASSERT_GT (e.sectionCount[0], 0);

        // Ringing to a millionth of its peak takes about 14 time constants; past the cap the
        // response must still be falling.
        const double decay = slowestDecay (e, 0);
        ASSERT_GT (decay, 0.0) << "the design itself is not stable";
        const double wanted = 30.0 / decay;
        const auto length = (size_t) std::min ((double) longest, std::ceil (wanted));
        const auto period = (size_t) std::ceil (rate / c.freq);
        const auto peaks = impulseResponse (e, length, std::max (length / 100, 2 * period));
        ASSERT_TRUE (peaks.finite);
        if (wanted <= (double) longest)
            EXPECT_LE (peaks.last, 1e-4f * peaks.all) << "after " << length << " samples";
        else
            EXPECT_LT (peaks.last, peaks.middle) << "after " << length << " samples";

        e.clearState();
        const double design = e.bandMagnitudeDb (0, c.freq);
        EXPECT_NEAR (measuredMagnitudeDb (e, 0, c.freq, rate), design, 0.1);
    }
}

// The gains and Qs at the ends of their ranges, the gain scaled by up to 200 %.
std::vector<Case> gainCases (int32_t type)
{
    std::vector<Case> cases;
    for (const double freq : { 10.0, 40.0 })
        for (const double gain : { -60.0, -6.0, 6.0, 60.0 })
            for (const double q : { 0.1, 2.0, 40.0 })
                cases.push_back ({ type, freq, gain, q });
    return cases;
}
} // namespace

TEST (FilterStability, BellsAtTheLowestFrequenciesAtEveryRate)
{
    for (const bool matched : { false, true })
        for (const auto& c : gainCases (FilterType::bell))
            checkEveryRate (c, matched);
}

TEST (FilterStability, ShelvesAtTheLowestFrequenciesAtEveryRate)
{
    for (const bool matched : { false, true })
        for (const auto type : { FilterType::lowShelf, FilterType::highShelf })
            for (const auto& c : gainCases (type))
                checkEveryRate (c, matched);
}

TEST (FilterStability, CutsOfEverySlopeAtTheLowestFrequencyAtEveryRate)
{
    for (const auto type : { FilterType::lowCut, FilterType::highCut })
        for (const int slope : { 6, 12, 18, 24, 30, 36, 48, 72, 96 })
            checkEveryRate ({ type, 10.0, 0.0, 0.707, slope }, false);
}

TEST (FilterStability, NotchAndTiltAtTheLowestFrequencyAtEveryRate)
{
    for (const double q : { 0.1, 40.0 })
        checkEveryRate ({ FilterType::notch, 10.0, 0.0, q }, false);

    for (const bool matched : { false, true })
        for (const double tilt : { -36.0, 36.0 })
            checkEveryRate ({ FilterType::tilt, 10.0, 0.0, 0.707, 12, tilt }, matched);
}

TEST (FilterStability, LowShelfAt96kHzWith4xOversamplingStaysBounded)
{
    // A 10.5 Hz shelf at 384 kHz used to reach 1e32 within a second and then NaN.
    for (const int phase : { 0, 1 })
    {
        ProcessorHarness h;
        h.set ("phasemode", (float) phase);
        h.set ("oversample", 2.0f);
        h.placeBand (0, FilterType::lowShelf, 10.5f, 6.0f, 2.0f);
        h.prepare (96000.0, 512);

        const auto input = sine (1000.0, 96000.0, 2 * 96000, 0.5f);
        const auto out = h.run ({ input, input }, 512);
        for (const auto& channel : out)
            for (size_t i = 96000; i < channel.size(); ++i)
                ASSERT_LT (std::abs (channel[i]), 0.6f) << "phase " << phase << ", sample " << i;
    }
}
