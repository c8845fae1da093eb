#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

// Look-and-feel of the canvas's type and channel menus: a partly transparent background.
class TranslucentMenuLnf : public juce::LookAndFeel_V4
{
public:
    TranslucentMenuLnf();
    ~TranslucentMenuLnf() override;

    void drawPopupMenuBackground (juce::Graphics& g, int width, int height) override;
};

std::unique_ptr<TranslucentMenuLnf> makeTranslucentMenuLnf();
