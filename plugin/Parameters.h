#pragma once

#include <cstdint>

class Zarvex2;

constexpr int32_t kNumParameters = 158;

enum ParameterIndex : int32_t {
    kVolume = 0,
    kCutoff = 99,
    kReso = 103,
};

// True for the indices that keep a value (every index but the inert ones).
bool isStoredParameter(int32_t index);

// The quantity the display shows for the normalised value v.
double displayQuantity(int32_t index, float v);

// Converts v into its engine quantity and hands it to its receiver.
void applyParameter(Zarvex2& engine, int32_t index, float v);

// The indices the constructor sets, in the order it sets them, and their defaults.
struct ParameterDefault {
    int32_t index;
    float value;
};
extern const ParameterDefault kConstructorDefaults[];
extern const int32_t kConstructorDefaultCount;
