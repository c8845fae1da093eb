#include "EditorTestFixture.h"
#include "InteractionTestSupport.h"

#include <cmath>
#include <limits>

namespace
{
const juce::Identifier ledLevel ("tcledlevel");

int ledOf (const juce::Button& b) { return (int) b.getProperties().getWithDefault (ledLevel, 0); }

// A refresh test drives the clock itself: the first call at t0 ticks, later calls choose.
constexpr double t0 = 100000.0;

void prepare (SabrelProcessor& p, double rate, int blockSize)
{
    p.setRateAndBufferSizeDetails (rate, blockSize);
    p.prepareToPlay (rate, blockSize);
}

// Prepares the processor at a rate, as a host does, and plays it a sine at half scale.
void playSine (SabrelProcessor& p, double rate, double frequency)
{
    constexpr int blockSize = 512;
    prepare (p, rate, blockSize);
    juce::AudioBuffer<float> buffer (juce::jmax (p.getTotalNumInputChannels(), p.getTotalNumOutputChannels()), blockSize);
    juce::MidiBuffer midi;
    double phase = 0.0;
    for (int block = 0; block < 16; ++block)
    {
        buffer.clear();
        for (int i = 0; i < blockSize; ++i)
        {
            for (int c = 0; c < 2; ++c)
                buffer.setSample (c, i, 0.5f * (float) std::sin (phase));
            phase += juce::MathConstants<double>::twoPi * frequency / rate;
        }
        p.processBlock (buffer, midi);
    }
}
} // namespace

TEST_F (EditorTest, RefreshThatIsNotDueDoesNothing)
{
    useBand (0, FilterType::bell, 500.0f, 6.0f);
    auto& e = openEditor();
    e.onDisplayRefresh (t0);
    EXPECT_DOUBLE_EQ (e.lastRefreshMs, t0);

    processor->peakDb[0] = -3.0f;
    setParameter (bandParamId (0, "gain"), -9.0f);
    setParameter ("phasemode", 2.0f);
    const auto levelBefore = e.meters[0].getLevelDb();

    e.onDisplayRefresh (t0 + 32.9);

    EXPECT_DOUBLE_EQ (e.lastRefreshMs, t0);
    EXPECT_FLOAT_EQ (processor->peakDb[0].load(), -3.0f);
    EXPECT_FLOAT_EQ (e.meters[0].getLevelDb(), levelBefore);
    EXPECT_DOUBLE_EQ (e.curveCanvas.bands[0].gain, 6.0);
    EXPECT_FALSE (e.curveCanvas.matchedDesign);
    EXPECT_EQ (ledOf (e.phaseButtons[2]), 0);

    // 33 ms after the last tick the next one runs, measured from that callback.
    e.onDisplayRefresh (t0 + 33.0);
    EXPECT_DOUBLE_EQ (e.lastRefreshMs, t0 + 33.0);
    EXPECT_DOUBLE_EQ (e.curveCanvas.bands[0].gain, -9.0);
    EXPECT_TRUE (e.curveCanvas.matchedDesign);
    EXPECT_EQ (ledOf (e.phaseButtons[2]), 2);
}

TEST_F (EditorTest, FirstRefreshAfterOpeningTicks)
{
    auto& e = openEditor();
    EXPECT_DOUBLE_EQ (e.lastRefreshMs, 0.0);
    processor->peakDb[1] = -12.0f;
    e.onDisplayRefresh (1.0e6);
    EXPECT_FLOAT_EQ (processor->peakDb[1].load(), -100.0f);
}

TEST_F (EditorTest, MetersTakeEachPeakByExchangeWithSilence)
{
    auto& e = openEditor();
    const float peaks[] { -1.0f, -6.0f, -20.0f, 2.0f };
    for (size_t k = 0; k < 4; ++k)
        processor->peakDb[k] = peaks[k];

    e.onDisplayRefresh (t0);
    for (size_t k = 0; k < 4; ++k)
    {
        EXPECT_FLOAT_EQ (processor->peakDb[k].load(), -100.0f) << k;
        EXPECT_FLOAT_EQ (e.meters[k].getLevelDb(), peaks[k]) << k;
        EXPECT_FLOAT_EQ (e.meters[k].getPeakDb(), peaks[k]) << k;
    }

    // Without audio every tick hands the meters silence, and they fall.
    for (int tick = 1; tick <= 40; ++tick)
        e.onDisplayRefresh (t0 + 33.0 * tick);
    for (size_t k = 0; k < 4; ++k)
    {
        EXPECT_FLOAT_EQ (processor->peakDb[k].load(), -100.0f);
        EXPECT_LT (e.meters[k].getLevelDb(), -47.0f) << k;
    }
}

TEST_F (EditorTest, PhaseLedsFollowThePhaseModeParameter)
{
    auto& e = openEditor();
    double now = t0;

    for (int mode : { 0, 1, 2, 0 })
    {
        setParameter ("phasemode", (float) mode);
        e.onDisplayRefresh (now += 40.0);

        for (int i = 0; i < 3; ++i)
        {
            EXPECT_EQ (ledOf (e.phaseButtons[(size_t) i]), i == mode ? 2 : 0) << mode << " " << i;
            EXPECT_EQ (e.phaseButtons[(size_t) i].getToggleState(), i == mode) << mode << " " << i;
        }
        EXPECT_EQ (e.curveCanvas.matchedDesign, mode != 0);
        EXPECT_EQ (e.curveCanvas.staticModel.matchedDesign, mode != 0);
        EXPECT_EQ (e.curveCanvas.dynamicModel.matchedDesign, mode != 0);
    }
}

TEST_F (EditorTest, PhaseButtonsSetThePhaseMode)
{
    auto& e = openEditor();
    EXPECT_EQ (ledOf (e.phaseButtons[0]), 2);

    for (int i : { 2, 1, 0 })
    {
        interaction::ParameterRecorder recorder (*processor);
        e.phaseButtons[(size_t) i].triggerClick();
        deliverPostedMessages();
        EXPECT_EQ ((int) raw ("phasemode"), i);
        EXPECT_TRUE (interaction::oneGestureEach (recorder, { "phasemode" }));
        for (int j = 0; j < 3; ++j)
        {
            EXPECT_EQ (ledOf (e.phaseButtons[(size_t) j]), j == i ? 2 : 0);
            EXPECT_EQ (e.phaseButtons[(size_t) j].getToggleState(), j == i);
        }
    }
}

TEST_F (EditorTest, AnalysersRunOnEveryTickInEveryMode)
{
    auto& e = openEditor();
    auto& c = e.curveCanvas;
    double now = t0;

    for (int mode : { 0, 1, 2 })
    {
        e.setAnalyzerMode (mode);
        e.onDisplayRefresh (now += 40.0);
        c.preAnalyser.hasFrame = c.postAnalyser.hasFrame = false;
        c.analyserImageDirty = false;

        e.onDisplayRefresh (now + 5.0); // not due: no analyser work
        EXPECT_FALSE (c.preAnalyser.hasFrame || c.postAnalyser.hasFrame) << mode;
        EXPECT_FALSE (c.analyserImageDirty) << mode;

        e.onDisplayRefresh (now += 40.0);
        EXPECT_TRUE (c.preAnalyser.hasFrame) << mode;
        EXPECT_TRUE (c.postAnalyser.hasFrame) << mode;
        EXPECT_TRUE (c.analyserImageDirty) << mode;
    }
}

TEST_F (EditorTest, SyncScalesGainsAndTakesLiveDynamicGains)
{
    useBand (0, FilterType::bell, 100.0f, 8.0f);
    useBand (1, FilterType::lowCut, 40.0f, 6.0f);
    useBand (2, FilterType::tilt, 1000.0f);
    setParameter (bandParamId (2, "tilt"), 4.0f);
    useBand (3, FilterType::highShelf, 8000.0f, -6.0f);
    setParameter (bandParamId (0, "dynon"), 1.0f);
    setParameter (bandParamId (0, "active"), 0.0f); // the active switch plays no part
    setParameter (bandParamId (1, "dynon"), 1.0f);  // a cut band never takes a live gain
    processor->bandGainDb[0] = -2.0f;
    processor->bandGainDb[1] = -5.0f;
    processor->bandGainDb[3] = -1.0f;

    auto& e = openEditor();
    auto& c = e.curveCanvas;
    double now = t0;

    const struct { float percent; double scale; } cases[] { { 100.0f, 1.0 }, { 50.0f, 0.5 }, { 0.0f, 0.0 }, { 200.0f, 2.0 } };
    for (const auto& s : cases)
    {
        setParameter ("gainscale", s.percent);
        e.onDisplayRefresh (now += 40.0);

        EXPECT_DOUBLE_EQ (c.gainScale, s.scale);
        EXPECT_TRUE (c.hasDynamicBands);
        // The working copy keeps the unscaled, static values.
        EXPECT_DOUBLE_EQ (c.bands[0].gain, 8.0);
        EXPECT_DOUBLE_EQ (c.bands[2].tilt, 4.0);
        // Both models see every gain and tilt scaled.
        EXPECT_NEAR (c.staticModel.bands[0].gain, 8.0 * s.scale, 1e-9) << s.percent;
        EXPECT_NEAR (c.staticModel.bands[2].tilt, 4.0 * s.scale, 1e-9);
        EXPECT_NEAR (c.staticModel.bands[3].gain, -6.0 * s.scale, 1e-9);
        EXPECT_NEAR (c.dynamicModel.bands[0].gain, -2.0 * s.scale, 1e-6);
        EXPECT_NEAR (c.dynamicModel.bands[1].gain, 6.0 * s.scale, 1e-6);
        EXPECT_NEAR (c.dynamicModel.bands[3].gain, -6.0 * s.scale, 1e-6); // not dynamic
        EXPECT_NEAR (c.dynamicModel.bands[2].tilt, 4.0 * s.scale, 1e-9);
    }

    setParameter (bandParamId (0, "dynon"), 0.0f);
    e.onDisplayRefresh (now += 40.0);
    EXPECT_FALSE (c.hasDynamicBands);
}

TEST_F (EditorTest, LinearPhaseDynamicBandsEnterTheModelAtZeroGain)
{
    useBand (4, FilterType::lowShelf, 200.0f, 5.0f);
    setParameter (bandParamId (4, "dynon"), 1.0f);
    setParameter ("phasemode", 2.0f);
    processor->bandGainDb[4] = 0.0f; // what the processor publishes in Linear Phase

    auto& e = openEditor();
    e.onDisplayRefresh (t0);
    EXPECT_TRUE (e.curveCanvas.hasDynamicBands);
    EXPECT_DOUBLE_EQ (e.curveCanvas.dynamicModel.bands[4].gain, 0.0);
    EXPECT_DOUBLE_EQ (e.curveCanvas.staticModel.bands[4].gain, 5.0);
}

TEST_F (EditorTest, WhileDraggingTheModelFollowsEveryCallButTheBandsStay)
{
    useBand (6, FilterType::bell, 300.0f, 4.0f);
    setParameter (bandParamId (6, "dynon"), 1.0f);
    auto& e = openEditor();
    auto& c = e.curveCanvas;
    e.onDisplayRefresh (t0);

    const struct { int* index; const char* name; } drags[] {
        { &c.dragBand, "band" }, { &c.draggedValueBox, "value box" },
        { &c.dynSliderDrag, "dynamics slider" }, { &c.thresholdDrag, "threshold" },
    };

    double now = t0;
    float live = -1.0f;
    for (const auto& d : drags)
    {
        *d.index = 0;
        c.bands[6].freq = 777.0; // the mouse handlers' own copy
        setParameter (bandParamId (6, "freq"), 2000.0f);

        // Calls 1 ms apart: none of them is due, each one syncs the dynamic model.
        for (int call = 0; call < 3; ++call)
        {
            processor->bandGainDb[6] = live;
            e.onDisplayRefresh (now += 1.0);
            EXPECT_FLOAT_EQ ((float) c.dynamicModel.bands[6].gain, live) << d.name;
            EXPECT_NEAR (c.dynamicModel.bands[6].freq, 2000.0, 0.01) << d.name;
            EXPECT_DOUBLE_EQ (c.bands[6].freq, 777.0) << d.name;
            live -= 1.0f;
        }

        // A tick during the drag still leaves the working copy alone.
        e.onDisplayRefresh (now += 40.0);
        EXPECT_DOUBLE_EQ (c.bands[6].freq, 777.0) << d.name;

        // Once the drag ends, the next tick takes the processor's bands again.
        *d.index = -1;
        e.onDisplayRefresh (now += 40.0);
        EXPECT_NEAR (c.bands[6].freq, 2000.0, 0.01) << d.name;
        EXPECT_NEAR (c.staticModel.bands[6].freq, 2000.0, 0.01) << d.name;
        setParameter (bandParamId (6, "freq"), 300.0f);
        e.onDisplayRefresh (now += 40.0);
    }
}

TEST_F (EditorTest, CanvasFollowsARateTheHostPreparesWhileItIsOpen)
{
    const struct { double opened, prepared; } cases[] { { 44100.0, 192000.0 }, { 96000.0, 44100.0 }, { 48000.0, 88200.0 } };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (juce::String (c.opened) + " -> " + juce::String (c.prepared));
        closeEditor();
        processor = std::make_unique<SabrelProcessor>();
        useBand (0, FilterType::highCut, 9000.0f);
        prepare (*processor, c.opened, 512);
        auto& e = openEditor();
        auto& canvas = e.curveCanvas;
        double now = t0;
        e.onDisplayRefresh (now);

        playSine (*processor, c.prepared, 1000.0);
        for (int tick = 0; tick < 12; ++tick)
            e.onDisplayRefresh (now += 40.0);

        // The tone is drawn at 1 kHz, within one bin at the new rate.
        const auto peak = analyserPeakColumn (canvas, canvas.postAnalyser);
        EXPECT_NEAR (canvas.xToFrequency ((float) peak.column), 1000.0, c.prepared / SpectrumAnalyser::fftSize);

        // Both curves are the band as designed at the new rate.
        EqEngine reference;
        reference.sampleRate = c.prepared;
        reference.setBands (processor->snapshotBands());
        for (double f : { 1000.0, 9000.0, 15000.0, 19500.0 })
        {
            EXPECT_NEAR (canvas.staticModel.bandMagnitudeDb (0, f), reference.bandMagnitudeDb (0, f), 1e-9) << f;
            EXPECT_NEAR (canvas.dynamicModel.bandMagnitudeDb (0, f), reference.bandMagnitudeDb (0, f), 1e-9) << f;
        }
        for (const auto* model : { &canvas.staticModel, &canvas.dynamicModel })
            EXPECT_FLOAT_EQ (model->controlSmoothing, (float) std::exp (-16.0 / (c.prepared * 0.25)));
    }
}

TEST_F (EditorTest, APublishedRateThatIsNoRateLeavesTheCanvasAtItsLastOne)
{
    useBand (0, FilterType::highCut, 9000.0f);
    prepare (*processor, 96000.0, 256);
    auto& e = openEditor();
    auto& canvas = e.curveCanvas;
    double now = t0;
    e.onDisplayRefresh (now);
    const double before = canvas.staticModel.bandMagnitudeDb (0, 15000.0);

    const double inf = std::numeric_limits<double>::infinity();
    for (double rate : { 0.0, -48000.0, std::numeric_limits<double>::quiet_NaN(), inf, -inf })
    {
        SCOPED_TRACE (rate);
        processor->preparedSampleRate = rate;
        e.onDisplayRefresh (now += 40.0);
        EXPECT_DOUBLE_EQ (canvas.sampleRate, 96000.0);
        EXPECT_DOUBLE_EQ (canvas.staticModel.sampleRate, 96000.0);
        EXPECT_DOUBLE_EQ (canvas.dynamicModel.sampleRate, 96000.0);
        EXPECT_DOUBLE_EQ (canvas.staticModel.bandMagnitudeDb (0, 15000.0), before);
    }
}
