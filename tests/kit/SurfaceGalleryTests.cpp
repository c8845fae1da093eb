// Renders the kit's surfaces in their states at 1x and 2x into the build tree, for looking at.
#include "kit/HistoryGraph.h"
#include "support/GalleryPng.h"
#include "kit/KnobTwin.h"
#include "kit/PanelPainter.h"
#include "kit/PluginHeader.h"
#include "kit/ReductionMeter.h"
#include "kit/SectionTitle.h"
#include "kit/SegmentedSelector.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace
{
const auto& palette = kov::KitPalette::standard();

void saveGallery (const juce::String& name, int width, int height, const std::function<void (juce::Graphics&)>& paint)
{
    for (const int scale : { 1, 2 })
    {
        juce::Image image (juce::Image::ARGB, width * scale, height * scale, true);
        {
            juce::Graphics g (image);
            g.addTransform (juce::AffineTransform::scale ((float) scale));
            g.fillAll (palette.background);
            paint (g);
        }

        ASSERT_TRUE (writeGalleryPng (image, name + "@" + juce::String (scale) + "x.png").existsAsFile());
    }
}

void saveComponent (const juce::String& name, juce::Component& component)
{
    saveGallery (name, component.getWidth(), component.getHeight(),
                 [&component] (juce::Graphics& g) { component.paintEntireComponent (g, false); });
}

juce::Image fallbackArtwork()
{
    juce::Image image (juce::Image::ARGB, 90, 30, true);
    juce::Graphics g (image);
    g.setColour (juce::Colours::white);
    g.fillEllipse (0.0f, 0.0f, 30.0f, 30.0f);
    g.fillRoundedRectangle (36.0f, 8.0f, 54.0f, 14.0f, 4.0f);
    return image;
}

void fillHistory (kov::HistoryGraph& graph)
{
    for (int i = 0; i < graph.getLength() + graph.getLength() / 3; ++i)
    {
        const auto t = (float) i * 0.07f;
        const auto level = 0.55f + 0.45f * std::sin (t) * std::sin (t * 0.31f);
        graph.addEntry ({ -level, level, -level * 0.6f, level * 0.6f, juce::jmax (0.0f, level - 0.5f) * 14.0f });
    }
}
} // namespace

TEST (SurfaceGallery, Headers)
{
    kov::PluginHeader header (palette);
    header.setSize (620, 40);
    header.setTitleText ("Sabrel");
    header.setLogo();
    saveComponent ("header_logo", header);

    header.setBadgeText ("BETA");
    header.setRightText ("v0.1.0  48 kHz  latency 0");
    saveComponent ("header_full", header);

    header.setSize (180, 30);
    saveComponent ("header_narrow", header);

    kov::PluginHeader imageHeader (palette);
    imageHeader.setSize (420, 36);
    imageHeader.setTitleText ("Image logo");
    imageHeader.setFallbackLogo (fallbackArtwork());
    saveComponent ("header_fallback", imageHeader);
}

TEST (SurfaceGallery, Panels)
{
    kov::PanelPainter painter;
    saveGallery ("panels", 420, 240, [&painter] (juce::Graphics& g)
    {
        painter.drawDisplayPanel (g, { 0.0f, 0.0f, 420.0f, 240.0f });
        painter.drawModulePanel (g, { 24.0f, 24.0f, 170.0f, 190.0f }, 9.0f);
        painter.drawModulePanel (g, { 220.5f, 30.25f, 176.0f, 120.0f }, 4.0f);
    });
}

TEST (SurfaceGallery, HistoryGraphs)
{
    kov::HistoryGraph graph (palette);
    graph.setSize (320, 150);
    fillHistory (graph);
    saveComponent ("history_bars", graph);

    graph.setFilledEnvelope (true);
    saveComponent ("history_envelope", graph);

    graph.setShowThreshold (false);
    graph.setFilledEnvelope (false);
    graph.setPointSpacing (4.0f);
    fillHistory (graph);
    saveComponent ("history_bars_wide_no_threshold", graph);
}

TEST (SurfaceGallery, SelectorsAndTitles)
{
    kov::SegmentedSelector selector (palette);
    selector.setSize (210, 26);
    saveComponent ("selector_empty", selector);

    selector.setLabels ({ "Zero Latency", "Natural", "Linear" });
    for (int i = 0; i < 3; ++i)
    {
        selector.setSelectedIndex (i);
        saveComponent ("selector_" + juce::String (i), selector);
    }

    kov::SectionTitle title (palette);
    title.setSize (260, 20);
    title.setTitleText ("DYNAMICS");
    saveComponent ("section_title", title);

    title.setSize (60, 20);
    saveComponent ("section_title_narrow", title);
}

TEST (SurfaceGallery, ReductionMeters)
{
    struct Look { const char* name; bool log, left, twoColour, embossed; float db, peak; };
    const Look looks[] = {
        { "reduction_log_left", true, true, true, false, 7.5f, 11.0f },
        { "reduction_log_right_embossed", true, false, true, true, 15.0f, 20.0f },
        { "reduction_linear_left", false, true, true, false, 7.0f, 9.0f },
        { "reduction_linear_one_colour", false, false, false, true, 4.0f, 6.0f },
        { "reduction_idle", true, true, true, false, 0.0f, 0.0f },
    };

    for (const auto& look : looks)
    {
        kov::ReductionMeter meter (palette);
        meter.setSize (48, 200);
        meter.setLogScale (look.log);
        meter.setScaleOnLeft (look.left);
        meter.setTwoColour (look.twoColour);
        meter.setEmbossed (look.embossed);
        meter.setReduction (look.db);
        meter.setPeakReduction (look.peak);
        saveComponent (look.name, meter);
    }
}

TEST (SurfaceGallery, KnobTwin)
{
    kov::KnobTwin knob ("Threshold", palette);
    knob.setSize (90, 120);
    knob.slider.setRange (-60.0, 0.0);
    knob.slider.setValue (-18.0);
    saveComponent ("knob_twin", knob);
}
