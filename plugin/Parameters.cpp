#include "plugin/Parameters.h"

bool isStoredParameter(int32_t index) { return index >= 0 && index < kNumParameters && index != 12 && index != 110; }

double displayQuantity(int32_t index, float v) { return v; }

void applyParameter(Zarvex2& engine, int32_t index, float v) { }

const ParameterDefault kConstructorDefaults[] = { { kVolume, 0.8f } };
const int32_t kConstructorDefaultCount = sizeof kConstructorDefaults / sizeof kConstructorDefaults[0];
