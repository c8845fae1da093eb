#pragma once

#include "BandSettings.h"
#include "Biquad.h"
#include "SectionPipeline.h"

#include <array>
#include <cstdint>
#include <vector>

struct SectionMagnitudeTerms;

// The band-filter engine: 24 band cascades of up to nine sections with per-band channel
// routing, a level detector and gain computer per dynamic band, a solo path, and a choice
// between cookbook (Zero Latency) and magnitude-matched designs.
//
// Calling order: the owner writes sampleRate, matchedDesign and controlSmoothing, calls
// setBands, then process (audio) or magnitudeResponse / bandMagnitudeDb (responses), and
// reads back soloBand, dynamic, dynGainDb and envelope. One thread per engine; no locks,
// no allocation.
class EqEngine
{
public:
    static constexpr int numBands = eqBandCount;
    static constexpr int maxSections = 9;
    static constexpr int controlInterval = 16; // samples between gain-computer runs

    EqEngine();

    // Full redesign from the settings, the rate and the design mode. Filter, detector and
    // envelope states carry over.
    void setBands (const BandSnapshot& settings);

    // Bell or shelf section at the given gain (a cut is designed as the inverted boost);
    // any other type gets a Bell at that gain.
    Biquad designBand (const BandSettings& band, double gainDb) const;

    // The band's level-detector section: the unit section for Tilt, else a 0 dB band-pass.
    Biquad detectorFilter (const BandSettings& band) const;

    // out[i] = product over every running section of every band of |H| at omegas[i]
    // (radians per sample at sampleRate).
    void magnitudeResponse (const double* omegas, float* out, int count) const;

    // The same at frequencies given by tables of cos w and cos 2w (= 2 cos^2 w - 1), which
    // callers that evaluate one set of frequencies again and again keep.
    void magnitudeResponseAt (const double* cosW, const double* cos2W, float* out, int count) const;

    // One band's cascade magnitude in dB at a frequency in Hz; 0 for an index out of range.
    double bandMagnitudeDb (int band, double frequency) const;

    // Filters numChannels (1 or 2) buffers of numSamples in place. sidechain is one mono
    // sample per block sample, or null; sample i of it is sidechain[i x sidechainStride], so a
    // stride of 0 holds one value (such as silence) for the whole block.
    void process (float* const* channels, int numChannels, int numSamples, const float* sidechain,
                  int sidechainStride = 1);

    // Zeroes every running state: section, solo and detector states, envelopes, dynamic gains
    // and smoothed overshoots. Coefficients and settings stay.
    void clearState() noexcept;

    // Zeroes every section, detector, envelope and gain-computer state that is NaN or infinite,
    // so that one bad input sample cannot keep a recursion non-finite for good. process calls
    // it once at the end of every call.
    void clearNonFiniteState() noexcept;

    // The next run takes the section states from `sections` again.
    void sectionStatesWritten() noexcept { pipeStatesLoaded = false; }

    // Gain computer of one dynamic band: sets dynGainDb (and the automatic release) from
    // the envelope and redesigns the band's gain-carrying section.
    void updateDynamicGain (int band);

    double sampleRate = 44100.0;
    bool matchedDesign = false;
    // Each band's sections. Between runs the running states are parked in the pipeline's
    // stages as well; after writing a state here directly, call sectionStatesWritten.
    std::array<std::array<Biquad, maxSections>, numBands> sections {};
    std::array<int32_t, numBands> sectionCount {};
    std::array<int32_t, numBands> channelMode {};
    std::array<bool, numBands> useSidechain {};
    BandSnapshot bands {};
    std::array<Biquad, numBands> detector {};
    std::array<double, numBands> detectorZ1 {};
    std::array<double, numBands> detectorZ2 {};
    std::array<float, numBands> envelope {};
    std::array<float, numBands> dynGainDb {};
    std::array<float, numBands> attackCoef {};
    std::array<float, numBands> releaseCoef {};
    std::array<float, numBands> smoothedOverDb {};
    std::array<bool, numBands> dynamic {};
    float controlSmoothing = 0.0f;
    int32_t soloBand = -1;
    std::array<Biquad, 2> soloSections {};

    // The cascade kernel: the widest this processor runs; tests and benchmarks may pick a
    // narrower one (all give bit-identical output).
    PipelineKernel kernel = widestPipelineKernel();

    // setBands skips the design of a band whose settings, rate and design mode are bit for bit
    // those of its last design (off only to check that skipping changes nothing).
    bool skipUnchangedDesigns = true;

    // Changes whenever a section coefficient or count may have changed, so that a response
    // evaluated at one value holds for as long as it stays.
    uint64_t designGeneration = 1;

    // True while everything the last setBands wrote still stands (no gain computer has run
    // since), so that setBands with the same settings, rate and mode would change nothing.
    bool designsIntact() const noexcept { return ! gainComputerRan; }

private:
    // What section 0 of a Bell or shelf band was last designed from, so that the gain
    // computer skips a redesign that would give the same coefficients (the matched shelves
    // are costly); the gain is NaN when section 0 holds no such design.
    struct GainSectionDesign
    {
        double gainDb;
        double sampleRate;
        bool matched;
    };
    std::array<GainSectionDesign, numBands> gainSectionDesign {};

    // Each band's last design: what it was made from and the values the sample path may
    // overwrite later (the gain computer rewrites the gain-carrying section and, with
    // automatic timing, the release coefficient).
    struct BandDesign
    {
        bool valid = false;
        BandSettings settings;
        double sampleRate = 0.0;
        bool matched = false;
        int32_t count = 0;
        Biquad gainSection;     // the static design of section 0 (Bell, shelves) or 6 (Tilt)
        float releaseCoef = 0.0f;
        bool gainSectionRewritten = false;
    };
    std::array<BandDesign, numBands> lastDesign {};
    bool gainComputerRan = false;

    struct SoloDesign
    {
        int32_t band = -1;
        BandSettings settings;
        double sampleRate = 0.0;
    };
    SoloDesign lastSoloDesign;

    bool reuseDesign (int band, const BandSettings& s);
    int gatherMagnitudeTerms (SectionMagnitudeTerms* terms) const noexcept;
    void designBandSections (int band, const BandSettings& s);

    void designGainSection (int band, const BandSettings& s, double gainDb);

    Biquad bellForMode (double frequency, double q, double gainDb) const;
    Biquad lowShelfForMode (double frequency, double q, double gainDb) const;
    Biquad highShelfForMode (double frequency, double q, double gainDb) const;

    int designCut (int band, const BandSettings& s);
    int designTilt (int band, const BandSettings& s);
    void setTiltGain (int band, const BandSettings& s, double gainDb);

    void processSolo (float* const* channels, int numChannels, int numSamples, const float* sidechain,
                      int sidechainStride);
    void processDynamic (float* const* channels, int numChannels, int numSamples, const float* sidechain,
                         int sidechainStride);

    // Runs every band with sections over samples [start, start + length) of the block; per
    // sample this equals running the bands in index order.
    void filterBlock (float* const* channels, int numChannels, int start, int length);

    // The running sections laid out as pipeline stages, in band order: consecutive bands on
    // left and right form one group, each Mid or Side band a group of its own. Returns the
    // number of groups; storePipelineState hands the stages' states back to the sections.
    int buildPipeline (bool stereo) noexcept;
    // Also notes whether every stage state is finite.
    void storePipelineState() noexcept;

    // The layout and coefficients alone; kept while the design generation stands.
    int layOutPipeline (bool stereo) noexcept;

    // False when any running state is NaN or infinite (one cheap pass, no branches per value).
    bool runningStateIsFinite() const noexcept;

    struct PipelineGroup
    {
        int first = 0;
        int count = 0;
        bool midSide = false;
        int arranged = -1; // where its coefficients arranged for the AVX kernel start (-1: none)
    };

    // The section a stage runs and, per lane, all ones where that section filters the lane
    // (its state travels) and zero where the lane passes through (its state stays 0).
    struct StageOwner
    {
        int16_t band = 0;
        int16_t section = 0;
        alignas (16) uint64_t laneMask[2] {};
    };

    static constexpr int maxStages = numBands * maxSections;
    std::array<LaneSection, maxStages> pipeSections {};
    std::array<LaneState, maxStages> pipeStates {};
    std::array<StageOwner, maxStages> pipeOwners {};
    std::array<PipelineGroup, numBands> pipeGroups {};
    // Room for every group's arranged coefficients, whatever the layout.
    static constexpr int maxArranged = 8 * (maxStages / 8 + 2 * numBands);
    std::vector<RingCoefficients> pipeArranged;
    bool pipeArrangedCurrent = false; // made from the present layout's coefficients
    int pipeStageCount = 0;
    int pipeGroupCount = 0;
    uint64_t pipeGeneration = 0;
    bool pipeStereo = false;
    bool pipeStatesFinite = true; // as storePipelineState last found them
    bool pipeStatesLoaded = false; // the stages hold the sections' states as the last run left them

    static constexpr int workLength = 256;
    alignas (32) std::array<double, 2 * workLength> workFrames {};
};
