// Pictures of the curve canvas and of the whole window for a person to look at, at 1x and 2x,
// under <build>/tests/output/gallery/editor_canvas_*.png: the band sets of the curve tests, a
// dynamic Bell with its overlay open, all 24 bands, and a sine and pink noise in the analyser.
// Nothing is compared here.

#include "EditorTestFixture.h"
#include "support/GalleryPng.h"

#include <functional>

namespace
{
enum class Signal { none, sine, pinkNoise };

struct Scene
{
    const char* name;
    std::vector<BandSpec> bands;
    Signal signal = Signal::none;
    int selected = -1;
    std::function<void (SabrelProcessor&)> extra = {};
};

// Every band in use, spread over the axis and the five channel targets: a cut at each end, a
// notch and a tilt, shelves near the ends and Bells between; every fourth Bell dynamic.
std::vector<BandSpec> allBands()
{
    std::vector<BandSpec> bands;
    for (int b = 0; b < eqBandCount; ++b)
    {
        const float freq = 25.0f * std::pow (700.0f, (float) b / 23.0f);
        int type = FilterType::bell;
        if (b == 0)
            type = FilterType::lowCut;
        else if (b == 23)
            type = FilterType::highCut;
        else if (b == 11)
            type = FilterType::notch;
        else if (b == 7)
            type = FilterType::tilt;
        else if (b < 4)
            type = FilterType::lowShelf;
        else if (b > 19)
            type = FilterType::highShelf;
        const float gain = (b % 2 == 0 ? 1.0f : -1.0f) * (2.0f + (float) (b % 4));
        bands.push_back ({ b, type, freq, gain, 1.4f, b % 5, 3, type == FilterType::bell && b % 4 == 1 });
    }
    return bands;
}

const std::vector<Scene> scenes {
    { "stereo_bells_shelves", bandsets::stereoBellsAndShelves },
    { "mid_side", bandsets::midAndSide },
    { "left_right_stereo", bandsets::leftRightAndStereo },
    { "cut_96", bandsets::cut96 },
    { "dynamic_bell_overlay",
      { { 0, FilterType::bell, 1200.0f, -4.0f, 1.5f, ChannelMode::stereo, 1, true }, { 1, FilterType::lowShelf, 100.0f, 2.0f, 0.7f } },
      Signal::pinkNoise, 0,
      [] (SabrelProcessor& p) {
          p.apvts.getParameter (bandParamId (0, "auto"))->setValueNotifyingHost (0.0f);
          auto* thresh = p.apvts.getParameter (bandParamId (0, "thresh"));
          thresh->setValueNotifyingHost (thresh->convertTo0to1 (-40.0f));
      } },
    { "all_24_bands", allBands(), Signal::pinkNoise, 13 },
    { "analyser_sine", { { 0, FilterType::bell, 1000.0f, -6.0f, 2.0f } }, Signal::sine },
    { "analyser_pink_noise",
      { { 0, FilterType::lowCut, 60.0f, 0.0f, 0.7f, ChannelMode::stereo, 3 }, { 1, FilterType::bell, 2500.0f, 6.0f, 1.0f },
        { 2, FilterType::highShelf, 10000.0f, -8.0f, 0.7f } },
      Signal::pinkNoise },
};

juce::Image render (juce::Component& c, int scale)
{
    juce::Image image (juce::Image::ARGB, c.getWidth() * scale, c.getHeight() * scale, true, juce::SoftwareImageType());
    juce::Graphics g (image);
    g.addTransform (juce::AffineTransform::scale ((float) scale));
    c.paintEntireComponent (g, true);
    return image;
}

// Runs 0.4 s of the scene's signal through the processor, ticking the display as it goes.
void play (SabrelProcessor& processor, SabrelEditor& editor, Signal signal)
{
    constexpr int block = 480; // 10 ms
    juce::AudioBuffer<float> buffer (2, block);
    juce::MidiBuffer midi;
    juce::Random random (5);
    double phase = 0.0, now = 1.0e6;
    float b0 = 0.0f, b1 = 0.0f, b2 = 0.0f;

    for (int n = 0; n < 40; ++n)
    {
        for (int i = 0; i < block; ++i)
        {
            float s = 0.0f;
            if (signal == Signal::sine)
            {
                s = 0.5f * (float) std::sin (phase);
                phase += 6.283185307179586 * 1000.0 / 48000.0;
            }
            else if (signal == Signal::pinkNoise)
            {
                const float white = random.nextFloat() * 2.0f - 1.0f;
                b0 = 0.99765f * b0 + white * 0.0990460f;
                b1 = 0.96300f * b1 + white * 0.2965164f;
                b2 = 0.57000f * b2 + white * 1.0526913f;
                s = (b0 + b1 + b2 + white * 0.1848f) * 0.12f;
            }
            buffer.setSample (0, i, s);
            buffer.setSample (1, i, s);
        }
        processor.processBlock (buffer, midi);
        if (n % 3 == 2)
            editor.onDisplayRefresh (now += 40.0);
    }
    editor.onDisplayRefresh (now += 40.0);
}
} // namespace

class CanvasGallery : public EditorTest
{
};

TEST_F (CanvasGallery, CanvasAndWindowForEachScene)
{
    for (const auto& scene : scenes)
    {
        SCOPED_TRACE (scene.name);
        processor = std::make_unique<SabrelProcessor>();
        processor->setRateAndBufferSizeDetails (48000.0, 480);
        processor->prepareToPlay (48000.0, 480);
        for (const auto& b : scene.bands)
            useBand (b);
        if (scene.extra)
            scene.extra (*processor);

        auto& editor = openEditor();
        play (*processor, editor, scene.signal);
        editor.curveCanvas.selectBand (scene.selected);

        for (const int scale : { 1, 2 })
        {
            const auto suffix = juce::String (scene.name) + "@" + juce::String (scale) + "x.png";
            writeGalleryPng (render (editor.curveCanvas, scale), "editor_canvas_" + suffix);
            writeGalleryPng (render (editor, scale), "editor_canvas_window_" + suffix);
        }
        closeEditor();
    }
}
