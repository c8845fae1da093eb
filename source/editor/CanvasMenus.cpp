#include "CanvasMenus.h"

#include "CanvasEditSupport.h"
#include "TranslucentMenuLnf.h"
#include "engine/ParameterLayout.h"

#include <cmath>

using canvasedit::isBandIndex;

namespace
{
// The canvas's own handlers, held through a safe pointer: a result that arrives after the
// canvas has gone is dropped.
template <typename Handler>
std::function<void (int)> forCanvas (CurveCanvas& canvas, Handler handler)
{
    return [safe = juce::Component::SafePointer<CurveCanvas> (&canvas), handler] (int id)
    {
        if (auto* c = safe.getComponent())
            handler (*c, id);
    };
}

juce::PopupMenu::Options atChip (CurveCanvas& canvas, juce::Rectangle<float> chip)
{
    const juce::Rectangle<int> area { juce::roundToInt (chip.getX()), juce::roundToInt (chip.getY()),
                                      juce::roundToInt (chip.getWidth()), juce::roundToInt (chip.getHeight()) };
    return juce::PopupMenu::Options()
        .withTargetComponent (&canvas)
        .withTargetScreenArea (canvas.localAreaToGlobal (area))
        .withDeletionCheck (canvas);
}
} // namespace

juce::PopupMenu makeAddBandMenu (const CurveCanvas& canvas, double frequency)
{
    juce::PopupMenu menu;

    for (int t = 0; t < 7; ++t)
        menu.addItem (t + 1, juce::String ("Add ") + canvasedit::typeNames[(size_t) t],
                      canvas.isTypeAllowed (t, frequency, -1), false);

    return menu;
}

juce::PopupMenu makeBandMenu (const CurveCanvas& canvas, int band)
{
    juce::PopupMenu menu;

    if (! isBandIndex (band))
        return menu;

    const auto& b = canvas.bands[(size_t) band];
    juce::PopupMenu types;

    for (int t = 0; t < 7; ++t)
        types.addItem (t + 1, canvasedit::typeNames[(size_t) t], canvas.isTypeAllowed (t, b.freq, band), t == b.type);

    menu.addSubMenu ("Type", types);

    if (b.type == FilterType::lowCut || b.type == FilterType::highCut)
    {
        juce::PopupMenu slopes;
        const auto& table = getSlopeTable();

        for (int j = 0; j < (int) table.size(); ++j)
            slopes.addItem (100 + j, juce::String (table[(size_t) j]) + " dB/oct", true, table[(size_t) j] == b.slope);

        menu.addSubMenu ("Slope", slopes);
    }

    menu.addSeparator();
    menu.addItem (9001, "Delete Band", true, false);
    return menu;
}

juce::PopupMenu makeTypeMenu (const CurveCanvas& canvas, int band)
{
    juce::PopupMenu menu;

    if (! isBandIndex (band))
        return menu;

    const auto& b = canvas.bands[(size_t) band];

    for (int t = 0; t < 7; ++t)
    {
        const bool allowed = canvas.isTypeAllowed (t, b.freq, band);
        juce::PopupMenu::Item item;
        item.itemID = t + 1;
        item.isEnabled = allowed;
        item.customComponent = new TypeMenuItem (t, t == b.type, allowed);
        menu.addItem (std::move (item));
    }

    return menu;
}

juce::PopupMenu makeChannelMenu (int currentChannel)
{
    juce::PopupMenu menu;

    for (int id = 1; id <= 5; ++id)
        menu.addItem (id, canvasedit::channelNames[(size_t) id - 1], true, id - 1 == currentChannel);

    return menu;
}

int bandChannelChoice (const CurveCanvas& canvas, int band)
{
    auto* p = canvas.getBandParameter (band, "channel");

    if (p == nullptr)
        return -1;

    // Halves away from zero.
    return juce::jlimit (0, 4, (int) std::round (p->getValue() * 4.0f));
}

void CurveCanvas::showAddBandMenu (float x)
{
    const auto f = xToFrequency (x);
    openMenus.show (makeAddBandMenu (*this, f), juce::PopupMenu::Options().withDeletionCheck (*this),
                    forCanvas (*this, [f] (CurveCanvas& c, int id) { c.handleAddBandMenuResult (f, 0.0, id); }));
}

void CurveCanvas::handleAddBandMenuResult (double frequency, double gainDb, int id)
{
    if (id < 1 || id > 7)
        return;

    const int b = addBand (frequency, gainDb, id - 1);

    if (b >= 0)
    {
        hoverBand = b;
        selectBand (b);
    }
}

void CurveCanvas::showBandMenu (int band)
{
    if (! isBandIndex (band))
        return;

    openMenus.show (makeBandMenu (*this, band), juce::PopupMenu::Options().withDeletionCheck (*this),
                    forCanvas (*this, [band] (CurveCanvas& c, int id) { c.handleBandMenuResult (band, id); }));
}

void CurveCanvas::handleBandMenuResult (int band, int id)
{
    if (! isBandIndex (band))
        return;

    auto& b = bands[(size_t) band];

    if (id >= 1 && id <= 7)
    {
        setBandType (band, id - 1);
    }
    else if (id >= 100 && id <= 108)
    {
        b.slope = canvasedit::slopeAt (id - 100);
        setBandParameter (band, "slope", (float) (id - 100));
        canvasedit::rebuildAndRepaint (*this);
    }
    else if (id == 9001)
    {
        deleteBand (band);
    }
}

void CurveCanvas::showTypeMenu (int band)
{
    if (! isBandIndex (band))
        return;

    if (menuLookAndFeel == nullptr)
        menuLookAndFeel = makeTranslucentMenuLnf();

    auto menu = makeTypeMenu (*this, band);
    menu.setLookAndFeel (menuLookAndFeel.get());
    openMenus.show (menu, atChip (*this, typeLabelRect),
                    forCanvas (*this, [band] (CurveCanvas& c, int id) { c.handleTypeMenuResult (band, id); }));
}

void CurveCanvas::handleTypeMenuResult (int band, int id)
{
    if (isBandIndex (band) && id >= 1 && id <= 7 && id != bands[(size_t) band].type + 1)
        setBandType (band, id - 1);
}

void CurveCanvas::showChannelMenu (int band)
{
    const int current = bandChannelChoice (*this, band);

    if (current < 0)
        return;

    if (menuLookAndFeel == nullptr)
        menuLookAndFeel = makeTranslucentMenuLnf();

    auto menu = makeChannelMenu (current);
    menu.setLookAndFeel (menuLookAndFeel.get());
    openMenus.show (menu, atChip (*this, channelLabelRect),
                    forCanvas (*this, [band] (CurveCanvas& c, int id) { c.handleChannelMenuResult (band, id); }));
}

void CurveCanvas::handleChannelMenuResult (int band, int id)
{
    if (! isBandIndex (band) || id < 1 || id > 5)
        return;

    setBandParameter (band, "channel", (float) (id - 1));
    bands[(size_t) band].channel = id - 1;
    canvasedit::rebuildAndRepaint (*this);
}
