#pragma once

#include <algorithm>
#include <cmath>

// Conversions from the engine's level and pitch units into factors. Levels are
// clamped far beyond any setting the parameters can make, so that a wild value
// gives a large but finite gain; products of such gains stay finite too.
// (Wild pitches need no clamp: the oscillators refuse what they cannot play.)
constexpr double kMaxLevelDb = 200.0;

inline double limitLevelDb(double db) { return std::clamp(db, -kMaxLevelDb, kMaxLevelDb); }

inline double dbToGain(double db) { return std::pow(10.0, limitLevelDb(db) / 20.0); }

inline double semitonesToRatio(double semitones) { return std::exp2(semitones / 12.0); }

// Frequency of a MIDI pitch with fraction; pitch 69 is 440 Hz.
inline double pitchToFrequency(double pitch) { return 440.0 * std::exp2((pitch - 69.0) / 12.0); }
