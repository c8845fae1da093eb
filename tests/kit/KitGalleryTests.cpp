// Renders every control of the kit in its states at 1x and 2x into PNG sheets under
// <build>/tests/output/gallery/, so that a person can look at them. Nothing is compared here.

#include "kit/ConsoleKeys.h"
#include "support/GalleryPng.h"
#include "kit/FilmstripKnobRenderer.h"
#include "kit/KitFonts.h"
#include "kit/Knob.h"
#include "kit/LevelMeter.h"
#include "kit/SslLookAndFeel.h"

#include <BinaryData.h>
#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace
{
const auto& palette = kov::KitPalette::standard();
constexpr float startAngle = -2.3561945f;
constexpr float endAngle = 2.3561945f;

// A grid of captioned cells, saved once per scale.
class GallerySheet
{
public:
    GallerySheet (juce::String sheetName, int cellWidth, int cellHeight, int columns)
        : name (std::move (sheetName)), cellW (cellWidth), cellH (cellHeight), cols (columns)
    {
    }

    void add (const juce::String& caption, std::function<void (juce::Graphics&)> paint)
    {
        cells.push_back ({ caption, std::move (paint) });
    }

    std::vector<juce::File> save() const
    {
        std::vector<juce::File> files;
        for (auto scale : { 1, 2 })
            files.push_back (saveAt (scale));
        return files;
    }

private:
    static constexpr int captionHeight = 14;

    juce::File saveAt (int scale) const
    {
        const auto rows = ((int) cells.size() + cols - 1) / cols;
        const auto rowH = cellH + captionHeight;
        juce::Image image (juce::Image::ARGB, cols * cellW * scale, rows * rowH * scale, true, juce::SoftwareImageType());
        {
            juce::Graphics g (image);
            g.addTransform (juce::AffineTransform::scale ((float) scale));
            g.fillAll (palette.background.darker (0.4f));

            for (size_t i = 0; i < cells.size(); ++i)
            {
                const auto x = (int) (i % (size_t) cols) * cellW;
                const auto y = (int) (i / (size_t) cols) * rowH;
                juce::Graphics::ScopedSaveState state (g);
                g.setOrigin (x, y);
                g.reduceClipRegion (0, 0, cellW, rowH);
                g.setColour (palette.background);
                g.fillRect (1, 1, cellW - 2, rowH - 2);
                g.setColour (palette.textDim);
                g.setFont (kov::monoFont (9.0f));
                g.drawText (cells[i].caption, 2, cellH, cellW - 4, captionHeight, juce::Justification::centred, true);
                g.reduceClipRegion (0, 0, cellW, cellH);
                cells[i].paint (g);
            }
        }

        return writeGalleryPng (image, name + "@" + juce::String (scale) + "x.png");
    }

    struct Cell
    {
        juce::String caption;
        std::function<void (juce::Graphics&)> paint;
    };

    juce::String name;
    int cellW, cellH, cols;
    std::vector<Cell> cells;
};

void expectSaved (const GallerySheet& sheet)
{
    for (const auto& file : sheet.save())
    {
        EXPECT_TRUE (file.existsAsFile()) << file.getFullPathName();
        EXPECT_GT (file.getSize(), 100) << file.getFullPathName();
    }
}

// Paints a component (and its children) at (x, y) of the cell.
void paintAt (juce::Graphics& g, juce::Component& c, int x, int y)
{
    juce::Graphics::ScopedSaveState state (g);
    g.setOrigin (x, y);
    c.paintEntireComponent (g, false);
}

std::shared_ptr<kov::FilmstripKnobRenderer> embeddedFilmstrip()
{
    auto base = juce::ImageCache::getFromMemory (BinaryData::knob_master_png, BinaryData::knob_master_pngSize);
    auto mask = juce::ImageCache::getFromMemory (BinaryData::knob_aux_png, BinaryData::knob_aux_pngSize);
    auto renderer = std::make_shared<kov::FilmstripKnobRenderer> (base, mask, 64);
    renderer->maxDiameter = 50.0f;
    return renderer;
}

TEST (KitGallery, LevelMeters)
{
    GallerySheet sheet ("level-meters", 70, 170, 6);
    struct MeterState
    {
        const char* caption;
        std::vector<float> levels;
        bool scaleVisible, scaleOnLeft;
    };
    const MeterState states[] = {
        { "silence", { -100.0f }, true, true },
        { "-24 dB", { -24.0f }, true, true },
        { "-6 dB held, falling", { -6.0f, -30.0f, -30.0f, -30.0f }, true, true },
        { "+3 dB full", { 3.0f }, true, true },
        { "scale right", { -12.0f }, true, false },
        { "no scale", { -18.0f }, false, true },
    };
    for (const auto& s : states)
    {
        sheet.add (s.caption, [s] (juce::Graphics& g) {
            kov::LevelMeter meter (palette);
            meter.setScaleVisible (s.scaleVisible);
            meter.setScaleOnLeft (s.scaleOnLeft);
            meter.setBounds (0, 0, 44, 160);
            for (auto level : s.levels)
                meter.setLevel (level);
            paintAt (g, meter, 13, 5);
        });
    }
    sheet.add ("bar from top, embossed scale", [] (juce::Graphics& g) {
        const juce::Rectangle<float> bar (28.0f, 8.0f, 10.0f, 150.0f);
        kov::drawSegmentedBar (g, bar, 0.4f, 0.55f, { { 0.5f, palette.orange }, { 1.0f, palette.brown } }, true);
        kov::drawMeterScale (g, palette, { 4.0f, 0.0f, 22.0f, 160.0f }, bar, true, { 0.0f, -6.0f, -12.0f, -24.0f },
                             { -3.0f, -9.0f, -18.0f }, [] (float db) { return -db / 24.0f; }, true, true);
    });
    expectSaved (sheet);
}

TEST (KitGallery, Knobs)
{
    GallerySheet sheet ("knobs", 110, 110, 4);
    const auto filmstrip = embeddedFilmstrip();
    struct Face
    {
        const char* name;
        std::shared_ptr<kov::KnobRenderer> renderer;
        bool useRenderer;
    };
    const Face faces[] = { { "procedural", nullptr, true }, { "filmstrip", filmstrip, true }, { "arc", nullptr, false } };

    for (const auto& face : faces)
    {
        for (auto value : { 0.0, 0.5, 1.0 })
        {
            sheet.add (juce::String (face.name) + " " + juce::String (value, 1), [face, value] (juce::Graphics& g) {
                auto accentPalette = palette;
                accentPalette.accent = juce::Colour (0xff3fb5c0);
                kov::SslLookAndFeel lf (accentPalette);
                if (face.renderer != nullptr)
                    lf.knobRenderer = face.renderer;
                if (! face.useRenderer)
                    lf.knobRenderer = nullptr;

                kov::Knob knob ("Freq", accentPalette);
                knob.setLookAndFeel (&lf);
                knob.slider.setRange (0.0, 1.0, 0.01);
                knob.slider.setValue (value, juce::dontSendNotification);
                knob.setBounds (15, 5, 80, 96);

                {
                    // As in a parent's paint: its colour does not carry over to the child.
                    juce::Graphics::ScopedSaveState state (g);
                    kov::drawKnobShadow (g, knob.getBounds(), 25.0f, 18.0f, 38.0f);
                    kov::drawKnobScale (g, accentPalette, knob.getBounds(), 25.0f, 18.0f, 38.0f, &knob.slider);
                }
                paintAt (g, knob, knob.getX(), knob.getY());
                knob.setLookAndFeel (nullptr);
            });
        }
    }

    for (bool down : { false, true })
    {
        sheet.add (down ? "ring while held" : "ring on hover", [down] (juce::Graphics& g) {
            kov::SslLookAndFeel lf (palette);
            juce::Slider slider;
            const juce::Rectangle<int> area (25, 15, 60, 60);
            lf.drawRotarySlider (g, area.getX(), area.getY(), area.getWidth(), area.getHeight(), 0.3f, startAngle, endAngle, slider);
            kov::drawHoverRing (g, area, lf.palette.accent, down);
        });
    }
    sheet.add ("long caption", [] (juce::Graphics& g) {
        kov::SslLookAndFeel lf (palette);
        kov::Knob knob ("A caption far too long for it", palette);
        knob.setLookAndFeel (&lf);
        knob.setBounds (15, 5, 80, 96);
        paintAt (g, knob, knob.getX(), knob.getY());
        knob.setLookAndFeel (nullptr);
    });
    expectSaved (sheet);
}

TEST (KitGallery, Faders)
{
    GallerySheet sheet ("faders", 80, 160, 5);
    for (auto pos : { 0.0f, 0.35f, 1.0f })
    {
        sheet.add ("fader " + juce::String (pos, 2), [pos] (juce::Graphics& g) {
            kov::KovLookAndFeel lf (palette);
            juce::Slider slider (juce::Slider::LinearVertical, juce::Slider::NoTextBox);
            const auto top = 8.0f, bottom = 152.0f;
            lf.drawLinearSlider (g, 10, 5, 60, 150, bottom - (bottom - top) * pos, top, bottom, juce::Slider::LinearVertical, slider);
        });
    }
    sheet.add ("narrow fader", [] (juce::Graphics& g) {
        kov::KovLookAndFeel lf (palette);
        juce::Slider slider (juce::Slider::LinearVertical, juce::Slider::NoTextBox);
        lf.drawLinearSlider (g, 30, 5, 20, 150, 60.0f, 8.0f, 152.0f, juce::Slider::LinearVertical, slider);
    });
    sheet.add ("horizontal (framework)", [] (juce::Graphics& g) {
        kov::KovLookAndFeel lf (palette);
        juce::Slider slider (juce::Slider::LinearHorizontal, juce::Slider::NoTextBox);
        lf.drawLinearSlider (g, 5, 60, 70, 30, 40.0f, 10.0f, 70.0f, juce::Slider::LinearHorizontal, slider);
    });
    expectSaved (sheet);
}

TEST (KitGallery, Buttons)
{
    GallerySheet sheet ("buttons", 90, 70, 6);

    struct ButtonState
    {
        const char* caption;
        const char* text;
        juce::NamedValueSet properties;
        bool toggles, toggled, down;
    };
    const auto props = [] (std::initializer_list<juce::NamedValueSet::NamedValue> values) { return juce::NamedValueSet (values); };
    const ButtonState states[] = {
        { "keycap off", "MID", {}, false, false, false },
        { "keycap on", "MID", {}, false, true, false },
        { "keycap down", "MID", {}, false, false, true },
        { "plain", "Plain", props ({ { "plain", true } }), false, false, false },
        { "plain down", "Plain", props ({ { "plain", true } }), false, false, true },
        { "flat key", "BYPASS", props ({ { "tcflat", true } }), false, false, false },
        { "flat key down", "BYPASS", props ({ { "tcflat", true } }), false, false, true },
        { "arrow left", "", props ({ { "tcflat", true }, { "tcarrow", "left" } }), false, false, false },
        { "arrow right down", "", props ({ { "tcflat", true }, { "tcarrow", "right" } }), false, false, true },
        { "arrow up", "", props ({ { "tcflat", true }, { "tcarrow", "up" } }), false, false, false },
        { "arrow other", "", props ({ { "tcflat", true }, { "tcarrow", "Left" } }), false, false, false },
        { "toggle off", "AUTO", props ({ { "tcflat", true } }), true, false, false },
        { "toggle on", "AUTO", props ({ { "tcflat", true } }), true, true, false },
        { "toggle on down", "AUTO", props ({ { "tcflat", true } }), true, true, true },
        { "led level 0", "ZERO", props ({ { "tcflat", true }, { "tcledlevel", 0 } }), true, true, false },
        { "led level 1", "NAT", props ({ { "tcflat", true }, { "tcledlevel", 1 } }), true, false, false },
        { "led level 2", "LIN", props ({ { "tcflat", true }, { "tcledlevel", 2 } }), true, false, false },
        { "short toggle", "TINY", props ({ { "tcflat", true } }), true, true, false },
    };

    for (const auto& s : states)
    {
        sheet.add (s.caption, [&s] (juce::Graphics& g) {
            kov::SslLookAndFeel lf (palette);
            juce::TextButton button (s.text);
            button.setLookAndFeel (&lf);
            for (const auto& p : s.properties)
                button.getProperties().set (p.name, p.value);
            button.setClickingTogglesState (s.toggles);
            button.setToggleState (s.toggled, juce::dontSendNotification);
            button.setColour (juce::TextButton::buttonOnColourId, juce::Colour (0xffff4a3a));
            button.setColour (juce::TextButton::textColourOffId, juce::Colour (0xffd0d4da));
            button.setBounds (0, 0, 60, juce::String (s.caption) == "short toggle" ? 12 : 61);
            if (s.down)
                button.setState (juce::Button::buttonDown);
            paintAt (g, button, 15, 4);
            button.setLookAndFeel (nullptr);
        });
    }

    for (auto level : { 0.0f, 0.24f, 1.0f })
    {
        sheet.add ("led " + juce::String (level, 2), [level] (juce::Graphics& g) {
            kov::drawLed (g, { 37.0f, 30.0f, 16.0f, 5.0f }, juce::Colour (0xff3aff6a), level > 0.0f, level);
        });
    }
    expectSaved (sheet);
}
} // namespace
