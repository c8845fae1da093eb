// The analyser: spectra of the processor's rings, their smoothing, and the cached trace image.

#include "CanvasPaintFixture.h"

#include <cmath>

namespace
{
constexpr double twoPi = 6.283185307179586;

// Writes n samples of a sine (amplitude a, phase carried on) into a ring as the processor does.
struct SineWriter
{
    double frequency, rate, phase = 0.0;

    void write (AnalyzerRing& ring, float amplitude, int n = SpectrumAnalyser::fftSize)
    {
        std::vector<float> block ((size_t) n);
        for (auto& s : block)
        {
            s = amplitude * (float) std::sin (phase);
            phase += twoPi * frequency / rate;
        }
        const float* channels[] { block.data() };
        ring.push (channels, 1, n);
    }
};

int peakBin (const SpectrumAnalyser& analyser)
{
    const auto& s = analyser.smoothedDb;
    return (int) (std::max_element (s.begin(), s.end()) - s.begin());
}

int countVisiblePixels (const juce::Image& image)
{
    int n = 0;
    const juce::Image::BitmapData data (image, juce::Image::BitmapData::readOnly);
    for (int y = 0; y < image.getHeight(); ++y)
        for (int x = 0; x < image.getWidth(); ++x)
            n += data.getPixelColour (x, y).getAlpha() > 0 ? 1 : 0;
    return n;
}
} // namespace

class SpectrumAnalyserTest : public CanvasPaintTest
{
protected:
    std::unique_ptr<AnalyzerRing> ring = std::make_unique<AnalyzerRing>();
    SpectrumAnalyser analyser;
};

TEST_F (SpectrumAnalyserTest, ASineOf1kHzPeaksInItsBinAndAtItsPlaceOnTheAxis)
{
    struct Case
    {
        double rate;
        int lowBin, highBin;
    };
    for (const auto& c : { Case { 48000.0, 85, 86 }, Case { 96000.0, 42, 43 } })
    {
        SCOPED_TRACE (c.rate);
        ring = std::make_unique<AnalyzerRing>();
        analyser.hasFrame = false;
        SineWriter sine { 1000.0, c.rate };
        sine.write (*ring, 1.0f);
        analyser.process (*ring);

        const int bin = peakBin (analyser);
        EXPECT_GE (bin, c.lowBin);
        EXPECT_LE (bin, c.highBin);
        // A full-scale sine reads about +6 dB, less the window's scalloping between bins.
        EXPECT_GT (analyser.smoothedDb[(size_t) bin], 3.0f);
        EXPECT_LE (analyser.smoothedDb[(size_t) bin], 6.5f);

        // The trace's highest column is the column of 1 kHz.
        setRate (c.rate);
        const auto [bestColumn, bestY] = analyserPeakColumn (*canvas, analyser);
        EXPECT_NEAR (bestColumn, canvas->frequencyToX (1000.0), 1.5f);

        RecordingGraphics recording (canvasWidth, canvasHeight);
        canvas->drawSpectrum (recording.g(), analyser, false);
        const auto stroke = recording.fillsOf (juce::Colour (0x477f8a99));
        ASSERT_EQ (stroke.size(), 1u);
        EXPECT_NEAR (stroke[0].bounds.getY(), bestY, 1.0f);
    }
}

TEST_F (SpectrumAnalyserTest, LevelsRiseByHalfAndFallByATenthOfTheDistancePerTick)
{
    SineWriter sine { 1500.0, 48000.0 };
    const int bin = juce::roundToInt (1500.0 * 4096.0 / 48000.0);

    // Reference levels of the loud and the quiet signal, each stored unsmoothed as a first frame.
    const auto steadyLevel = [&] (float amplitude) {
        SineWriter copy = sine;
        AnalyzerRing reference;
        copy.write (reference, amplitude);
        SpectrumAnalyser fresh;
        fresh.process (reference);
        return fresh.smoothedDb[(size_t) bin];
    };
    const float loud = steadyLevel (1.0f), quiet = steadyLevel (0.001f);
    ASSERT_NEAR (loud - quiet, 60.0f, 0.1f);

    sine.write (*ring, 1.0f);
    analyser.process (*ring);
    ASSERT_FLOAT_EQ (analyser.smoothedDb[(size_t) bin], loud); // the first frame is not smoothed

    for (int tick = 0; tick < 22; ++tick)
    {
        sine.write (*ring, 0.001f);
        analyser.process (*ring);
    }
    const float remainingAfterFall = (analyser.smoothedDb[(size_t) bin] - quiet) / (loud - quiet);
    EXPECT_NEAR (remainingAfterFall, std::pow (0.9f, 22.0f), 0.01f); // about 90 % of the drop gone

    for (int tick = 0; tick < 200; ++tick)
    {
        sine.write (*ring, 0.001f);
        analyser.process (*ring);
    }
    for (int tick = 0; tick < 10; ++tick)
    {
        sine.write (*ring, 1.0f);
        analyser.process (*ring);
    }
    const float doneAfterRise = (analyser.smoothedDb[(size_t) bin] - quiet) / (loud - quiet);
    EXPECT_GT (doneAfterRise, 0.998f);
    EXPECT_LT (doneAfterRise, 1.0f);
}

TEST_F (SpectrumAnalyserTest, SilenceLiesAtTheBottomEdge)
{
    analyser.process (*ring);
    for (const float level : analyser.smoothedDb)
        ASSERT_EQ (level, -120.0f);

    for (const float x : { 0.0f, 10.0f, 400.0f, 784.0f })
        EXPECT_EQ (canvas->analyserDbToY (canvas->spectrumPeakDb (analyser, canvas->xToFrequency (x - 0.5f),
                                                                  canvas->xToFrequency (x + 0.5f), canvas->xToFrequency (x))),
                   (float) canvasHeight);
}

TEST_F (SpectrumAnalyserTest, NonFiniteSamplesGiveLevelsInsideTheRange)
{
    SineWriter sine { 1000.0, 48000.0 };
    sine.write (*ring, 1.0f);
    analyser.process (*ring);

    std::vector<float> bad (64, std::numeric_limits<float>::quiet_NaN());
    bad[3] = std::numeric_limits<float>::infinity();
    const float* channels[] { bad.data() };
    ring->push (channels, 1, 64);
    for (int tick = 0; tick < 3; ++tick)
        analyser.process (*ring);

    for (const float level : analyser.smoothedDb)
    {
        ASSERT_TRUE (std::isfinite (level));
        ASSERT_GE (level, -120.0f);
        ASSERT_LE (level, 12.0f);
    }
}

TEST_F (SpectrumAnalyserTest, ColumnsPeakOverTheirBinsOrInterpolateBetweenNeighbours)
{
    for (size_t k = 0; k < analyser.smoothedDb.size(); ++k)
        analyser.smoothedDb[k] = -100.0f + (float) (k % 7);
    analyser.smoothedDb[1000] = 3.0f;
    analyser.hasFrame = true;

    const double hzPerBin = 48000.0 / 4096.0;
    // A column spanning bins 995..1003 takes the largest of them.
    EXPECT_EQ (canvas->spectrumPeakDb (analyser, 995.2 * hzPerBin, 1002.5 * hzPerBin, 999.0 * hzPerBin), 3.0f);
    // A column narrower than a bin: a quarter of the way from bin 10 to bin 11.
    EXPECT_FLOAT_EQ (canvas->spectrumPeakDb (analyser, 10.0 * hzPerBin, 10.5 * hzPerBin, 10.25 * hzPerBin),
                     0.75f * analyser.smoothedDb[10] + 0.25f * analyser.smoothedDb[11]);
    // Beyond the last bin the last one counts.
    EXPECT_EQ (canvas->spectrumPeakDb (analyser, 30000.0, 30001.0, 30000.5), analyser.smoothedDb[2047]);
    EXPECT_EQ (canvas->analyserDbToY (6.0f), 0.0f);
    EXPECT_EQ (canvas->analyserDbToY (-100.0f), (float) canvasHeight);
}

class AnalyserImageTest : public CanvasPaintTest
{
protected:
    void feed (float preAmplitude, float postAmplitude)
    {
        SineWriter a { 440.0, 48000.0 }, b { 440.0, 48000.0 };
        a.write (processor->analyzerPre, preAmplitude);
        b.write (processor->analyzerPost, postAmplitude);
        canvas->updateAnalysers();
    }
};

TEST_F (AnalyserImageTest, BeforeTheFirstTickTheImageIsTransparent)
{
    canvas->analyzerMode = 2;
    paintCanvas();
    ASSERT_TRUE (canvas->analyserImage.isValid());
    EXPECT_EQ (countVisiblePixels (canvas->analyserImage), 0);
    EXPECT_FALSE (canvas->analyserImageDirty);
}

TEST_F (AnalyserImageTest, ModeOffNeitherRebuildsNorDrawsTheImage)
{
    feed (0.5f, 0.5f);
    canvas->analyzerMode = 0;
    juce::Image previous (juce::Image::ARGB, 3, 3, true);
    canvas->analyserImage = previous;

    const auto recording = paintCanvas();
    EXPECT_TRUE (canvas->analyserImage == previous);
    EXPECT_TRUE (canvas->analyserImageDirty);
    for (const auto& fill : recording->getFills())
        EXPECT_NE (fill.kind, RecordingGraphics::Kind::image);
}

TEST_F (AnalyserImageTest, PrePlusPostDrawsTheQuieterPreTraceUnderThePostTrace)
{
    feed (0.9f, 0.01f);
    canvas->analyzerMode = 1;
    paintCanvas();
    const int postOnly = countVisiblePixels (canvas->analyserImage);

    canvas->analyzerMode = 2;
    canvas->analyserImageDirty = true;
    paintCanvas();
    EXPECT_GT (countVisiblePixels (canvas->analyserImage), postOnly);
}

TEST_F (AnalyserImageTest, TheImageHasThePhysicalResolutionAndIsRebuiltOnlyWhenNeeded)
{
    feed (0.5f, 0.5f);
    canvas->analyzerMode = 1;

    for (const int scale : { 1, 2 })
    {
        canvas->analyserImageDirty = true;
        const auto recording = paintCanvas (scale);
        EXPECT_EQ (canvas->analyserImage.getWidth(), canvasWidth * scale);
        EXPECT_EQ (canvas->analyserImage.getHeight(), canvasHeight * scale);

        // Drawn back at the canvas's size.
        int images = 0;
        for (const auto& fill : recording->getFills())
        {
            if (fill.kind != RecordingGraphics::Kind::image)
                continue;
            ++images;
            EXPECT_EQ (fill.bounds, juce::Rectangle<float> (0.0f, 0.0f, (float) canvasWidth * scale, (float) canvasHeight * scale));
        }
        EXPECT_EQ (images, 1);
    }

    // A paint between ticks reuses the image; a change of scale or size rebuilds it.
    const auto* pixels = canvas->analyserImage.getPixelData();
    paintCanvas (2);
    EXPECT_EQ (canvas->analyserImage.getPixelData(), pixels);
    paintCanvas (1);
    EXPECT_EQ (canvas->analyserImage.getWidth(), canvasWidth);
    canvas->setSize (400, 300);
    paintCanvas (1);
    EXPECT_EQ (canvas->analyserImage.getWidth(), 400);
}
