// Cost of the band-filter engine per stereo sample, each case next to two baselines over the
// same sections: a bare float transposed-direct-form-II loop, and a cascade of
// juce::dsp::IIR::Filter<float>. The engine runs in double, with the widest cascade kernel the
// processor has unless a case names another. Run by hand: build/test/benchmarks/EqEngineBenchmarks

#include "engine/EqEngine.h"

#include <benchmark/benchmark.h>
#include <juce_dsp/juce_dsp.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

namespace
{
constexpr int blockSize = 512;
constexpr double rate = 48000.0;

enum class Scene { bells, cuts, dynamicBells, dynamicShelvesMatched };

BandSnapshot makeScene (Scene scene)
{
    BandSnapshot bands {};
    for (int b = 0; b < EqEngine::numBands; ++b)
    {
        auto& s = bands[(size_t) b];
        s.on = true;
        s.freq = 30.0 * std::pow (16000.0 / 30.0, b / 23.0);
        s.q = 1.0 + 0.1 * b;
        s.gain = (b % 2 == 0 ? 1.0 : -1.0) * (2.0 + 0.25 * b);
        s.type = FilterType::bell;

        if (scene == Scene::cuts)
        {
            s.type = b < 12 ? FilterType::lowCut : FilterType::highCut;
            s.freq = b < 12 ? 20.0 + b : 18000.0 + 100.0 * b;
            s.slope = 96;
        }
        else if (scene == Scene::dynamicBells || scene == Scene::dynamicShelvesMatched)
        {
            s.dynamic = true;
            s.thresh = -40.0;
            s.ratio = 1.2; // gains keep moving with the noise instead of resting at the band gain
            s.autoTiming = true;
            if (scene == Scene::dynamicShelvesMatched)
            {
                s.type = b < 12 ? FilterType::lowShelf : FilterType::highShelf;
                s.q = 0.5; // the matched shelves mostly hold up at this Q
            }
        }
    }
    return bands;
}

struct Block
{
    std::vector<float> sourceLeft, sourceRight, left, right;

    Block() : sourceLeft (blockSize), sourceRight (blockSize), left (blockSize), right (blockSize)
    {
        std::mt19937 random (17);
        std::uniform_real_distribution<float> d (-0.3f, 0.3f);
        for (int i = 0; i < blockSize; ++i)
        {
            sourceLeft[(size_t) i] = d (random);
            sourceRight[(size_t) i] = d (random);
        }
    }

    void refill()
    {
        std::memcpy (left.data(), sourceLeft.data(), sizeof (float) * blockSize);
        std::memcpy (right.data(), sourceRight.data(), sizeof (float) * blockSize);
    }
};

// Nanoseconds per stereo sample frame (the library prints an inverted rate with an "s" suffix).
void reportPerSample (benchmark::State& state)
{
    state.counters["ns_per_sample"] = benchmark::Counter ((double) state.iterations() * blockSize * 1e-9,
                                                          benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

EqEngine makeEngine (Scene scene)
{
    EqEngine engine;
    engine.sampleRate = rate;
    engine.matchedDesign = scene == Scene::dynamicShelvesMatched;
    engine.controlSmoothing = (float) std::exp (-16.0 / (0.25 * rate));
    engine.setBands (makeScene (scene));
    return engine;
}

// The running sections of an engine, in cascade order.
std::vector<Biquad> sectionsOf (const EqEngine& engine)
{
    std::vector<Biquad> all;
    for (int b = 0; b < EqEngine::numBands; ++b)
        for (int k = 0; k < engine.sectionCount[(size_t) b]; ++k)
            all.push_back (engine.sections[(size_t) b][(size_t) k]);
    return all;
}

//==============================================================================
void engineProcess (benchmark::State& state, Scene scene, PipelineKernel kernel = widestPipelineKernel())
{
    juce::ScopedNoDenormals noDenormals;
    auto engine = makeEngine (scene);
    engine.kernel = kernel;
    Block block;

    for (auto _ : state)
    {
        block.refill();
        float* channels[] = { block.left.data(), block.right.data() };
        engine.process (channels, 2, blockSize, nullptr);
        benchmark::DoNotOptimize (block.left.data());
        benchmark::ClobberMemory();
    }
    reportPerSample (state);
}

// The same 512 samples in blocks of state.range (0) samples: what small host blocks cost the
// cascade (designs unchanged).
void engineProcessInBlocks (benchmark::State& state, Scene scene, PipelineKernel kernel = widestPipelineKernel())
{
    juce::ScopedNoDenormals noDenormals;
    auto engine = makeEngine (scene);
    engine.kernel = kernel;
    const int piece = (int) state.range (0);
    Block block;

    for (auto _ : state)
    {
        block.refill();
        for (int start = 0; start < blockSize; start += piece)
        {
            float* channels[] = { block.left.data() + start, block.right.data() + start };
            engine.process (channels, 2, std::min (piece, blockSize - start), nullptr);
        }
        benchmark::DoNotOptimize (block.left.data());
        benchmark::ClobberMemory();
    }
    reportPerSample (state);
}

struct FloatSection
{
    float b0, b1, b2, a1, a2;
    float z1[2], z2[2];
};

void bareLoop (benchmark::State& state, Scene scene)
{
    juce::ScopedNoDenormals noDenormals;
    std::vector<FloatSection> sections;
    for (const auto& s : sectionsOf (makeEngine (scene)))
        sections.push_back ({ (float) s.b0, (float) s.b1, (float) s.b2, (float) s.a1, (float) s.a2, { 0, 0 }, { 0, 0 } });
    Block block;

    for (auto _ : state)
    {
        block.refill();
        // Section by section over the block, both channels in one pass.
        for (auto& s : sections)
        {
            float* l = block.left.data();
            float* r = block.right.data();
            float lz1 = s.z1[0], lz2 = s.z2[0], rz1 = s.z1[1], rz2 = s.z2[1];
            for (int i = 0; i < blockSize; ++i)
            {
                const float inL = l[i];
                const float yL = s.b0 * inL + lz1;
                lz1 = s.b1 * inL - s.a1 * yL + lz2;
                lz2 = s.b2 * inL - s.a2 * yL;
                l[i] = yL;

                const float inR = r[i];
                const float yR = s.b0 * inR + rz1;
                rz1 = s.b1 * inR - s.a1 * yR + rz2;
                rz2 = s.b2 * inR - s.a2 * yR;
                r[i] = yR;
            }
            s.z1[0] = lz1;
            s.z2[0] = lz2;
            s.z1[1] = rz1;
            s.z2[1] = rz2;
        }
        benchmark::DoNotOptimize (block.left.data());
        benchmark::ClobberMemory();
    }
    reportPerSample (state);
}

void juceCascade (benchmark::State& state, Scene scene)
{
    juce::ScopedNoDenormals noDenormals;
    std::vector<juce::dsp::IIR::Filter<float>> filters[2];
    for (const auto& s : sectionsOf (makeEngine (scene)))
    {
        juce::dsp::IIR::Coefficients<float>::Ptr coefficients =
            new juce::dsp::IIR::Coefficients<float> ((float) s.b0, (float) s.b1, (float) s.b2, 1.0f, (float) s.a1, (float) s.a2);
        for (auto& channel : filters)
            channel.emplace_back (coefficients);
    }
    Block block;

    for (auto _ : state)
    {
        block.refill();
        for (int c = 0; c < 2; ++c)
        {
            float* x = c == 0 ? block.left.data() : block.right.data();
            juce::dsp::AudioBlock<float> audio (&x, 1, (size_t) blockSize);
            juce::dsp::ProcessContextReplacing<float> context (audio);
            for (auto& f : filters[c])
                f.process (context);
        }
        benchmark::DoNotOptimize (block.left.data());
        benchmark::ClobberMemory();
    }
    reportPerSample (state);
}

//==============================================================================
BandSnapshot tiltScene()
{
    auto bands = makeScene (Scene::bells);
    for (int b = 0; b < EqEngine::numBands; b += 3)
    {
        bands[(size_t) b].type = FilterType::tilt;
        bands[(size_t) b].tilt = 4.0;
    }
    for (int b = 1; b < EqEngine::numBands; b += 3)
        bands[(size_t) b].type = FilterType::lowShelf;
    return bands;
}

void setBandsOnly (benchmark::State& state, bool matched)
{
    EqEngine engine;
    engine.sampleRate = rate;
    engine.matchedDesign = matched;
    const auto bands = tiltScene();

    for (auto _ : state)
    {
        engine.setBands (bands);
        benchmark::DoNotOptimize (engine.sections.data());
        benchmark::ClobberMemory();
    }
    state.counters["ns_per_sample_at_512"] = benchmark::Counter ((double) state.iterations() * blockSize * 1e-9,
                                                                 benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
} // namespace

BENCHMARK_CAPTURE (engineProcess, a_24_stereo_bells, Scene::bells);
// The cascade kernels side by side (the plain one runs one section after the other).
BENCHMARK_CAPTURE (engineProcess, a_24_stereo_bells_plain_kernel, Scene::bells, PipelineKernel::plain);
BENCHMARK_CAPTURE (engineProcess, a_24_stereo_bells_sse2_kernel, Scene::bells, PipelineKernel::sse2);
BENCHMARK_CAPTURE (engineProcessInBlocks, a_24_stereo_bells, Scene::bells)->Arg (1)->Arg (16)->Arg (64)->Arg (512);
BENCHMARK_CAPTURE (engineProcessInBlocks, a_24_stereo_bells_plain_kernel, Scene::bells, PipelineKernel::plain)->Arg (1)->Arg (16)->Arg (64);
BENCHMARK_CAPTURE (engineProcessInBlocks, a_24_stereo_bells_sse2_kernel, Scene::bells, PipelineKernel::sse2)->Arg (16)->Arg (64);
BENCHMARK_CAPTURE (bareLoop, a_24_stereo_bells, Scene::bells);
BENCHMARK_CAPTURE (juceCascade, a_24_stereo_bells, Scene::bells);

BENCHMARK_CAPTURE (engineProcess, b_24_cuts_96dB, Scene::cuts);
BENCHMARK_CAPTURE (engineProcess, b_24_cuts_96dB_plain_kernel, Scene::cuts, PipelineKernel::plain);
BENCHMARK_CAPTURE (engineProcess, b_24_cuts_96dB_sse2_kernel, Scene::cuts, PipelineKernel::sse2);
BENCHMARK_CAPTURE (bareLoop, b_24_cuts_96dB, Scene::cuts);
BENCHMARK_CAPTURE (juceCascade, b_24_cuts_96dB, Scene::cuts);

BENCHMARK_CAPTURE (engineProcess, c_24_dynamic_bells, Scene::dynamicBells);
BENCHMARK_CAPTURE (bareLoop, c_24_dynamic_bells, Scene::dynamicBells);
BENCHMARK_CAPTURE (juceCascade, c_24_dynamic_bells, Scene::dynamicBells);

// Dynamic shelves redesign a matched shelf, monotonic test included, at every control tick.
BENCHMARK_CAPTURE (engineProcess, c_24_dynamic_shelves_matched, Scene::dynamicShelvesMatched);

// 8 Tilt, 8 Low Shelf and 8 Bell bands.
BENCHMARK_CAPTURE (setBandsOnly, d_zero_latency, false);
BENCHMARK_CAPTURE (setBandsOnly, d_matched, true);
