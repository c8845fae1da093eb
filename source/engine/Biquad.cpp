#include "Biquad.h"

#include <algorithm>
#include <cmath>
#include <complex>

double Biquad::magnitudeAt (double w) const
{
    const std::complex<double> delay1 = std::polar (1.0, -w);
    const std::complex<double> delay2 = delay1 * delay1;
    const auto h = (b0 + b1 * delay1 + b2 * delay2) / (1.0 + a1 * delay1 + a2 * delay2);
    return std::hypot (h.real(), h.imag());
}

bool Biquad::isMonotonicShelf (double sampleRate) const
{
    constexpr double pi = 3.14159265358979323846;
    constexpr double lowest = 5.0;
    constexpr int steps = 32;
    constexpr double tolerance = 0.001;

    const double span = 0.49 * sampleRate / lowest;
    double m = magnitudeAt (2.0 * pi * lowest / sampleRate);
    int direction = 0; // 1 rising, -1 falling

    for (int i = 1; i <= steps; ++i)
    {
        const double f = lowest * std::pow (span, (double) i / steps);
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
