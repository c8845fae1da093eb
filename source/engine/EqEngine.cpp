#include "EqEngine.h"

#include "FilterDesign.h"
#include "SectionMagnitude.h"

#include <emmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <type_traits>

namespace
{
constexpr double pi = 3.14159265358979323846;

bool isBellOrShelf (int32_t type)
{
    return type == FilterType::bell || type == FilterType::lowShelf || type == FilterType::highShelf;
}

bool canBeDynamic (int32_t type)
{
    return isBellOrShelf (type) || type == FilterType::tilt;
}

// The band frequency's place on a log axis from 20 Hz (0) to 20 kHz (1).
double tiltPosition (double frequency)
{
    return std::clamp (std::log2 (frequency / 20.0) / std::log2 (1000.0), 0.0, 1.0);
}

// Numerator and denominator swapped: the exact dB mirror image of the given section.
Biquad inverted (const Biquad& d)
{
    Biquad s;
    s.b0 = 1.0 / d.b0;
    s.b1 = d.a1 / d.b0;
    s.b2 = d.a2 / d.b0;
    s.a1 = d.b1 / d.b0;
    s.a2 = d.b2 / d.b0;
    return s;
}

bool sameBits (double a, double b)
{
    return std::memcmp (&a, &b, sizeof (double)) == 0;
}

// Bit for bit, so that a design skipped for equal settings is exactly the one it would give.
bool sameSettings (const BandSettings& a, const BandSettings& b)
{
    return a.on == b.on && a.active == b.active && a.solo == b.solo && a.type == b.type && sameBits (a.freq, b.freq)
        && sameBits (a.gain, b.gain) && sameBits (a.q, b.q) && a.slope == b.slope && sameBits (a.tilt, b.tilt)
        && a.dynamic == b.dynamic && sameBits (a.thresh, b.thresh) && sameBits (a.attackMs, b.attackMs)
        && sameBits (a.releaseMs, b.releaseMs) && sameBits (a.ratio, b.ratio) && sameBits (a.knee, b.knee)
        && a.autoTiming == b.autoTiming && a.sidechain == b.sidechain && a.channel == b.channel;
}

// The section the gain computer rewrites: the Tilt band's gain section, else section 0.
size_t gainSectionOf (int32_t type)
{
    return type == FilterType::tilt ? 6 : 0;
}

float timeCoefficient (double milliseconds, double sampleRate)
{
    return (float) std::exp (-1.0 / (std::max (0.01, milliseconds) * 0.001 * sampleRate));
}

// A section's coefficients held where the sample loop uses them. All sample arithmetic of
// the filters is double: float state and coefficients put the poles of low sections at high
// rates on or outside the unit circle.
struct Section
{
    double b0 = 1.0, b1 = 0.0, b2 = 0.0, a1 = 0.0, a2 = 0.0;

    Section() = default;
    explicit Section (const Biquad& s) : b0 (s.b0), b1 (s.b1), b2 (s.b2), a1 (s.a1), a2 (s.a2) {}

    // One transposed-direct-form-II step.
    inline double step (double x, double& z1, double& z2) const noexcept
    {
        const double y = b0 * x + z1;
        z1 = b1 * x - a1 * y + z2;
        z2 = b2 * x - a2 * y;
        return y;
    }
};

void followEnvelope (float& envelope, double y, float attack, float release) noexcept
{
    const float a = (float) std::abs (y);
    const float coefficient = a > envelope ? attack : release;
    envelope = (envelope - a) * coefficient + a;
}

float meanOf (float* const* channels, int numChannels, int index) noexcept
{
    float sum = 0.0f;
    for (int c = 0; c < numChannels; ++c)
        sum += channels[c][index];
    return sum * (1.0f / (float) std::max (1, numChannels));
}

// Frames of left/right pairs to mid/side pairs and back, as a Mid or Side band converts them.
void toMidSide (double* frames, int n) noexcept
{
    for (int i = 0; i < n; ++i)
    {
        const double l = frames[2 * i], r = frames[2 * i + 1];
        frames[2 * i] = (l + r) * 0.5;
        frames[2 * i + 1] = (l - r) * 0.5;
    }
}

void fromMidSide (double* frames, int n) noexcept
{
    for (int i = 0; i < n; ++i)
    {
        const double m = frames[2 * i], s = frames[2 * i + 1];
        frames[2 * i] = s + m;
        frames[2 * i + 1] = m - s;
    }
}
} // namespace

EqEngine::EqEngine() : pipeArranged ((size_t) maxArranged)
{
    for (auto& d : gainSectionDesign)
        d = { std::numeric_limits<double>::quiet_NaN(), 0.0, false };
}

Biquad EqEngine::bellForMode (double frequency, double q, double gainDb) const
{
    return matchedDesign ? matchedBell (sampleRate, frequency, gainDb, q) : cookbookBell (sampleRate, frequency, gainDb, q);
}

Biquad EqEngine::lowShelfForMode (double frequency, double q, double gainDb) const
{
    return matchedDesign ? matchedLowShelf (sampleRate, frequency, gainDb, q)
                         : cookbookLowShelf (sampleRate, frequency, gainDb, q);
}

Biquad EqEngine::highShelfForMode (double frequency, double q, double gainDb) const
{
    return matchedDesign ? matchedHighShelf (sampleRate, frequency, gainDb, q)
                         : cookbookHighShelf (sampleRate, frequency, gainDb, q);
}

Biquad EqEngine::designBand (const BandSettings& band, double gainDb) const
{
    const auto forMode = [this, &band] (double g) {
        switch (band.type)
        {
            case FilterType::lowShelf: return lowShelfForMode (band.freq, band.q, g);
            case FilterType::highShelf: return highShelfForMode (band.freq, band.q, g);
            default: return bellForMode (band.freq, band.q, g);
        }
    };

    if (! isBellOrShelf (band.type) || gainDb >= 0.0)
        return forMode (gainDb);

    // Cuts are inverted boosts so that both mirror each other exactly in dB.
    return inverted (forMode (-gainDb));
}

Biquad EqEngine::detectorFilter (const BandSettings& band) const
{
    if (band.type == FilterType::tilt)
        return {};

    return cookbookBandPass (sampleRate, band.freq, band.q);
}

int EqEngine::designCut (int band, const BandSettings& s)
{
    const bool lowCut = s.type == FilterType::lowCut;
    const int order = std::clamp (s.slope / 6, 1, 16);
    const int pairs = order / 2;
    auto& cascade = sections[(size_t) band];

    for (int k = 1; k <= pairs; ++k)
    {
        const double q = 1.0 / (2.0 * std::sin ((2.0 * k - 1.0) * pi / (2.0 * order)));
        cascade[(size_t) k - 1].setCoefficientsFrom (lowCut ? cookbookHighPass (sampleRate, s.freq, q)
                                                            : cookbookLowPass (sampleRate, s.freq, q));
    }

    if (order % 2 == 0)
        return pairs;

    cascade[(size_t) pairs].setCoefficientsFrom (lowCut ? firstOrderHighPass (sampleRate, s.freq)
                                                        : firstOrderLowPass (sampleRate, s.freq));
    return pairs + 1;
}

void EqEngine::setTiltGain (int band, const BandSettings& s, double gainDb)
{
    Biquad gainSection;
    gainSection.b0 = std::pow (10.0, (gainDb - s.tilt * tiltPosition (s.freq)) / 20.0);
    sections[(size_t) band][6].setCoefficientsFrom (gainSection);
}

int EqEngine::designTilt (int band, const BandSettings& s)
{
    const double perShelf = s.tilt / 6.0;

    for (int k = 0; k < 6; ++k)
    {
        const double corner = 20.0 * std::pow (1000.0, (k + 0.5) / 6.0);
        sections[(size_t) band][(size_t) k].setCoefficientsFrom (
            matchedDesign ? matchedHighShelf (sampleRate, corner, perShelf, 0.5)
                          : cookbookHighShelf (sampleRate, corner, perShelf, 0.5));
    }

    setTiltGain (band, s, s.dynamic ? 0.0 : s.gain);
    return 7;
}

void EqEngine::setBands (const BandSnapshot& settings)
{
    bands = settings;

    soloBand = -1;
    for (int i = 0; i < numBands; ++i)
    {
        if (bands[(size_t) i].on && bands[(size_t) i].solo)
        {
            soloBand = i;
            break;
        }
    }

    if (soloBand >= 0)
    {
        const auto& s = bands[(size_t) soloBand];
        auto& last = lastSoloDesign;
        if (! (skipUnchangedDesigns && last.band == soloBand && sameBits (last.sampleRate, sampleRate)
               && sameSettings (last.settings, s)))
        {
            soloSections[0].setCoefficientsFrom (detectorFilter (s));
            last = { soloBand, s, sampleRate };
        }
        soloSections[1].setCoefficientsFrom (Biquad {});
    }

    for (int i = 0; i < numBands; ++i)
    {
        const auto& s = bands[(size_t) i];
        if (! (skipUnchangedDesigns && reuseDesign (i, s)))
            designBandSections (i, s);
    }

    gainComputerRan = false;
}

bool EqEngine::reuseDesign (int band, const BandSettings& s)
{
    const auto index = (size_t) band;
    auto& last = lastDesign[index];
    if (! last.valid || last.matched != matchedDesign || ! sameBits (last.sampleRate, sampleRate)
        || ! sameSettings (last.settings, s))
        return false;

    // The design is a pure function of these, so everything it wrote still stands except what
    // the gain computer has rewritten since; that is put back from the copy.
    if (last.gainSectionRewritten)
    {
        sections[index][gainSectionOf (s.type)].setCoefficientsFrom (last.gainSection);
        last.gainSectionRewritten = false;
        ++designGeneration;
    }

    gainSectionDesign[index] = { s.on && s.active && isBellOrShelf (s.type) ? s.gain : std::numeric_limits<double>::quiet_NaN(),
                                 sampleRate, matchedDesign };

    if (dynamic[index])
        releaseCoef[index] = last.releaseCoef;
    else
        dynGainDb[index] = 0.0f;

    return true;
}

void EqEngine::designBandSections (int band, const BandSettings& s)
{
    const auto index = (size_t) band;
    const bool designed = s.on && s.active;
    int count = 0;
    gainSectionDesign[index].gainDb = std::numeric_limits<double>::quiet_NaN(); // settings may have changed

    if (designed)
    {
        switch (s.type)
        {
            case FilterType::bell:
            case FilterType::lowShelf:
            case FilterType::highShelf:
                designGainSection (band, s, s.gain);
                count = 1;
                break;

            case FilterType::lowCut:
            case FilterType::highCut:
                count = designCut (band, s);
                break;

            case FilterType::notch:
                // The cookbook cut in every mode, so depth and width do not move with the phase mode.
                sections[index][0].setCoefficientsFrom (cookbookBell (sampleRate, s.freq, -36.0, std::max (6.0 * s.q, 2.0)));
                count = 1;
                break;

            case FilterType::tilt:
                count = designTilt (band, s);
                break;

            default:
                break;
        }
    }

    sectionCount[index] = count;
    channelMode[index] = s.channel;
    useSidechain[index] = s.sidechain;
    dynamic[index] = designed && s.dynamic && canBeDynamic (s.type);

    if (dynamic[index])
    {
        detector[index] = detectorFilter (s);
        const double attackMs = s.autoTiming ? std::min (40.0, std::max (1.0, 2500.0 / s.freq)) : s.attackMs;
        attackCoef[index] = timeCoefficient (attackMs, sampleRate);
        releaseCoef[index] = timeCoefficient (s.releaseMs, sampleRate);
    }
    else
    {
        dynGainDb[index] = 0.0f;
    }

    auto& last = lastDesign[index];
    last.valid = true;
    last.settings = s;
    last.sampleRate = sampleRate;
    last.matched = matchedDesign;
    last.count = count;
    last.gainSection = sections[index][gainSectionOf (s.type)];
    last.releaseCoef = releaseCoef[index];
    last.gainSectionRewritten = false;
    ++designGeneration;
}

int EqEngine::gatherMagnitudeTerms (SectionMagnitudeTerms* terms) const noexcept
{
    int n = 0;
    for (int band = 0; band < numBands; ++band)
        for (int k = 0; k < sectionCount[(size_t) band]; ++k)
            terms[n++] = magnitudeTermsOf (sections[(size_t) band][(size_t) k]);
    return n;
}

void EqEngine::magnitudeResponse (const double* omegas, float* out, int count) const
{
    SectionMagnitudeTerms terms[numBands * maxSections];
    const int numTerms = gatherMagnitudeTerms (terms);

    constexpr int chunk = 256;
    double cosW[chunk], cos2W[chunk];
    for (int start = 0; start < count; start += chunk)
    {
        const int length = std::min (chunk, count - start);
        for (int f = 0; f < length; ++f)
        {
            const double c1 = std::cos (omegas[start + f]);
            cosW[f] = c1;
            cos2W[f] = 2.0 * c1 * c1 - 1.0;
        }
        cascadeMagnitudes (terms, numTerms, cosW, cos2W, out + start, length);
    }
}

void EqEngine::magnitudeResponseAt (const double* cosW, const double* cos2W, float* out, int count) const
{
    SectionMagnitudeTerms terms[numBands * maxSections];
    cascadeMagnitudes (terms, gatherMagnitudeTerms (terms), cosW, cos2W, out, count);
}

double EqEngine::bandMagnitudeDb (int band, double frequency) const
{
    if (band < 0 || band >= numBands)
        return 0.0;

    const double w = 2.0 * pi * frequency / sampleRate;
    double product = 1.0;

    for (int k = 0; k < sectionCount[(size_t) band]; ++k)
        product *= sections[(size_t) band][(size_t) k].magnitudeAt (w);

    return 20.0 * std::log10 (std::max (1e-9, product));
}

void EqEngine::updateDynamicGain (int band)
{
    if (band < 0 || band >= numBands)
        return;

    const auto index = (size_t) band;
    const auto& s = bands[index];
    const double level = 20.0 * std::log10 (std::max (1e-9, (double) envelope[index]));
    const double over = level - s.thresh;

    if (s.autoTiming)
    {
        const float positive = (float) std::max (0.0, over);
        smoothedOverDb[index] = (smoothedOverDb[index] - positive) * controlSmoothing + positive;
        const double releaseMs = 60.0 + 240.0 * std::clamp ((double) smoothedOverDb[index] * 0.125, 0.0, 1.0);
        releaseCoef[index] = timeCoefficient (releaseMs, sampleRate);
    }

    const double knee = std::max (0.0, s.knee);
    double overshoot;
    if (knee < 1e-6)
        overshoot = std::max (0.0, over);
    else if (over <= -knee / 2.0)
        overshoot = 0.0;
    else if (over >= knee / 2.0)
        overshoot = over;
    else
        overshoot = (over + knee / 2.0) * (over + knee / 2.0) / (2.0 * knee);

    const double factor = s.ratio >= 1e9 ? 1.0 : 1.0 - 1.0 / std::max (s.ratio, 1.0);
    const double size = std::min (factor * overshoot, std::abs (s.gain));
    double g = s.gain < 0.0 ? -size : size;

    if (level < -90.0)
        g = 0.0;

    dynGainDb[index] = (float) g;

    if (s.type == FilterType::tilt)
        setTiltGain (band, s, g);
    else if (isBellOrShelf (s.type))
        designGainSection (band, s, g);

    lastDesign[index].gainSectionRewritten = true;
    gainComputerRan = true;
    ++designGeneration;
}

void EqEngine::designGainSection (int band, const BandSettings& s, double gainDb)
{
    auto& last = gainSectionDesign[(size_t) band];
    if (last.gainDb == gainDb && last.sampleRate == sampleRate && last.matched == matchedDesign)
        return; // the design is a pure function of these and the band's settings

    sections[(size_t) band][0].setCoefficientsFrom (designBand (s, gainDb));
    last = { gainDb, sampleRate, matchedDesign };
}

int EqEngine::buildPipeline (bool stereo) noexcept
{
    if (designGeneration != pipeGeneration || stereo != pipeStereo)
    {
        pipeGroupCount = layOutPipeline (stereo);
        pipeGeneration = designGeneration;
        pipeStereo = stereo;
        pipeStatesLoaded = false;
    }

    // The states come from the sections unless the stages still hold what the last run wrote
    // back there.
    if (pipeStatesLoaded && skipUnchangedDesigns)
        return pipeGroupCount;
    pipeStatesLoaded = true;
    for (int stage = 0; stage < pipeStageCount; ++stage)
    {
        const auto& owner = pipeOwners[(size_t) stage];
        const __m128d mask = _mm_load_pd (reinterpret_cast<const double*> (owner.laneMask));
        auto& state = pipeStates[(size_t) stage];
        const auto& from = sections[(size_t) owner.band][(size_t) owner.section];
        _mm_storeu_pd (state.z1, _mm_and_pd (mask, _mm_loadu_pd (from.z1)));
        _mm_storeu_pd (state.z2, _mm_and_pd (mask, _mm_loadu_pd (from.z2)));
    }

    return pipeGroupCount;
}

int EqEngine::layOutPipeline (bool stereo) noexcept
{
    int stages = 0;
    int groups = 0;
    bool leftRightGroupOpen = false;

    for (int band = 0; band < numBands; ++band)
    {
        const auto index = (size_t) band;
        const int count = sectionCount[index];
        if (count <= 0)
            continue;

        // Lane 0 carries left, mid or mono (slot 0), lane 1 right or side (slot 1).
        bool lanes[2] = { true, false };
        bool midSide = false;
        if (! stereo)
        {
            if (channelMode[index] == ChannelMode::side)
                continue; // a mono signal has no side
        }
        else
        {
            switch (channelMode[index])
            {
                case ChannelMode::stereo: lanes[1] = true; break;
                case ChannelMode::mid: midSide = true; break;
                case ChannelMode::side: midSide = true; lanes[0] = false; lanes[1] = true; break;
                case ChannelMode::left: break;
                case ChannelMode::right: lanes[0] = false; lanes[1] = true; break;
                default: continue;
            }
        }

        // Bands on left and right run as one group; a mid/side band is a group of its own,
        // converted to mid/side before it and back after it, as it is defined.
        if (midSide || ! leftRightGroupOpen)
            pipeGroups[(size_t) groups++] = { stages, 0, midSide };
        leftRightGroupOpen = ! midSide;
        pipeGroups[(size_t) groups - 1].count += count;

        for (int k = 0; k < count; ++k, ++stages)
        {
            const auto& from = sections[index][(size_t) k];
            LaneSection lane;
            for (int l = 0; l < 2; ++l)
            {
                if (! lanes[l])
                    continue;
                lane.b0[l] = from.b0;
                lane.b1[l] = from.b1;
                lane.b2[l] = from.b2;
                lane.a1[l] = from.a1;
                lane.a2[l] = from.a2;
            }
            pipeSections[(size_t) stages] = lane;
            auto& owner = pipeOwners[(size_t) stages];
            owner.band = (int16_t) band;
            owner.section = (int16_t) k;
            for (int l = 0; l < 2; ++l)
                owner.laneMask[l] = lanes[l] ? ~uint64_t (0) : 0;
        }
    }

    pipeStageCount = stages;

    // maxArranged holds every layout; a group that found no room would arrange as it runs.
    int arranged = 0;
    for (int g = 0; g < groups; ++g)
    {
        auto& group = pipeGroups[(size_t) g];
        const int entries = ringCoefficientCount (group.count);
        group.arranged = entries > 0 && arranged + entries <= maxArranged ? arranged : -1;
        if (group.arranged >= 0)
            arranged += entries;
    }
    pipeArrangedCurrent = false;
    return groups;
}

void EqEngine::storePipelineState() noexcept
{
    // x - x has all bits 0 for every finite x and is NaN otherwise; OR-ed together (a short
    // dependency chain, unlike a sum) they stay 0 only when every state is finite.
    __m128d nonFinite = _mm_setzero_pd();
    for (int stage = 0; stage < pipeStageCount; ++stage)
    {
        const auto& owner = pipeOwners[(size_t) stage];
        const __m128d mask = _mm_load_pd (reinterpret_cast<const double*> (owner.laneMask));
        const auto& state = pipeStates[(size_t) stage];
        const __m128d z1 = _mm_loadu_pd (state.z1), z2 = _mm_loadu_pd (state.z2);
        nonFinite = _mm_or_pd (nonFinite, _mm_or_pd (_mm_sub_pd (z1, z1), _mm_sub_pd (z2, z2)));
        auto& to = sections[(size_t) owner.band][(size_t) owner.section];
        _mm_storeu_pd (to.z1, _mm_or_pd (_mm_and_pd (mask, z1), _mm_andnot_pd (mask, _mm_loadu_pd (to.z1))));
        _mm_storeu_pd (to.z2, _mm_or_pd (_mm_and_pd (mask, z2), _mm_andnot_pd (mask, _mm_loadu_pd (to.z2))));
    }
    const __m128i bits = _mm_castpd_si128 (nonFinite);
    pipeStatesFinite = _mm_movemask_epi8 (_mm_cmpeq_epi32 (bits, _mm_setzero_si128())) == 0xffff;
}

void EqEngine::filterBlock (float* const* channels, int numChannels, int start, int length)
{
    const bool stereo = numChannels >= 2;
    const int numGroups = buildPipeline (stereo);
    if (numGroups == 0)
    {
        pipeStatesFinite = true; // no stage runs
        return;
    }

    float* left = channels[0] + start;
    float* right = stereo ? channels[1] + start : nullptr;
    double* frames = workFrames.data();

    // The AVX kernel's arranged coefficients, made when a run first has room for them (a
    // design that changes in every short block never needs them).
    if (kernel == PipelineKernel::avx && length >= 8 && ! pipeArrangedCurrent)
    {
        for (int g = 0; g < numGroups; ++g)
        {
            const auto& group = pipeGroups[(size_t) g];
            if (group.arranged >= 0)
                arrangeRingCoefficients (pipeSections.data() + group.first, group.count,
                                         pipeArranged.data() + group.arranged);
        }
        pipeArrangedCurrent = true;
    }

    // The samples travel between bands in double and are rounded to float once at the end.
    for (int done = 0; done < length; done += workLength)
    {
        const int n = std::min (workLength, length - done);
        for (int i = 0; i < n; ++i)
        {
            frames[2 * i] = left[done + i];
            frames[2 * i + 1] = right != nullptr ? right[done + i] : 0.0;
        }

        for (int g = 0; g < numGroups; ++g)
        {
            const auto& group = pipeGroups[(size_t) g];
            if (group.midSide)
                toMidSide (frames, n);
            runSectionCascade (kernel, pipeSections.data() + group.first, pipeStates.data() + group.first, group.count,
                               frames, n,
                               pipeArrangedCurrent && group.arranged >= 0 ? pipeArranged.data() + group.arranged : nullptr);
            if (group.midSide)
                fromMidSide (frames, n);
        }

        for (int i = 0; i < n; ++i)
            left[done + i] = (float) frames[2 * i];
        if (right != nullptr)
            for (int i = 0; i < n; ++i)
                right[done + i] = (float) frames[2 * i + 1];
    }

    storePipelineState();
}

void EqEngine::processSolo (float* const* channels, int numChannels, int numSamples, const float* sidechain,
                            int sidechainStride)
{
    const auto solo = (size_t) soloBand;
    const Section first (soloSections[0]);
    const Section second (soloSections[1]);
    // The solo path has state for two slots; further channels are left as they are.
    const int filtered = std::min (numChannels, 2);

    const auto soloSample = [&] (int c, float x) {
        auto& s0 = soloSections[0];
        auto& s1 = soloSections[1];
        return (float) second.step (first.step (x, s0.z1[c], s0.z2[c]), s1.z1[c], s1.z2[c]);
    };

    if (! dynamic[solo])
    {
        for (int i = 0; i < numSamples; ++i)
            for (int c = 0; c < filtered; ++c)
                channels[c][i] = soloSample (c, channels[c][i]);
        return;
    }

    const Section detectorSection (detector[solo]);
    const bool listensToSidechain = useSidechain[solo] && sidechain != nullptr;
    const auto gainOf = [this, solo] { return (float) std::pow (10.0, (double) dynGainDb[solo] / 20.0); };
    float k = gainOf();
    int countdown = 0;

    for (int i = 0; i < numSamples; ++i)
    {
        const float mean = meanOf (channels, numChannels, i);
        const float x = listensToSidechain ? sidechain[(size_t) i * (size_t) sidechainStride] : mean;
        const double y = detectorSection.step (x, detectorZ1[solo], detectorZ2[solo]);
        followEnvelope (envelope[solo], y, attackCoef[solo], releaseCoef[solo]);

        if (countdown == 0)
        {
            updateDynamicGain (soloBand);
            k = gainOf();
            countdown = controlInterval - 1;
        }
        else
        {
            --countdown;
        }

        for (int c = 0; c < filtered; ++c)
            channels[c][i] = soloSample (c, channels[c][i]) * k;
    }
}

namespace
{
// The dynamic bands' detectors side by side, four per pass in SSE2 registers, each band's
// arithmetic unchanged: the double section step, |y| rounded to float, the float envelope.
struct DetectorBank
{
    static constexpr size_t capacity = eqBandCount; // a multiple of 4
    int count = 0;  // bands in use
    int padded = 0; // count rounded up to 4; the extra entries are inert
    std::array<size_t, capacity> band {};
    alignas (16) std::array<double, capacity> b0 {}, b1 {}, b2 {}, a1 {}, a2 {}, z1 {}, z2 {}, keyed {};
    alignas (16) std::array<float, capacity> envelope {}, attack {}, release {};

    void add (size_t index, const Biquad& d, double state1, double state2, float env, float att, float rel, bool listensToKey)
    {
        const auto n = (size_t) count++;
        band[n] = index;
        b0[n] = d.b0;
        b1[n] = d.b1;
        b2[n] = d.b2;
        a1[n] = d.a1;
        a2[n] = d.a2;
        z1[n] = state1;
        z2[n] = state2;
        envelope[n] = env;
        attack[n] = att;
        release[n] = rel;
        uint64_t all = listensToKey ? ~uint64_t (0) : 0; // a select mask
        std::memcpy (&keyed[n], &all, sizeof all);
        padded = (count + 3) & ~3;
    }

    void step (float mean, float sidechain) noexcept
    {
        const __m128d m = _mm_set1_pd (mean), k = _mm_set1_pd (sidechain);
        const __m128d sign = _mm_set1_pd (-0.0);

        for (int n = 0; n < padded; n += 4)
        {
            __m128d magnitude[2];
            for (int h = 0; h < 2; ++h)
            {
                const auto i = (size_t) (n + 2 * h);
                const __m128d key = _mm_load_pd (&keyed[i]);
                const __m128d x = _mm_or_pd (_mm_and_pd (key, k), _mm_andnot_pd (key, m));
                const __m128d y = _mm_add_pd (_mm_mul_pd (_mm_load_pd (&b0[i]), x), _mm_load_pd (&z1[i]));
                _mm_store_pd (&z1[i], _mm_add_pd (_mm_sub_pd (_mm_mul_pd (_mm_load_pd (&b1[i]), x),
                                                              _mm_mul_pd (_mm_load_pd (&a1[i]), y)),
                                                  _mm_load_pd (&z2[i])));
                _mm_store_pd (&z2[i], _mm_sub_pd (_mm_mul_pd (_mm_load_pd (&b2[i]), x), _mm_mul_pd (_mm_load_pd (&a2[i]), y)));
                magnitude[h] = _mm_andnot_pd (sign, y);
            }

            const auto i = (size_t) n;
            const __m128 a = _mm_movelh_ps (_mm_cvtpd_ps (magnitude[0]), _mm_cvtpd_ps (magnitude[1]));
            const __m128 e = _mm_load_ps (&envelope[i]);
            const __m128 rising = _mm_cmpgt_ps (a, e);
            const __m128 coefficient = _mm_or_ps (_mm_and_ps (rising, _mm_load_ps (&attack[i])),
                                                  _mm_andnot_ps (rising, _mm_load_ps (&release[i])));
            _mm_store_ps (&envelope[i], _mm_add_ps (_mm_mul_ps (_mm_sub_ps (e, a), coefficient), a));
        }
    }
};
} // namespace

void EqEngine::processDynamic (float* const* channels, int numChannels, int numSamples,
                               const float* sidechain, int sidechainStride)
{
    DetectorBank bank;
    for (size_t band = 0; band < (size_t) numBands; ++band)
        if (dynamic[band])
            bank.add (band, detector[band], detectorZ1[band], detectorZ2[band], envelope[band], attackCoef[band],
                      releaseCoef[band], useSidechain[band]);

    const auto detect = [&] (int i) {
        const float mean = meanOf (channels, numChannels, i);
        bank.step (mean, sidechain != nullptr ? sidechain[(size_t) i * (size_t) sidechainStride] : mean);
    };

    // The gain computer runs at samples 0, 16, 32, ... after that sample's detector step and
    // before it is filtered; the rest of each 16-sample run only feeds the detectors.
    for (int start = 0; start < numSamples; start += controlInterval)
    {
        const int length = std::min (controlInterval, numSamples - start);

        detect (start);
        for (int n = 0; n < bank.count; ++n)
        {
            const auto band = bank.band[(size_t) n];
            envelope[band] = bank.envelope[(size_t) n];
            updateDynamicGain ((int) band);
            bank.release[(size_t) n] = releaseCoef[band]; // the automatic release moves it
        }

        for (int i = start + 1; i < start + length; ++i)
            detect (i);

        filterBlock (channels, numChannels, start, length);
    }

    for (int n = 0; n < bank.count; ++n)
    {
        const auto band = bank.band[(size_t) n];
        detectorZ1[band] = bank.z1[(size_t) n];
        detectorZ2[band] = bank.z2[(size_t) n];
        envelope[band] = bank.envelope[(size_t) n];
    }
}

void EqEngine::clearState() noexcept
{
    pipeStatesLoaded = false;
    for (auto& band : sections)
        for (auto& section : band)
            section.clearState();

    for (auto& section : soloSections)
        section.clearState();

    detectorZ1.fill (0.0);
    detectorZ2.fill (0.0);
    for (auto* values : { &envelope, &dynGainDb, &smoothedOverDb })
        values->fill (0.0f);
}

namespace
{
// True when none of the values is NaN or infinite: x - x is 0 for every finite x and NaN
// otherwise, and a sum of such terms is 0 only when all of them are. Four running sums keep
// the adds independent.
template <typename Value>
bool allFiniteValues (const Value* values, size_t count) noexcept
{
    Value sums[4] {};
    size_t i = 0;
    for (; i + 4 <= count; i += 4)
        for (size_t k = 0; k < 4; ++k)
            sums[k] += values[i + k] - values[i + k];
    for (; i < count; ++i)
        sums[0] += values[i] - values[i];
    return sums[0] + sums[1] + sums[2] + sums[3] == Value (0);
}
} // namespace

bool EqEngine::runningStateIsFinite() const noexcept
{
    // The sections' states pass through the pipeline's stages, which hold the latest of them.
    static_assert (sizeof (LaneState) == 4 * sizeof (double) && sizeof (Biquad) == 9 * sizeof (double));
    return allFiniteValues (pipeStates[0].z1, 4 * (size_t) pipeStageCount)
        && allFiniteValues (&soloSections[0].b0, 2 * 9)
        && allFiniteValues (detectorZ1.data(), (size_t) numBands) && allFiniteValues (detectorZ2.data(), (size_t) numBands)
        && allFiniteValues (envelope.data(), (size_t) numBands) && allFiniteValues (dynGainDb.data(), (size_t) numBands)
        && allFiniteValues (smoothedOverDb.data(), (size_t) numBands);
}

void EqEngine::clearNonFiniteState() noexcept
{
    pipeStatesLoaded = false;
    // A sum is non-finite when any of its terms is (finite states are far from overflowing).
    const auto clearIfNonFinite = [] (Biquad& s) {
        if (! std::isfinite (s.z1[0] + s.z1[1] + s.z2[0] + s.z2[1]))
            s.clearState();
    };

    for (size_t band = 0; band < (size_t) numBands; ++band)
    {
        for (int k = 0; k < sectionCount[band]; ++k)
            clearIfNonFinite (sections[band][(size_t) k]);

        if (! std::isfinite (detectorZ1[band] + detectorZ2[band]))
            detectorZ1[band] = detectorZ2[band] = 0.0;

        for (auto* value : { &envelope[band], &dynGainDb[band], &smoothedOverDb[band] })
            if (! std::isfinite (*value))
                *value = 0.0f;
    }

    for (auto& section : soloSections)
        clearIfNonFinite (section);
}

void EqEngine::process (float* const* channels, int numChannels, int numSamples, const float* sidechain,
                       int sidechainStride)
{
    if (numSamples <= 0 || numChannels <= 0 || channels == nullptr)
        return;

    if (soloBand >= 0 && soloBand < numBands)
        processSolo (channels, numChannels, numSamples, sidechain, sidechainStride);
    else if (std::any_of (dynamic.begin(), dynamic.end(), [] (bool d) { return d; }))
        processDynamic (channels, numChannels, numSamples, sidechain, sidechainStride);
    else
    {
        // Only the stage states moved; storePipelineState has looked at them.
        filterBlock (channels, numChannels, 0, numSamples);
        if (! pipeStatesFinite)
            clearNonFiniteState();
        return;
    }

    if (! runningStateIsFinite())
        clearNonFiniteState();
}
