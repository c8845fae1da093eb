// processBlock at 48 kHz stereo next to the filter stage alone on the same bands, so the
// per-block overhead (snapshot, redesign, automatic gain, latency logic) shows as a ratio; and
// bypassed (by the bypass parameter and by the host), where the filters run on and the input
// comes out through the latency's delay.
// Run: build/test/benchmarks/ProcessBlockBenchmarks
#include "ProcessorBenchmarkSupport.h"
#include "engine/SabrelProcessor.h"

#include <benchmark/benchmark.h>

namespace
{
constexpr double rate = 48000.0;

enum class Session { allOff, bells, dynamicBells, bellsAt4x, linearPhase };

using processorbench::set;

void load (SabrelProcessor& p, Session session)
{
    if (session != Session::allOff)
    {
        for (int b = 0; b < 24; ++b)
        {
            set (p, bandParamId (b, "on"), 1.0f);
            set (p, bandParamId (b, "freq"), 30.0f * std::pow (500.0f, (float) b / 23.0f));
            set (p, bandParamId (b, "gain"), (b % 2 == 0 ? 3.0f : -3.0f));
            set (p, bandParamId (b, "q"), 1.5f);
            if (session == Session::dynamicBells)
            {
                set (p, bandParamId (b, "dynon"), 1.0f);
                set (p, bandParamId (b, "thresh"), -30.0f);
            }
        }
    }
    if (session == Session::bellsAt4x)
        set (p, "oversample", 2.0f);
    if (session == Session::linearPhase)
        set (p, "phasemode", 2.0f);
}

// Each block starts from the same noise, copied in (a negligible cost next to the filters).
void fillNoise (juce::AudioBuffer<float>& buffer)
{
    const auto& noise = processorbench::quietNoise();
    for (int c = 0; c < buffer.getNumChannels(); ++c)
        std::copy (noise.begin() + c, noise.begin() + c + buffer.getNumSamples(), buffer.getWritePointer (c));
}

std::unique_ptr<SabrelProcessor> makePrepared (Session session, int blockSize)
{
    return processorbench::makePrepared ([session] (SabrelProcessor& p) { load (p, session); }, rate, blockSize);
}

enum class Route { processed, bypassed, hostBypassed };

void processBlock (benchmark::State& state, Session session, Route route)
{
    const int blockSize = (int) state.range (0);
    auto processor = makePrepared (session, blockSize);
    if (route == Route::bypassed)
        set (*processor, "bypass", 1.0f);

    juce::AudioBuffer<float> buffer (2, blockSize);
    juce::MidiBuffer midi;
    for (auto _ : state)
    {
        fillNoise (buffer);
        if (route == Route::hostBypassed)
            processor->processBlockBypassed (buffer, midi);
        else
            processor->processBlock (buffer, midi);
        benchmark::DoNotOptimize (buffer.getReadPointer (0));
    }
    processorbench::reportCost (state, blockSize, rate);
}

// The same filter work without the processor around it: the engine (at the oversampled rate
// for 4x) or, in Linear Phase, the response evaluation and the FFT stage.
void engineAlone (benchmark::State& state, Session session)
{
    const int blockSize = (int) state.range (0);
    const auto processor = makePrepared (session, blockSize);

    const int factor = session == Session::bellsAt4x ? 4 : 1;
    EqEngine engine;
    engine.sampleRate = rate * factor;
    engine.controlSmoothing = (float) std::exp (-16.0 / (engine.sampleRate * 0.25));
    engine.matchedDesign = session == Session::linearPhase;
    engine.setBands (processor->snapshotBands());

    LinearPhaseFilter stage;
    stage.prepare (2);
    std::vector<double> omegas ((size_t) stage.numBins);
    for (size_t k = 0; k < omegas.size(); ++k)
        omegas[k] = juce::MathConstants<double>::twoPi * (double) k / stage.fftSize;
    std::vector<float> mags (omegas.size());

    juce::AudioBuffer<float> buffer (2, blockSize * factor);
    for (auto _ : state)
    {
        fillNoise (buffer);
        if (session == Session::linearPhase)
        {
            engine.magnitudeResponse (omegas.data(), mags.data(), (int) mags.size());
            stage.process (mags.data(), buffer.getArrayOfWritePointers(), 2, blockSize);
        }
        else
        {
            engine.process (buffer.getArrayOfWritePointers(), 2, buffer.getNumSamples(), nullptr);
        }
        benchmark::DoNotOptimize (buffer.getReadPointer (0));
    }
}
} // namespace

#define SABREL_SESSION_BENCHMARKS(name, session)                                            \
    BENCHMARK_CAPTURE (processBlock, name, session, Route::processed)->Arg (64)->Arg (512); \
    BENCHMARK_CAPTURE (processBlock, name##Bypassed, session, Route::bypassed)              \
        ->Arg (64)                                                                          \
        ->Arg (512);                                                                        \
    BENCHMARK_CAPTURE (processBlock, name##HostBypassed, session, Route::hostBypassed)      \
        ->Arg (64)                                                                          \
        ->Arg (512);                                                                        \
    BENCHMARK_CAPTURE (engineAlone, name, session)->Arg (64)->Arg (512);

SABREL_SESSION_BENCHMARKS (allBandsOff, Session::allOff)
SABREL_SESSION_BENCHMARKS (bells24, Session::bells)
SABREL_SESSION_BENCHMARKS (dynamicBells24, Session::dynamicBells)
SABREL_SESSION_BENCHMARKS (bells24At4x, Session::bellsAt4x)
SABREL_SESSION_BENCHMARKS (linearPhase24, Session::linearPhase)
