#pragma once

#include <cstdint>

// The bank of programs: each a full set of normalised values and a name.
class ProgramBank {
public:
    static constexpr int32_t kNumPrograms = 32;

    ProgramBank();

    void store(int32_t program, int32_t index, float value);
};
