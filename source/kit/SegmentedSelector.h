#pragma once

#include "KitPalette.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

namespace kov
{
// A row of mutually exclusive labelled segments; a click selects the segment under it.
class SegmentedSelector : public juce::Component
{
public:
    explicit SegmentedSelector (const KitPalette& palette);

    // Called with the new index after every change of the selection.
    std::function<void (int)> onChange;

    // Replaces the labels; a selection beyond the new last segment moves to it.
    void setLabels (const juce::StringArray& newLabels);
    const juce::StringArray& getLabels() const noexcept { return labels; }

    // Limits the index to the segments (0 when there are none); a change repaints and notifies.
    void setSelectedIndex (int newIndex);
    int getSelectedIndex() const noexcept { return selectedIndex; }

    // Selects the segment under the event's x position; ignored when there are no segments.
    void selectAt (const juce::MouseEvent& event);

    void paint (juce::Graphics& g) override;
    void mouseDown (const juce::MouseEvent& event) override;

private:
    KitPalette palette;
    juce::StringArray labels;
    int selectedIndex = 0;

    int limitIndex (int index) const noexcept;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SegmentedSelector)
};
} // namespace kov
