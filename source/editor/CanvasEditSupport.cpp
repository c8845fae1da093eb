#include "CanvasEditSupport.h"

#include "engine/ParameterLayout.h"

namespace canvasedit
{
void rebuildAndRepaint (CurveCanvas& canvas)
{
    canvas.staticModel.setBands (canvas.scaledBands (canvas.bands));
    canvas.repaint();
}

int slopeIndexOf (int slopeDbPerOct)
{
    const auto& table = getSlopeTable();

    for (size_t i = 0; i < table.size(); ++i)
        if (table[i] == slopeDbPerOct)
            return (int) i;

    return 0;
}

int slopeAt (int index)
{
    const auto& table = getSlopeTable();
    return table[(size_t) juce::jlimit (0, (int) table.size() - 1, index)];
}
} // namespace canvasedit
