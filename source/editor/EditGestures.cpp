#include "EditGestures.h"

#include <algorithm>
#include <utility>

void setInOwnGesture (juce::AudioProcessorParameter& parameter, float normalised)
{
    parameter.beginChangeGesture();
    parameter.setValueNotifyingHost (normalised);
    parameter.endChangeGesture();
}

DragGestures::~DragGestures()
{
    endAll();
}

void DragGestures::begin (juce::AudioProcessorParameter& parameter)
{
    held = true;

    if (std::find (open.begin(), open.end(), &parameter) != open.end())
        return;

    open.push_back (&parameter);
    parameter.beginChangeGesture();
}

void DragGestures::set (juce::AudioProcessorParameter& parameter, float normalised)
{
    if (! held)
    {
        setInOwnGesture (parameter, normalised);
        return;
    }

    begin (parameter);
    parameter.setValueNotifyingHost (normalised);
}

void DragGestures::endAll()
{
    held = false;

    // Taken out first: a host that reacts to an end by changing something here finds no
    // gesture left to end twice.
    const auto ending = std::exchange (open, {});

    for (auto* parameter : ending)
        parameter->endChangeGesture();
}
