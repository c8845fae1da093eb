// processBlock in each phase mode at 1-, 16-, 64- and 512-sample blocks, 48 kHz stereo, with the
// parameters still and with one parameter automated (a new value every block), next to a peer
// equaliser (LSP Parametric Equalizer x32 Stereo through LADSPA, when installed) doing the same
// work in its IIR and FIR modes. Run by hand: build/test/benchmarks/PhaseModeBenchmarks
//
// Counters: ns_per_frame is the time per stereo sample frame; cores is the share of one core
// that 48 kHz stereo audio takes (1.0 = a whole core).
#include "ProcessorBenchmarkSupport.h"
#include "engine/SabrelProcessor.h"

#include <benchmark/benchmark.h>

#if SABREL_HAVE_LADSPA
 #include "LadspaHost.h"
#endif

#include <algorithm>
#include <chrono>
#include <cmath>

namespace
{
constexpr double rate = 48000.0;

enum Mode { zeroLatency = 0, naturalPhase = 1, linearPhase = 2 };
enum class Scene { bells, tilts, lowCuts };

// Band b's frequency: 24 points from 30 Hz to 16 kHz, evenly spaced on a log axis.
float spreadFrequency (int b) { return 30.0f * std::pow (16000.0f / 30.0f, (float) b / 23.0f); }

constexpr int automatedBand = 11;

using processorbench::set;

void load (SabrelProcessor& p, Scene scene, Mode mode)
{
    for (int b = 0; b < 24; ++b)
    {
        const float sign = b % 2 == 0 ? 1.0f : -1.0f;
        set (p, bandParamId (b, "on"), 1.0f);
        set (p, bandParamId (b, "freq"), spreadFrequency (b));
        set (p, bandParamId (b, "q"), 1.0f);
        switch (scene)
        {
            case Scene::bells: set (p, bandParamId (b, "gain"), 6.0f * sign); break;
            case Scene::tilts:
                set (p, bandParamId (b, "type"), (float) FilterType::tilt);
                set (p, bandParamId (b, "tilt"), 6.0f * sign);
                break;
            case Scene::lowCuts:
                set (p, bandParamId (b, "type"), (float) FilterType::lowCut);
                set (p, bandParamId (b, "slope"), 8.0f); // 96 dB/oct
                break;
        }
    }
    set (p, "phasemode", (float) mode);
}

// The automated parameter: band 11's gain (its tilt for Tilt bands, its frequency for cuts),
// a new value in every block, as a host's automation writes it.
struct Automation
{
    juce::RangedAudioParameter* parameter = nullptr;
    float low = 0.0f, high = 0.0f;
    int block = 0;

    Automation (SabrelProcessor& p, Scene scene)
    {
        const char* suffix = scene == Scene::bells ? "gain" : scene == Scene::tilts ? "tilt" : "freq";
        parameter = p.apvts.getParameter (bandParamId (automatedBand, suffix));
        const float centre = scene == Scene::lowCuts ? spreadFrequency (automatedBand) : -6.0f;
        low = centre * (scene == Scene::lowCuts ? 0.9f : 1.0f);
        high = scene == Scene::lowCuts ? centre * 1.1f : 6.0f;
    }

    void next()
    {
        // As the VST3 wrapper applies a host's parameter change: set, then tell the listeners
        // (the parameter state's raw value follows through them).
        const float t = (float) (block++ % 64) / 63.0f;
        const float value = parameter->convertTo0to1 (low + (high - low) * t);
        parameter->setValue (value);
        parameter->sendValueChangedMessageToListeners (value);
    }
};

std::unique_ptr<SabrelProcessor> makePrepared (Scene scene, Mode mode, int blockSize)
{
    return processorbench::makePrepared ([=] (SabrelProcessor& p) { load (p, scene, mode); }, rate, blockSize);
}

void fill (float* const* channels, int numSamples, int block)
{
    const auto offset = (size_t) ((block * 61) & 4095);
    for (int c = 0; c < 2; ++c)
        std::copy_n (processorbench::quietNoise().begin() + (ptrdiff_t) (offset + (size_t) c * 97), numSamples, channels[c]);
}

void reportCost (benchmark::State& state, int blockSize) { processorbench::reportCost (state, blockSize, rate); }

void sabrel (benchmark::State& state, Scene scene, Mode mode, bool automated)
{
    const int blockSize = (int) state.range (0);
    auto processor = makePrepared (scene, mode, blockSize);
    Automation automation (*processor, scene);

    juce::AudioBuffer<float> buffer (2, blockSize);
    juce::MidiBuffer midi;
    int block = 0;
    for (auto _ : state)
    {
        fill (buffer.getArrayOfWritePointers(), blockSize, block++);
        if (automated)
            automation.next();
        processor->processBlock (buffer, midi);
        benchmark::DoNotOptimize (buffer.getReadPointer (0));
    }
    reportCost (state, blockSize);
}

// Linear Phase at 64-sample blocks: a frame is formed in one block of sixteen. Each block is
// timed; per position within the hop the median over the run is taken (so that a preemption
// does not count as the engine's), and the worst position is set against the mean.
void linearPhaseWorstBlock (benchmark::State& state)
{
    constexpr int blockSize = 64;
    constexpr int positions = 1024 / blockSize;
    auto processor = makePrepared (Scene::bells, linearPhase, blockSize);
    juce::AudioBuffer<float> buffer (2, blockSize);
    juce::MidiBuffer midi;

    std::vector<double> times[positions];
    double rawWorst = 0.0;
    int block = 0;
    for (auto _ : state)
    {
        fill (buffer.getArrayOfWritePointers(), blockSize, block);
        const auto start = std::chrono::steady_clock::now();
        processor->processBlock (buffer, midi);
        const double ns = std::chrono::duration<double, std::nano> (std::chrono::steady_clock::now() - start).count();
        benchmark::DoNotOptimize (buffer.getReadPointer (0));
        times[block % positions].push_back (ns);
        rawWorst = std::max (rawWorst, ns);
        ++block;
    }

    double worst = 0.0, sum = 0.0;
    for (auto& t : times)
    {
        if (t.empty())
            continue;
        std::nth_element (t.begin(), t.begin() + (ptrdiff_t) t.size() / 2, t.end());
        const double median = t[t.size() / 2];
        worst = std::max (worst, median);
        sum += median;
    }
    const double mean = sum / positions;
    state.counters["worst_block_ns"] = worst;
    state.counters["mean_block_ns"] = mean;
    state.counters["worst_over_mean"] = mean > 0.0 ? worst / mean : 0.0;
    state.counters["raw_max_ns"] = rawWorst;
    reportCost (state, blockSize);
}

#if SABREL_HAVE_LADSPA
constexpr const char* peerLibrary = "/usr/lib/ladspa/lsp-plugins-ladspa-1.2.5.so";
constexpr const char* peerLabel = "http://lsp-plug.in/plugins/ladspa/para_equalizer_x32_stereo";

// The peer with 24 Bell filters of +-6 dB at Q 1 over the same frequencies; equaliser mode 0
// is its IIR mode, 1 its FIR mode (linear phase).
void peer (benchmark::State& state, int equaliserMode, bool automated)
{
    const int blockSize = (int) state.range (0);
    LadspaHost host (peerLibrary, peerLabel, (unsigned long) rate);
    if (! host.isLoaded())
    {
        state.SkipWithError ("lsp-plugins-ladspa is not installed");
        return;
    }

    *host.control ("Equalizer mode") = (float) equaliserMode;
    *host.control ("FFT analysis") = 0.0f;
    for (int b = 0; b < 24; ++b)
    {
        const auto n = std::to_string (b);
        *host.control ("Filter type " + n) = 1.0f; // Bell
        *host.control ("Frequency " + n + " (Hz)") = spreadFrequency (b);
        *host.control ("Gain " + n + " (G)") = std::pow (10.0f, (b % 2 == 0 ? 6.0f : -6.0f) / 20.0f);
        *host.control ("Quality factor " + n) = 1.0f;
    }
    float* automatedGain = host.control ("Gain " + std::to_string (automatedBand) + " (G)");

    juce::AudioBuffer<float> input (2, blockSize), output (2, blockSize);
    host.connectAudio (input.getArrayOfWritePointers(), output.getArrayOfWritePointers());
    host.activate();

    int block = 0;
    for (auto _ : state)
    {
        fill (input.getArrayOfWritePointers(), blockSize, block++);
        if (automated)
            *automatedGain = std::pow (10.0f, (-6.0f + 12.0f * (float) (block % 64) / 63.0f) / 20.0f);
        host.run ((unsigned long) blockSize);
        benchmark::DoNotOptimize (output.getReadPointer (0));
    }
    reportCost (state, blockSize);
}
#endif

void blockSizes (benchmark::internal::Benchmark* b)
{
    for (const int size : { 1, 16, 64, 512 })
        b->Arg (size);
}
} // namespace

#define SABREL_MODE_BENCHMARKS(name, mode)                                                        \
    BENCHMARK_CAPTURE (sabrel, name##Still, Scene::bells, mode, false)->Apply (blockSizes);        \
    BENCHMARK_CAPTURE (sabrel, name##Automated, Scene::bells, mode, true)->Apply (blockSizes);

SABREL_MODE_BENCHMARKS (zeroLatency, zeroLatency)
SABREL_MODE_BENCHMARKS (naturalPhase, naturalPhase)
SABREL_MODE_BENCHMARKS (linearPhase, linearPhase)

// The small-block cases: each block redesigned everything before.
BENCHMARK_CAPTURE (sabrel, tiltsNaturalPhaseStill, Scene::tilts, naturalPhase, false)->Arg (1)->Arg (16)->Arg (512);
BENCHMARK_CAPTURE (sabrel, tiltsNaturalPhaseAutomated, Scene::tilts, naturalPhase, true)->Arg (1)->Arg (16);
BENCHMARK_CAPTURE (sabrel, lowCuts96LinearPhaseStill, Scene::lowCuts, linearPhase, false)->Arg (16)->Arg (64)->Arg (512);
BENCHMARK_CAPTURE (sabrel, lowCuts96ZeroLatencyStill, Scene::lowCuts, zeroLatency, false)->Arg (16)->Arg (512);
BENCHMARK_CAPTURE (sabrel, lowCuts96LinearPhaseAutomated, Scene::lowCuts, linearPhase, true)->Arg (16)->Arg (64);

BENCHMARK (linearPhaseWorstBlock)->Iterations (16 * 4000);

#if SABREL_HAVE_LADSPA
BENCHMARK_CAPTURE (peer, iirStill, 0, false)->Apply (blockSizes);
BENCHMARK_CAPTURE (peer, iirAutomated, 0, true)->Apply (blockSizes);
BENCHMARK_CAPTURE (peer, firStill, 1, false)->Apply (blockSizes);
BENCHMARK_CAPTURE (peer, firAutomated, 1, true)->Apply (blockSizes);
#endif
