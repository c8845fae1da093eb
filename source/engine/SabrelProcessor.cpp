#include "SabrelProcessor.h"

#include "MeterValues.h"
#include "NonFinite.h"
#include "ScopedFlushDenormals.h"
#include "StateBlock.h"

#include <xmmintrin.h>

#include <cmath>
#include <cstring>

namespace
{
constexpr int linearPhaseMode = 2;
constexpr float sidechainThreshold = 1.0e-5f;
constexpr int sidechainHoldLength = 30;
constexpr int numProbes = 64;

using RawParameter = SabrelProcessor::RawParameter;

RawParameter rawParameter (juce::AudioProcessorValueTreeState& state, const juce::String& id)
{
    auto* parameter = state.getParameter (id);
    return { state.getRawParameterValue (id), parameter->convertFrom0to1 (parameter->getDefaultValue()) };
}

// No NaN or infinity reaches a design, a gain or a choice, whatever a host or a project wrote.
float readRaw (const RawParameter& p) noexcept
{
    const float v = p.value->load (std::memory_order_relaxed);
    return std::isfinite (v) ? v : p.fallback;
}

int choiceIndex (const RawParameter& value, int maxIndex) noexcept
{
    return juce::jlimit (0, maxIndex, (int) readRaw (value));
}

// cos w and cos 2w per frequency, as the engine's response forms them.
void cosineTables (const std::vector<double>& omegas, std::vector<double>& cosW, std::vector<double>& cos2W)
{
    cosW.resize (omegas.size());
    cos2W.resize (omegas.size());
    for (size_t k = 0; k < omegas.size(); ++k)
    {
        const double c1 = std::cos (omegas[k]);
        cosW[k] = c1;
        cos2W[k] = 2.0 * c1 * c1 - 1.0;
    }
}

float controlSmoothingFor (double rate) noexcept { return (float) std::exp (-16.0 / (rate * 0.25)); }

// Scales sample i of every channel and raises the peak of its side (left: even, right: odd).
inline void scaleSample (float* const* channels, int numChannels, int i, float gain, float (&peak)[2]) noexcept
{
    for (int c = 0; c < numChannels; ++c)
    {
        auto& x = channels[c][i];
        x *= gain;
        peak[c & 1] = juce::jmax (peak[c & 1], std::abs (x));
    }
}

// The same for a whole block at one gain, four samples at a time.
void scaleBlock (float* const* channels, int numChannels, int numSamples, float gain, float (&peak)[2]) noexcept
{
    const __m128 g = _mm_set1_ps (gain);
    const __m128 sign = _mm_set1_ps (-0.0f);
    for (int c = 0; c < numChannels; ++c)
    {
        float* x = channels[c];
        __m128 highest = _mm_setzero_ps();
        int i = 0;
        for (; i + 4 <= numSamples; i += 4)
        {
            __m128 v = _mm_loadu_ps (x + i);
            if (gain != 1.0f)
            {
                v = _mm_mul_ps (v, g);
                _mm_storeu_ps (x + i, v);
            }
            highest = _mm_max_ps (highest, _mm_andnot_ps (sign, v));
        }
        alignas (16) float lanes[4];
        _mm_store_ps (lanes, highest);
        float p = juce::jmax (peak[c & 1], lanes[0], lanes[1], juce::jmax (lanes[2], lanes[3]));
        for (; i < numSamples; ++i)
        {
            if (gain != 1.0f)
                x[i] *= gain;
            p = juce::jmax (p, std::abs (x[i]));
        }
        peak[c & 1] = p;
    }
}

// A gain stage takes finite samples past the float range only to infinity, which its peak then
// shows: such a block is caught at no cost when it does not happen. Clears every non-finite
// sample and measures the peaks again; true when there was one.
bool clearOverflow (float* const* channels, int numChannels, int numSamples, float (&peak)[2]) noexcept
{
    if (std::isfinite (peak[0]) && std::isfinite (peak[1]))
        return false;

    peak[0] = peak[1] = 0.0f;
    for (int c = 0; c < numChannels; ++c)
    {
        zeroNonFinite (channels[c], numSamples);
        for (int i = 0; i < numSamples; ++i)
            peak[c & 1] = juce::jmax (peak[c & 1], std::abs (channels[c][i]));
    }
    return true;
}

std::unique_ptr<juce::dsp::Oversampling<float>> makeOversampler (int numChannels, int stages, int preparedSize)
{
    auto oversampler = std::make_unique<juce::dsp::Oversampling<float>> (
        (size_t) numChannels, (size_t) stages,
        juce::dsp::Oversampling<float>::filterHalfBandPolyphaseIIR, false, false);
    oversampler->initProcessing ((size_t) preparedSize);
    return oversampler;
}
} // namespace

juce::AudioProcessor::BusesProperties SabrelProcessor::makeBuses()
{
    // The sidechain must stay input bus 1.
    return BusesProperties()
        .withInput ("Input", juce::AudioChannelSet::stereo(), true)
        .withOutput ("Output", juce::AudioChannelSet::stereo(), true)
        .withInput ("Sidechain", juce::AudioChannelSet::stereo(), false);
}

SabrelProcessor::SabrelProcessor()
    : juce::AudioProcessor (makeBuses()),
      apvts (*this, nullptr, "PARAMS", createParameterLayout()),
      updateChecker ("0.1.0")
{
    for (int band = 0; band < numBands; ++band)
        for (int p = 0; p < paramsPerBand; ++p)
            bandParamValues[(size_t) (band * paramsPerBand + p)] =
                rawParameter (apvts, bandParamId (band, bandParamSuffixes[(size_t) p]));
    for (int band = 0; band < numBands; ++band)
        for (const auto* suffix : bandParamSuffixes)
            apvts.addParameterListener (bandParamId (band, suffix), &bandParameterChanges);
    keptValueResender.startTimer (40);
    globals.input = rawParameter (apvts, "input");
    globals.output = rawParameter (apvts, "output");
    globals.bypass = rawParameter (apvts, "bypass");
    globals.phaseMode = rawParameter (apvts, "phasemode");
    globals.oversample = rawParameter (apvts, "oversample");
    globals.gainScale = rawParameter (apvts, "gainscale");
    globals.autoGain = rawParameter (apvts, "autogain");

    latencyPublisher.startTimer (20);
}

SabrelProcessor::~SabrelProcessor()
{
    latencyPublisher.stopTimer();
    keptValueResender.stopTimer();
    for (int band = 0; band < numBands; ++band)
        for (const auto* suffix : bandParamSuffixes)
            apvts.removeParameterListener (bandParamId (band, suffix), &bandParameterChanges);
}

juce::AudioProcessorValueTreeState::ParameterLayout SabrelProcessor::createParameterLayout()
{
    return buildParameterLayout();
}

float SabrelProcessor::rawParamValue (juce::StringRef parameterId) const
{
    if (auto* value = apvts.getRawParameterValue (parameterId))
    {
        const float v = value->load();
        if (std::isfinite (v))
            return v;

        auto* parameter = apvts.getParameter (parameterId);
        return parameter->convertFrom0to1 (parameter->getDefaultValue());
    }

    jassertfalse; // unknown id
    return 0.0f;
}

void SabrelProcessor::readBandParameters (BandParameterValues& raw) const noexcept
{
    // Layout order: band by band, each on, active, solo, type, freq, gain, q, slope, dynon,
    // thresh, atk, rel, ratio, knee, auto, channel, scext, tilt.
    for (size_t p = 0; p < raw.size(); ++p)
        raw[p] = readRaw (bandParamValues[p]);
}

BandSnapshot SabrelProcessor::bandsFromParameters (const BandParameterValues& raw) noexcept
{
    static_assert (eqBandCount == numBands && paramsPerBand == 18);

    const auto flag = [] (float v) { return v >= 0.5f; };
    const auto choice = [] (float v, int last) { return juce::jlimit (0, last, (int) v); };

    BandSnapshot result {};

    for (int band = 0; band < numBands; ++band)
    {
        const auto* values = raw.data() + band * paramsPerBand;

        BandSettings s;
        s.on = flag (values[0]);
        s.active = flag (values[1]);
        s.solo = flag (values[2]);
        s.type = choice (values[3], FilterType::tilt);
        s.freq = values[4];
        s.gain = values[5];
        s.q = values[6];
        s.slope = getSlopeTable()[(size_t) choice (values[7], (int) getSlopeTable().size() - 1)];
        s.dynamic = flag (values[8]);
        s.thresh = values[9];
        s.attackMs = values[10];
        s.releaseMs = values[11];
        const float ratio = values[12];
        s.ratio = ratio >= 20.0f ? 1e9 : (double) ratio;
        s.knee = values[13];
        s.autoTiming = flag (values[14]);
        s.channel = choice (values[15], ChannelMode::right);
        s.sidechain = flag (values[16]);
        s.tilt = values[17];
        result[(size_t) band] = s;
    }

    return result;
}

BandSnapshot SabrelProcessor::snapshotBands() const
{
    BandParameterValues raw;
    readBandParameters (raw);
    return bandsFromParameters (raw);
}

const juce::String SabrelProcessor::getName() const { return "Sabrel"; }

void SabrelProcessor::prepareToPlay (double newSampleRate, int maximumExpectedSamplesPerBlock)
{
    const int preparedSize = juce::jmax (1, maximumExpectedSamplesPerBlock);

    sampleRate = newSampleRate;
    engine.sampleRate = newSampleRate;
    engine.controlSmoothing = controlSmoothingFor (newSampleRate);
    engine.matchedDesign = readRaw (globals.phaseMode) >= 0.5f;
    engine.clearState();
    engine.setBands (snapshotBands());
    scaledBandsKnown = false;
    engineHoldsScaledBands = false;

    const int inputChannels = juce::jmax (1, getChannelCountOfBus (true, 0));
    for (int stages = 1; stages <= 2; ++stages)
    {
        oversamplers[(size_t) stages - 1] = makeOversampler (inputChannels, stages, preparedSize);
        sidechainOversamplers[(size_t) stages - 1] = makeOversampler (1, stages, preparedSize);
        oversamplerLatency[(size_t) stages - 1] =
            juce::roundToInt (oversamplers[(size_t) stages - 1]->getLatencyInSamples());
    }

    sidechainMono.setSize (1, preparedSize);

    linearPhase.prepare (getTotalNumOutputChannels());
    linearPhaseLatency = linearPhase.latency;

    const int mainChannels = juce::jmax (1, getChannelCountOfBus (false, 0));
    const int longestLatency = juce::jmax (linearPhaseLatency.load(), oversamplerLatency[0].load(),
                                           oversamplerLatency[1].load());
    dryDelay.prepare (mainChannels, longestLatency, preparedSize);
    soloDelay.prepare (mainChannels, linearPhaseLatency, preparedSize);

    binOmegas.resize ((size_t) linearPhase.numBins);
    for (size_t k = 0; k < binOmegas.size(); ++k)
        binOmegas[k] = juce::MathConstants<double>::twoPi * (double) k / (double) linearPhase.fftSize;
    binMags.resize (binOmegas.size());
    cosineTables (binOmegas, binCosW, binCos2W);
    binMagsGeneration = 0;

    lastPhaseMode = choiceIndex (globals.phaseMode, 2);
    lastOversample = choiceIndex (globals.oversample, 2);
    if (const LatencyTurn turn (latencyTeller); turn.held)
        reportLatency (latencyFor (lastPhaseMode, lastOversample));

    const int rampLength = (int) std::floor (0.02 * newSampleRate);
    inputGain.reset (rampLength);
    inputGain.setCurrentAndTargetValue (juce::Decibels::decibelsToGain (readRaw (globals.input)));
    outputGain.reset (rampLength);
    outputGain.setCurrentAndTargetValue (juce::Decibels::decibelsToGain (readRaw (globals.output)));

    autoGainPrev = 1.0f;
    autoGainDb = 0.0f;
    autoGainEngine.sampleRate = sampleRate;
    autoGainEngine.controlSmoothing = controlSmoothingFor (sampleRate);

    probeGeneration = 0;
    probeOmegas.resize (numProbes);
    probeMags.resize (numProbes);
    const double lowest = std::log (20.0), highest = std::log (20000.0);
    for (int j = 0; j < numProbes; ++j)
        probeOmegas[(size_t) j] = juce::MathConstants<double>::twoPi
                                  * std::exp (lowest + j * (highest - lowest) / (numProbes - 1)) / sampleRate;
    cosineTables (probeOmegas, probeCosW, probeCos2W);

    for (auto& meter : peakDb)
        meter.exchange (-100.0f);

    preparedSampleRate.store (newSampleRate, std::memory_order_relaxed);
}

void SabrelProcessor::resetOversamplers() noexcept
{
    for (auto* set : { &oversamplers, &sidechainOversamplers })
        for (auto& oversampler : *set)
            if (oversampler != nullptr)
                oversampler->reset();
}

void SabrelProcessor::clearEngineAndOversamplers() noexcept
{
    engine.clearState();
    resetOversamplers();
}

void SabrelProcessor::reset()
{
    // The host stops and restarts processing: nothing from before may sound after.
    clearEngineAndOversamplers();
    linearPhase.reset();
    dryDelay.clear();
    soloDelay.clear();
    inputGain.setCurrentAndTargetValue (inputGain.getTargetValue());
    outputGain.setCurrentAndTargetValue (outputGain.getTargetValue());
}

int SabrelProcessor::latencyFor (int phase, int oversample) const noexcept
{
    if (phase == linearPhaseMode)
        return linearPhaseLatency.load (std::memory_order_relaxed);

    if (oversample >= 1)
        return oversamplerLatency[(size_t) juce::jmin (oversample, 2) - 1].load (std::memory_order_relaxed);

    return 0;
}

int SabrelProcessor::chosenLatency() const noexcept
{
    return latencyFor (choiceIndex (globals.phaseMode, 2), choiceIndex (globals.oversample, 2));
}

SabrelProcessor::LatencyTurn::LatencyTurn (std::atomic<juce::Thread::ThreadID>& t) noexcept : teller (t)
{
    const auto self = juce::Thread::getCurrentThreadId();
    juce::Thread::ThreadID holder = nullptr;
    first = teller.compare_exchange_strong (holder, self, std::memory_order_acquire);
    held = first || holder == self;
}

SabrelProcessor::LatencyTurn::~LatencyTurn()
{
    if (first)
        teller.store (nullptr, std::memory_order_release);
}

void SabrelProcessor::reportLatency (int latency)
{
    // The framework tells the host only when the value changes; the audio takes the mode of
    // this latency once the host has been told. The host may have prepared again inside the
    // call and been told another latency then: what it knows is the framework's value now.
    setLatencySamples (latency);
    reportedLatency.store (getLatencySamples(), std::memory_order_release);
}

void SabrelProcessor::publishLatency()
{
    if (isNonRealtime() || chosenLatency() == reportedLatency.load (std::memory_order_acquire))
        return;

    // The choice is read again with the turn held, and the render thread may have taken over
    // meanwhile.
    if (const LatencyTurn turn (latencyTeller); turn.held && ! isNonRealtime())
        reportLatency (chosenLatency());
}

void SabrelProcessor::switchMode (int phase, int oversample) noexcept
{
    // Only an oversampler that comes into use starts again from silence: in Linear Phase, say,
    // the oversampling choice touches nothing that sounds. The linear-phase stage and the
    // engine start from silence when their path is entered.
    const auto oversamplerInUse = [] (int p, int o) { return p == linearPhaseMode ? 0 : o; };
    if (oversamplerInUse (phase, oversample) != oversamplerInUse (lastPhaseMode, lastOversample))
        resetOversamplers();

    // A longer delay would play input that has been played already: silence there instead.
    const int before = lastPhaseMode < 0 ? 0 : latencyFor (lastPhaseMode, lastOversample);
    const int after = latencyFor (phase, oversample);
    if (after > before)
        dryDelay.silence (before, after);

    lastPhaseMode = phase;
    lastOversample = oversample;
}

void SabrelProcessor::releaseResources() {}

void SabrelProcessor::processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer&)
{
    process (buffer, false);
}

void SabrelProcessor::processBlockBypassed (juce::AudioBuffer<float>& buffer, juce::MidiBuffer&)
{
    process (buffer, true);
}

void SabrelProcessor::process (juce::AudioBuffer<float>& buffer, bool hostBypass)
{
    const ScopedFlushDenormals noDenormals;

    auto mainBus = getBusBuffer (buffer, false, 0);
    const int nCh = mainBus.getNumChannels();
    const int nS = buffer.getNumSamples();
    float* const* channels = mainBus.getArrayOfWritePointers();

    // Globals, bands and the engine's design: every block, bypassed or not.
    const bool bypass = hostBypass || readRaw (globals.bypass) >= 0.5f;

    // A new phase mode or oversampling is taken once the host knows its latency, so that the
    // audio is always as late as reported.
    const int chosenPhase = choiceIndex (globals.phaseMode, 2);
    const int chosenOversample = choiceIndex (globals.oversample, 2);
    const bool chosenChanged = chosenPhase != lastPhaseMode || chosenOversample != lastOversample;
    const int chosen = latencyFor (chosenPhase, chosenOversample);
    // Offline there is no deadline to miss, and a render must not depend on when the message
    // thread comes round: the host is told from here and the mode follows in this block. (Only
    // should a timer tick still be telling as the render starts is this block refused.)
    if (isNonRealtime() && chosen != reportedLatency.load (std::memory_order_acquire))
        if (const LatencyTurn turn (latencyTeller); turn.held)
            reportLatency (chosen);
    const int reported = reportedLatency.load (std::memory_order_acquire);
    if (chosenChanged && (chosen == reported || lastPhaseMode < 0))
        switchMode (chosenPhase, chosenOversample);
    const int phase = lastPhaseMode;
    const int oversample = lastOversample;
    const int latency = latencyFor (phase, oversample);

    const bool useOversampling = oversample >= 1 && phase != linearPhaseMode;
    const double rate = useOversampling ? sampleRate * (oversample == 1 ? 2.0 : 4.0) : sampleRate;
    engine.sampleRate = rate;
    engine.controlSmoothing = controlSmoothingFor (rate);
    engine.matchedDesign = phase >= 1;
    engine.skipUnchangedDesigns = skipUnchangedWork;
    autoGainEngine.skipUnchangedDesigns = skipUnchangedWork;
    linearPhase.skipUnchangedWork = skipUnchangedWork;

    // The band values are read again only after one of them changed; the same values, bit for
    // bit, give the same records, and the same records, rate and mode the same engine.
    const uint32_t changes = bandParameterChanges.count.load (std::memory_order_acquire);
    const bool readAll = ! skipUnchangedWork || ! scaledBandsKnown || changes != bandParametersReadAt;
    BandParameterValues raw;
    if (readAll)
    {
        readBandParameters (raw);
        bandParametersReadAt = changes;
    }
    const float gainScale = juce::jlimit (0.0f, 2.0f, readRaw (globals.gainScale) * 0.01f);
    const bool bandsChanged = ! skipUnchangedWork || ! scaledBandsKnown
                              || (readAll && std::memcmp (raw.data(), scaledBandsFrom.data(), sizeof (raw)) != 0)
                              || std::memcmp (&gainScale, &scaledBandsGainScale, sizeof (float)) != 0;
    if (bandsChanged)
    {
        if (readAll)
            scaledBandsFrom = raw;
        scaledBands = bandsFromParameters (scaledBandsFrom);
        if (gainScale != 1.0f)
        {
            for (auto& band : scaledBands)
            {
                band.gain *= (double) gainScale;
                band.tilt *= (double) gainScale;
            }
        }
        scaledBandsGainScale = gainScale;
        scaledBandsKnown = true;
    }
    const auto& bands = scaledBands;
    if (bandsChanged || ! engineHoldsScaledBands || ! engine.designsIntact() || engineBandsRate != rate
        || engineBandsMatched != engine.matchedDesign)
    {
        engine.setBands (bands);
        engineHoldsScaledBands = true;
        engineBandsRate = rate;
        engineBandsMatched = engine.matchedDesign;
    }

    inputGain.setTargetValue (inputGainOf (readRaw (globals.input)));
    outputGain.setTargetValue (outputGainOf (readRaw (globals.output)));

    // A NaN or infinite input sample has no value to filter or meter: it enters as silence, so
    // it reaches no filter, oversampler, ring or meter.
    for (int c = 0; c < nCh; ++c)
        if (! allFinite (channels[c], nS))
            zeroNonFinite (channels[c], nS);

    // The input as it came in, which a bypass plays the latency later.
    if (! bypass)
        dryDelay.write (channels, nCh, nS);

    // Input gain: the smoother advances in every block, bypassed or not (then in runBypassed).
    float inPeak[2] = { 0.0f, 0.0f };
    if (bypass)
        scaleBlock (channels, nCh, nS, 1.0f, inPeak);
    else
        applyInputGain (channels, nCh, nS, inPeak);
    clearOverflow (channels, nCh, nS, inPeak); // as a non-finite input sample: silence
    analyzerPre.push (channels, nCh, nS);

    const auto sidechain = mixSidechain (buffer, nS);

    // A path that did not run in the last block holds audio from before its pause: it starts
    // again from silence rather than play that audio late.
    const bool linear = phase == linearPhaseMode;
    const auto path = nCh <= 0               ? FilterPath::none
                    : engine.soloBand >= 0 ? (linear ? FilterPath::soloLinearPhase : FilterPath::solo)
                    : linear               ? FilterPath::linearPhase
                                           : FilterPath::engine;
    if (path != lastFilterPath)
    {
        if (path == FilterPath::linearPhase)
            linearPhase.reset();
        else if (path != FilterPath::none)
            clearEngineAndOversamplers();
        if (path == FilterPath::soloLinearPhase)
            soloDelay.clear();
        lastFilterPath = path;
    }

    const int filterOversample = useOversampling ? oversample : 0;
    if (bypass)
        runBypassed (path, channels, nCh, nS, filterOversample, sidechain, latency);
    else if (path != FilterPath::none)
        filter (path, channels, nCh, nS, filterOversample, sidechain);

    // Band meters, bypassed or not, from whatever state the engine holds.
    for (size_t b = 0; b < (size_t) numBands; ++b)
    {
        const float gainDb = phase == linearPhaseMode ? 0.0f : engine.dynGainDb[b];
        const float levelDb = engine.dynamic[b]
                                  ? (float) (20.0 * std::log10 (juce::jmax (1.0e-9, (double) engine.envelope[b])))
                                  : -120.0f;
        bandGainDb[b].store (gainDb, std::memory_order_relaxed);
        bandLevelDb[b].store (levelDb, std::memory_order_relaxed);
    }

    float autoGainTarget = 1.0f;
    autoGainDb = 0.0f;
    if (readRaw (globals.autoGain) >= 0.5f && ! bypass)
    {
        autoGainDb = estimateAutoGainDb (bands, phase);
        autoGainTarget = juce::Decibels::decibelsToGain (autoGainDb);
    }

    // Output gain with the automatic gain moving linearly from last block's value to this one's.
    float outPeak[2] = { 0.0f, 0.0f };
    const float previous = autoGainPrev;
    const float step = nS > 1 ? (autoGainTarget - previous) / (float) (nS - 1) : 0.0f;
    if (bypass)
        scaleBlock (channels, nCh, nS, 1.0f, outPeak);
    else if (! outputGain.isSmoothing() && step == 0.0f)
        scaleBlock (channels, nCh, nS, outputGain.getCurrentValue() * previous, outPeak);
    else
        for (int i = 0; i < nS; ++i)
            scaleSample (channels, nCh, i, outputGain.getNextValue() * (previous + (float) i * step), outPeak);
    autoGainPrev = autoGainTarget;

    // The output gain on top of the strongest boosts: cleared as the filters' own overflow is.
    if (clearOverflow (channels, nCh, nS, outPeak))
    {
        clearEngineAndOversamplers();
        linearPhase.reset();
    }

    analyzerPost.push (channels, nCh, nS);

    const int right = nCh > 1 ? 1 : 0;
    const float peaks[4] = { inPeak[0], inPeak[right], outPeak[0], outPeak[right] };
    for (size_t m = 0; m < peakDb.size(); ++m)
        peakGates[m].raise (peakDb[m], peaks[m]);
}

void SabrelProcessor::applyInputGain (float* const* channels, int numChannels, int numSamples,
                                      float (&peak)[2]) noexcept
{
    if (inputGain.isSmoothing())
        for (int i = 0; i < numSamples; ++i)
            scaleSample (channels, numChannels, i, inputGain.getNextValue(), peak);
    else
        scaleBlock (channels, numChannels, numSamples, inputGain.getCurrentValue(), peak);
}

void SabrelProcessor::filter (FilterPath path, float* const* channels, int numChannels, int numSamples,
                              int oversample, SidechainKey sidechain)
{
    if (path == FilterPath::linearPhase)
    {
        bool targetChanged = false;
        if (! skipUnchangedWork || engine.designGeneration != binMagsGeneration)
        {
            engine.magnitudeResponseAt (binCosW.data(), binCos2W.data(), binMags.data(), (int) binMags.size());
            binMagsGeneration = engine.designGeneration;
            targetChanged = true;
        }
        linearPhase.process (targetChanged ? binMags.data() : nullptr, channels, numChannels, numSamples);
    }
    else if (oversample >= 1)
    {
        processOversampled (channels, numChannels, numSamples, oversample, sidechain);
    }
    else
    {
        engine.process (channels, numChannels, numSamples, sidechain.samples, sidechain.stride);
    }

    // Finite input can still overflow a steep boost; the engine clears its own states,
    // the stages around it start again from silence.
    bool overflowed = false;
    for (int c = 0; c < numChannels; ++c)
    {
        if (! allFinite (channels[c], numSamples))
        {
            zeroNonFinite (channels[c], numSamples);
            overflowed = true;
        }
    }
    if (overflowed)
    {
        clearEngineAndOversamplers();
        linearPhase.reset();
    }

    if (path == FilterPath::soloLinearPhase)
        soloDelay.process (channels, numChannels, numSamples, latencyFor (linearPhaseMode, 0));
}

void SabrelProcessor::runBypassed (FilterPath path, float* const* channels, int numChannels, int numSamples,
                                   int oversample, SidechainKey sidechain, int latency)
{
    if (dryDelay.capacity() == 0)
        return; // never prepared: no latency, the input passes as it is

    // In pieces whose input and delayed input the dry ring holds at once.
    constexpr int maxChannels = 2;
    const int channelCount = juce::jmin (numChannels, maxChannels);
    const int pieceLength = juce::jmax (1, dryDelay.capacity() - latency);
    float* piece[maxChannels] {};
    float unmetered[2] {};

    for (int start = 0; start < numSamples; start += pieceLength)
    {
        const int length = juce::jmin (pieceLength, numSamples - start);
        for (int c = 0; c < channelCount; ++c)
            piece[c] = channels[c] + start;

        dryDelay.write (piece, channelCount, length);
        applyInputGain (piece, channelCount, length, unmetered);
        // A sidechain mix exists only for blocks of the prepared size, which are one piece; a
        // longer block's key is one held value.
        if (path != FilterPath::none)
            filter (path, piece, channelCount, length, oversample,
                    start == 0 || sidechain.stride == 0 ? sidechain : SidechainKey {});
        dryDelay.read (piece, channelCount, length, latency);
    }
}

SabrelProcessor::SidechainKey SabrelProcessor::mixSidechain (juce::AudioBuffer<float>& buffer, int numSamples)
{
    static constexpr float silence = 0.0f;
    SidechainKey key;
    float peak = 0.0f;

    if (getBusCount (true) >= 2 && getChannelCountOfBus (true, 1) > 0)
    {
        const auto bus = getBusBuffer (buffer, true, 1);
        const int k = bus.getNumChannels();

        // A block longer than the prepared size has no room here and counts as silent: the
        // bands keyed by the sidechain hear silence, not the main input.
        if (k >= 1 && numSamples > sidechainMono.getNumSamples())
            key = { &silence, 0 };
        else if (k >= 1)
        {
            const float scale = 1.0f / (float) k;
            auto* out = sidechainMono.getWritePointer (0);
            for (int i = 0; i < numSamples; ++i)
            {
                float sum = 0.0f;
                for (int c = 0; c < k; ++c)
                    sum += bus.getReadPointer (c)[i];
                out[i] = sum * scale;
            }

            // NaN or infinity in the key would stick in the detectors: it counts as silence.
            if (! allFinite (out, numSamples))
                zeroNonFinite (out, numSamples);
            for (int i = 0; i < numSamples; ++i)
                peak = juce::jmax (peak, std::abs (out[i]));
            key = { out, 1 };
        }
    }

    if (peak > sidechainThreshold)
        sidechainHoldBlocks = sidechainHoldLength;
    else if (sidechainHoldBlocks > 0)
        --sidechainHoldBlocks;

    sidechainActive.store (sidechainHoldBlocks > 0, std::memory_order_relaxed);
    return key;
}

void SabrelProcessor::processOversampled (float* const* channels, int numChannels, int numSamples,
                                          int oversample, SidechainKey sidechain)
{
    // The oversamplers hold the prepared block size; a longer host block goes through in pieces.
    const int pieceLength = sidechainMono.getNumSamples();
    if (oversamplers[(size_t) oversample - 1] == nullptr || pieceLength < 1)
        return; // never prepared

    auto& oversampler = *oversamplers[(size_t) oversample - 1];
    auto& sidechainOversampler = *sidechainOversamplers[(size_t) oversample - 1];
    const int channelCount = juce::jmin (numChannels, (int) oversampler.numChannels);

    // A held key goes up as that value in every piece, so the sidechain's oversampler follows it.
    if (sidechain.samples != nullptr && sidechain.stride == 0)
        juce::FloatVectorOperations::fill (sidechainMono.getWritePointer (0), sidechain.samples[0],
                                           pieceLength);

    for (int start = 0; start < numSamples; start += pieceLength)
    {
        const int length = juce::jmin (pieceLength, numSamples - start);
        juce::dsp::AudioBlock<float> block (channels, (size_t) channelCount, (size_t) start, (size_t) length);
        auto up = oversampler.processSamplesUp (block);

        float* upChannels[2] = { up.getChannelPointer (0), up.getChannelPointer (channelCount > 1 ? 1 : 0) };

        const float* sidechainUp = nullptr;
        if (sidechain.samples != nullptr)
        {
            float* mix[] = { sidechainMono.getWritePointer (0) };
            const int from = sidechain.stride == 0 ? 0 : start;
            juce::dsp::AudioBlock<float> sidechainBlock (mix, 1, (size_t) from, (size_t) length);
            sidechainUp = sidechainOversampler.processSamplesUp (sidechainBlock).getChannelPointer (0);
        }

        engine.process (upChannels, channelCount, (int) up.getNumSamples(), sidechainUp);
        oversampler.processSamplesDown (block);
    }
}

float SabrelProcessor::estimateAutoGainDb (const BandSnapshot& gainScaledBands, int phase)
{
    // The static response with each dynamic Bell or shelf frozen at its current gain. The
    // linear-phase stage runs no dynamics and applies their full set gain, so there the
    // engine's last dynamic gains (left from another mode) say nothing about the output.
    const bool dynamicsRun = phase != linearPhaseMode || engine.soloBand >= 0;
    auto frozen = gainScaledBands;
    for (int b = 0; b < numBands; ++b)
    {
        auto& band = frozen[(size_t) b];
        if (dynamicsRun && band.type >= 0 && band.type <= 2 && band.dynamic)
        {
            band.gain = (double) engine.dynGainDb[(size_t) b];
            band.dynamic = false;
        }
    }

    autoGainEngine.sampleRate = sampleRate;
    autoGainEngine.controlSmoothing = controlSmoothingFor (sampleRate);
    autoGainEngine.matchedDesign = phase >= 1;
    autoGainEngine.setBands (frozen);
    if (skipUnchangedWork && autoGainEngine.designGeneration == probeGeneration)
        return probeAutoGainDb;

    autoGainEngine.magnitudeResponseAt (probeCosW.data(), probeCos2W.data(), probeMags.data(), (int) probeMags.size());

    double sum = 0.0;
    for (const float magnitude : probeMags)
        sum += (double) magnitude * (double) magnitude;
    const double mean = sum / (double) juce::jmax ((size_t) 1, probeMags.size());

    probeAutoGainDb = (float) juce::jlimit (-24.0, 24.0, -10.0 * std::log10 (juce::jmax (mean, 1.0e-9)));
    probeGeneration = autoGainEngine.designGeneration;
    return probeAutoGainDb;
}

double SabrelProcessor::getTailLengthSeconds() const { return 0.0; }
bool SabrelProcessor::acceptsMidi() const { return false; }
bool SabrelProcessor::producesMidi() const { return false; }
bool SabrelProcessor::hasEditor() const { return true; }
int SabrelProcessor::getNumPrograms() { return 1; }
int SabrelProcessor::getCurrentProgram() { return 0; }
void SabrelProcessor::setCurrentProgram (int) {}
const juce::String SabrelProcessor::getProgramName (int) { return {}; }
void SabrelProcessor::changeProgramName (int, const juce::String&) {}

namespace
{
StateBlock::DefaultValueLookup defaultValues (juce::AudioProcessorValueTreeState& parameters)
{
    return [&parameters] (const juce::String& id) -> std::optional<float> {
        if (auto* parameter = parameters.getParameter (id))
            return parameter->convertFrom0to1 (parameter->getDefaultValue());

        return std::nullopt;
    };
}
} // namespace

void SabrelProcessor::getStateInformation (juce::MemoryBlock& destData)
{
    // copyState flushes every parameter into its PARAM child under the parameter state's own lock;
    // stateLock keeps the editor's view properties out while the copy is taken.
    const juce::ScopedLock lock (stateLock);
    const auto state = apvts.copyState();

    if (auto xml = state.createXml())
    {
        StateBlock::replaceNonFiniteValues (*xml, defaultValues (apvts));
        copyXmlToBinary (*xml, destData);
    }
}

void SabrelProcessor::setStateInformation (const void* data, int sizeInBytes)
{
    const auto xml = StateBlock::readXml (data, sizeInBytes);
    if (xml == nullptr)
        return;

    // The state tree is read here too, so under the lock that another restore would take.
    const juce::ScopedLock lock (stateLock);

    // Any other root is someone else's state: keep ours.
    if (! xml->getTagName().equalsIgnoreCase (apvts.state.getType().toString()))
        return;

    // The parameters' own range checks let a NaN through, and one NaN gain silences the output.
    StateBlock::replaceNonFiniteValues (*xml, defaultValues (apvts));

    apvts.replaceState (juce::ValueTree::fromXml (*xml));
}

juce::var SabrelProcessor::getViewProperty (const juce::Identifier& name) const
{
    const juce::ScopedLock lock (stateLock);
    return apvts.state.isValid() ? apvts.state.getProperty (name) : juce::var();
}

bool SabrelProcessor::setViewProperty (const juce::Identifier& name, const juce::var& value)
{
    const juce::ScopedLock lock (stateLock);
    if (! apvts.state.isValid())
        return false;

    apvts.state.setProperty (name, value, nullptr);
    return true;
}

bool SabrelProcessor::isBusesLayoutSupported (const BusesLayout& layouts) const
{
    const auto channelSetOr = [] (const juce::Array<juce::AudioChannelSet>& buses, int index) {
        return index < buses.size() ? buses.getReference (index) : juce::AudioChannelSet::disabled();
    };

    const auto output = channelSetOr (layouts.outputBuses, 0);
    if (output != juce::AudioChannelSet::mono() && output != juce::AudioChannelSet::stereo())
        return false;

    if (channelSetOr (layouts.inputBuses, 0) != output)
        return false;

    const auto sidechain = channelSetOr (layouts.inputBuses, 1);
    return sidechain.isDisabled() || sidechain == juce::AudioChannelSet::mono()
        || sidechain == juce::AudioChannelSet::stereo();
}

juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter()
{
    return new SabrelProcessor();
}
