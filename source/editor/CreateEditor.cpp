#include "SabrelEditor.h"

juce::AudioProcessorEditor* SabrelProcessor::createEditor() { return new SabrelEditor (*this); }
