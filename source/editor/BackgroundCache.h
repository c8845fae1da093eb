#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <vector>

// Keeps a painted background as an image at the display's pixel density. The window's
// background is costly (textures, gradients, shadows) and the curve canvas is not opaque,
// so without it every canvas repaint during a drag would paint the background under it again.
// The image is painted anew whenever what it depends on (its key) or the pixel density changes.
class BackgroundCache
{
public:
    // Everything the background's look depends on, as plain values; equal keys paint alike.
    struct Key
    {
        std::vector<juce::Rectangle<int>> areas;
        std::vector<bool> flags;
        juce::String text;

        bool operator== (const Key& other) const
        {
            return areas == other.areas && flags == other.flags && text == other.text;
        }
    };

    // Draws the background of a component of the given size into g, painting it first with
    // paintBackground (in component coordinates) when the key or the density changed.
    void draw (juce::Graphics& g, juce::Rectangle<int> size, Key key,
               const std::function<void (juce::Graphics&)>& paintBackground);

    // How many times the background has been painted into the image.
    int paintCount() const noexcept { return paints; }

private:
    juce::Image image;
    Key cachedKey;
    float cachedScale = 0.0f;
    int paints = 0;
};
