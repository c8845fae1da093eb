#include "engine/EqEngine.h"
#include "engine/SectionPipeline.h"
#include "EngineTestHelpers.h"

#include <gtest/gtest.h>
#include <juce_dsp/juce_dsp.h>

#include <random>
#include <vector>

namespace
{
using namespace engine_test;

std::vector<PipelineKernel> kernelsHere()
{
    std::vector<PipelineKernel> kernels { PipelineKernel::plain, PipelineKernel::sse2 };
    if (widestPipelineKernel() == PipelineKernel::avx)
        kernels.push_back (PipelineKernel::avx);
    return kernels;
}

// Stable sections of random shape; some lanes left as unit sections, as a Left or Side band has.
std::vector<LaneSection> randomSections (int count, std::mt19937& random)
{
    std::uniform_real_distribution<double> u (-1.0, 1.0);
    std::vector<LaneSection> sections ((size_t) count);
    for (auto& s : sections)
    {
        const bool lanes[2] = { random() % 4 != 0, random() % 4 != 0 };
        const double radius = 0.5 + 0.49 * std::abs (u (random)), angle = 3.0 * std::abs (u (random));
        for (int l = 0; l < 2; ++l)
        {
            if (! lanes[l])
                continue;
            s.b0[l] = 1.0 + 0.5 * u (random);
            s.b1[l] = u (random);
            s.b2[l] = 0.5 * u (random);
            s.a1[l] = -2.0 * radius * std::cos (angle);
            s.a2[l] = radius * radius;
        }
    }
    return sections;
}

// The definition: one section after the other, one sample at a time.
void reference (const std::vector<LaneSection>& sections, std::vector<LaneState>& states, std::vector<double>& frames)
{
    for (size_t k = 0; k < sections.size(); ++k)
    {
        const auto& s = sections[k];
        auto& z = states[k];
        for (size_t i = 0; i < frames.size() / 2; ++i)
        {
            for (int l = 0; l < 2; ++l)
            {
                const double x = frames[2 * i + (size_t) l];
                const double y = s.b0[l] * x + z.z1[l];
                z.z1[l] = s.b1[l] * x - s.a1[l] * y + z.z2[l];
                z.z2[l] = s.b2[l] * x - s.a2[l] * y;
                frames[2 * i + (size_t) l] = y;
            }
        }
    }
}
} // namespace

TEST (SectionPipeline, EveryKernelGivesTheDefinitionBitForBit)
{
    std::mt19937 random (42);
    std::uniform_real_distribution<double> u (-1.0, 1.0);

    // Section counts around each kernel's width, runs shorter and longer than the wavefront,
    // and states carried from run to run.
    for (const int count : { 1, 2, 3, 4, 5, 7, 8, 9, 13, 16, 17, 24, 25, 31, 40 })
    {
        const auto sections = randomSections (count, random);
        std::vector<double> input (2 * 700);
        for (auto& x : input)
            x = u (random);

        std::vector<LaneState> expectedStates ((size_t) count);
        auto expected = input;
        reference (sections, expectedStates, expected);

        // The AVX kernel's coefficients arranged ahead, or as it goes.
        std::vector<RingCoefficients> arranged ((size_t) ringCoefficientCount (count));
        arrangeRingCoefficients (sections.data(), count, arranged.data());

        for (const auto kernel : kernelsHere())
        for (const bool arrangedAhead : { false, true })
        {
            std::vector<LaneState> states ((size_t) count);
            auto frames = input;
            for (int start = 0, index = 0; start < 700; ++index)
            {
                const int runs[] = { 1, 3, 7, 8, 9, 256, 64, 2, 16, 5, 10, 17 };
                const int n = std::min (runs[index % 12], 700 - start);
                runSectionCascade (kernel, sections.data(), states.data(), count, frames.data() + 2 * start, n,
                                   arrangedAhead && ! arranged.empty() ? arranged.data() : nullptr);
                start += n;
            }

            ASSERT_EQ (frames, expected) << count << " sections, kernel " << (int) kernel << ", arranged " << arrangedAhead;
            for (size_t k = 0; k < states.size(); ++k)
                for (int l = 0; l < 2; ++l)
                {
                    ASSERT_EQ (states[k].z1[l], expectedStates[k].z1[l]);
                    ASSERT_EQ (states[k].z2[l], expectedStates[k].z2[l]);
                }
        }
    }
}

TEST (SectionPipeline, EngineOutputIsTheSameWithEveryKernel)
{
    BandSnapshot bands {};
    for (int b = 0; b < 24; ++b)
        bands[(size_t) b] = placed (FilterType::bell, 30.0 * std::pow (500.0, b / 23.0), b % 2 == 0 ? 4.0 : -3.0, 1.5,
                                    b % 5 == 0 ? ChannelMode::mid : b % 7 == 0 ? ChannelMode::side : ChannelMode::stereo);
    bands[3] = placed (FilterType::lowCut, 40);
    bands[3].slope = 96;
    bands[9].channel = ChannelMode::left;
    bands[11].channel = ChannelMode::right;

    std::mt19937 random (7);
    std::uniform_real_distribution<float> d (-0.5f, 0.5f);
    std::vector<float> l0 (3000), r0 (3000);
    for (size_t i = 0; i < l0.size(); ++i)
    {
        l0[i] = d (random);
        r0[i] = d (random);
    }

    for (const int numChannels : { 1, 2 })
    {
        std::vector<std::vector<float>> outputs;
        for (const auto kernel : kernelsHere())
        {
            EqEngine e;
            e.kernel = kernel;
            e.sampleRate = 48000.0;
            auto left = l0, right = r0;
            for (const auto& [start, n] : { std::pair { 0, 512 }, { 512, 1 }, { 513, 15 }, { 528, 2472 } })
            {
                e.setBands (bands);
                float* channels[] = { left.data() + start, right.data() + start };
                e.process (channels, numChannels, n, nullptr);
            }
            left.insert (left.end(), right.begin(), right.end());
            outputs.push_back (left);
        }
        for (size_t k = 1; k < outputs.size(); ++k)
            EXPECT_EQ (outputs[k], outputs[0]) << numChannels << " channels, kernel " << k;
    }
}

TEST (SectionPipeline, MeasuredResponseMatchesTheEngineResponse)
{
    // 24 Bells of +-6 dB at Q 1 from 30 Hz to 16 kHz: the impulse response's spectrum against
    // the closed-form response, within 0.01 dB at every bin from 20 Hz up.
    constexpr double rate = 48000.0;
    constexpr int order = 16;
    constexpr int size = 1 << order;

    BandSnapshot bands {};
    for (int b = 0; b < 24; ++b)
        bands[(size_t) b] = placed (FilterType::bell, 30.0 * std::pow (16000.0 / 30.0, b / 23.0), b % 2 == 0 ? 6.0 : -6.0, 1.0);

    for (const auto kernel : kernelsHere())
    {
        EqEngine e;
        e.kernel = kernel;
        e.sampleRate = rate;
        e.setBands (bands);

        std::vector<float> response (2 * size, 0.0f);
        response[0] = 1.0f;
        for (int start = 0; start < size; start += 512)
        {
            float* channels[] = { response.data() + start };
            e.process (channels, 1, 512, nullptr);
        }

        juce::dsp::FFT fft (order);
        fft.performFrequencyOnlyForwardTransform (response.data());

        std::vector<double> omegas;
        std::vector<int> bins;
        for (int k = (int) std::ceil (20.0 * size / rate); k <= size / 2; k += 7)
        {
            bins.push_back (k);
            omegas.push_back (2.0 * pi * k / size);
        }
        std::vector<float> designed (omegas.size());
        e.magnitudeResponse (omegas.data(), designed.data(), (int) omegas.size());

        for (size_t j = 0; j < bins.size(); ++j)
            ASSERT_NEAR (20.0 * std::log10 (response[(size_t) bins[j]]), 20.0 * std::log10 (designed[j]), 0.01)
                << "bin " << bins[j] << ", kernel " << (int) kernel;
    }
}
