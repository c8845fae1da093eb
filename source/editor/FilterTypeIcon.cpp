#include "FilterTypeIcon.h"

#include "engine/BandSettings.h"

void drawFilterTypeIcon (juce::Graphics& g, juce::Rectangle<float> area, int type)
{
    const float x = area.getX(), y = area.getY(), w = area.getWidth(), h = area.getHeight();
    const float r = x + w;
    const float lo = y + 0.56f * h;
    const float hi = y + 0.14f * h;
    const float mid = x + 0.5f * w;
    const float cut = y + 0.26f * h;
    const float bot = y + h - 1.0f;

    juce::Path p;
    switch (type)
    {
        case FilterType::bell:
            p.startNewSubPath (x, lo);
            p.lineTo (x + 0.24f * w, lo);
            p.cubicTo (x + 0.4f * w, lo, x + 0.4f * w, hi, mid, hi);
            p.cubicTo (x + 0.6f * w, hi, x + 0.6f * w, lo, x + 0.76f * w, lo);
            p.lineTo (r, lo);
            break;
        case FilterType::lowShelf:
        case FilterType::highShelf:
        {
            // A step from one level to the other: down for the low shelf, up for the high.
            const float from = type == FilterType::lowShelf ? hi : lo;
            const float to = type == FilterType::lowShelf ? lo : hi;
            p.startNewSubPath (x, from);
            p.lineTo (x + 0.34f * w, from);
            p.cubicTo (mid, from, mid, to, x + 0.66f * w, to);
            p.lineTo (r, to);
            break;
        }
        case FilterType::lowCut:
            p.startNewSubPath (r, cut);
            p.lineTo (r - 0.4f * w, cut);
            p.cubicTo (r - 0.6f * w, cut, r - 0.62f * w, bot, r - 0.78f * w, bot);
            break;
        case FilterType::highCut:
            p.startNewSubPath (x, cut);
            p.lineTo (x + 0.4f * w, cut);
            p.cubicTo (x + 0.6f * w, cut, x + 0.62f * w, bot, x + 0.78f * w, bot);
            break;
        case FilterType::notch:
            p.startNewSubPath (x, lo);
            p.lineTo (mid - 0.1f * w, lo);
            p.lineTo (mid, bot);
            p.lineTo (mid + 0.1f * w, lo);
            p.lineTo (r, lo);
            break;
        case FilterType::tilt:
            p.startNewSubPath (x, lo + 0.55f * (lo - hi));
            p.lineTo (r, hi + 0.1f * (lo - hi));
            break;
        default:
            return;
    }

    g.strokePath (p, juce::PathStrokeType (1.4f, juce::PathStrokeType::curved, juce::PathStrokeType::rounded));
}
