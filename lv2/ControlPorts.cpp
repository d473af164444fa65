#include "lv2/ControlPorts.h"

#include "plugin/Parameters.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

struct PortTable {
    std::array<int32_t, ControlPorts::kCount> parameterOfPort {};
    std::array<int32_t, kNumParameters> portOfParameter {};
};

// Built when the library loads, from the table's own notion of a stored parameter.
PortTable makePortTable()
{
    PortTable table;
    uint32_t port = 0;
    for (int32_t index = 0; index < kNumParameters; ++index) {
        table.portOfParameter[static_cast<size_t>(index)] = -1;
        if (isStoredParameter(index) && port < ControlPorts::kCount) {
            table.parameterOfPort[port] = index;
            table.portOfParameter[static_cast<size_t>(index)] = static_cast<int32_t>(port++);
        }
    }
    return table;
}
const PortTable kPorts = makePortTable();

} // namespace

namespace ControlPorts {

int32_t parameterOf(uint32_t port) { return port < kCount ? kPorts.parameterOfPort[port] : -1; }

int32_t portOf(int32_t index)
{
    return index >= 0 && index < kNumParameters ? kPorts.portOfParameter[static_cast<size_t>(index)] : -1;
}

float portValue(int32_t index, float v) { return static_cast<float>(displayQuantity(index, v)); }

float defaultPortValue(int32_t index)
{
    const ParameterInfo* info = parameterInfo(index);
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", info ? displayQuantity(index, info->defaultValue) : 0.0);
    return std::strtof(text, nullptr);
}

float normalisedValue(int32_t index, float portValue)
{
    const ParameterInfo* info = parameterInfo(index);
    if (!info)
        return NAN;
    const Mapping& m = info->mapping;
    const double q = portValue;
    switch (m.conversion) {
    case Conversion::inert:
        return NAN;
    case Conversion::affine:
        return static_cast<float>((q - m.offset) / m.scale);
    case Conversion::reciprocal:
        return static_cast<float>((1.0 / q - m.offset) / m.scale);
    case Conversion::exponential:
        return static_cast<float>(std::log((q - m.offset) / m.scale) / std::log(1000.0));
    case Conversion::decades:
        return static_cast<float>(std::log10(q) / m.scale);
    // Single precision then gives the step back exactly (the menus are checked for it).
    case Conversion::floored:
        return static_cast<float>(std::nearbyint((q - m.offset) / m.step) / m.scale);
    case Conversion::truncated:
        return static_cast<float>(std::nearbyint(q) / m.scale);
    }
    return NAN;
}

} // namespace ControlPorts
