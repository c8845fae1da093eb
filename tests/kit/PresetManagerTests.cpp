#include "kit/PresetManager.h"

#include <gtest/gtest.h>

namespace
{
// The least a parameter state needs: a processor to belong to.
class StubProcessor : public juce::AudioProcessor
{
public:
    const juce::String getName() const override { return "Stub"; }
    void prepareToPlay (double, int) override {}
    void releaseResources() override {}
    using juce::AudioProcessor::processBlock;
    void processBlock (juce::AudioBuffer<float>&, juce::MidiBuffer&) override {}
    double getTailLengthSeconds() const override { return 0.0; }
    bool acceptsMidi() const override { return false; }
    bool producesMidi() const override { return false; }
    juce::AudioProcessorEditor* createEditor() override { return nullptr; }
    bool hasEditor() const override { return false; }
    int getNumPrograms() override { return 1; }
    int getCurrentProgram() override { return 0; }
    void setCurrentProgram (int) override {}
    const juce::String getProgramName (int) override { return {}; }
    void changeProgramName (int, const juce::String&) override {}
    void getStateInformation (juce::MemoryBlock&) override {}
    void setStateInformation (const void*, int) override {}
};

juce::AudioProcessorValueTreeState::ParameterLayout makeLayout()
{
    juce::AudioProcessorValueTreeState::ParameterLayout layout;
    layout.add (std::make_unique<juce::AudioParameterFloat> ("gain", "Gain", -24.0f, 24.0f, 0.0f));
    layout.add (std::make_unique<juce::AudioParameterFloat> ("freq", "Freq", 20.0f, 20000.0f, 1000.0f));
    layout.add (std::make_unique<juce::AudioParameterBool> ("bypass", "Bypass", false));
    return layout;
}

class PresetManagerTest : public ::testing::Test
{
protected:
    StubProcessor processor;
    juce::AudioProcessorValueTreeState state { processor, nullptr, "PARAMS", makeLayout() };

    void change (const juce::String& id, float normalised)
    {
        state.getParameter (id)->setValueNotifyingHost (normalised);
    }
};
} // namespace

TEST_F (PresetManagerTest, ChangeOfAWatchedParameterMarksThePresetModified)
{
    kov::PresetManager presets (state, { "gain", "freq" }, "Presets");
    presets.setCurrentName ("Init");
    EXPECT_FALSE (presets.isModified());

    change ("bypass", 1.0f); // not watched
    EXPECT_FALSE (presets.isModified());

    change ("gain", 0.75f);
    EXPECT_TRUE (presets.isModified());
    EXPECT_EQ (presets.getCurrentName(), "Init");

    presets.setCurrentName ("Warm");
    EXPECT_FALSE (presets.isModified());
}

TEST_F (PresetManagerTest, ChangesDuringALoadDoNotCount)
{
    kov::PresetManager presets (state, { "gain", "freq" }, "Presets");

    presets.setLoading (true);
    change ("gain", 0.25f);
    change ("freq", 0.5f);
    EXPECT_FALSE (presets.isModified());

    // A load leaves an earlier edit marked as it was.
    presets.setLoading (false);
    change ("freq", 0.9f);
    EXPECT_TRUE (presets.isModified());
    presets.setLoading (true);
    change ("gain", 0.1f);
    EXPECT_TRUE (presets.isModified());
}

TEST_F (PresetManagerTest, StopsListeningWhenDestroyed)
{
    auto presets = std::make_unique<kov::PresetManager> (state, juce::StringArray { "gain", "no-such-id" }, "Presets");
    change ("gain", 0.6f);
    EXPECT_TRUE (presets->isModified());
    presets.reset();

    // With the listener still registered this would call into freed memory.
    change ("gain", 0.3f);
    SUCCEED();
}
