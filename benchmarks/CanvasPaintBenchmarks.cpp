// Drawing costs of the curve canvas at 48 kHz with the software renderer, at 1x and 2x:
// (a) a due display tick with both analysers on: two transforms and the trace image;
// (b) a canvas repaint during a handle drag, 24 bands over all five channel targets (the
//     most curves: two layers of five groups), the analyser image cached;
// (c) a repaint of the whole window.
#include "EditorBenchmarkSupport.h"
#include "editor/SabrelEditor.h"
#include "update/UpdateChecker.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>

namespace
{
void setUpOnce()
{
    static juce::ScopedJuceInitialiser_GUI juce;
    editorbench::useQuietSettingsFolder();
}

using editorbench::set;

// 24 bands of every type over the five channel targets; a third of them dynamic.
void useAllBands (SabrelProcessor& p)
{
    const int types[] { FilterType::bell, FilterType::lowShelf, FilterType::highShelf, FilterType::bell,
                        FilterType::lowCut, FilterType::highCut, FilterType::notch, FilterType::tilt };
    for (int b = 0; b < eqBandCount; ++b)
    {
        set (p, bandParamId (b, "on"), 1.0f);
        set (p, bandParamId (b, "type"), (float) types[b % 8]);
        set (p, bandParamId (b, "freq"), 30.0f * std::pow (600.0f, (float) b / 23.0f));
        set (p, bandParamId (b, "gain"), (float) (b % 5) * 2.0f - 4.0f);
        set (p, bandParamId (b, "slope"), (float) (b % 9));
        set (p, bandParamId (b, "channel"), (float) (b % 5));
        set (p, bandParamId (b, "dynon"), b % 3 == 0 ? 1.0f : 0.0f);
        p.bandGainDb[(size_t) b] = -3.0f;
    }
}

// Pink-ish noise into the pre ring, the same a little quieter into the post ring.
void fillRings (SabrelProcessor& p)
{
    juce::Random random (3);
    std::vector<float> pre (16384), post (16384);
    float b0 = 0.0f, b1 = 0.0f, b2 = 0.0f;
    for (size_t i = 0; i < pre.size(); ++i)
    {
        const float white = random.nextFloat() * 2.0f - 1.0f;
        b0 = 0.99765f * b0 + white * 0.0990460f;
        b1 = 0.96300f * b1 + white * 0.2965164f;
        b2 = 0.57000f * b2 + white * 1.0526913f;
        pre[i] = (b0 + b1 + b2 + white * 0.1848f) * 0.1f;
        post[i] = pre[i] * 0.5f;
    }
    const float* a[] { pre.data() };
    const float* b[] { post.data() };
    p.analyzerPre.push (a, 1, (int) pre.size());
    p.analyzerPost.push (b, 1, (int) post.size());
}

struct Fixture
{
    Fixture()
    {
        setUpOnce();
        processor = std::make_unique<SabrelProcessor>();
        processor->setRateAndBufferSizeDetails (48000.0, 512);
        processor->prepareToPlay (48000.0, 512);
        useAllBands (*processor);
        fillRings (*processor);
        editor.reset (static_cast<SabrelEditor*> (processor->createEditor()));
        editor->setAnalyzerMode (2);
        editor->onDisplayRefresh (1.0e6); // one tick: analysers, models, the canvas's band copy
        canvas().selectedBand = 3;
    }

    ~Fixture()
    {
        editor.reset();
        processor.reset();
    }

    CurveCanvas& canvas() { return editor->curveCanvas; }

    std::unique_ptr<SabrelProcessor> processor;
    std::unique_ptr<SabrelEditor> editor;
};

juce::Image targetFor (juce::Component& c, int scale)
{
    return juce::Image (juce::Image::ARGB, c.getWidth() * scale, c.getHeight() * scale, true, juce::SoftwareImageType());
}

// (a) Both transforms, then the trace image built as paint rebuilds it.
void displayTick (benchmark::State& state)
{
    Fixture f;
    auto& canvas = f.canvas();
    const auto scale = (float) state.range (0);

    for (auto _ : state)
    {
        canvas.updateAnalysers();
        juce::Image traces (juce::Image::ARGB, juce::roundToInt (canvas.getWidth() * scale),
                            juce::roundToInt (canvas.getHeight() * scale), true, juce::NativeImageType());
        juce::Graphics g (traces);
        g.addTransform (juce::AffineTransform::scale (scale));
        canvas.drawSpectrum (g, canvas.preAnalyser, false);
        canvas.drawSpectrum (g, canvas.postAnalyser, true);
        benchmark::DoNotOptimize (traces.getPixelData());
    }
}

// (b) One drag step: the band moves, the static model is redesigned, the canvas repaints.
void dragRepaint (benchmark::State& state)
{
    Fixture f;
    auto& canvas = f.canvas();
    const int scale = (int) state.range (0);
    auto target = targetFor (canvas, scale);
    juce::Graphics g (target);
    g.addTransform (juce::AffineTransform::scale ((float) scale));
    canvas.paint (g); // builds the analyser image once
    canvas.dragBand = 3;

    int step = 0;
    for (auto _ : state)
    {
        canvas.bands[3].freq = 200.0 + 10.0 * (++step % 50);
        canvas.staticModel.setBands (canvas.scaledBands (canvas.bands));
        canvas.paint (g);
    }
    state.counters["image rebuilt"] = canvas.analyserImageDirty ? 1.0 : 0.0;
}

// (d) One drag step as the window repaints it: the canvas is not opaque (rounded corners), so
// everything under its bounds is painted again too.
void dragRepaintInWindow (benchmark::State& state)
{
    Fixture f;
    auto& editor = *f.editor;
    auto& canvas = f.canvas();
    const int scale = (int) state.range (0);
    auto target = targetFor (editor, scale);
    juce::Graphics g (target);
    g.addTransform (juce::AffineTransform::scale ((float) scale));
    editor.paintEntireComponent (g, true); // builds textures and the analyser image once
    g.reduceClipRegion (editor.getLocalArea (&canvas, canvas.getLocalBounds()));
    canvas.dragBand = 3;

    int step = 0;
    for (auto _ : state)
    {
        canvas.bands[3].freq = 200.0 + 10.0 * (++step % 50);
        canvas.staticModel.setBands (canvas.scaledBands (canvas.bands));
        editor.paintEntireComponent (g, true);
    }
}

// (c) The whole window, analyser image cached.
void windowRepaint (benchmark::State& state)
{
    Fixture f;
    auto& editor = *f.editor;
    const int scale = (int) state.range (0);
    auto target = targetFor (editor, scale);
    juce::Graphics g (target);
    g.addTransform (juce::AffineTransform::scale ((float) scale));

    for (auto _ : state)
        editor.paintEntireComponent (g, true);
}
} // namespace

BENCHMARK (displayTick)->ArgName ("scale")->Arg (1)->Arg (2)->Unit (benchmark::kMillisecond);
BENCHMARK (dragRepaint)->ArgName ("scale")->Arg (1)->Arg (2)->Unit (benchmark::kMillisecond);
BENCHMARK (dragRepaintInWindow)->ArgName ("scale")->Arg (1)->Arg (2)->Unit (benchmark::kMillisecond);
BENCHMARK (windowRepaint)->ArgName ("scale")->Arg (1)->Arg (2)->Unit (benchmark::kMillisecond);
