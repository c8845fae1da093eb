// The editor's display refresh runs on every vertical blank. A callback that is not due must
// cost next to nothing; a due tick and the model sync during a drag must fit a 120 Hz frame
// many times over. The clock is passed in, so every iteration takes the path it measures.
#include "EditorBenchmarkSupport.h"
#include "editor/SabrelEditor.h"
#include "update/UpdateChecker.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <limits>

namespace
{
using editorbench::set;
using editorbench::useQuietSettingsFolder;

// All 24 bands in use, every type, a third of them dynamic Bells or shelves.
void useAllBands (SabrelProcessor& p, int phaseMode)
{
    const int types[] { FilterType::bell, FilterType::lowShelf, FilterType::highShelf, FilterType::bell,
                        FilterType::lowCut, FilterType::highCut, FilterType::notch, FilterType::tilt };
    for (int b = 0; b < eqBandCount; ++b)
    {
        const int type = types[b % 8];
        set (p, bandParamId (b, "on"), 1.0f);
        set (p, bandParamId (b, "type"), (float) type);
        set (p, bandParamId (b, "freq"), 30.0f * std::pow (600.0f, (float) b / 23.0f));
        set (p, bandParamId (b, "gain"), (float) (b % 5) * 2.0f - 4.0f);
        set (p, bandParamId (b, "tilt"), 3.0f);
        set (p, bandParamId (b, "slope"), (float) (b % 9));
        set (p, bandParamId (b, "dynon"), b % 3 == 0 ? 1.0f : 0.0f);
        p.bandGainDb[(size_t) b] = -1.5f;
    }
    set (p, "phasemode", (float) phaseMode);
    set (p, "gainscale", 80.0f);
}

struct Fixture
{
    explicit Fixture (int phaseMode)
    {
        useQuietSettingsFolder();
        processor = std::make_unique<SabrelProcessor>();
        useAllBands (*processor, phaseMode);
        editor.reset (static_cast<SabrelEditor*> (processor->createEditor()));
        editor->setAnalyzerMode (0);
        editor->onDisplayRefresh (start);
    }

    ~Fixture()
    {
        editor.reset();
        processor.reset();
    }

    static constexpr double start = 1.0e6;

    // JUCE's GUI environment for this benchmark only: one kept until the process exits would be
    // shut down after other statics are gone.
    juce::ScopedJuceInitialiser_GUI juce;
    std::unique_ptr<SabrelProcessor> processor;
    std::unique_ptr<SabrelEditor> editor;
};

void notDue (benchmark::State& state)
{
    Fixture f (0);
    for (auto _ : state)
        f.editor->onDisplayRefresh (Fixture::start + 1.0);
}

// The callback as the attachment calls it, clock read included; the last tick lies ahead of
// any time the clock can show, so it never becomes due.
void notDueWithClock (benchmark::State& state)
{
    Fixture f (0);
    f.editor->lastRefreshMs = std::numeric_limits<double>::max();
    for (auto _ : state)
        f.editor->onDisplayRefresh();
}

void dueTick (benchmark::State& state)
{
    Fixture f ((int) state.range (0));
    double now = Fixture::start;
    for (auto _ : state)
        f.editor->onDisplayRefresh (now += 40.0);
}

void syncDuringDrag (benchmark::State& state)
{
    Fixture f ((int) state.range (0));
    f.editor->curveCanvas.dragBand = 3;
    for (auto _ : state)
        f.editor->onDisplayRefresh (Fixture::start + 1.0);
}
} // namespace

BENCHMARK (notDue);
BENCHMARK (notDueWithClock);
BENCHMARK (dueTick)->ArgName ("phasemode")->Arg (0)->Arg (1)->Unit (benchmark::kMicrosecond);
BENCHMARK (syncDuringDrag)->ArgName ("phasemode")->Arg (0)->Arg (1)->Unit (benchmark::kMicrosecond);
