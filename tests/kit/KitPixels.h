#pragma once

#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <cmath>
#include <cstdlib>
#include <functional>

// Helpers for tests that paint into an image with the software renderer and probe pixels.
namespace kitpixels
{
// An ARGB image of width x height logical pixels painted at `scale`, cleared to `clear`.
inline juce::Image render (int width, int height, float scale, juce::Colour clear,
                           const std::function<void (juce::Graphics&)>& paint)
{
    juce::Image image (juce::Image::ARGB, juce::roundToInt ((float) width * scale),
                       juce::roundToInt ((float) height * scale), true, juce::SoftwareImageType());
    juce::Graphics g (image);
    g.fillAll (clear);
    g.addTransform (juce::AffineTransform::scale (scale));
    paint (g);
    return image;
}

inline juce::Image renderComponent (juce::Component& c, float scale, juce::Colour clear = juce::Colours::transparentBlack)
{
    return render (c.getWidth(), c.getHeight(), scale, clear, [&] (juce::Graphics& g) { c.paintEntireComponent (g, false); });
}

// Colour of the pixel under the logical point (x, y) of an image painted at `scale`.
inline juce::Colour at (const juce::Image& image, float x, float y, float scale = 1.0f)
{
    return image.getPixelAt ((int) std::floor (x * scale), (int) std::floor (y * scale));
}

// Compared as stored, premultiplied by alpha, so that faint colours are not over-weighted.
inline bool near (juce::Colour a, juce::Colour b, int tolerance = 2)
{
    const auto pa = a.getPixelARGB(), pb = b.getPixelARGB();
    return std::abs (pa.getRed() - pb.getRed()) <= tolerance && std::abs (pa.getGreen() - pb.getGreen()) <= tolerance
           && std::abs (pa.getBlue() - pb.getBlue()) <= tolerance && std::abs (pa.getAlpha() - pb.getAlpha()) <= tolerance;
}

// What a colour with alpha painted over an opaque background shows.
inline juce::Colour over (juce::Colour background, juce::Colour paint)
{
    return background.overlaidWith (paint);
}

// Counts the runs of pixels along a column for which `lit` holds.
inline int countRuns (const juce::Image& image, int x, const std::function<bool (juce::Colour)>& isLit)
{
    int runs = 0;
    bool inRun = false;
    for (int y = 0; y < image.getHeight(); ++y)
    {
        const bool lit = isLit (image.getPixelAt (x, y));
        if (lit && ! inRun)
            ++runs;
        inRun = lit;
    }
    return runs;
}

// Counts the runs of pixels along a column whose alpha is at least `threshold`.
inline int countRuns (const juce::Image& image, int x, int threshold = 128)
{
    return countRuns (image, x, [threshold] (juce::Colour c) { return c.getAlpha() >= threshold; });
}

inline ::testing::AssertionResult colourNear (juce::Colour actual, juce::Colour expected, int tolerance = 2)
{
    if (near (actual, expected, tolerance))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "colour " << actual.toDisplayString (true) << " is not near "
                                         << expected.toDisplayString (true);
}
} // namespace kitpixels
