#pragma once

#include "Biquad.h"

// Stateless section designs. Rates and frequencies in Hz, gains in dB. Every design limits
// its frequency to 0.49 x rate and returns a section with zero state and a0 normalised to 1.

// Audio EQ Cookbook designs (A = 10^(gain/40) for the Bell and both shelves).
Biquad cookbookBell (double sampleRate, double frequency, double gainDb, double q);
Biquad cookbookLowShelf (double sampleRate, double frequency, double gainDb, double q);
Biquad cookbookHighShelf (double sampleRate, double frequency, double gainDb, double q);
Biquad cookbookLowPass (double sampleRate, double frequency, double q);
Biquad cookbookHighPass (double sampleRate, double frequency, double q);
Biquad cookbookBandPass (double sampleRate, double frequency, double q); // 0 dB peak

// First-order bilinear sections (b2 = a2 = 0) for odd cut orders.
Biquad firstOrderLowPass (double sampleRate, double frequency);
Biquad firstOrderHighPass (double sampleRate, double frequency);

// Poles of s^2 + s w0/Q + w0^2 mapped by z = e^s; w0 in radians per sample.
void matchedPoles (double w0, double q, double& a1, double& a2);

// Solves the zeros so that the section's squared magnitude equals h0Sq at DC, hcSq at
// phi = sin^2(w/2) and hnSq at Nyquist. On success sets the destination's five
// coefficients (keeping its state) and returns true; on failure the destination's
// coefficients are unspecified.
bool matchedZeros (double a1, double a2, double phi, double h0Sq, double hcSq, double hnSq, Biquad& destination);

// Magnitude-matched designs; each falls back to the cookbook design of its type when the
// zeros cannot be solved (and the shelves also when the result is not monotonic).
Biquad matchedBell (double sampleRate, double frequency, double gainDb, double q);
Biquad matchedLowShelf (double sampleRate, double frequency, double gainDb, double q);
Biquad matchedHighShelf (double sampleRate, double frequency, double gainDb, double q);
