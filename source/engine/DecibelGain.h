#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <cstring>
#include <limits>

// juce::Decibels::decibelsToGain of the last value asked for, kept until another value comes:
// a gain parameter holds still far more often than it moves.
struct DecibelGain
{
    float operator() (float db) noexcept
    {
        if (std::memcmp (&db, &lastDb, sizeof db) != 0)
        {
            lastDb = db;
            gain = juce::Decibels::decibelsToGain (db);
        }
        return gain;
    }

private:
    float lastDb = std::numeric_limits<float>::quiet_NaN();
    float gain = 1.0f;
};
