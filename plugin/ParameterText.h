#pragma once

#include <cstdint>
#include <span>

// The texts the host and the editor show for parameters.

// The value text of a parameter for its display quantity; empty for indices
// without one. Writes at most 16 bytes.
void formatParameterValue(int32_t index, double quantity, char* text);

// Pitch class and octave of a MIDI note, padded to four characters ("C-1 ",
// "C#-1", "C4  ", "G9  "); "ERR " outside 0..127.
void getNoteName(int32_t note, char* text);

// Names of the filter, modulation and sync modes; nullptr for numbers
// without a name.
const char* filterModeName(int32_t mode);
const char* modulationModeName(int32_t mode);
const char* syncModeName(int32_t mode);

// The stage menu's entries under a filter mode; none for modes without a name.
std::span<const char* const> stageEntries(int32_t filterMode);

// The editor's display converters; each writes at most 48 bytes.
// The long name of the parameter whose index is the value's whole part.
void convertLongName(float value, char* text);
// The value with two decimals.
void convertNumber(float value, char* text);
// A start phase given as a fraction of a turn: degrees with two decimals, or
// "free" for a full turn, where the oscillator runs on across notes.
void convertPhase(float value, char* text);
// The unit word whose number is the value's whole part.
void convertUnit(float value, char* text);
