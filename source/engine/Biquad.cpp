#include "Biquad.h"

#include <algorithm>
#include <cmath>

double Biquad::magnitudeAt (double w) const
{
    // |N(e^jw)| / |D(e^jw)| in real arithmetic: the modulus of the complex quotient, without
    // the cost of a general complex division.
    const double c1 = std::cos (w);
    const double s1 = std::sin (w);
    const double c2 = c1 * c1 - s1 * s1;
    const double s2 = 2.0 * s1 * c1;

    const double nr = b0 + b1 * c1 + b2 * c2;
    const double ni = b1 * s1 + b2 * s2;
    const double dr = 1.0 + a1 * c1 + a2 * c2;
    const double di = a1 * s1 + a2 * s2;

    return std::sqrt ((nr * nr + ni * ni) / (dr * dr + di * di));
}

bool Biquad::isMonotonicShelf (double sampleRate) const
{
    constexpr double pi = 3.14159265358979323846;
    constexpr double lowest = 5.0;
    constexpr int steps = 32;
    constexpr double tolerance = 0.001;

    // 33 points from 5 Hz to 0.49 x rate, evenly spaced on a log axis.
    const double logSpan = std::log (0.49 * sampleRate / lowest);
    double m = magnitudeAt (2.0 * pi * lowest / sampleRate);
    int direction = 0; // 1 rising, -1 falling

    for (int i = 1; i <= steps; ++i)
    {
        const double f = lowest * std::exp (logSpan * i / steps);
        const double next = magnitudeAt (2.0 * pi * f / sampleRate);
        const double step = (next - m) / std::max (m, 1e-12);

        if (step > tolerance)
        {
            if (direction < 0)
                return false;
            direction = 1;
        }

        if (step < -tolerance)
        {
            if (direction > 0)
                return false;
            direction = -1;
        }

        m = next;
    }

    return true;
}
