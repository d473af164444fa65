#pragma once

#include <array>
#include <cstdint>

// The LV2 form's ports: one control input per stored parameter, in the order
// of the parameter table, then the two audio outputs and the MIDI input.
// Control ports carry the parameter's quantity (dB, Hz, ms, step numbers),
// not the normalised value a VST 2 host sees.
namespace ControlPorts {

constexpr uint32_t kCount = 156;
constexpr uint32_t kLeftOutput = kCount;
constexpr uint32_t kRightOutput = kCount + 1;
constexpr uint32_t kMidiInput = kCount + 2;
constexpr uint32_t kPortCount = kCount + 3;

// The parameter index a control port carries.
int32_t parameterOf(uint32_t port);
// The control port of a parameter index; -1 for the indices without one.
int32_t portOf(int32_t index);

// The port value of a normalised value: its quantity, in single precision.
float portValue(int32_t index, float v);
// The value a port starts with: the quantity of the parameter's default,
// kept to six digits for the host to show.
float defaultPortValue(int32_t index);
// The normalised value that gives a port value's quantity; step numbers
// come back exactly, as the host or editor that wants step k sends k/scale.
float normalisedValue(int32_t index, float portValue);

} // namespace ControlPorts
