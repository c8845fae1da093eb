// Skipping designs, responses, smoothing steps and gains whose inputs did not change must not
// change a single bit: each case runs one processor that skips and one that redoes everything,
// side by side, through blocks of 1, 16, 64 and 512 samples with parameter changes in between.
#include "ProcessorHarness.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace
{
using Change = std::function<void (ProcessorHarness&, int step)>;

struct SkipCase
{
    const char* name;
    Change change; // applied to both processors before block `step`
};

void bells (ProcessorHarness& h, bool dynamic)
{
    for (int b = 0; b < 24; ++b)
    {
        h.placeBand (b, FilterType::bell, 30.0f * std::pow (16000.0f / 30.0f, (float) b / 23.0f),
                     b % 2 == 0 ? 6.0f : -6.0f, 1.0f);
        if (dynamic)
        {
            h.setBand (b, "dynon", 1.0f);
            h.setBand (b, "thresh", -30.0f);
            h.setBand (b, "ratio", 1.5f);
        }
    }
}

const SkipCase skipCases[] = {
    { "BellsThroughEveryPhaseModeWithAnAutomatedGain",
      [] (ProcessorHarness& h, int step) {
          if (step == 0)
              bells (h, false);
          if (step % 3 == 1)
              h.setBand (11, "gain", -6.0f + 0.5f * (float) (step % 24));
          if (step == 20)
              h.set ("phasemode", 1.0f);
          if (step == 40)
              h.set ("phasemode", 2.0f);
          if (step == 70)
              h.set ("gainscale", 50.0f);
      } },
    { "DynamicBellsWithSoloBypassAndAutomaticGain",
      [] (ProcessorHarness& h, int step) {
          if (step == 0)
          {
              bells (h, true);
              h.setBand (4, "auto", 0.0f);
              h.set ("autogain", 1.0f);
          }
          if (step == 10 || step == 50)
              h.setBand (6, "solo", 1.0f);
          if (step == 16 || step == 56)
              h.setBand (6, "solo", 0.0f);
          if (step == 24)
              h.set ("bypass", 1.0f);
          if (step == 28)
              h.set ("bypass", 0.0f);
          if (step == 32)
              h.set ("phasemode", 1.0f);
          if (step == 44)
              h.set ("phasemode", 2.0f);
          if (step == 64)
              h.set ("phasemode", 0.0f);
      } },
    { "TiltsCutsAndShelvesWithOversamplingAndModeChanges",
      [] (ProcessorHarness& h, int step) {
          if (step == 0)
          {
              for (int b = 0; b < 8; ++b)
              {
                  h.placeBand (b, FilterType::tilt, 200.0f * (float) (b + 1), 0.0f, 1.0f);
                  h.setBand (b, "tilt", b % 2 == 0 ? 4.0f : -3.0f);
              }
              h.setBand (2, "dynon", 1.0f);
              h.setBand (2, "thresh", -40.0f);
              h.placeBand (8, FilterType::lowCut, 40.0f, 0.0f, 0.7f);
              h.setBand (8, "slope", 8.0f);
              h.placeBand (9, FilterType::highCut, 15000.0f, 0.0f, 0.7f);
              h.setBand (9, "slope", 2.0f);
              h.placeBand (10, FilterType::lowShelf, 120.0f, 4.0f, 0.7f);
              h.placeBand (11, FilterType::highShelf, 6000.0f, -3.0f, 0.7f);
              h.setBand (11, "dynon", 1.0f);
              h.setBand (11, "thresh", -40.0f);
              h.placeBand (12, FilterType::notch, 3000.0f, 0.0f, 2.0f);
              h.set ("phasemode", 1.0f);
              h.set ("autogain", 1.0f);
          }
          if (step == 12)
              h.set ("oversample", 1.0f);
          if (step == 18)
              h.setBand (12, "active", 0.0f);
          if (step == 26)
              h.set ("phasemode", 2.0f);
          if (step >= 30 && step < 36)
              h.setBand (8, "freq", 40.0f + (float) step);
          if (step == 50)
              h.set ("phasemode", 0.0f);
          if (step == 60)
              h.setBand (12, "active", 1.0f);
      } },
};

void PrintTo (const SkipCase& c, std::ostream* os) { *os << c.name; }

class SkippedWork : public ::testing::TestWithParam<SkipCase>
{
};

TEST_P (SkippedWork, GivesBitIdenticalOutputToRedoingEverything)
{
    ProcessorHarness skipping, redoing;
    redoing.processor.skipUnchangedWork = false;
    for (auto* h : { &skipping, &redoing })
        h->prepare (48000.0, 512);

    const int sizes[] = { 1, 16, 64, 512 };
    juce::Random random (11);
    juce::MidiBuffer midi;

    for (int step = 0; step < 80; ++step)
    {
        const int n = sizes[(step * 7 + step / 4) % 4];
        juce::AudioBuffer<float> input (skipping.bufferChannels(), n);
        for (int c = 0; c < input.getNumChannels(); ++c)
            for (int i = 0; i < n; ++i)
                input.setSample (c, i, (random.nextFloat() - 0.5f) * 0.4f);

        juce::AudioBuffer<float> outputs[2] = { input, input };
        ProcessorHarness* harnesses[2] = { &skipping, &redoing };
        for (int k = 0; k < 2; ++k)
        {
            GetParam().change (*harnesses[k], step);
            harnesses[k]->processor.processBlock (outputs[k], midi);
        }

        for (int c = 0; c < input.getNumChannels(); ++c)
            ASSERT_EQ (std::memcmp (outputs[0].getReadPointer (c), outputs[1].getReadPointer (c), sizeof (float) * (size_t) n), 0)
                << "block " << step << " channel " << c;

        auto& a = skipping.processor;
        auto& b = redoing.processor;
        ASSERT_EQ (a.autoGainDb, b.autoGainDb) << "block " << step;
        ASSERT_EQ (a.getLatencySamples(), b.getLatencySamples());
        for (size_t band = 0; band < 24; ++band)
        {
            ASSERT_EQ (a.bandGainDb[band].load(), b.bandGainDb[band].load()) << "block " << step << " band " << band;
            ASSERT_EQ (a.bandLevelDb[band].load(), b.bandLevelDb[band].load()) << "block " << step << " band " << band;
        }
    }
}

INSTANTIATE_TEST_SUITE_P (Cases, SkippedWork, ::testing::ValuesIn (skipCases),
                          [] (const auto& testInfo) { return std::string (testInfo.param.name); });
} // namespace
