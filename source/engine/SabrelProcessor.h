#pragma once

#include "AnalyzerRing.h"
#include "BandSettings.h"
#include "DecibelGain.h"
#include "DelayLine.h"
#include "EqEngine.h"
#include "LinearPhaseFilter.h"
#include "MeterValues.h"
#include "ParameterLayout.h"
#include "update/UpdateChecker.h"

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_dsp/juce_dsp.h>

#include <array>
#include <atomic>
#include <memory>
#include <vector>

class SabrelProcessor : public juce::AudioProcessor
{
public:
    SabrelProcessor();
    ~SabrelProcessor() override;

    const juce::String getName() const override;
    void prepareToPlay (double sampleRate, int maximumExpectedSamplesPerBlock) override;
    void releaseResources() override;
    // Clears every running state: filters, detectors, envelopes, linear-phase rings and
    // oversamplers; the gain smoothers jump to their targets.
    void reset() override;
    using juce::AudioProcessor::processBlock;
    void processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi) override;
    // The host's own bypass: the same as the `bypass` parameter, the reported latency late.
    using juce::AudioProcessor::processBlockBypassed;
    void processBlockBypassed (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi) override;
    double getTailLengthSeconds() const override;
    bool acceptsMidi() const override;
    bool producesMidi() const override;
    juce::AudioProcessorEditor* createEditor() override;
    bool hasEditor() const override;
    int getNumPrograms() override;
    int getCurrentProgram() override;
    void setCurrentProgram (int index) override;
    const juce::String getProgramName (int index) override;
    void changeProgramName (int index, const juce::String& newName) override;
    void getStateInformation (juce::MemoryBlock& destData) override;
    void setStateInformation (const void* data, int sizeInBytes) override;
    bool isBusesLayoutSupported (const BusesLayout& layouts) const override;

    static juce::AudioProcessorValueTreeState::ParameterLayout createParameterLayout();

    // Message thread: tells the host the latency of the chosen phase mode and oversampling
    // when it differs from the one it knows. The audio keeps the mode whose latency the host
    // knows and takes the chosen one at the first block after. The framework's notification
    // takes a lock and may post a message, so the audio thread never makes it in real time; a
    // timer calls this every 20 ms. prepareToPlay reports the latency itself, and so does an
    // offline block, which has no deadline and must not wait for the message thread: while
    // the processor is non-realtime this does nothing.
    void publishLatency();

    // The 24 bands as the engine consumes them, from the current parameter values.
    // Lock-free and allocation-free; callable from the audio and the message thread. A value
    // that is NaN or infinite reads as the parameter's default, here and in rawParamValue.
    BandSnapshot snapshotBands() const;

    // A parameter's raw (denormalised) value, read as an atomic float; no allocation.
    float rawParamValue (juce::StringRef parameterId) const;

    // The editor's view settings (uiScale, analyzerMode) live as root properties of the parameter
    // state. Hosts save and restore the state on threads of their own, so these two accessors,
    // getStateInformation and setStateInformation all take stateLock. Reading gives a void var
    // when the property is absent; writing returns false, storing nothing, for an invalid tree.
    juce::var getViewProperty (const juce::Identifier& name) const;
    bool setViewProperty (const juce::Identifier& name, const juce::var& value);

    juce::AudioProcessorValueTreeState apvts;
    UpdateChecker updateChecker;

    // Published by the audio thread, read by the editor without locks.
    std::array<std::atomic<float>, 4> peakDb {}; // input L, input R, output L, output R
    std::atomic<bool> sidechainActive { false };
    std::array<std::atomic<float>, numBands> bandGainDb {};
    std::array<std::atomic<float>, numBands> bandLevelDb {};
    AnalyzerRing analyzerPre;
    AnalyzerRing analyzerPost;
    // The rate of the last prepareToPlay, for the editor: the host may prepare again on another
    // thread while the editor is open. The audio path keeps using sampleRate.
    std::atomic<double> preparedSampleRate { 44100.0 };
    static_assert (std::atomic<double>::is_always_lock_free);

    double sampleRate = 44100.0;
    EqEngine engine;

    juce::SmoothedValue<float> inputGain { 0.0f };
    juce::SmoothedValue<float> outputGain { 0.0f };
    float autoGainDb = 0.0f;
    float autoGainPrev = 1.0f;
    DecibelGain inputGainOf, outputGainOf; // the gain of the last value, kept until it changes
    std::array<PeakGate, 4> peakGates;
    EqEngine autoGainEngine; // evaluates the static response for automatic gain only

    std::vector<double> probeOmegas; // automatic-gain probes, radians per sample at the base rate
    std::vector<double> probeCosW, probeCos2W; // their cos w and cos 2w
    std::vector<float> probeMags;

    LinearPhaseFilter linearPhase;
    std::vector<double> binOmegas; // the linear-phase bins, radians per sample
    std::vector<double> binCosW, binCos2W; // their cos w and cos 2w
    std::vector<float> binMags;

    // The phase mode and oversampling the audio is produced in.
    int lastPhaseMode = -1;
    std::array<std::unique_ptr<juce::dsp::Oversampling<float>>, 2> oversamplers; // 2x, 4x
    int lastOversample = -1;

    // The main input as it came in, played the latency later while bypassed; and a soloed
    // band's output in Linear Phase, which the engine gives at once, held back as long.
    DelayLine dryDelay;
    DelayLine soloDelay;

    // Work whose inputs did not change is skipped: designs, responses, smoothing steps and
    // gains (off only to check that skipping changes nothing).
    bool skipUnchangedWork = true;

    juce::AudioBuffer<float> sidechainMono;
    std::array<std::unique_ptr<juce::dsp::Oversampling<float>>, 2> sidechainOversamplers; // 2x, 4x
    int sidechainHoldBlocks = 0;

private:
    static BusesProperties makeBuses();

    mutable juce::CriticalSection stateLock;

public:
    // A parameter's atomic raw value, and its default, which stands in for the value should it
    // ever be NaN or infinite.
    struct RawParameter
    {
        const std::atomic<float>* value = nullptr;
        float fallback = 0.0f;
    };

private:
    // The global parameters' values, looked up once so a block reads them without building ids.
    struct GlobalParameters
    {
        RawParameter input, output, bypass, phaseMode, oversample, gainScale, autoGain;
    };

    GlobalParameters globals;

    // The engine design generation that binMags and the automatic gain were last evaluated
    // for (0: not yet).
    uint64_t binMagsGeneration = 0;
    uint64_t probeGeneration = 0;
    float probeAutoGainDb = 0.0f;

    // The latency of each mode, set by prepareToPlay and read on any thread.
    std::array<std::atomic<int>, 2> oversamplerLatency {}; // 2x, 4x, rounded
    std::atomic<int> linearPhaseLatency { 0 };
    int latencyFor (int phase, int oversample) const noexcept;

    // The latency the host was told last, by prepareToPlay, publishLatency or an offline block.
    std::atomic<int> reportedLatency { 0 };

    // One thread at a time tells the host: the framework's latency and the wrapper's copy of it
    // are plain values, and a report that lands after another thread's would leave the host with
    // a latency the audio does not run. The thread telling may tell again from inside the host's
    // call (a host that prepares again when told). Another thread is refused, never made to
    // wait: the one telling may be inside the host, waiting for it. A refused timer tick or
    // offline block tries again at the next; a refused prepareToPlay leaves it to them.
    std::atomic<juce::Thread::ThreadID> latencyTeller { nullptr };

    struct LatencyTurn
    {
        explicit LatencyTurn (std::atomic<juce::Thread::ThreadID>& teller) noexcept;
        ~LatencyTurn();
        std::atomic<juce::Thread::ThreadID>& teller;
        bool held = false, first = false;
        JUCE_DECLARE_NON_COPYABLE (LatencyTurn)
    };

    // With the turn held: tells the host and notes what it knows now.
    void reportLatency (int latency);
    int chosenLatency() const noexcept;

    // The audio takes a new phase mode and oversampling.
    void switchMode (int phase, int oversample) noexcept;

    void resetOversamplers() noexcept;
    void clearEngineAndOversamplers() noexcept;

    // Which stage filtered the last block; one that starts again after a pause is cleared.
    // soloLinearPhase: the engine's solo path in Linear Phase, held back by the stage's latency.
    enum class FilterPath { none, linearPhase, solo, soloLinearPhase, engine };
    FilterPath lastFilterPath = FilterPath::none;

    // What the bands that listen to the sidechain hear in a block: one sample per block sample,
    // one sample held for the whole block (stride 0), or, with no samples, the main input.
    struct SidechainKey
    {
        const float* samples = nullptr;
        int stride = 1;
    };

    void process (juce::AudioBuffer<float>& buffer, bool hostBypass);

    // Applies the input gain, advancing its ramp, and raises the peaks.
    void applyInputGain (float* const* channels, int numChannels, int numSamples, float (&peak)[2]) noexcept;

    // Filters the channels in place on the given path, oversampled by the given choice (0: at
    // the base rate); an overflow clears the stages.
    void filter (FilterPath path, float* const* channels, int numChannels, int numSamples, int oversample,
                 SidechainKey sidechain);

    // Bypassed: the filters run on as if not, on the input with its gain, so that leaving the
    // bypass continues them without a gap and with nothing from before; the channels get the
    // input as it came in, the latency late.
    void runBypassed (FilterPath path, float* const* channels, int numChannels, int numSamples, int oversample,
                      SidechainKey sidechain, int latency);

    // The band parameters' atomic values in layout order (band-major), looked up once so
    // that snapshots build no id strings.
    std::array<RawParameter, numBandParams> bandParamValues {};

    using BandParameterValues = std::array<float, numBandParams>;
    void readBandParameters (BandParameterValues& raw) const noexcept;
    static BandSnapshot bandsFromParameters (const BandParameterValues& raw) noexcept;

    // The last block's gain-scaled records and the values they were made from.
    BandSnapshot scaledBands {};
    BandParameterValues scaledBandsFrom {};
    float scaledBandsGainScale = 1.0f;
    bool scaledBandsKnown = false;

    // Counts the band parameters' changes: the framework writes their raw values only on the
    // way to their listeners, so a block reads the 432 values again only after a change.
    struct BandParameterChanges : juce::AudioProcessorValueTreeState::Listener
    {
        std::atomic<uint32_t> count { 0 };
        void parameterChanged (const juce::String&, float) override { count.fetch_add (1, std::memory_order_acq_rel); }
    };
    BandParameterChanges bandParameterChanges;
    uint32_t bandParametersReadAt = 0;

    // What the engine's last setBands was given besides scaledBands (false: something else).
    bool engineHoldsScaledBands = false;
    double engineBandsRate = 0.0;
    bool engineBandsMatched = false;

    // Fills sidechainMono with the block's sidechain mix and updates the activity hold;
    // returns the mix, silence for a block too long for it, or no key without a sidechain.
    SidechainKey mixSidechain (juce::AudioBuffer<float>& buffer, int numSamples);

    void processOversampled (float* const* channels, int numChannels, int numSamples, int oversample,
                             SidechainKey sidechain);

    // Automatic gain in dB from the static response at the probes, dynamic bands frozen at
    // their current gains.
    float estimateAutoGainDb (const BandSnapshot& gainScaledBands, int phase);

    struct LatencyPublisher : juce::Timer
    {
        explicit LatencyPublisher (SabrelProcessor& p) : processor (p) {}
        void timerCallback() override { processor.publishLatency(); }
        SabrelProcessor& processor;
    };
    LatencyPublisher latencyPublisher { *this };

    // Follows a non-finite value that a parameter handed its listeners with the value it kept.
    struct KeptValueResender : juce::Timer
    {
        explicit KeptValueResender (SabrelProcessor& p) : processor (p) {}
        void timerCallback() override { resendValuesKeptFromNonFinite (processor, seen); }
        SabrelProcessor& processor;
        uint32_t seen = 0;
    };
    KeptValueResender keptValueResender { *this };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SabrelProcessor)
};
