#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1

#include <juce_gui_basics/juce_gui_basics.h>

#include "JuceXConnection.h"

::Display* juceXConnection()
{
    return juce::XWindowSystem::getInstance()->getDisplay();
}
