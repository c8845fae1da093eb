#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

namespace kov
{
// A component setter's usual body: store the new value and repaint, only when it differs.
// A NaN never equals the stored value, so it always counts as a change.
template <typename Value>
void storeAndRepaint (juce::Component& component, Value& member, const Value& newValue)
{
    if (std::equal_to<Value>() (member, newValue))
        return;

    member = newValue;
    component.repaint();
}
} // namespace kov
