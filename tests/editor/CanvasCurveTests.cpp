// The canvas's response curves and handles: what paint draws against what the response models
// say, group by group, and where each band's handle sits.

#include "CanvasPaintFixture.h"
#include "editor/BandColours.h"

#include <functional>

namespace
{
struct BandSetCase
{
    const char* name;
    std::vector<BandSpec> bands;
    float liveGainDb = 0.0f; // the published gain of the dynamic bands
};

const std::vector<BandSetCase> bandSets {
    { "stereo bells and shelves", bandsets::stereoBellsAndShelves },
    { "mid and side bands", bandsets::midAndSide },
    { "left, right and stereo bands", bandsets::leftRightAndStereo },
    { "a 96 dB/oct cut", bandsets::cut96 },
    { "a dynamic band moving its gain",
      { { 0, FilterType::bell, 1200.0f, -2.0f, 1.5f, ChannelMode::stereo, 1, true }, { 1, FilterType::lowShelf, 100.0f, 2.0f, 0.7f } },
      -11.0f },
};

juce::Colour groupColour (const char* name)
{
    if (juce::String (name) == "Mid") return juce::Colour (0xffe0b341);
    if (juce::String (name) == "Side") return juce::Colour (0xff9b7fd6);
    if (juce::String (name) == "Left") return juce::Colour (0xffe0795a);
    if (juce::String (name) == "Right") return juce::Colour (0xff3fb5c0);
    return juce::Colour (0xff6cc0ff);
}
} // namespace

class CanvasCurveTest : public CanvasPaintTest
{
protected:
    void apply (const BandSetCase& set)
    {
        for (const auto& b : set.bands)
            useBand (b);
        syncCanvas (set.liveGainDb);
    }

    // The curve of a mask as the model says it, one y per column.
    float expectedY (const EqEngine& model, int mask, int column) const
    {
        const double f = 20.0 * std::pow (1000.0, column / (double) canvasWidth);
        double level = 0.0;
        for (int j = 0; j < eqBandCount; ++j)
            if ((mask >> canvas->bands[(size_t) j].channel) & 1)
                level += model.bandMagnitudeDb (j, f);
        return canvas->dbToY (level);
    }

    // The curves paint strokes: full-width path fills in a group colour at full alpha.
    std::vector<juce::Colour> strokedGroupColours (const RecordingGraphics& recording) const
    {
        std::vector<juce::Colour> colours;
        for (const auto& fill : recording.getFills())
            if (fill.kind == RecordingGraphics::Kind::path && fill.colour.getAlpha() == 255
                && fill.bounds.getWidth() >= canvasWidth - 1
                && fill.colour != juce::Colour (0xff0c0e11))
                colours.push_back (fill.colour);
        return colours;
    }
};

TEST_F (CanvasCurveTest, ResponsePathFollowsTheModelsAtEveryColumnForEveryMask)
{
    for (const auto& set : bandSets)
    {
        SCOPED_TRACE (set.name);
        SetUp();
        apply (set);

        std::array<int, eqBandCount> channels {};
        for (size_t j = 0; j < channels.size(); ++j)
            channels[j] = canvas->bands[j].channel;

        for (const auto* model : { &canvas->staticModel, &canvas->dynamicModel })
        {
            for (const int mask : { 31, 3, 5, 9, 17, 1 })
            {
                const auto points = pointsOf (canvas->buildResponsePath (*model, mask, channels));
                ASSERT_EQ (points.size(), (size_t) canvasWidth + 1);
                for (const int column : { 0, 1, 37, 120, 233, 300, 392, 451, 555, 640, 700, 783, 784 })
                {
                    EXPECT_FLOAT_EQ (points[(size_t) column].x, (float) column);
                    EXPECT_NEAR (points[(size_t) column].y, expectedY (*model, mask, column), 0.5f)
                        << "mask " << mask << " column " << column;
                }
            }
        }
        TearDown();
    }
}

TEST_F (CanvasCurveTest, TheDynamicBandsLiveGainMovesOnlyTheLiveCurve)
{
    apply (bandSets.back());
    std::array<int, eqBandCount> channels {};
    const int column = (int) canvas->frequencyToX (1200.0);
    const auto staticY = pointsOf (canvas->buildResponsePath (canvas->staticModel, 31, channels))[(size_t) column].y;
    const auto liveY = pointsOf (canvas->buildResponsePath (canvas->dynamicModel, 31, channels))[(size_t) column].y;
    EXPECT_GT (liveY - staticY, canvas->dbToY (-8.0) - canvas->dbToY (0.0)); // -11 live against -2 set

    // The static layer is drawn as a gradient fill under the live curve.
    const auto recording = paintCanvas();
    const auto gradientFills = std::count_if (recording->getFills().begin(), recording->getFills().end(), [] (const auto& f) {
        return f.kind == RecordingGraphics::Kind::path && f.colour == juce::Colours::transparentBlack;
    });
    EXPECT_EQ (gradientFills, 1);
}

TEST_F (CanvasCurveTest, CurveGroupsAppearInOrderInTheirColours)
{
    struct Case
    {
        const char* name;
        std::vector<std::pair<int, int>> channelsOn; // band, channel
        std::vector<const char*> groups;
        float fillAlpha;
    };
    const std::vector<Case> cases {
        { "no band", {}, { "All" }, 0.1f },
        { "stereo bands only", { { 0, ChannelMode::stereo }, { 1, ChannelMode::stereo } }, { "All" }, 0.1f },
        { "mid only", { { 0, ChannelMode::mid } }, { "Mid", "Side" }, 0.06f },
        { "stereo and left", { { 0, ChannelMode::stereo }, { 1, ChannelMode::left } }, { "Left", "Right", "Stereo" }, 0.06f },
        { "every target", { { 0, ChannelMode::right }, { 1, ChannelMode::side }, { 2, ChannelMode::stereo } },
          { "Mid", "Side", "Left", "Right", "Stereo" }, 0.06f },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        SetUp();
        for (const auto& [band, channel] : c.channelsOn)
        {
            useBand (band, FilterType::bell, 300.0f + 700.0f * (float) band, 4.0f);
            setBand (band, "channel", (float) channel);
        }
        syncCanvas();

        const auto recording = paintCanvas();
        const auto colours = strokedGroupColours (*recording);
        ASSERT_EQ (colours.size(), c.groups.size());
        for (size_t k = 0; k < colours.size(); ++k)
        {
            EXPECT_EQ (colours[k], groupColour (c.groups[k])) << k;
            EXPECT_FALSE (recording->fillsOf (groupColour (c.groups[k]).withAlpha (c.fillAlpha)).empty()) << k;
        }
        TearDown();
    }
}

TEST_F (CanvasCurveTest, WithoutBandsTheCurveIsTheFlatZeroLineAndNothingElse)
{
    syncCanvas();
    canvas->selectedBand = 3; // selected but not in use: no overlay
    const auto recording = paintCanvas();

    const auto strokes = recording->fillsOf (juce::Colour (0xff6cc0ff));
    ASSERT_EQ (strokes.size(), 1u);
    EXPECT_NEAR (strokes[0].bounds.getCentreY(), canvasHeight * 0.5f, 0.01f);
    EXPECT_NEAR (strokes[0].bounds.getHeight(), 2.0f, 0.01f);
    EXPECT_FALSE (canvas->overlayVisible);
    for (int i = 0; i < 8; ++i)
        EXPECT_TRUE (recording->fillsOf (bandColour (i)).empty());
}

TEST_F (CanvasCurveTest, GridHasItsLinesAndOnlyItsLabels)
{
    syncCanvas();
    const auto recording = paintCanvas();

    // Nine gain lines, 13 frequency lines, in white at their alphas.
    const auto white = juce::Colours::white;
    EXPECT_EQ (recording->fillsOf (white.withAlpha (0.18f)).size(), 1u);
    EXPECT_EQ (recording->fillsOf (white.withAlpha (0.1f)).size(), 3u);
    EXPECT_EQ (recording->fillsOf (white.withAlpha (0.05f)).size(), 10u + 8u);

    // Frequency labels "100", "1k", "10k": 8 glyphs; gain labels "+6" .. "-18": 16 glyphs.
    const auto glyphsIn = [&] (float alpha) {
        int n = 0;
        for (const auto& f : recording->getFills())
            n += f.kind == RecordingGraphics::Kind::glyph && f.colour == white.withAlpha (alpha) ? 1 : 0;
        return n;
    };
    EXPECT_EQ (glyphsIn (0.3f), 8);
    EXPECT_EQ (glyphsIn (0.25f), 16);
}

TEST_F (CanvasCurveTest, AZeroSizedCanvasDrawsNoGridLines)
{
    syncCanvas();
    for (const auto size : { juce::Point<int> (0, 448), juce::Point<int> (784, 0) })
    {
        canvas->setSize (size.x, size.y);
        RecordingGraphics recording (10, 10);
        canvas->paint (recording.g());
        EXPECT_TRUE (recording.fillsOf (juce::Colours::white.withAlpha (size.x == 0 ? 0.18f : 0.1f)).empty());
    }
}

class CanvasHandleTest : public CanvasPaintTest
{
protected:
    // The body of band i's handle: the one full-alpha ellipse in its colour.
    juce::Rectangle<float> bodyOf (const RecordingGraphics& recording, int band, juce::Colour colour) const
    {
        juce::Rectangle<float> body;
        for (const auto& fill : recording.fillsOf (colour))
            if (fill.kind == RecordingGraphics::Kind::path && fill.bounds.getWidth() < 20.0f)
                body = fill.bounds;
        (void) band;
        return body;
    }
};

TEST_F (CanvasHandleTest, HandleLevelByTypeAndState)
{
    struct Case
    {
        const char* name;
        int type;
        float gain, tilt, gainScale;
        bool active;
        double expected; // NaN: the static model's level at the band's frequency
    };
    const double model = std::numeric_limits<double>::quiet_NaN();
    const std::vector<Case> cases {
        { "inactive bell, scaled", FilterType::bell, 6.0f, 0.0f, 50.0f, false, 3.0 },
        { "inactive low shelf", FilterType::lowShelf, -4.0f, 0.0f, 100.0f, false, -4.0 },
        { "inactive low cut", FilterType::lowCut, 5.0f, 0.0f, 100.0f, false, 0.0 },
        { "inactive high cut", FilterType::highCut, 5.0f, 0.0f, 100.0f, false, 0.0 },
        { "inactive notch", FilterType::notch, 5.0f, 0.0f, 100.0f, false, 0.0 },
        { "tilt, whatever the flags", FilterType::tilt, 2.0f, 6.0f, 150.0f, false, 7.5 },
        { "active tilt", FilterType::tilt, 0.0f, -8.0f, 100.0f, true, -4.0 },
        { "active bell sits on the curve", FilterType::bell, 6.0f, 0.0f, 100.0f, true, model },
        { "active notch sits on the curve", FilterType::notch, 0.0f, 0.0f, 100.0f, true, model },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        SetUp();
        useBand (0, c.type, 700.0f, c.gain);
        setBand (0, "tilt", c.tilt);
        setBand (0, "active", c.active ? 1.0f : 0.0f);
        useBand (1, FilterType::bell, 1000.0f, 3.0f); // a neighbour whose skirt reaches band 0
        setParameter ("gainscale", c.gainScale);
        syncCanvas();

        const double expected = std::isnan (c.expected)
                                    ? canvas->staticModel.bandMagnitudeDb (0, 700.0) + canvas->staticModel.bandMagnitudeDb (1, 700.0)
                                    : c.expected;
        EXPECT_NEAR (canvas->bandHandleLevel (0), expected, 1e-6);

        const auto recording = paintCanvas();
        const auto colour = c.active ? bandColour (0) : juce::Colour (0xff7a7f87).withAlpha (0.35f);
        const auto body = bodyOf (*recording, 0, colour);
        EXPECT_NEAR (body.getCentreX(), canvas->frequencyToX (700.0), 0.01f);
        EXPECT_NEAR (body.getCentreY(), canvas->dbToY (expected), 0.01f);
        TearDown();
    }
}

TEST_F (CanvasHandleTest, OtherDynamicBandsCountLiveForTheHandleAndNotForTheOverlayAnchor)
{
    useBand (0, FilterType::bell, 1000.0f, 4.0f);
    useBand (1, FilterType::bell, 1100.0f, -3.0f);
    setBand (1, "dynon", 1.0f);
    syncCanvas (-12.0f);

    const double f0 = canvas->bands[0].freq, f1 = canvas->bands[1].freq;
    const double own = canvas->staticModel.bandMagnitudeDb (0, f0);
    EXPECT_NEAR (canvas->bandHandleLevel (0), own + canvas->dynamicModel.bandMagnitudeDb (1, f0), 1e-9);
    EXPECT_NEAR (canvas->bandHandleLevelStatic (0), own, 1e-9);
    // The dynamic band's own handle stays where it is set.
    EXPECT_NEAR (canvas->bandHandleLevel (1), canvas->staticModel.bandMagnitudeDb (0, f1) + canvas->staticModel.bandMagnitudeDb (1, f1), 1e-9);
}

TEST_F (CanvasHandleTest, HandlesBeyondTheAxesSitAtTheEdges)
{
    useBand (0, FilterType::bell, 10.0f, 30.0f);
    useBand (1, FilterType::bell, 30000.0f, -30.0f);
    setBand (0, "active", 0.0f);
    setBand (1, "active", 0.0f);
    syncCanvas();

    const auto recording = paintCanvas();
    const auto grey = juce::Colour (0xff7a7f87).withAlpha (0.35f);
    std::vector<juce::Rectangle<float>> bodies;
    for (const auto& fill : recording->fillsOf (grey))
        bodies.push_back (fill.bounds);
    ASSERT_EQ (bodies.size(), 2u);
    EXPECT_NEAR (bodies[0].getCentreX(), 0.0f, 0.01f);
    EXPECT_NEAR (bodies[0].getCentreY(), 0.0f, 0.01f);
    EXPECT_NEAR (bodies[1].getCentreX(), (float) canvasWidth, 0.01f);
    EXPECT_NEAR (bodies[1].getCentreY(), (float) canvasHeight, 0.01f);
}

TEST_F (CanvasHandleTest, TheHigherIndexIsDrawnOverTheLowerBadgeIncluded)
{
    for (const int band : { 2, 9 })
    {
        useBand (band, FilterType::bell, 1000.0f, 0.0f);
        setBand (band, "channel", (float) ChannelMode::left);
    }
    syncCanvas();
    const auto recording = paintCanvas();
    const auto& fills = recording->getFills();

    size_t lastOfLower = 0, firstOfHigher = fills.size();
    const auto badge = channelColour (ChannelMode::left).withAlpha (0.95f);
    int badgeCount = 0;
    for (size_t i = 0; i < fills.size(); ++i)
    {
        if (fills[i].colour == badge)
        {
            if (++badgeCount == 1)
                lastOfLower = i;
        }
        if (fills[i].colour == bandColour (9).withAlpha (0.22f) && firstOfHigher == fills.size())
            firstOfHigher = i;
    }
    EXPECT_EQ (badgeCount, 2);
    EXPECT_LT (lastOfLower, firstOfHigher);
}

TEST_F (CanvasHandleTest, StatesChangeSizesAndAlphas)
{
    useBand (0, FilterType::bell, 200.0f, 3.0f);
    useBand (1, FilterType::bell, 2000.0f, 3.0f);
    setBand (1, "active", 0.0f);
    syncCanvas();
    canvas->hoverBand = 0;

    const auto recording = paintCanvas();
    // Hovered and lit: halo R 13 at 0.35, body r 6.5, outline white; no selection ring.
    const auto halo = recording->fillsOf (bandColour (0).withAlpha (0.35f));
    ASSERT_EQ (halo.size(), 1u);
    EXPECT_NEAR (halo[0].bounds.getWidth(), 26.0f, 0.01f);
    EXPECT_TRUE (recording->fillsOf (juce::Colours::white.withAlpha (0.85f)).empty());
    // Not lit, not emphasised: grey halo at 0.5 x 0.22.
    const auto greyHalo = recording->fillsOf (juce::Colour (0xff7a7f87).withAlpha (0.11f));
    ASSERT_EQ (greyHalo.size(), 1u);
    EXPECT_NEAR (greyHalo[0].bounds.getWidth(), 18.0f, 0.01f);
}

TEST_F (CanvasHandleTest, ADynamicBandShowsHowFarItsGainMovesTheCurve)
{
    useBand (0, FilterType::bell, 1000.0f, 0.0f);
    setBand (0, "dynon", 1.0f);

    for (const float live : { -12.0f, -0.5f })
    {
        syncCanvas (live);
        const auto recording = paintCanvas();
        const auto lines = recording->fillsOf (bandColour (0).withAlpha (0.55f));
        if (live < -2.0f)
        {
            ASSERT_EQ (lines.size(), 1u);
            EXPECT_NEAR (lines[0].bounds.getY(), canvas->dbToY (0.0) + 9.0f, 1.0f);
            EXPECT_NEAR (lines[0].bounds.getBottom(), canvas->dbToY (live), 1.0f);
        }
        else
        {
            EXPECT_TRUE (lines.empty()) << "within the halo";
        }
    }
}
