#pragma once

#include "AnalyzerRing.h"
#include "BandSettings.h"
#include "EqEngine.h"
#include "ParameterLayout.h"
#include "update/UpdateChecker.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <array>
#include <atomic>

class SabrelProcessor : public juce::AudioProcessor
{
public:
    SabrelProcessor();
    ~SabrelProcessor() override;

    const juce::String getName() const override;
    void prepareToPlay (double sampleRate, int maximumExpectedSamplesPerBlock) override;
    void releaseResources() override;
    using juce::AudioProcessor::processBlock;
    void processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi) override;
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

    // The 24 bands as the engine consumes them, from the current parameter values.
    // Lock-free and allocation-free; callable from the audio and the message thread.
    BandSnapshot snapshotBands() const;

    // A parameter's raw (denormalised) value, read as an atomic float; no allocation.
    float rawParamValue (juce::StringRef parameterId) const;

    juce::AudioProcessorValueTreeState apvts;
    UpdateChecker updateChecker;

    // Published by the audio thread, read by the editor without locks.
    std::array<std::atomic<float>, 4> peakDb {}; // input L, input R, output L, output R
    std::atomic<bool> sidechainActive { false };
    std::array<std::atomic<float>, numBands> bandGainDb {};
    std::array<std::atomic<float>, numBands> bandLevelDb {};
    AnalyzerRing analyzerPre;
    AnalyzerRing analyzerPost;

    double sampleRate = 44100.0;
    EqEngine engine;

    EqEngine autoGainEngine; // evaluates the static response for automatic gain only

private:
    static BusesProperties makeBuses();

    // The band parameters' atomic values in layout order (band-major), looked up once so
    // that snapshots build no id strings.
    std::array<std::atomic<float>*, numBandParams> bandParamValues {};

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SabrelProcessor)
};
