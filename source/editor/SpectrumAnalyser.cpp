#include "SpectrumAnalyser.h"

#include <algorithm>
#include <cmath>

void SpectrumAnalyser::process (const AnalyzerRing& ring)
{
    // The count is read once: the audio thread may overwrite the oldest samples while they are
    // copied, which only shows as one slightly smeared frame.
    const uint32_t count = ring.writeCount.load (std::memory_order_acquire);

    for (uint32_t i = 0; i < (uint32_t) fftSize; ++i)
        fftData[i] = ring.samples[(count - (uint32_t) fftSize + i) & AnalyzerRing::mask].load (std::memory_order_relaxed);

    std::fill (fftData.begin() + fftSize, fftData.end(), 0.0f);
    window.multiplyWithWindowingTable (fftData.data(), (size_t) fftSize);
    fft.performFrequencyOnlyForwardTransform (fftData.data());

    for (size_t k = 0; k < smoothedDb.size(); ++k)
    {
        const float m = fftData[k] * (1.0f / 1024.0f);

        // "Not above 0" also catches NaN from a ring holding non-finite samples.
        float d = -120.0f;
        if (m > 0.0f)
            d = std::clamp (20.0f * std::log10 (m), -120.0f, 12.0f);

        if (hasFrame)
        {
            const float p = smoothedDb[k];
            d = d > p ? p + (d - p) * 0.5f : p + (d - p) * 0.1f;
        }

        smoothedDb[k] = d;
    }

    hasFrame = true;
}
