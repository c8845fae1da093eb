#pragma once

#include "KitPalette.h"

#include <juce_gui_basics/juce_gui_basics.h>

namespace kov
{
// A bold heading followed by a faint rule to the right edge.
class SectionTitle : public juce::Component
{
public:
    explicit SectionTitle (const KitPalette& palette);

    void setTitleText (const juce::String& newTitle);
    const juce::String& getTitleText() const noexcept { return title; }

    // Width of the heading's box; the rule starts 4 px right of it.
    float getTitleBoxWidth() const;

    void paint (juce::Graphics& g) override;

private:
    KitPalette palette;
    juce::String title;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (SectionTitle)
};
} // namespace kov
