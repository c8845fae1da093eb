#include "BackgroundCache.h"

void BackgroundCache::draw (juce::Graphics& g, juce::Rectangle<int> size, Key key,
                            const std::function<void (juce::Graphics&)>& paintBackground)
{
    const auto scale = juce::jmax (1.0f, g.getInternalContext().getPhysicalPixelScaleFactor());
    const int width = juce::jmax (1, juce::roundToInt ((float) size.getWidth() * scale));
    const int height = juce::jmax (1, juce::roundToInt ((float) size.getHeight() * scale));

    if (! image.isValid() || image.getWidth() != width || image.getHeight() != height
        || scale != cachedScale || ! (key == cachedKey))
    {
        image = juce::Image (juce::Image::ARGB, width, height, true);
        juce::Graphics ig (image);
        ig.addTransform (juce::AffineTransform::scale (scale));
        paintBackground (ig);
        cachedKey = std::move (key);
        cachedScale = scale;
        ++paints;
    }

    g.drawImageTransformed (image, juce::AffineTransform::scale (1.0f / scale), false);
}
