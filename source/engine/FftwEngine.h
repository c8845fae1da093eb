#pragma once

// juce::dsp::FFT on FFTW plans that may use the processor's vector units: the framework's own
// FFTW engine plans for arbitrarily aligned arrays, which shuts FFTW's vector code paths out of
// the complex transforms. This engine plans on aligned work arrays of its own and copies through
// them; it is registered with the framework when the module loads and outranks the others.
//
// Returns true; calling it keeps the engine's registration linked into every program.
bool fftwEngineRegistered() noexcept;
