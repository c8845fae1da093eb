#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

// Look-and-feel of the canvas's type and channel menus: a partly transparent, rounded
// background through which the editor shows.
class TranslucentMenuLnf : public juce::LookAndFeel_V4
{
public:
    TranslucentMenuLnf();
    ~TranslucentMenuLnf() override;

    void drawPopupMenuBackground (juce::Graphics& g, int width, int height) override;
};

std::unique_ptr<TranslucentMenuLnf> makeTranslucentMenuLnf();

// One row of the overlay's type menu: the type's icon and name. A row for a type the band
// may not take is dimmed, never highlighted, and clicking it does not choose it.
class TypeMenuItem : public juce::PopupMenu::CustomComponent
{
public:
    TypeMenuItem (int filterType, bool isTicked, bool isEnabled);
    ~TypeMenuItem() override;

    void paint (juce::Graphics& g) override;
    void getIdealSize (int& idealWidth, int& idealHeight) override;

    const int type;
    const bool ticked;
    const bool enabled;
};
