// The selected band's overlay: its layout by band type, dynamics and phase mode, the texts it
// shows, and the rectangles it records, which must be exactly what it draws and what a click
// reaches.

#include "CanvasPaintFixture.h"
#include "editor/BandColours.h"
#include "kit/KitFonts.h"

#include <functional>

namespace
{
float rowWidth (const juce::String& text)
{
    return kov::boldFont (11.5f).getStringWidthFloat (text);
}
} // namespace

class BandOverlayTest : public CanvasPaintTest
{
protected:
    void showOverlayOf (int band)
    {
        syncCanvas();
        canvas->selectedBand = band;
        recording = paintCanvas();
        ASSERT_TRUE (canvas->overlayVisible);
    }

    juce::MouseEvent event (juce::Point<float> position) const
    {
        const auto now = juce::Time::getCurrentTime();
        return juce::MouseEvent (juce::Desktop::getInstance().getMainMouseSource(), position,
                                 juce::ModifierKeys::leftButtonModifier, juce::MouseInputSource::defaultPressure,
                                 0.0f, 0.0f, 0.0f, 0.0f, canvas.get(), canvas.get(), now, position, now, 1, false);
    }

    std::unique_ptr<RecordingGraphics> recording;
};

TEST_F (BandOverlayTest, LayoutFollowsTypeDynamicsAndPhaseMode)
{
    struct Row
    {
        const char* text;
        int kind;
    };
    struct Case
    {
        const char* name;
        int type;
        float gain;
        bool dynamic, autoTiming;
        int phaseMode;
        std::vector<Row> rows;
        int chips; // 0, 1 (DYN) or 3 (DYN, FULL, EXT)
        float height;
        bool sliders;
    };
    const std::vector<Case> cases {
        { "bell without dynamics", FilterType::bell, 6.0f, false, true, 0, { { "2.50 kHz", 0 }, { "6.0 dB", 1 }, { "Q 0.71", 2 } }, 1, 55.0f, false },
        { "dynamic bell, automatic timing", FilterType::bell, -4.5f, true, true, 0, { { "2.50 kHz", 0 }, { "-4.5 dB", 1 }, { "Q 0.71", 2 } }, 3, 92.0f, false },
        { "dynamic shelf, own timing", FilterType::lowShelf, 2.0f, true, false, 1, { { "2.50 kHz", 0 }, { "2.0 dB", 1 }, { "Q 0.71", 2 } }, 3, 142.0f, true },
        { "dynamic bell in linear phase", FilterType::bell, 6.0f, true, false, 2, { { "2.50 kHz", 0 }, { "6.0 dB", 1 }, { "Q 0.71", 2 } }, 0, 55.0f, false },
        { "tilt with dynamics set", FilterType::tilt, 0.0f, true, false, 0, { { "2.50 kHz", 0 }, { "TILT +3.0", 4 } }, 0, 55.0f, false },
        { "notch", FilterType::notch, 0.0f, false, true, 0, { { "2.50 kHz", 0 }, { "Notch", -1 }, { "Q 0.71", 2 } }, 0, 55.0f, false },
        { "low cut", FilterType::lowCut, 0.0f, false, true, 0, { { "2.50 kHz", 0 }, { "24 dB/oct", 3 } }, 0, 55.0f, false },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        SetUp();
        useBand (4, c.type, 2500.0f, c.gain);
        setBand (4, "tilt", 3.0f);
        setBand (4, "slope", 3.0f); // 24 dB/oct
        setBand (4, "dynon", c.dynamic ? 1.0f : 0.0f);
        setBand (4, "auto", c.autoTiming ? 1.0f : 0.0f);
        setParameter ("phasemode", (float) c.phaseMode);
        showOverlayOf (4);

        // Row boxes take the drawn text's width; "Notch" is shown but is no box.
        float rowsW = 14.0f * (float) (c.rows.size() - 1);
        int box = 0;
        for (const auto& row : c.rows)
        {
            rowsW += rowWidth (row.text);
            if (row.kind < 0)
                continue;
            EXPECT_EQ (canvas->valueBoxKinds[(size_t) box], row.kind) << row.text;
            EXPECT_FLOAT_EQ (canvas->valueBoxRects[(size_t) box].getWidth(), rowWidth (row.text)) << row.text;
            ++box;
        }
        EXPECT_EQ (canvas->valueBoxCount, box + (c.sliders ? 4 : 0));
        for (int k = 0; c.sliders && k < 4; ++k)
            EXPECT_EQ (canvas->valueBoxKinds[(size_t) (box + k)], ValueKind::ratio + k);

        const float chipsW = c.chips == 0 ? 134.0f : (float) (c.chips * 41 - 5 + 150);
        const float content = std::max ({ rowsW, chipsW, c.chips == 3 ? 300.0f : 0.0f });
        EXPECT_FLOAT_EQ (canvas->overlayRect.getWidth(), content + 16.0f);
        EXPECT_EQ (canvas->overlayRect.getHeight(), c.height);

        EXPECT_EQ (canvas->dynRect.isEmpty(), c.chips == 0);
        EXPECT_EQ (canvas->autoShown, c.chips == 3);
        EXPECT_EQ (canvas->sidechainShown, c.chips == 3);
        EXPECT_EQ (canvas->autoRect.isEmpty(), c.chips != 3);
        EXPECT_EQ (canvas->thresholdBand, c.chips == 3 ? 4 : -1);
        EXPECT_EQ (canvas->dynSliderCount, c.sliders ? 4 : 0);
        if (c.chips > 0) // right-aligned to the content's right edge
            EXPECT_FLOAT_EQ ((c.chips == 3 ? canvas->sidechainRect : canvas->dynRect).getRight(),
                             canvas->overlayRect.getX() + 8.0f + content);
        if (c.chips == 3)
            EXPECT_FLOAT_EQ (canvas->thresholdTrackRect.getWidth(), content - 76.0f);
        TearDown();
    }
}

TEST_F (BandOverlayTest, FrequencyTexts)
{
    const std::vector<std::pair<double, const char*>> cases {
        { 20.0, "20 Hz" }, { 440.0, "440 Hz" }, { 440.5, "440 Hz" }, { 441.5, "442 Hz" },
        { 999.6, "1000 Hz" }, { 1000.0, "1.00 kHz" }, { 12500.0, "12.50 kHz" }, { 20000.0, "20.00 kHz" },
    };
    for (const auto& [hz, text] : cases)
        EXPECT_EQ (CurveCanvas::formatFrequency (hz), juce::String (text)) << hz;
}

TEST_F (BandOverlayTest, ValueTextsAreDrawnExactlyInTheirBoxes)
{
    useBand (2, FilterType::bell, 640.0f, -12.0f);
    setParameter ("gainscale", 50.0f);
    showOverlayOf (2);

    const auto font = kov::boldFont (11.5f);
    const std::vector<juce::String> texts { "640 Hz", "-6.0 dB", "Q 0.71" };
    ASSERT_EQ (canvas->valueBoxCount, 3);
    for (int k = 0; k < 3; ++k)
    {
        const auto box = canvas->valueBoxRects[(size_t) k];
        juce::GlyphArrangement laidOut;
        laidOut.addLineOfText (font, texts[(size_t) k], 0.0f, 0.0f);
        EXPECT_NEAR (box.getWidth(), laidOut.getBoundingBox (0, -1, true).getWidth(), 0.01f) << texts[(size_t) k];

        // The drawn glyphs start at the box's left edge and stay inside it.
        float first = 1e9f, last = -1e9f;
        int glyphs = 0;
        for (const auto& fill : recording->fillsOf (juce::Colour (0xffeef1f5).withAlpha (0.95f)))
        {
            if (fill.kind != RecordingGraphics::Kind::glyph || fill.bounds.getY() < box.getY() || fill.bounds.getY() > box.getBottom()
                || fill.bounds.getX() < box.getX() - 1.0f || fill.bounds.getX() >= box.getRight())
                continue;
            first = std::min (first, fill.bounds.getX());
            last = std::max (last, fill.bounds.getX());
            ++glyphs;
        }
        EXPECT_EQ (glyphs, texts[(size_t) k].removeCharacters (" ").length()) << texts[(size_t) k];
        EXPECT_NEAR (first, box.getX(), 0.05f) << texts[(size_t) k];
    }
}

TEST_F (BandOverlayTest, APressAtTheCentreOfEveryRecordedControlReachesIt)
{
    useBand (0, FilterType::bell, 1500.0f, 4.0f);
    setBand (0, "dynon", 1.0f);
    setBand (0, "auto", 0.0f);
    showOverlayOf (0);

    const auto normalised = [&] (const char* suffix) { return canvas->getBandParameter (0, suffix)->getValue(); };
    struct Target
    {
        const char* name;
        std::function<juce::Rectangle<float>()> rect;
        std::function<bool()> reached;
    };
    const float activeBefore = normalised ("active"), soloBefore = normalised ("solo");
    const std::vector<Target> targets {
        { "power", [&] { return canvas->powerRect; }, [&] { return normalised ("active") != activeBefore; } },
        { "solo", [&] { return canvas->soloRect; }, [&] { return normalised ("solo") != soloBefore; } },
        { "frequency box", [&] { return canvas->valueBoxRects[0]; }, [&] { return canvas->draggedValueBox == 0; } },
        { "Q box", [&] { return canvas->valueBoxRects[2]; }, [&] { return canvas->draggedValueBox == 2; } },
        { "release value box", [&] { return canvas->valueBoxRects[6]; }, [&] { return canvas->draggedValueBox == 6; } },
        { "ratio slider", [&] { return canvas->dynSliderRects[0]; }, [&] { return canvas->dynSliderDrag == 0; } },
        { "release slider", [&] { return canvas->dynSliderRects[3]; }, [&] { return canvas->dynSliderDrag == 3; } },
        { "threshold", [&] { return canvas->thresholdTrackRect; }, [&] { return canvas->thresholdDrag == 0; } },
        { "EXT", [&] { return canvas->sidechainRect; }, [&] { return normalised ("scext") >= 0.5f; } },
        { "FULL", [&] { return canvas->autoRect; }, [&] { return normalised ("auto") >= 0.5f; } },
        { "DYN", [&] { return canvas->dynRect; }, [&] { return normalised ("dynon") < 0.5f; } },
        { "close", [&] { return canvas->closeRect; }, [&] { return normalised ("on") < 0.5f; } },
    };

    for (const auto& target : targets)
    {
        SCOPED_TRACE (target.name);
        // Every press acts on the overlay as the last paint drew it.
        syncCanvas();
        recording = paintCanvas();
        ASSERT_TRUE (canvas->overlayVisible);
        const auto rect = target.rect();
        ASSERT_FALSE (rect.isEmpty());

        canvas->mouseDown (event (rect.getCentre()));
        EXPECT_TRUE (target.reached());
        canvas->mouseUp (event (rect.getCentre()));
        if (canvas->selectedBand < 0)
            canvas->selectedBand = 0;
    }
}

TEST_F (BandOverlayTest, ThePanelStaysInsideTheCanvasBesideItsHandle)
{
    useBand (1, FilterType::bell, 17000.0f, 28.0f); // near the top right corner
    useBand (2, FilterType::bell, 60.0f, -28.0f);   // near the bottom left corner

    showOverlayOf (1);
    const float x1 = canvas->frequencyToX (canvas->bands[1].freq);
    EXPECT_FLOAT_EQ (canvas->overlayRect.getRight(), x1 - 21.0f); // left of the handle
    EXPECT_FLOAT_EQ (canvas->overlayRect.getY(), 2.0f);

    showOverlayOf (2);
    const float x2 = canvas->frequencyToX (canvas->bands[2].freq);
    EXPECT_FLOAT_EQ (canvas->overlayRect.getX(), x2 + 21.0f); // right of the handle
    EXPECT_FLOAT_EQ (canvas->overlayRect.getBottom(), canvasHeight - 2.0f);
}

TEST_F (BandOverlayTest, HoveredBoxIsUnderlined)
{
    useBand (0, FilterType::lowCut, 80.0f);
    canvas->hoverValueBox = 1;
    showOverlayOf (0);

    const auto underline = recording->fillsOf (juce::Colour (0xff6c9fd8).withAlpha (0.8f));
    ASSERT_EQ (underline.size(), 1u);
    const auto box = canvas->valueBoxRects[1];
    EXPECT_NEAR (underline[0].bounds.getX(), box.getX(), 1e-3f);
    EXPECT_NEAR (underline[0].bounds.getY(), box.getY() + 13.0f, 1e-3f);
    EXPECT_NEAR (underline[0].bounds.getWidth(), box.getWidth(), 1e-3f);
}

TEST_F (BandOverlayTest, CompressorSectionShowsDetectorGainChangeAndSidechainWarning)
{
    useBand (0, FilterType::bell, 1000.0f, -3.0f);
    setBand (0, "dynon", 1.0f);
    setBand (0, "scext", 1.0f);
    setBand (0, "thresh", -30.0f);

    const auto orangeDot = juce::Colour (0xffff7a1c);
    const auto detector = juce::Colour (0x805dcaa5);
    const auto excess = juce::Colour (0xffe0a23a).withAlpha (0.5f);

    processor->bandLevelDb[0] = -80.0f;
    processor->bandGainDb[0] = -6.0f;
    processor->sidechainActive = false;
    showOverlayOf (0);
    EXPECT_EQ (recording->fillsOf (orangeDot).size(), 1u);
    EXPECT_TRUE (recording->fillsOf (detector).empty());
    const auto cutBar = recording->fillsOf (juce::Colour (0xffd8643c).withAlpha (0.75f));
    ASSERT_EQ (cutBar.size(), 1u);
    EXPECT_NEAR (cutBar[0].bounds.getWidth(), 64.0f / 3.0f, 0.6f);

    processor->bandLevelDb[0] = -12.0f;
    processor->sidechainActive = true;
    showOverlayOf (0);
    EXPECT_TRUE (recording->fillsOf (orangeDot).empty());
    const auto track = canvas->thresholdTrackRect;
    const auto at = [&] (float db) { return track.getX() + track.getWidth() * (db + 72.0f) / 72.0f; };
    const auto bar = recording->fillsOf (detector);
    ASSERT_EQ (bar.size(), 1u);
    EXPECT_NEAR (bar[0].bounds.getRight(), at (-12.0f), 0.6f);
    const auto over = recording->fillsOf (excess);
    ASSERT_EQ (over.size(), 1u);
    EXPECT_NEAR (over[0].bounds.getX(), at (-30.0f), 0.01f);
    EXPECT_NEAR (over[0].bounds.getRight(), at (-12.0f), 0.01f);
}
