#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <array>
#include <cstdint>

// Parameter ids, names and value texts shared by the processor and the editor.

constexpr int numBands = 24;
constexpr int paramsPerBand = 18;
constexpr int numBandParams = numBands * paramsPerBand;   // 432
constexpr int numGlobalParams = 7;
constexpr int numParams = numBandParams + numGlobalParams; // 439

// Band parameter suffixes in layout order.
inline constexpr std::array<const char*, paramsPerBand> bandParamSuffixes {
    "on", "active", "solo", "type", "freq", "gain", "q", "slope", "dynon",
    "thresh", "atk", "rel", "ratio", "knee", "auto", "channel", "scext", "tilt"
};

// Global parameter ids in layout order.
inline constexpr std::array<const char*, numGlobalParams> globalParamIds {
    "input", "output", "bypass", "phasemode", "oversample", "gainscale", "autogain"
};

using SlopeTable = std::array<int, 9>;

// Cut slopes in dB/oct; a band's slope parameter is an index into this table.
const SlopeTable& getSlopeTable();

// "b" + band index + "_" + suffix, e.g. b7_freq.
juce::String bandParamId (int band, const juce::String& suffix);

// Log-spaced default frequency of a band: 30 Hz for band 0 up to 16 kHz for band 23.
float defaultBandFrequency (int band);

// Value-to-text functions with the framework's string-from-value signature.
juce::String frequencyToText (float value, int maximumLength);
juce::String decibelsToText (float value, int maximumLength);
juce::String qToText (float value, int maximumLength);
juce::String thresholdToText (float value, int maximumLength);
juce::String millisecondsToText (float value, int maximumLength);
juce::String ratioToText (float value, int maximumLength);
juce::String percentToText (float value, int maximumLength);

juce::AudioProcessorValueTreeState::ParameterLayout buildParameterLayout();

// A parameter of that layout never takes a NaN or infinite value: it keeps its last finite one.
// The framework still tells its listeners the value it was handed. This tells them, the host
// among them, the value kept instead, for each parameter of the processor that handed out such
// a value since it was last resent. `seen` is the caller's own record between calls. Message
// thread only.
void resendValuesKeptFromNonFinite (juce::AudioProcessor& processor, uint32_t& seen);
