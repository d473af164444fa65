#pragma once

#include <cmath>

// Normalised values that select a setting of the plug-in's stepped and
// exponential parameters, for patches written in their own units: the middle
// of a step's span, so that the plug-in decodes exactly that step.
namespace patch {

inline float wave(int w) { return (static_cast<float>(w) + 0.5f) / 512.0f; }
// Filter and distortion modes.
inline float mode(int m) { return (static_cast<float>(m) + 0.5f) / 128.0f; }
inline float voices(int n) { return (static_cast<float>((n - 1) / 2) + 0.5f) / 63.0f; }
inline float stages(int n) { return (static_cast<float>(n - 1) + 0.5f) / 4.0f; }
// Modulation and sync modes 0 ... 3.
inline float modulation(int m) { return (static_cast<float>(m) + 0.5f) / 3.0f; }
inline float cutoffHz(double hz) { return static_cast<float>(std::log(hz / 20.0) / std::log(1000.0)); }
inline float resonance(double r) { return static_cast<float>((r - 0.1) / 9.9); }
// Levels on the -96 ... +24 dB scale of the ring modulation and the envelopes.
inline float decibels(double dB) { return static_cast<float>((dB + 96.0) / 120.0); }

} // namespace patch
