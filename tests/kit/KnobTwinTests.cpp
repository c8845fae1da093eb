#include "KitPixels.h"
#include "kit/Knob.h"
#include "kit/KnobTwin.h"

#include <gtest/gtest.h>

TEST (KnobTwin, LaysOutAndPaintsExactlyLikeKnob)
{
    const auto& palette = kov::KitPalette::standard();

    for (const auto size : { juce::Point<int> (90, 120), juce::Point<int> (60, 18), juce::Point<int> (40, 10),
                             juce::Point<int> (30, 200) })
    {
        kov::Knob knob ("Gain", palette);
        kov::KnobTwin twin ("Gain", palette);
        knob.setSize (size.x, size.y);
        twin.setSize (size.x, size.y);

        EXPECT_EQ (twin.slider.getBounds(), knob.slider.getBounds()) << size.toString();
        EXPECT_EQ (twin.slider.getSliderStyle(), knob.slider.getSliderStyle());
        EXPECT_EQ (twin.slider.getTextBoxPosition(), knob.slider.getTextBoxPosition());
        EXPECT_EQ (twin.getCaption(), knob.getCaption());

        for (const auto scale : { 1.0f, 2.0f })
        {
            const auto a = kitpixels::renderComponent (knob, scale, palette.background);
            const auto b = kitpixels::renderComponent (twin, scale, palette.background);
            for (int y = 0; y < a.getHeight(); ++y)
                for (int x = 0; x < a.getWidth(); ++x)
                    ASSERT_EQ (a.getPixelAt (x, y).getARGB(), b.getPixelAt (x, y).getARGB()) << x << ", " << y;
        }
    }
}
