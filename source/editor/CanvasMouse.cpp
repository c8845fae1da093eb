#include "CanvasEditSupport.h"
#include "CurveCanvas.h"

#include <cmath>

namespace
{
bool overlayHas (const CurveCanvas& c, juce::Point<float> p)
{
    return c.selectedBand >= 0 && c.overlayVisible && c.overlayRect.contains (p);
}
} // namespace

int CurveCanvas::findValueBoxAt (juce::Point<float> point) const
{
    if (! overlayVisible)
        return -1;

    for (int i = 0; i < juce::jmin (valueBoxCount, (int) valueBoxRects.size()); ++i)
        if (valueBoxRects[(size_t) i].expanded (4.0f, 5.0f).contains (point))
            return i;

    return -1;
}

int CurveCanvas::findOverlayButtonAt (juce::Point<float> point) const
{
    if (! overlayVisible)
        return -1;

    const juce::Rectangle<float> buttons[] = { powerRect, soloRect, closeRect };

    for (int i = 0; i < 3; ++i)
        if (buttons[i].expanded (2.0f).contains (point))
            return i;

    return -1;
}

void CurveCanvas::setDynamicsSliderFromX (int slider, float x)
{
    static constexpr const char* suffixes[] = { "ratio", "knee", "atk", "rel" };

    if (selectedBand < 0 || slider < 0 || slider > 3)
        return;

    if (auto* p = getBandParameter (selectedBand, suffixes[slider]))
    {
        const auto& track = dynSliderRects[(size_t) slider];
        const auto t = juce::jlimit (0.0f, 1.0f, (x - track.getX()) / juce::jmax (track.getWidth(), 1.0f));
        dragGestures.set (*p, t);
        repaint();
    }
}

void CurveCanvas::endDrags()
{
    draggedValueBox = -1;
    dynSliderDrag = -1;
    thresholdDrag = -1;
    dragBand = -1;
    dragGestures.endAll();
}

void CurveCanvas::mouseDown (const juce::MouseEvent& e)
{
    // A drag still in progress here never saw its release (or another button went down during
    // it): it ends now, so that its gestures end once and its changes stop.
    endDrags();

    const auto p = e.position;
    const bool rightButton = e.mods.isRightButtonDown();

    if (! rightButton && overlayHas (*this, p))
    {
        const int s = selectedBand;

        switch (findOverlayButtonAt (p))
        {
            case 0:
                toggleBandParameter (s, "active");
                bands[(size_t) s].active = ! bands[(size_t) s].active;
                canvasedit::rebuildAndRepaint (*this);
                return;
            case 1:
                toggleBandParameter (s, "solo");
                bands[(size_t) s].solo = ! bands[(size_t) s].solo;
                canvasedit::rebuildAndRepaint (*this);
                return;
            case 2:
                deleteBand (s); // the overlay's band is the selected one
                return;
            default:
                break;
        }

        if (dynRect.getWidth() > 0.0f && dynRect.getHeight() > 0.0f && dynRect.contains (p))
        {
            toggleBandParameter (s, "dynon");
            repaint();
            return;
        }

        if (autoShown && autoRect.contains (p))
        {
            toggleBandParameter (s, "auto");
            repaint();
            return;
        }

        if (sidechainShown && sidechainRect.contains (p))
        {
            toggleBandParameter (s, "scext");
            repaint();
            return;
        }

        if (typeLabelRect.contains (p))
        {
            showTypeMenu (s);
            return;
        }

        if (channelLabelRect.contains (p))
        {
            if (getBandParameter (s, "channel") != nullptr)
                showChannelMenu (s);
            return;
        }

        if (const int box = findValueBoxAt (p); box >= 0)
        {
            if (auto* suffix = valueKindParameterSuffix (valueBoxKinds[(size_t) box]))
            {
                if (auto* param = getBandParameter (s, suffix))
                {
                    draggedValueBox = box;
                    dragGestures.begin (*param);
                    valueDragStartValue = param->getValue();
                    valueDragStartY = p.y;
                    hoverValueBox = box;
                }
            }
            return;
        }

        for (int i = 0; i < juce::jmin (dynSliderCount, (int) dynSliderRects.size()); ++i)
        {
            if (dynSliderRects[(size_t) i].expanded (8.0f, 9.0f).contains (p))
            {
                dynSliderDrag = i;
                dragGestures.hold();
                setDynamicsSliderFromX (i, p.x);
                return;
            }
        }

        if (thresholdBand == s && thresholdTrackRect.expanded (6.0f, 9.0f).contains (p))
        {
            thresholdDrag = s;
            dragGestures.hold();
            const auto t = xToThreshold (p.x);
            bands[(size_t) s].thresh = t;
            setBandParameter (s, "thresh", (float) t);
            repaint();
        }

        return;
    }

    const int b = findBandAt (p);

    if (rightButton)
    {
        if (b < 0)
            showAddBandMenu (p.x);
        else
            showBandMenu (b);

        return;
    }

    if (b < 0)
    {
        selectBand (-1);
        return;
    }

    selectBand (b);
    dragBand = b;
    beginBandDragGestures (b);
    bandDragStartY = p.y;
    bandDragStartGain = bands[(size_t) b].gain;
    bandDragStartTilt = bands[(size_t) b].tilt;
}

void CurveCanvas::dragValueBox (const juce::MouseEvent& e)
{
    const int s = selectedBand;
    const int box = draggedValueBox;

    if (s < 0 || box < 0 || box >= juce::jmin (valueBoxCount, (int) valueBoxKinds.size()))
        return;

    const int kind = valueBoxKinds[(size_t) box];
    auto* suffix = valueKindParameterSuffix (kind);
    auto* param = suffix != nullptr ? getBandParameter (s, suffix) : nullptr;

    if (param == nullptr)
        return;

    const float perPixel = e.mods.isShiftDown() ? 1.0f / 1100.0f : 1.0f / 220.0f;
    const auto n = juce::jlimit (0.0f, 1.0f, valueDragStartValue + (valueDragStartY - e.position.y) * perPixel);
    dragGestures.set (*param, n);

    const auto& range = param->getNormalisableRange();
    const double v = range.snapToLegalValue (range.convertFrom0to1 (n));
    auto& b = bands[(size_t) s];

    switch (kind)
    {
        case ValueKind::frequency: b.freq = v; break;
        case ValueKind::gain:      b.gain = v; break;
        case ValueKind::q:         b.q = v; break;
        case ValueKind::slope:     b.slope = canvasedit::slopeAt (juce::roundToInt (v)); break;
        case ValueKind::tilt:      b.tilt = v; break;
        default:                   break;
    }

    canvasedit::rebuildAndRepaint (*this);
}

void CurveCanvas::dragBandLevel (int band, float y)
{
    if (handleLevelSuffix (band) == nullptr)
        return;

    const auto d = (yToDb (y) - yToDb (bandDragStartY)) / juce::jmax (gainScale, 0.001);
    auto& b = bands[(size_t) band];

    if (b.type == FilterType::tilt)
    {
        b.tilt = juce::jlimit (-18.0, 18.0, bandDragStartTilt + 2.0 * d);
        setBandParameter (band, "tilt", (float) b.tilt);
    }
    else
    {
        b.gain = juce::jlimit (-30.0, 30.0, bandDragStartGain + d);
        setBandParameter (band, "gain", (float) b.gain);
    }
}

void CurveCanvas::mouseDrag (const juce::MouseEvent& e)
{
    if (draggedValueBox >= 0)
    {
        dragValueBox (e);
    }
    else if (dynSliderDrag >= 0)
    {
        setDynamicsSliderFromX (dynSliderDrag, e.position.x);
    }
    else if (thresholdDrag >= 0)
    {
        if (! canvasedit::isBandIndex (thresholdDrag))
            return;

        const auto t = xToThreshold (e.position.x);
        bands[(size_t) thresholdDrag].thresh = t;
        setBandParameter (thresholdDrag, "thresh", (float) t);
        repaint();
    }
    else if (canvasedit::isBandIndex (dragBand))
    {
        const auto f = xToFrequency (e.position.x);
        bands[(size_t) dragBand].freq = f;
        setBandParameter (dragBand, "freq", (float) f);
        dragBandLevel (dragBand, e.position.y);
        canvasedit::rebuildAndRepaint (*this);
    }
}

void CurveCanvas::mouseUp (const juce::MouseEvent&)
{
    // Whichever drag this release ends, every gesture it opened ends with it.
    dragGestures.endAll();

    if (draggedValueBox >= 0)
    {
        draggedValueBox = -1;
    }
    else if (dynSliderDrag >= 0)
    {
        dynSliderDrag = -1;
    }
    else if (thresholdDrag >= 0)
    {
        thresholdDrag = -1;
    }
    else if (dragBand >= 0)
    {
        dragBand = -1;
    }
}

void CurveCanvas::mouseMove (const juce::MouseEvent& e)
{
    const auto p = e.position;
    auto shownCursor = juce::MouseCursor::NormalCursor;

    if (overlayHas (*this, p))
    {
        const int box = findValueBoxAt (p);
        const bool overType = typeLabelRect.contains (p);
        const bool overChannel = channelLabelRect.contains (p);

        if (box != hoverValueBox || overType != typeLabelHover || overChannel != channelLabelHover)
        {
            hoverValueBox = box;
            typeLabelHover = overType;
            channelLabelHover = overChannel;
            repaint();
        }

        if (box >= 0)
            shownCursor = juce::MouseCursor::UpDownResizeCursor;
        else if (overType || overChannel)
            shownCursor = juce::MouseCursor::PointingHandCursor;
    }
    else
    {
        if (hoverValueBox != -1 || typeLabelHover || channelLabelHover)
        {
            hoverValueBox = -1;
            typeLabelHover = false;
            channelLabelHover = false;
            repaint();
        }

        const int b = findBandAt (p);

        if (b != hoverBand)
        {
            hoverBand = b;
            repaint();
        }

        if (b >= 0)
            shownCursor = juce::MouseCursor::DraggingHandCursor;
    }

    setMouseCursor (shownCursor);
}

void CurveCanvas::mouseExit (const juce::MouseEvent&)
{
    if (hoverBand == -1 && hoverValueBox == -1 && ! typeLabelHover && ! channelLabelHover)
        return;

    hoverBand = -1;
    hoverValueBox = -1;
    typeLabelHover = false;
    channelLabelHover = false;
    repaint();
}

void CurveCanvas::mouseWheelMove (const juce::MouseEvent& e, const juce::MouseWheelDetails& wheel)
{
    const int band = findBandAt (e.position);

    if (band < 0)
        return;

    const float delta = wheel.isReversed ? -wheel.deltaY : wheel.deltaY;

    if (std::abs (delta) < 1e-6f)
        return;

    auto& b = bands[(size_t) band];

    if (b.type == FilterType::lowCut || b.type == FilterType::highCut)
    {
        const auto now = juce::Time::getMillisecondCounterHiRes();

        if (now - lastSlopeWheelMs < 130.0)
            return;

        lastSlopeWheelMs = now;
        const int current = canvasedit::slopeIndexOf (b.slope);
        const int next = juce::jlimit (0, 8, current + (delta > 0.0f ? 1 : -1));

        if (next == current)
            return;

        b.slope = canvasedit::slopeAt (next);
        setBandParameter (band, "slope", (float) next);
    }
    else
    {
        b.q = juce::jlimit (0.1, 40.0, b.q * std::exp (1.2 * (double) delta));
        setBandParameter (band, "q", (float) b.q);
    }

    canvasedit::rebuildAndRepaint (*this);
}
