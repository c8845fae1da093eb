#include "CanvasEditSupport.h"
#include "CurveCanvas.h"
#include "engine/ParameterLayout.h"

#include <cmath>
#include <memory>

namespace
{
// The value a typed text stands for, in the parameter's own units, by the value box's kind.
double parseTypedValue (int kind, juce::String text, double gainScale)
{
    text = text.trim().replace (",", ".");
    const double multiplier = text.containsIgnoreCase ("k") ? 1000.0 : 1.0;
    const double number = text.retainCharacters ("0123456789.-").getDoubleValue() * multiplier;
    const double scale = juce::jmax (gainScale, 0.001);

    switch (kind)
    {
        case ValueKind::frequency: return juce::jlimit (10.0, 30000.0, number);
        case ValueKind::gain:      return juce::jlimit (-30.0, 30.0, number / scale);
        case ValueKind::q:         return juce::jlimit (0.1, 40.0, number);
        case ValueKind::tilt:      return juce::jlimit (-18.0, 18.0, number / scale);
        case ValueKind::ratio:     return text.containsIgnoreCase ("inf") ? 20.0 : juce::jlimit (1.0, 20.0, number);
        case ValueKind::knee:      return juce::jlimit (0.0, 24.0, number);
        case ValueKind::attack:    return juce::jlimit (0.1, 200.0, number);
        case ValueKind::release:   return juce::jlimit (5.0, 1000.0, number);
        case ValueKind::slope:
        {
            // The nearest table entry; of two equally near, the lower.
            const auto& table = getSlopeTable();
            int best = 0;

            for (int i = 1; i < (int) table.size(); ++i)
                if (std::abs (table[(size_t) i] - number) < std::abs (table[(size_t) best] - number))
                    best = i;

            return best;
        }
        default: return 0.0;
    }
}

juce::String oneDecimal (double v) { return juce::String (v, 1); }

// The editor is taken off the canvas at once but deleted only after the message that
// closed it has been handled, since Return, Escape and focus loss arrive through the
// editor's own callbacks.
void retireEditor (juce::Component& canvas, std::unique_ptr<juce::TextEditor> editor)
{
    if (editor == nullptr)
        return;

    editor->setVisible (false);
    canvas.removeChildComponent (editor.get());
    juce::MessageManager::callAsync ([retired = std::shared_ptr<juce::TextEditor> (std::move (editor))] {});
}
} // namespace

float CurveCanvas::getValueOfKind (int kind) const
{
    auto* suffix = valueKindParameterSuffix (kind);
    auto* p = suffix != nullptr && selectedBand >= 0 ? getBandParameter (selectedBand, suffix) : nullptr;

    if (p == nullptr)
        return 0.0f;

    const auto& range = p->getNormalisableRange();
    return range.snapToLegalValue (range.convertFrom0to1 (juce::jlimit (0.0f, 1.0f, p->getValue())));
}

void CurveCanvas::mouseDoubleClick (const juce::MouseEvent& e)
{
    const auto p = e.position;

    if (selectedBand >= 0 && overlayVisible && overlayRect.contains (p))
    {
        const int box = findValueBoxAt (p);

        if (box >= 0 && box < valueBoxCount && valueKindParameterSuffix (valueBoxKinds[(size_t) box]) != nullptr)
            openValueEditor (box);

        return;
    }

    const int b = findBandAt (p);

    if (b < 0)
    {
        const auto f = xToFrequency (p.x);
        const int slot = addBand (f, 0.0, defaultTypeForFrequency (f));

        if (slot >= 0)
        {
            hoverBand = slot;
            selectBand (slot);
        }

        return;
    }

    deleteBand (b);
}

void CurveCanvas::openValueEditor (int box)
{
    const int s = selectedBand;

    if (! canvasedit::isBandIndex (s) || box < 0 || box >= juce::jmin (valueBoxCount, (int) valueBoxKinds.size()))
        return;

    const int kind = valueBoxKinds[(size_t) box];
    const auto& b = bands[(size_t) s];
    juce::String text;

    switch (kind)
    {
        case ValueKind::frequency: text = juce::String (juce::roundToInt (b.freq)); break;
        case ValueKind::gain:      text = oneDecimal (b.gain * gainScale); break;
        case ValueKind::q:         text = juce::String (b.q, 2); break;
        case ValueKind::slope:     text = juce::String (b.slope); break;
        case ValueKind::tilt:      text = oneDecimal (b.tilt * gainScale); break;
        case ValueKind::ratio:
        {
            const auto v = getValueOfKind (kind);
            text = v >= 20.0f ? juce::String ("Inf") : oneDecimal (v);
            break;
        }
        case ValueKind::knee:      text = oneDecimal (getValueOfKind (kind)); break;
        case ValueKind::attack:
        case ValueKind::release:
        {
            const auto v = getValueOfKind (kind);
            text = v < 10.0f ? oneDecimal (v) : juce::String (juce::roundToInt (v));
            break;
        }
        default: return;
    }

    editedValueBox = box;
    retireEditor (*this, std::move (valueEditor));
    valueEditor = std::make_unique<juce::TextEditor>();
    auto& ed = *valueEditor;

    const auto area = valueBoxRects[(size_t) box];
    ed.setBounds (juce::roundToInt (area.getX() - 8.0f), juce::roundToInt (area.getY() - 3.0f),
                  juce::jmax (0, juce::roundToInt (area.getWidth() + 16.0f)),
                  juce::jmax (0, juce::roundToInt (area.getHeight() + 6.0f)));
    ed.setJustification (juce::Justification::centred);
    ed.setFont (juce::Font (juce::Font::getDefaultSansSerifFontName(), 12.0f, juce::Font::bold));
    ed.setColour (juce::TextEditor::backgroundColourId, juce::Colour (0xff15181d));
    ed.setColour (juce::TextEditor::outlineColourId, juce::Colour (0xff6c9fd8));
    ed.setColour (juce::TextEditor::focusedOutlineColourId, juce::Colour (0xff6c9fd8));
    ed.setColour (juce::TextEditor::textColourId, juce::Colour (0xffeef1f5));
    ed.setColour (juce::TextEditor::highlightColourId, juce::Colour (0x666c9fd8));
    ed.setColour (juce::TextEditor::highlightedTextColourId, juce::Colour (0xffffffff));
    ed.setInputRestrictions (12, kind == ValueKind::ratio ? "0123456789.,infINF" : "0123456789.,-+kK");
    ed.setText (text, false);

    // A closed editor still delivers the focus loss its removal caused, possibly after the
    // canvas has gone or another editor has opened: the handlers act only while both the
    // canvas and this very editor are still in place.
    const auto whileOpen = [safe = juce::Component::SafePointer<CurveCanvas> (this), editor = &ed] (auto action)
    {
        return [safe, editor, action]
        {
            if (auto* canvas = safe.getComponent(); canvas != nullptr && canvas->valueEditor.get() == editor)
                action (*canvas);
        };
    };

    ed.onReturnKey = whileOpen ([] (CurveCanvas& c) { c.commitValueEditor (true); });
    ed.onEscapeKey = whileOpen ([] (CurveCanvas& c) { c.cancelValueEditor(); });
    ed.onFocusLost = whileOpen ([] (CurveCanvas& c) { c.commitValueEditor (true); });

    addAndMakeVisible (ed);
    ed.selectAll();
    ed.grabKeyboardFocus();
}

void CurveCanvas::commitValueEditor (bool apply)
{
    if (editedValueBox < 0)
        return;

    const int box = editedValueBox;
    editedValueBox = -1;
    const int s = selectedBand;

    if (apply && valueEditor != nullptr && canvasedit::isBandIndex (s) && box < juce::jmin (valueBoxCount, (int) valueBoxKinds.size()))
    {
        const int kind = valueBoxKinds[(size_t) box];

        if (auto* suffix = valueKindParameterSuffix (kind))
        {
            const auto v = parseTypedValue (kind, valueEditor->getText(), gainScale);
            auto& b = bands[(size_t) s];

            switch (kind)
            {
                case ValueKind::frequency: b.freq = v; break;
                case ValueKind::gain:      b.gain = v; break;
                case ValueKind::q:         b.q = v; break;
                case ValueKind::slope:     b.slope = canvasedit::slopeAt ((int) v); break;
                case ValueKind::tilt:      b.tilt = v; break;
                default:                   break;
            }

            setBandParameter (s, suffix, (float) v);
            staticModel.setBands (scaledBands (bands));
        }
    }

    retireEditor (*this, std::move (valueEditor));
    repaint();
}

void CurveCanvas::cancelValueEditor()
{
    if (editedValueBox < 0)
        return;

    editedValueBox = -1;
    retireEditor (*this, std::move (valueEditor));
    repaint();
}
