#pragma once

#include "kit/FilmstripKnobRenderer.h"

#include <memory>

// A filmstrip renderer for a base strip and its tint mask, limited to the editor's knob size,
// or null when the strips cannot hold every frame (missing, undecodable or too short): the
// look-and-feels then keep their procedural knobs.
std::shared_ptr<kov::FilmstripKnobRenderer> makeKnobFilmstripRenderer (const juce::Image& base, const juce::Image& mask);
