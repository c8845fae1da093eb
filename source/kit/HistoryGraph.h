#pragma once

#include "KitPalette.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <vector>

namespace kov
{
// A sweeping graph over a ring of points, one per horizontal step: a bipolar trace of two level
// pairs, threshold dashes at plus and minus the threshold, and a reduction amount hanging from
// the top edge. New points overwrite the oldest in place; a blank gap runs ahead of the writer.
class HistoryGraph : public juce::Component
{
public:
    struct Entry
    {
        float outerLow = 0.0f, outerHigh = 0.0f; // faint trace, bipolar scale (+-1 fills the plot)
        float innerLow = 0.0f, innerHigh = 0.0f; // bright trace, same scale
        float dropDb = 0.0f;                     // drawn down from the top edge, full scale 12 dB
    };

    explicit HistoryGraph (const KitPalette& palette);

    // Writes one point at the write position and advances it around the ring. Ignored until the
    // graph has been given a size.
    void addEntry (const Entry& entry);

    // Horizontal distance between points; below half a pixel is taken as half a pixel, and a
    // value that is not finite is ignored. A change re-sizes (and clears) the ring.
    void setPointSpacing (float newSpacing);
    void setThreshold (float newThreshold);
    void setShowThreshold (bool shouldShow);
    void setFilledEnvelope (bool shouldFill);

    int getLength() const noexcept { return length; }
    int getWriteIndex() const noexcept { return writeIndex; }
    const std::vector<Entry>& getEntries() const noexcept { return entries; }

    // Number of blank points ahead of the write position for a ring of the given length.
    static int gapLength (int ringLength) noexcept;

    void paint (juce::Graphics& g) override;
    void resized() override;

private:
    KitPalette palette;
    std::vector<Entry> entries;
    int writeIndex = 0;
    int length = 1;
    float pointSpacing = 2.0f;
    float threshold = 0.5f;
    bool showThreshold = true;
    bool filledEnvelope = false;

    bool isHidden (int point, int gap) const noexcept;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (HistoryGraph)
};
} // namespace kov
