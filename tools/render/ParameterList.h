#pragma once

#include <optional>
#include <string>
#include <vector>

// A parameter value to set, written "NAME=VALUE" or "SECONDS:NAME=VALUE";
// NAME is the plug-in's parameter name or number, VALUE its normalised value
// from 0 to 1.
struct ParameterSetting {
    std::optional<double> seconds; // set before rendering when absent
    std::string parameter;
    float value = 0.0f;
    std::string origin; // the option or file line it came from
};

// Which values a setting may hold: VST 2 parameters are normalised to 0..1;
// LV2 control ports take their own units, checked by the instrument.
enum class ValueRange { normalised, portUnits };

// Throws RenderError naming where (an option or a file line) on a bad text
// or a normalised value outside 0..1.
ParameterSetting parseParameterSetting(
    const std::string& text, const std::string& where, ValueRange range = ValueRange::normalised);

// A file of settings, one a line; blank lines and lines starting with '#'
// are skipped, and " #" starts a comment at the end of a line. A UTF-8
// byte-order mark at the start is skipped.
std::vector<ParameterSetting> readParameterList(
    const std::string& path, ValueRange range = ValueRange::normalised);
