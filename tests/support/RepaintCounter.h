#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

// Counts the repaint requests a component makes, without a window: installed as the
// component's cached image, which the component tells about every repaint. The component
// owns the cache; the counter reads a shared count.
class RepaintCounter
{
public:
    explicit RepaintCounter (juce::Component& c)
    {
        c.setVisible (true);
        c.setCachedComponentImage (new Cache (count));
        reset(); // installing the cache is itself a repaint
    }

    int get() const noexcept { return *count; }
    void reset() noexcept { *count = 0; }

private:
    struct Cache : juce::CachedComponentImage
    {
        explicit Cache (std::shared_ptr<int> c) : requests (std::move (c)) {}
        void paint (juce::Graphics&) override {}
        bool invalidateAll() override { ++*requests; return false; }
        bool invalidate (const juce::Rectangle<int>&) override { ++*requests; return false; }
        void releaseResources() override {}
        std::shared_ptr<int> requests;
    };

    std::shared_ptr<int> count = std::make_shared<int> (0);
};
