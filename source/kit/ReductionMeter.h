#pragma once

#include "KitPalette.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace kov
{
// Proportion of a reduction meter's column lit by a reduction in dB: 1 - 10^(-dB/20) on the
// logarithmic scale (never quite full), dB / 10 on the linear one; limited to 0 .. 1.
float reductionToProportion (float reductionDb, bool logScale) noexcept;

// A segment meter that grows downward from its top edge for an amount of gain reduction,
// with a dB scale strip beside the well.
class ReductionMeter : public juce::Component
{
public:
    explicit ReductionMeter (const KitPalette& palette);

    void setReduction (float newReductionDb);
    void setPeakReduction (float newPeakReductionDb);
    void setScaleOnLeft (bool shouldBeOnLeft);
    void setLogScale (bool shouldUseLogScale);
    void setTwoColour (bool shouldUseTwoColours);
    void setEmbossed (bool shouldEmboss);

    float getReduction() const noexcept { return reductionDb; }
    float getPeakReduction() const noexcept { return peakReductionDb; }

    void paint (juce::Graphics& g) override;

private:
    KitPalette palette;
    float reductionDb = 0.0f;
    float peakReductionDb = 0.0f;
    bool scaleOnLeft = true;
    bool logScale = true;
    bool twoColour = true;
    bool embossed = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ReductionMeter)
};
} // namespace kov
