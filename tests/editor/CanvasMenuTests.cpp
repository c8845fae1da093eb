// The canvas's four menus, built without showing them, and their result handlers.

#include "InteractionTestSupport.h"
#include "MenuTestSupport.h"

#include "editor/CanvasMenus.h"
#include "editor/TranslucentMenuLnf.h"
#include "engine/ParameterLayout.h"

#include <functional>
#include <set>

using namespace interaction;

namespace
{
using CanvasMenus = SelectionRecordingFixture;

TEST_F (CanvasMenus, AddBandMenuEnablesTheTypesAllowedAtTheClickedFrequency)
{
    placeBand (0, FilterType::bell, 300.0f);
    placeBand (1, FilterType::tilt, 2000.0f);

    struct Case
    {
        double frequency;
        bool lowCut, highCut;
    };

    for (const auto& c : { Case { 100.0, true, false }, Case { 1000.0, false, false }, Case { 10000.0, false, true } })
    {
        SCOPED_TRACE (c.frequency);
        const auto entries = menuEntries (makeAddBandMenu (canvas, c.frequency));
        ASSERT_EQ (menuIds (entries), (std::vector<int> { 1, 2, 3, 4, 5, 6, 7 }));

        const char* names[] = { "Add Bell", "Add Low Shelf", "Add High Shelf", "Add Low Cut", "Add High Cut", "Add Notch", "Add Tilt" };
        const bool enabled[] = { true, true, true, c.lowCut, c.highCut, true, false };

        for (int i = 0; i < 7; ++i)
        {
            EXPECT_EQ (entries[(size_t) i].path, juce::String (names[i]));
            EXPECT_EQ (entries[(size_t) i].enabled, enabled[i]) << names[i];
            EXPECT_FALSE (entries[(size_t) i].ticked);
        }
    }
}

TEST_F (CanvasMenus, BandMenuOffersTypesSlopesOnlyForCutsAndDelete)
{
    placeBand (0, FilterType::bell, 300.0f);
    placeBand (1, FilterType::lowCut, 50.0f);
    setParam (1, "slope", 3.0f); // 24 dB/oct
    placeBand (2, FilterType::tilt, 3000.0f);

    const auto bell = menuEntries (makeBandMenu (canvas, 0));
    EXPECT_EQ (menuIds (bell), (std::vector<int> { 1, 2, 3, 4, 5, 6, 7, 9001 }));
    EXPECT_EQ (tickedIds (bell), (std::vector<int> { 1 }));
    EXPECT_EQ (findMenuEntry (bell, 1)->path, juce::String ("Type > Bell"));
    EXPECT_FALSE (findMenuEntry (bell, 4)->enabled); // a band lies below 300 Hz
    EXPECT_FALSE (findMenuEntry (bell, 7)->enabled); // band 2 is the tilt band
    EXPECT_EQ (findMenuEntry (bell, 9001)->path, juce::String ("Delete Band"));
    EXPECT_TRUE (bell[bell.size() - 2].separator);

    const auto cut = menuEntries (makeBandMenu (canvas, 1));
    EXPECT_EQ (menuIds (cut), (std::vector<int> { 1, 2, 3, 4, 5, 6, 7, 100, 101, 102, 103, 104, 105, 106, 107, 108, 9001 }));
    EXPECT_EQ (tickedIds (cut), (std::vector<int> { 4, 103 }));
    EXPECT_EQ (findMenuEntry (cut, 103)->path, juce::String ("Slope > 24 dB/oct"));
    EXPECT_EQ (findMenuEntry (cut, 108)->path, juce::String ("Slope > 96 dB/oct"));
    EXPECT_TRUE (findMenuEntry (cut, 4)->enabled); // it is itself the lowest band

    const auto tilt = menuEntries (makeBandMenu (canvas, 2));
    EXPECT_TRUE (findMenuEntry (tilt, 7)->enabled); // its own tilt does not block it
}

TEST_F (CanvasMenus, TypeMenuRowsShowTheCurrentTypeAndDimDisallowedOnes)
{
    placeBand (0, FilterType::highShelf, 300.0f);
    placeBand (1, FilterType::bell, 1000.0f);

    const auto menu = makeTypeMenu (canvas, 0); // holds the rows
    const auto entries = menuEntries (menu);
    ASSERT_EQ (menuIds (entries), (std::vector<int> { 1, 2, 3, 4, 5, 6, 7 }));

    for (int t = 0; t < 7; ++t)
    {
        SCOPED_TRACE (t);
        auto* row = dynamic_cast<TypeMenuItem*> (entries[(size_t) t].custom);
        ASSERT_NE (row, nullptr);
        EXPECT_EQ (row->type, t);
        EXPECT_EQ (row->ticked, t == FilterType::highShelf);
        EXPECT_EQ (row->enabled, t != FilterType::highCut); // band 1 lies above
        EXPECT_EQ (entries[(size_t) t].enabled, row->enabled);
        EXPECT_EQ (row->isTriggeredAutomatically(), row->enabled);
        EXPECT_FALSE (entries[(size_t) t].ticked);

        int w = 0, h = 0;
        row->getIdealSize (w, h);
        EXPECT_EQ (w, 156);
        EXPECT_EQ (h, 28);
    }
}

TEST_F (CanvasMenus, ChannelMenuTicksTheBandsChannel)
{
    placeBand (0, FilterType::bell, 300.0f);

    for (int channel = 0; channel < 5; ++channel)
    {
        setParam (0, "channel", (float) channel);
        ASSERT_EQ (bandChannelChoice (canvas, 0), channel);

        const auto entries = menuEntries (makeChannelMenu (bandChannelChoice (canvas, 0)));
        EXPECT_EQ (menuIds (entries), (std::vector<int> { 1, 2, 3, 4, 5 }));
        EXPECT_EQ (tickedIds (entries), (std::vector<int> { channel + 1 }));
        EXPECT_EQ (entries[2].path, juce::String ("Side"));
    }

    EXPECT_EQ (bandChannelChoice (canvas, 24), -1);
}

TEST_F (CanvasMenus, AddBandResultAddsSelectsAndHovers)
{
    for (int id = 1; id <= 7; ++id)
    {
        canvas.handleAddBandMenuResult (700.0, 0.0, id);
        const int slot = id - 1;
        EXPECT_EQ ((int) param (slot, "type"), id - 1);
        EXPECT_EQ (canvas.selectedBand, slot);
        EXPECT_EQ (canvas.hoverBand, slot);
    }

    ParameterRecorder recorder (processor);
    for (int id : { 0, -1, 8, 9001 })
        canvas.handleAddBandMenuResult (700.0, 0.0, id);
    EXPECT_TRUE (recorder.events.empty());
    EXPECT_EQ (canvas.selectedBand, 6);
}

TEST_F (CanvasMenus, BandMenuResults)
{
    placeBand (3, FilterType::lowCut, 80.0f);
    canvas.selectBand (3);
    selections.clear();

    for (int j = 0; j <= 8; ++j)
    {
        canvas.handleBandMenuResult (3, 100 + j);
        EXPECT_EQ ((int) param (3, "slope"), j);
        EXPECT_EQ (canvas.bands[3].slope, getSlopeTable()[(size_t) j]);
    }

    {
        // Choosing the current type still retypes, which tells the editor again.
        ParameterRecorder recorder (processor);
        canvas.handleBandMenuResult (3, 4);
        EXPECT_EQ (recorder.count (bandParamId (3, "type"), 'v'), 1);
        EXPECT_EQ (selections, (std::vector<int> { 3 }));
    }

    for (int id = 1; id <= 7; ++id)
    {
        canvas.handleBandMenuResult (3, id);
        EXPECT_EQ ((int) param (3, "type"), id - 1);
    }

    {
        ParameterRecorder recorder (processor);
        for (int id : { 0, -3, 8, 99, 109, 9000, 9002 })
            canvas.handleBandMenuResult (3, id);
        canvas.handleBandMenuResult (-1, 9001);
        canvas.handleBandMenuResult (24, 1);
        EXPECT_TRUE (recorder.events.empty());
    }

    placeBand (5, FilterType::bell, 2000.0f);
    canvas.hoverBand = 5;
    canvas.handleBandMenuResult (5, 9001); // not the selected band
    EXPECT_EQ (param (5, "on"), 0.0f);
    EXPECT_EQ (canvas.hoverBand, -1);
    EXPECT_EQ (canvas.selectedBand, 3);

    canvas.handleBandMenuResult (3, 9001);
    EXPECT_EQ (param (3, "on"), 0.0f);
    EXPECT_FALSE (canvas.bands[3].on);
    EXPECT_EQ (canvas.selectedBand, -1);
}

TEST_F (CanvasMenus, TypeMenuResultRetypesOnlyToAnotherType)
{
    placeBand (2, FilterType::bell, 500.0f, 4.0f);

    ParameterRecorder recorder (processor);
    for (int id : { 0, 1, 8, -2 })
        canvas.handleTypeMenuResult (2, id);
    EXPECT_TRUE (recorder.events.empty());

    canvas.handleTypeMenuResult (2, 7);
    EXPECT_EQ ((int) param (2, "type"), FilterType::tilt);
    EXPECT_EQ (param (2, "gain"), 0.0f);

    for (int id = 1; id <= 6; ++id)
    {
        canvas.handleTypeMenuResult (2, id);
        EXPECT_EQ ((int) param (2, "type"), id - 1);
    }
}

TEST_F (CanvasMenus, ChannelMenuResultSetsTheChannelEvenWhenUnchanged)
{
    placeBand (2, FilterType::bell, 500.0f);

    for (int id = 1; id <= 5; ++id)
    {
        canvas.handleChannelMenuResult (2, id);
        EXPECT_EQ ((int) param (2, "channel"), id - 1);
        EXPECT_EQ (canvas.bands[2].channel, id - 1);
    }

    ParameterRecorder recorder (processor);
    canvas.handleChannelMenuResult (2, 5);
    EXPECT_EQ (recorder.count (bandParamId (2, "channel"), 'v'), 1);

    recorder.events.clear();
    for (int id : { 0, 6, -1 })
        canvas.handleChannelMenuResult (2, id);
    EXPECT_TRUE (recorder.events.empty());
}

TEST_F (CanvasMenus, EachChoiceIsOneGesturePerParameterItChanges)
{
    struct Case
    {
        const char* name;
        std::function<void()> choose;
        std::set<std::string> expected;
    };

    const Case cases[] = {
        { "add a band", [this] { canvas.handleAddBandMenuResult (700.0, 0.0, 1 + FilterType::highShelf); },
          bandIds (2, everyBandSuffix) },
        { "retype to notch", [this] { canvas.handleBandMenuResult (1, 1 + FilterType::notch); },
          bandIds (1, { "type" }) },
        { "retype a dynamic bell to tilt", [this] { canvas.handleBandMenuResult (1, 1 + FilterType::tilt); },
          bandIds (1, { "type", "gain", "dynon" }) },
        { "slope", [this] { canvas.handleBandMenuResult (0, 105); }, bandIds (0, { "slope" }) },
        { "delete the selected band", [this] { canvas.handleBandMenuResult (1, 9001); }, bandIds (1, { "on" }) },
        { "type chip menu", [this] { canvas.handleTypeMenuResult (1, 1 + FilterType::lowShelf); },
          bandIds (1, { "type" }) },
        { "channel chip menu", [this] { canvas.handleChannelMenuResult (1, 3); }, bandIds (1, { "channel" }) },
    };

    for (const auto& c : cases)
    {
        SCOPED_TRACE (c.name);
        setParam (2, "on", 0.0f);
        placeBand (0, FilterType::lowCut, 40.0f);
        placeBand (1, FilterType::bell, 1000.0f, 4.0f);
        setParam (1, "dynon", 1.0f);
        syncFromProcessor();
        canvas.selectBand (1);

        ParameterRecorder recorder (processor);
        c.choose();
        EXPECT_TRUE (oneGestureEach (recorder, c.expected));
    }
}

// Pixels of a menu row or background, painted into a transparent image.
juce::Image paintInto (juce::Component& c, int w, int h)
{
    c.setSize (w, h);
    juce::Image image (juce::Image::ARGB, w, h, true, juce::SoftwareImageType());
    juce::Graphics g (image);
    c.paintEntireComponent (g, false);
    return image;
}

TEST (TypeMenuRows, ColoursFollowTickedEnabledAndHighlighted)
{
    const auto maxAlpha = [] (const juce::Image& img)
    {
        int a = 0;
        for (int y = 0; y < img.getHeight(); ++y)
            for (int x = 0; x < img.getWidth(); ++x)
                a = juce::jmax (a, (int) img.getPixelAt (x, y).getAlpha());
        return a;
    };

    const auto hasPixel = [] (const juce::Image& img, juce::Colour c)
    {
        for (int y = 0; y < img.getHeight(); ++y)
            for (int x = 38; x < img.getWidth(); ++x)
                if (img.getPixelAt (x, y) == c)
                    return true;
        return false;
    };

    TypeMenuItem disabled (FilterType::notch, false, false);
    disabled.setHighlighted (true);
    EXPECT_LE (maxAlpha (paintInto (disabled, 156, 28)), juce::roundToInt (255 * 0.38)); // dimmed, never highlighted

    TypeMenuItem current (FilterType::bell, true, true);
    EXPECT_TRUE (hasPixel (paintInto (current, 156, 28), juce::Colour (0xffffffff)));

    TypeMenuItem other (FilterType::lowShelf, false, true);
    const auto plain = paintInto (other, 156, 28);
    EXPECT_TRUE (hasPixel (plain, juce::Colour (0xffb4b9c0)));
    EXPECT_EQ (plain.getPixelAt (4, 14).getAlpha(), 0);

    other.setHighlighted (true);
    EXPECT_EQ (paintInto (other, 156, 28).getPixelAt (4, 14), juce::Colour (0xff3a4150));
}

TEST (TranslucentMenuLook, RoundedTranslucentBackgroundWithAnOutline)
{
    auto lnf = makeTranslucentMenuLnf();
    EXPECT_EQ (lnf->findColour (juce::PopupMenu::backgroundColourId), juce::Colour (0xdb262a30));
    EXPECT_EQ (lnf->findColour (juce::PopupMenu::textColourId), juce::Colour (0xffeef1f5));

    juce::Image image (juce::Image::ARGB, 120, 80, true, juce::SoftwareImageType());
    {
        juce::Graphics g (image);
        lnf->drawPopupMenuBackground (g, 120, 80);
    }

    const auto inside = image.getPixelAt (60, 40);
    EXPECT_EQ (inside.getAlpha(), 0xdb);
    EXPECT_NEAR (inside.getRed(), 0x26, 1);
    EXPECT_EQ (image.getPixelAt (0, 0).getAlpha(), 0); // rounded corner, 1 px margin
    EXPECT_GT (image.getPixelAt (60, 1).getAlpha(), 0xdb); // the outline over the fill
}
} // namespace
