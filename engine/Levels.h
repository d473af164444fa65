#pragma once

#include <algorithm>
#include <cmath>

// Conversions from the engine's level and pitch units into factors. Their
// arguments are clamped far beyond any setting the parameters can make, so a
// wild value gives a large but finite factor instead of infinity.
constexpr double kMaxLevelDb = 200.0;
constexpr double kMaxSemitones = 200.0;

inline double limitLevelDb(double db) { return std::clamp(db, -kMaxLevelDb, kMaxLevelDb); }

inline double dbToGain(double db) { return std::pow(10.0, limitLevelDb(db) / 20.0); }

inline double semitonesToRatio(double semitones)
{
    return std::exp2(std::clamp(semitones, -kMaxSemitones, kMaxSemitones) / 12.0);
}

// Frequency of a MIDI pitch with fraction; pitch 69 is 440 Hz.
inline double pitchToFrequency(double pitch) { return 440.0 * std::exp2((pitch - 69.0) / 12.0); }
