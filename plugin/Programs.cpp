#include "plugin/Programs.h"

ProgramBank::ProgramBank() = default;

void ProgramBank::store(int32_t program, int32_t index, float value) { }
