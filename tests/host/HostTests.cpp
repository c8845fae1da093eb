// Loads the built module from the build tree exactly as a host does and checks what a host sees.

#include "HostedPlugin.h"

namespace
{
using Set = juce::AudioChannelSet;
} // namespace

TEST_F (HostedPlugin, Description)
{
    EXPECT_EQ (description.name, "Kovalin Sabrel");
    EXPECT_EQ (description.manufacturerName, "kovalin");
    EXPECT_EQ (description.category, "Fx|EQ");
    EXPECT_EQ (description.version, "0.1.0");
    EXPECT_EQ (description.pluginFormatName, "VST3");
    EXPECT_FALSE (description.isInstrument);
    EXPECT_EQ (plugin->getName(), "Kovalin Sabrel");
}

TEST_F (HostedPlugin, ParametersAsTheHostSeesThem)
{
    const auto& params = plugin->getParameters();
    ASSERT_EQ (params.size(), 440); // 439 of the plug-in's own, then the wrapper's bypass
    EXPECT_EQ (params[0]->getName (100), "Band 1 On");
    EXPECT_EQ (params[431]->getName (100), "Band 24 Tilt");
    EXPECT_EQ (params[438]->getName (100), "Auto Gain");
    EXPECT_TRUE (params[439]->isMetaParameter() || params[439]->getName (100).containsIgnoreCase ("bypass"));
    EXPECT_EQ (plugin->getBypassParameter(), params[439]);

    struct Case
    {
        const char* name;
        const char* label;
        const char* defaultText;
    };

    const Case cases[] = {
        { "Band 1 Freq", "Hz", "30" },
        { "Band 10 Freq", "Hz", "350" },
        { "Band 24 Freq", "Hz", "16.0 k" },
        { "Band 3 Gain", "dB", "0.0" },
        { "Band 3 Q", "", "0.71" },
        { "Band 5 Threshold", "dB", "-18.0" },
        { "Band 5 Attack", "ms", "5.0" },
        { "Band 5 Release", "ms", "80" },
        { "Band 5 Ratio", "", "Inf" },
        { "Band 7 Slope", "", "12 dB/oct" },
        { "Band 7 Type", "", "Bell" },
        { "Band 7 Channel", "", "Stereo" },
        { "Phase", "", "Zero Latency" },
        { "Gain Scale", "%", "100" },
    };

    for (const auto& c : cases)
    {
        auto* p = parameterNamed (c.name);
        ASSERT_NE (p, nullptr) << c.name;
        EXPECT_EQ (p->getLabel(), juce::String (c.label)) << c.name;
        EXPECT_EQ (p->getCurrentValueAsText(), juce::String (c.defaultText)) << c.name;
    }
}

TEST_F (HostedPlugin, SettingANormalisedValueReadsBackItsText)
{
    struct Case
    {
        const char* name;
        float normalised;
        const char* text;
    };

    const Case cases[] = {
        { "Band 1 Freq", 1.0f, "30.0 k" },
        { "Band 1 Gain", 1.0f, "30.0" },
        { "Band 1 Gain", 0.0f, "-30.0" },
        { "Band 2 Ratio", 0.5f, "4.0:1" },
        { "Band 2 Type", 1.0f, "Tilt" },
        { "Oversampling", 0.5f, "2x" },
        { "Output", 0.0f, "-24.0" },
    };

    for (const auto& c : cases)
    {
        auto* p = parameterNamed (c.name);
        ASSERT_NE (p, nullptr) << c.name;
        p->setValueNotifyingHost (c.normalised);
        EXPECT_EQ (p->getCurrentValueAsText(), juce::String (c.text)) << c.name;
    }
}

TEST_F (HostedPlugin, BusLayouts)
{
    struct Case
    {
        const char* what;
        Set input, sidechain, output;
        bool accepted;
    };

    const Case cases[] = {
        { "stereo", Set::stereo(), Set::disabled(), Set::stereo(), true },
        { "mono", Set::mono(), Set::disabled(), Set::mono(), true },
        { "stereo with stereo sidechain", Set::stereo(), Set::stereo(), Set::stereo(), true },
        { "mono with mono sidechain", Set::mono(), Set::mono(), Set::mono(), true },
        { "stereo in, mono out", Set::stereo(), Set::disabled(), Set::mono(), false },
        { "5.1", Set::create5point1(), Set::disabled(), Set::create5point1(), false },
    };

    for (const auto& c : cases)
    {
        juce::AudioProcessor::BusesLayout layout;
        layout.inputBuses.add (c.input);
        layout.inputBuses.add (c.sidechain);
        layout.outputBuses.add (c.output);
        EXPECT_EQ (plugin->setBusesLayout (layout), c.accepted) << c.what;
    }
}

TEST_F (HostedPlugin, SavedStateRestoresIntoSecondInstance)
{
    auto& params = plugin->getParameters();
    juce::Random random (42);
    for (int i = 0; i < 439; ++i)
        params[i]->setValueNotifyingHost (random.nextFloat());

    juce::MemoryBlock state;
    plugin->getStateInformation (state);
    ASSERT_GT (state.getSize(), 0u);

    auto second = create();
    ASSERT_NE (second, nullptr);
    second->setStateInformation (state.getData(), (int) state.getSize());

    for (int i = 0; i < 439; ++i)
        EXPECT_EQ (second->getParameters()[i]->getCurrentValueAsText(), params[i]->getCurrentValueAsText())
            << params[i]->getName (100);

    // The host's own copy of a value is what it set, before the plug-in snapped it; the values
    // the plug-in restored must survive a further save and restore unchanged.
    juce::MemoryBlock secondState;
    second->getStateInformation (secondState);
    auto third = create();
    ASSERT_NE (third, nullptr);
    third->setStateInformation (secondState.getData(), (int) secondState.getSize());

    for (int i = 0; i < 439; ++i)
        EXPECT_EQ (third->getParameters()[i]->getValue(), second->getParameters()[i]->getValue())
            << params[i]->getName (100);
}

TEST_F (HostedPlugin, AudioPassesThrough)
{
    plugin->enableAllBuses();
    juce::AudioProcessor::BusesLayout layout;
    layout.inputBuses.add (Set::stereo());
    layout.inputBuses.add (Set::disabled());
    layout.outputBuses.add (Set::stereo());
    ASSERT_TRUE (plugin->setBusesLayout (layout));

    constexpr int blockSize = 512;
    plugin->prepareToPlay (48000.0, blockSize);
    EXPECT_EQ (plugin->getLatencySamples(), 0);

    juce::AudioBuffer<float> buffer (2, blockSize);
    juce::MidiBuffer midi;
    for (int block = 0; block < 8; ++block)
    {
        for (int ch = 0; ch < 2; ++ch)
            for (int i = 0; i < blockSize; ++i)
                buffer.setSample (ch, i, 0.5f * std::sin (0.05f * (float) (block * blockSize + i) + (float) ch));

        juce::AudioBuffer<float> input;
        input.makeCopyOf (buffer);
        plugin->processBlock (buffer, midi);

        // All bands are off and every gain is at 0 dB: the signal comes out as it went in.
        for (int ch = 0; ch < 2; ++ch)
            for (int i = 0; i < blockSize; ++i)
                ASSERT_NEAR (buffer.getSample (ch, i), input.getSample (ch, i), 1.0e-6f) << "block " << block;
    }

    plugin->releaseResources();
}
