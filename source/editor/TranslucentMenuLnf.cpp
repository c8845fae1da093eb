#include "TranslucentMenuLnf.h"

#include "CanvasEditSupport.h"
#include "FilterTypeIcon.h"

TranslucentMenuLnf::TranslucentMenuLnf()
{
    setColour (juce::PopupMenu::backgroundColourId, juce::Colour (0xdb262a30));
    setColour (juce::PopupMenu::textColourId, juce::Colour (0xffeef1f5));
}

TranslucentMenuLnf::~TranslucentMenuLnf() = default;

void TranslucentMenuLnf::drawPopupMenuBackground (juce::Graphics& g, int width, int height)
{
    const juce::Rectangle<float> r { 1.0f, 1.0f, (float) juce::jmax (width - 2, 0), (float) juce::jmax (height - 2, 0) };
    g.setColour (findColour (juce::PopupMenu::backgroundColourId));
    g.fillRoundedRectangle (r, 6.0f);
    g.setColour (juce::Colour (0xcc444a52));
    g.drawRoundedRectangle (r, 6.0f, 1.0f);
}

std::unique_ptr<TranslucentMenuLnf> makeTranslucentMenuLnf()
{
    return std::make_unique<TranslucentMenuLnf>();
}

TypeMenuItem::TypeMenuItem (int filterType, bool isTicked, bool isEnabled)
    : juce::PopupMenu::CustomComponent (isEnabled), type (filterType), ticked (isTicked), enabled (isEnabled)
{
}

TypeMenuItem::~TypeMenuItem() = default;

void TypeMenuItem::getIdealSize (int& idealWidth, int& idealHeight)
{
    idealWidth = 156;
    idealHeight = 28;
}

void TypeMenuItem::paint (juce::Graphics& g)
{
    const int w = getWidth();
    const int h = getHeight();

    if (isItemHighlighted() && enabled)
    {
        g.setColour (juce::Colour (0xff3a4150));
        g.fillRoundedRectangle (2.0f, 2.0f, (float) juce::jmax (w - 4, 0), (float) juce::jmax (h - 4, 0), 4.0f);
    }

    // A disabled row keeps 38 % of each colour's alpha.
    const auto faded = [this] (juce::uint32 argb)
    {
        const juce::Colour c (argb);
        const auto alpha = enabled ? (int) c.getAlpha() : juce::jmin (255, juce::roundToInt (c.getAlpha() * 0.38));
        return c.withAlpha ((juce::uint8) alpha);
    };

    const int column = juce::jmin (w, 38);
    g.setColour (faded (ticked ? 0xff6c9fd8 : 0xffcdd6df));
    drawFilterTypeIcon (g, juce::Rectangle<float> (8.0f, 6.0f, (float) juce::jmax (column - 16, 0), (float) juce::jmax (h - 12, 0)),
                        type);

    g.setColour (faded (ticked ? 0xffffffff : 0xffb4b9c0));
    g.setFont (juce::Font (juce::Font::getDefaultSansSerifFontName(), 13.0f, ticked ? juce::Font::bold : juce::Font::plain));
    const auto name = type >= 0 && type < (int) canvasedit::typeNames.size() ? canvasedit::typeNames[(size_t) type] : "";
    g.drawText (name, column + 2, 0, juce::jmax (w - column - 2, 0), h, juce::Justification::centredLeft, true);
}
