#pragma once

#include "Knob.h"

namespace kov
{
// A second labelled-knob class that looks and lays out exactly like Knob; it adds nothing.
class KnobTwin : public Knob
{
public:
    using Knob::Knob;
};
} // namespace kov
