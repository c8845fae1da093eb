// Renders the whole editor window with the software renderer at 1x and 2x into
// <build>/tests/output/gallery/ so that a person can look at it. Nothing is compared here.

#include "EditorTestFixture.h"
#include "support/GalleryPng.h"

#include <cmath>

namespace
{
// Pink-ish noise with a few tones through the processor, so that meters and analysers show
// something.
void playSomeAudio (SabrelProcessor& p)
{
    constexpr double rate = 48000.0;
    constexpr int blockSize = 512;
    p.prepareToPlay (rate, blockSize);

    juce::AudioBuffer<float> buffer (2, blockSize);
    juce::MidiBuffer midi;
    juce::Random random (7);
    double phase = 0.0;
    float lowpass = 0.0f;

    for (int block = 0; block < 24; ++block)
    {
        buffer.clear();
        for (int i = 0; i < blockSize; ++i)
        {
            lowpass += 0.05f * (random.nextFloat() * 2.0f - 1.0f - lowpass);
            phase += 2.0 * juce::MathConstants<double>::pi * 220.0 / rate;
            const auto s = 0.5f * lowpass + 0.2f * (float) std::sin (phase) + 0.05f * (float) std::sin (phase * 13.0);
            buffer.setSample (0, i, s);
            buffer.setSample (1, i, s * 0.8f);
        }
        p.processBlock (buffer, midi);
    }
}

juce::File saveWindow (SabrelEditor& e, double scale, const juce::String& name)
{
    e.setUiScale (scale);
    juce::Image image (juce::Image::ARGB, e.getWidth(), e.getHeight(), true, juce::SoftwareImageType());
    {
        juce::Graphics g (image);
        e.paintEntireComponent (g, true);
    }

    return writeGalleryPng (image, name);
}
} // namespace

TEST_F (EditorTest, GalleryOfTheWholeWindow)
{
    useBand (0, FilterType::lowCut, 40.0f);
    setParameter (bandParamId (0, "slope"), 3.0f);
    useBand (1, FilterType::bell, 180.0f, 4.5f);
    useBand (2, FilterType::bell, 1200.0f, -6.0f);
    setParameter (bandParamId (2, "q"), 2.5f);
    setParameter (bandParamId (2, "dynon"), 1.0f);
    useBand (3, FilterType::highShelf, 8000.0f, 3.0f);
    useBand (4, FilterType::notch, 3500.0f);
    setParameter (bandParamId (4, "channel"), 2.0f);
    setParameter ("phasemode", 1.0f);
    setParameter ("autogain", 1.0f);
    playSomeAudio (*processor);

    auto& e = openEditor();
    e.curveCanvas.selectBand (2);
    for (int tick = 0; tick < 8; ++tick)
    {
        playSomeAudio (*processor);
        e.onDisplayRefresh (1000.0 + 40.0 * tick);
    }

    for (const auto& [scale, name] : { std::pair { 1.0, "editor_window_1x.png" }, std::pair { 2.0, "editor_window_2x.png" } })
    {
        const auto file = saveWindow (e, scale, name);
        EXPECT_TRUE (file.existsAsFile()) << name;
    }
}
