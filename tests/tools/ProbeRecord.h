#pragma once

#include <cstddef>
#include <cstdint>

// What the probe plug-in records, each with the sample (counted from the
// last resume) at which it took effect.
struct ProbeRecord {
    enum Kind : int32_t { midi, parameter, block };
    Kind kind;
    int64_t frame;
    int32_t index; // midi: status byte; parameter: index; block: frames
    int32_t data; // midi: data1 << 8 | data2
    float value; // parameter value
};

// Exported by the probe: its record since the last clear.
using ProbeRecordsProc = size_t (*)(const ProbeRecord** records);
using ProbeClearProc = void (*)();
