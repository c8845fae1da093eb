// The analyser display of the canvas: both spectra drawn as traces into a cached image at the
// display's physical resolution, rebuilt at most once per display tick.

#include "CurveCanvas.h"

#include "engine/SabrelProcessor.h"

#include <algorithm>
#include <cmath>

float CurveCanvas::analyserDbToY (float db) const
{
    return (1.0f - std::clamp ((db + 100.0f) / 106.0f, 0.0f, 1.0f)) * (float) getHeight();
}

float CurveCanvas::spectrumPeakDb (const SpectrumAnalyser& analyser, double lowHz, double highHz, double centreHz) const
{
    constexpr int lastBin = SpectrumAnalyser::numBins - 1;
    const auto& levels = analyser.smoothedDb;
    const double binsPerHz = (double) SpectrumAnalyser::fftSize / sampleRate;
    const double lowBin = lowHz * binsPerHz, highBin = highHz * binsPerHz;

    // A column narrower than a bin interpolates between neighbours, so low frequencies stay smooth.
    if (highBin - lowBin < 1.0)
    {
        const double b = std::clamp (centreHz * binsPerHz, 0.0, (double) lastBin);
        const int k = (int) std::floor (b);
        const auto t = (float) (b - k);
        return (1.0f - t) * levels[(size_t) k] + t * levels[(size_t) std::min (k + 1, lastBin)];
    }

    const int k0 = std::clamp ((int) std::floor (lowBin), 0, lastBin);
    const int k1 = std::max (k0, std::min ((int) std::ceil (highBin), lastBin));
    float peak = -120.0f;
    for (int k = k0; k <= k1; ++k)
        peak = std::max (peak, levels[(size_t) k]);
    return peak;
}

void CurveCanvas::drawSpectrum (juce::Graphics& g, const SpectrumAnalyser& analyser, bool post)
{
    if (! analyser.hasFrame)
        return;

    const int w = getWidth();
    const float h = (float) getHeight();

    juce::Path trace;
    trace.preallocateSpace (3 * (w + 1) + 8);
    for (int i = 0; i <= w; ++i)
    {
        const auto x = (float) i;
        const float y = analyserDbToY (spectrumPeakDb (analyser, xToFrequency (x - 0.5f), xToFrequency (x + 0.5f), xToFrequency (x)));
        if (i == 0)
            trace.startNewSubPath (0.0f, y);
        else
            trace.lineTo (x, y);
    }

    const juce::PathStrokeType stroke (1.0f, juce::PathStrokeType::curved, juce::PathStrokeType::butt);
    if (post)
    {
        auto area = trace;
        area.lineTo ((float) w, h);
        area.lineTo (0.0f, h);
        area.closeSubPath();
        g.setGradientFill (juce::ColourGradient (juce::Colour (0x429fb3c8), 0.0f, 0.0f, juce::Colour (0x009fb3c8), 0.0f, h, false));
        g.fillPath (area);
        g.setColour (juce::Colour (0x52b9c6d6));
    }
    else
    {
        g.setColour (juce::Colour (0x477f8a99));
    }
    g.strokePath (trace, stroke);
}

void CurveCanvas::paintAnalyserImage (juce::Graphics& g)
{
    const float scale = std::max (g.getInternalContext().getPhysicalPixelScaleFactor(), 1.0f);
    const int iw = juce::roundToInt ((float) getWidth() * scale);
    const int ih = juce::roundToInt ((float) getHeight() * scale);

    if (analyserImageDirty || ! analyserImage.isValid() || analyserImage.getWidth() != iw || analyserImage.getHeight() != ih)
    {
        analyserImage = juce::Image (juce::Image::ARGB, std::max (iw, 1), std::max (ih, 1), true, juce::NativeImageType());
        {
            juce::Graphics traces (analyserImage);
            traces.addTransform (juce::AffineTransform::scale (scale));
            if (analyzerMode == 2)
                drawSpectrum (traces, preAnalyser, false);
            drawSpectrum (traces, postAnalyser, true);
        }
        analyserImageDirty = false;
    }

    g.drawImageTransformed (analyserImage, juce::AffineTransform::scale (1.0f / scale), false);
}
