#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <vector>

// The editor changes parameters outside its parameter attachments only inside change gestures:
// a host in touch or latch mode records automation only within one, and takes each gesture as
// one undo step.

// Sets a parameter's normalised value inside a gesture of its own.
void setInOwnGesture (juce::AudioProcessorParameter& parameter, float normalised);

// The gestures of a drag, from its press to its release: each parameter the drag changes gets
// one gesture, begun at the press or at its first change and ended, exactly once, when the drag
// ends or the owner goes. While no drag holds them, every change has a gesture of its own.
class DragGestures
{
public:
    DragGestures() = default;
    ~DragGestures();

    // Begins the parameter's gesture unless it is open already, and holds it until endAll.
    void begin (juce::AudioProcessorParameter& parameter);

    // Holds the gestures of the changes to come until endAll.
    void hold() noexcept { held = true; }

    // Sets a normalised value: within the held gestures while a drag holds them, otherwise
    // inside a gesture of its own.
    void set (juce::AudioProcessorParameter& parameter, float normalised);

    // Ends every open gesture, in the order they began, and stops holding.
    void endAll();

    bool isHeld() const noexcept { return held; }

private:
    std::vector<juce::AudioProcessorParameter*> open;
    bool held = false;

    JUCE_DECLARE_NON_COPYABLE (DragGestures)
};
