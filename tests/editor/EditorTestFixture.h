#pragma once

#include "editor/SabrelEditor.h"
#include "engine/SabrelProcessor.h"
#include "update/UpdateChecker.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>

namespace juce
{
// JUCE's own message pump on Linux; the tests are the message thread and run it by hand.
bool dispatchNextMessageOnSystemQueue (bool returnIfNoPendingMessages);
} // namespace juce

// Delivers the messages posted so far (button clicks, asynchronous updates); returns how many,
// at most `limit`: a message that posts itself again for ever reaches the limit.
inline int deliverPostedMessages (int limit = 10000)
{
    int delivered = 0;
    while (delivered < limit && juce::dispatchNextMessageOnSystemQueue (true))
        ++delivered;
    return delivered;
}

// Every editor starts the day's update check when one is due. The tests point the per-user
// settings at a folder of their own in which the day's check has just run, so that no test
// reaches the network or a real settings file.
inline void useTestSettingsFolder()
{
    static const juce::File home = [] {
        auto folder = juce::File (SABREL_TEST_OUTPUT_DIR)
                          .getChildFile ("editor-home-" + juce::String (juce::Time::currentTimeMillis()) + "-"
                                         + juce::String::toHexString (juce::Random::getSystemRandom().nextInt()));
        folder.createDirectory();
        ::setenv ("HOME", folder.getFullPathName().toRawUTF8(), 1);
        ::setenv ("XDG_CONFIG_HOME", folder.getChildFile (".config").getFullPathName().toRawUTF8(), 1);
        ::unsetenv ("SABREL_UPDATE_URL");
        return folder;
    }();

    juce::PropertiesFile file (home.getChildFile (".config/kovalin/Sabrel.settings"), updateSettingsOptions());
    file.clear();
    file.setValue (updatekeys::lastCheckMs, juce::String (juce::Time::currentTimeMillis()));
    file.save();
}

// One band as a test sets it up: the fields of its parameters that band tests vary.
struct BandSpec
{
    int band, type;
    float freq, gain, q;
    int channel = ChannelMode::stereo;
    int slopeIndex = 1;
    bool dynamic = false;
};

// Band sets that the curve tests check and the gallery shows.
namespace bandsets
{
inline const std::vector<BandSpec> stereoBellsAndShelves {
    { 0, FilterType::lowShelf, 80.0f, 4.0f, 0.7f }, { 1, FilterType::bell, 900.0f, -7.5f, 2.0f },
    { 2, FilterType::bell, 3200.0f, 5.0f, 0.5f }, { 3, FilterType::highShelf, 9000.0f, -3.0f, 0.9f }
};
inline const std::vector<BandSpec> midAndSide {
    { 0, FilterType::bell, 250.0f, 6.0f, 1.0f, ChannelMode::mid }, { 1, FilterType::highShelf, 6000.0f, -6.0f, 0.7f, ChannelMode::side },
    { 2, FilterType::lowCut, 40.0f, 0.0f, 0.7f }
};
inline const std::vector<BandSpec> leftRightAndStereo {
    { 0, FilterType::bell, 500.0f, 9.0f, 3.0f, ChannelMode::left }, { 1, FilterType::bell, 2000.0f, -9.0f, 3.0f, ChannelMode::right },
    { 2, FilterType::tilt, 1000.0f, 0.0f, 0.7f }, { 3, FilterType::notch, 6000.0f, 0.0f, 8.0f }
};
inline const std::vector<BandSpec> cut96 {
    { 0, FilterType::highCut, 4000.0f, 0.0f, 0.707f, ChannelMode::stereo, 8 }, { 1, FilterType::bell, 150.0f, 3.0f, 1.0f }
};
} // namespace bandsets

// The column where the canvas draws an analyser's highest level, and that level's y.
struct AnalyserPeak
{
    int column = -1;
    float y = 1e9f;
};

inline AnalyserPeak analyserPeakColumn (const CurveCanvas& canvas, const SpectrumAnalyser& analyser)
{
    AnalyserPeak peak;
    for (int i = 0; i <= canvas.getWidth(); ++i)
    {
        const auto x = (float) i;
        const float y = canvas.analyserDbToY (canvas.spectrumPeakDb (analyser, canvas.xToFrequency (x - 0.5f),
                                                                     canvas.xToFrequency (x + 0.5f), canvas.xToFrequency (x)));
        if (y < peak.y)
            peak = { i, y };
    }
    return peak;
}

// A processor, and its editor while one is open.

class EditorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        useTestSettingsFolder();
        processor = std::make_unique<SabrelProcessor>();
    }

    void TearDown() override
    {
        editor.reset();
        processor.reset();
    }

    SabrelEditor& openEditor()
    {
        editor.reset();
        editor.reset (static_cast<SabrelEditor*> (processor->createEditor()));
        return *editor;
    }

    void closeEditor() { editor.reset(); }

    // Sets a parameter in its own units, as a host would.
    void setParameter (const juce::String& id, float value)
    {
        auto* parameter = processor->apvts.getParameter (id);
        ASSERT_NE (parameter, nullptr) << id;
        parameter->setValueNotifyingHost (parameter->convertTo0to1 (value));
    }

    float raw (const juce::String& id) const { return processor->rawParamValue (id); }

    // Puts band `band` in use with a type and frequency.
    void useBand (int band, int type, float frequency, float gainDb = 0.0f)
    {
        setParameter (bandParamId (band, "on"), 1.0f);
        setParameter (bandParamId (band, "type"), (float) type);
        setParameter (bandParamId (band, "freq"), frequency);
        setParameter (bandParamId (band, "gain"), gainDb);
    }

    // Puts a band in use with every field of the record.
    void useBand (const BandSpec& b)
    {
        useBand (b.band, b.type, b.freq, b.gain);
        setParameter (bandParamId (b.band, "q"), b.q);
        setParameter (bandParamId (b.band, "channel"), (float) b.channel);
        setParameter (bandParamId (b.band, "slope"), (float) b.slopeIndex);
        setParameter (bandParamId (b.band, "dynon"), b.dynamic ? 1.0f : 0.0f);
    }

    std::unique_ptr<SabrelProcessor> processor;
    std::unique_ptr<SabrelEditor> editor;
};
