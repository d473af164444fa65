#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// What the probe plug-in records: a kind, the sample (counted from the last
// resume) at which it took effect, then for MIDI the status byte and
// data1 << 8 | data2, for a parameter its index and its value in
// thousandths, for a block its frames and 0.
enum ProbeKind : int64_t { probeMidi, probeParameter, probeBlock };
using ProbeRecord = std::array<int64_t, 4>;

// Exported by the probe: its record since the last clear.
using ProbeRecordsProc = size_t (*)(const ProbeRecord** records);
using ProbeClearProc = void (*)();
