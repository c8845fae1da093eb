#pragma once

// A minimal LADSPA host for measuring a peer equaliser next to ours: loads one plug-in by its
// label, gives every control port its declared default, and runs it on caller-owned buffers.
#include <ladspa.h>

#include <dlfcn.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

class LadspaHost
{
public:
    LadspaHost (const char* libraryPath, const char* label, unsigned long sampleRate)
    {
        library = dlopen (libraryPath, RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr)
            return;

        auto* entry = reinterpret_cast<LADSPA_Descriptor_Function> (dlsym (library, "ladspa_descriptor"));
        for (unsigned long i = 0; entry != nullptr; ++i)
        {
            const auto* d = entry (i);
            if (d == nullptr)
                break;
            if (std::strcmp (d->Label, label) == 0)
            {
                descriptor = d;
                break;
            }
        }

        if (descriptor == nullptr)
            return;

        handle = descriptor->instantiate (descriptor, sampleRate);
        if (handle == nullptr)
            return;

        values.assign (descriptor->PortCount, 0.0f);
        for (unsigned long p = 0; p < descriptor->PortCount; ++p)
        {
            const auto kind = descriptor->PortDescriptors[p];
            if (LADSPA_IS_PORT_CONTROL (kind))
            {
                if (LADSPA_IS_PORT_INPUT (kind))
                    values[p] = defaultOf (descriptor->PortRangeHints[p], (float) sampleRate);
                descriptor->connect_port (handle, p, &values[p]);
            }
        }
    }

    ~LadspaHost()
    {
        if (handle != nullptr)
        {
            if (active && descriptor->deactivate != nullptr)
                descriptor->deactivate (handle);
            descriptor->cleanup (handle);
        }
        if (library != nullptr)
            dlclose (library);
    }

    LadspaHost (const LadspaHost&) = delete;
    LadspaHost& operator= (const LadspaHost&) = delete;

    bool isLoaded() const { return handle != nullptr; }

    // The value slot of the control port with this name; null when there is none.
    float* control (const std::string& name)
    {
        for (unsigned long p = 0; p < descriptor->PortCount; ++p)
            if (LADSPA_IS_PORT_CONTROL (descriptor->PortDescriptors[p]) && name == descriptor->PortNames[p])
                return &values[p];
        return nullptr;
    }

    // Connects the audio ports in their declared order: inputs to `inputs`, outputs to `outputs`.
    void connectAudio (float* const* inputs, float* const* outputs)
    {
        int in = 0, out = 0;
        for (unsigned long p = 0; p < descriptor->PortCount; ++p)
        {
            const auto kind = descriptor->PortDescriptors[p];
            if (LADSPA_IS_PORT_AUDIO (kind))
                descriptor->connect_port (handle, p, LADSPA_IS_PORT_INPUT (kind) ? inputs[in++] : outputs[out++]);
        }
    }

    void activate()
    {
        if (descriptor->activate != nullptr)
            descriptor->activate (handle);
        active = true;
    }

    void run (unsigned long numSamples) { descriptor->run (handle, numSamples); }

private:
    static float defaultOf (const LADSPA_PortRangeHint& hint, float sampleRate)
    {
        const auto h = hint.HintDescriptor;
        const float scale = LADSPA_IS_HINT_SAMPLE_RATE (h) ? sampleRate : 1.0f;
        const float low = hint.LowerBound * scale, high = hint.UpperBound * scale;
        const bool logarithmic = LADSPA_IS_HINT_LOGARITHMIC (h) && low > 0.0f && high > 0.0f;
        const auto between = [&] (float t) {
            return logarithmic ? std::exp (std::log (low) * (1.0f - t) + std::log (high) * t)
                               : low * (1.0f - t) + high * t;
        };

        switch (h & LADSPA_HINT_DEFAULT_MASK)
        {
            case LADSPA_HINT_DEFAULT_MINIMUM: return low;
            case LADSPA_HINT_DEFAULT_LOW: return between (0.25f);
            case LADSPA_HINT_DEFAULT_MIDDLE: return between (0.5f);
            case LADSPA_HINT_DEFAULT_HIGH: return between (0.75f);
            case LADSPA_HINT_DEFAULT_MAXIMUM: return high;
            case LADSPA_HINT_DEFAULT_1: return 1.0f;
            case LADSPA_HINT_DEFAULT_100: return 100.0f;
            case LADSPA_HINT_DEFAULT_440: return 440.0f;
            default: return 0.0f;
        }
    }

    void* library = nullptr;
    const LADSPA_Descriptor* descriptor = nullptr;
    LADSPA_Handle handle = nullptr;
    bool active = false;
    std::vector<float> values; // one slot per port, control ports connected to theirs
};
