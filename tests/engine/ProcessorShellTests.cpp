#include "engine/SabrelProcessor.h"

#include <gtest/gtest.h>

namespace
{
using Set = juce::AudioChannelSet;

juce::AudioProcessor::BusesLayout makeLayout (std::vector<Set> inputs, std::vector<Set> outputs)
{
    juce::AudioProcessor::BusesLayout layout;
    for (auto& s : inputs)
        layout.inputBuses.add (s);
    for (auto& s : outputs)
        layout.outputBuses.add (s);
    return layout;
}
} // namespace

TEST (ProcessorShell, BusRule)
{
    struct Case
    {
        const char* what;
        std::vector<Set> inputs, outputs;
        bool supported;
    };

    const Case cases[] = {
        { "stereo, no sidechain", { Set::stereo(), Set::disabled() }, { Set::stereo() }, true },
        { "stereo, sidechain bus absent", { Set::stereo() }, { Set::stereo() }, true },
        { "mono, stereo sidechain", { Set::mono(), Set::stereo() }, { Set::mono() }, true },
        { "mono, mono sidechain", { Set::mono(), Set::mono() }, { Set::mono() }, true },
        { "stereo in, mono out", { Set::stereo() }, { Set::mono() }, false },
        { "mono in, stereo out", { Set::mono() }, { Set::stereo() }, false },
        { "5.1 output", { Set::create5point1() }, { Set::create5point1() }, false },
        { "three-channel sidechain", { Set::stereo(), Set::createLCR() }, { Set::stereo() }, false },
        { "no input bus", {}, { Set::stereo() }, false },
        { "no output bus", { Set::stereo() }, {}, false },
        { "disabled main buses", { Set::disabled() }, { Set::disabled() }, false },
    };

    SabrelProcessor processor;
    for (const auto& c : cases)
        EXPECT_EQ (processor.isBusesLayoutSupported (makeLayout (c.inputs, c.outputs)), c.supported) << c.what;
}

TEST (ProcessorShell, DeclaredBuses)
{
    SabrelProcessor processor;
    ASSERT_EQ (processor.getBusCount (true), 2);
    ASSERT_EQ (processor.getBusCount (false), 1);

    EXPECT_EQ (processor.getBus (true, 0)->getName(), "Input");
    EXPECT_EQ (processor.getBus (false, 0)->getName(), "Output");
    EXPECT_EQ (processor.getBus (true, 1)->getName(), "Sidechain");
    EXPECT_EQ (processor.getBus (true, 0)->getCurrentLayout(), Set::stereo());
    EXPECT_EQ (processor.getBus (false, 0)->getCurrentLayout(), Set::stereo());
    EXPECT_FALSE (processor.getBus (true, 1)->isEnabled());
    EXPECT_EQ (processor.getBus (true, 1)->getDefaultLayout(), Set::stereo());
}

TEST (ProcessorShell, WhatTheHostSees)
{
    SabrelProcessor processor;
    EXPECT_EQ (processor.getName(), "Sabrel");
    EXPECT_EQ (processor.getNumPrograms(), 1);
    EXPECT_EQ (processor.getCurrentProgram(), 0);
    EXPECT_EQ (processor.getProgramName (0), juce::String());
    EXPECT_FALSE (processor.acceptsMidi());
    EXPECT_FALSE (processor.producesMidi());
    EXPECT_EQ (processor.getTailLengthSeconds(), 0.0);
    EXPECT_TRUE (processor.hasEditor());
    EXPECT_FALSE (processor.supportsDoublePrecisionProcessing());
    EXPECT_EQ (processor.getBypassParameter(), nullptr);
}

TEST (ProcessorShell, PublishedValuesStartCleared)
{
    SabrelProcessor processor;
    for (auto& peak : processor.peakDb)
        EXPECT_EQ (peak.load(), 0.0f);

    for (auto* ring : { &processor.analyzerPre, &processor.analyzerPost })
    {
        EXPECT_EQ (ring->writeCount.load(), 0u);
        for (auto& s : ring->samples)
            ASSERT_EQ (s.load(), 0.0f);
    }

    EXPECT_FALSE (processor.sidechainActive.load());
    EXPECT_EQ (processor.sampleRate, 44100.0);
}

TEST (ProcessorShell, EditorHasTheDesignSize)
{
    SabrelProcessor processor;
    std::unique_ptr<juce::AudioProcessorEditor> editor (processor.createEditor());
    ASSERT_NE (editor, nullptr);
    EXPECT_EQ (editor->getWidth(), 980);
    EXPECT_EQ (editor->getHeight(), 690);
    processor.editorBeingDeleted (editor.get());
}
