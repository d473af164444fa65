#pragma once

#include <optional>
#include <string>
#include <vector>

// A parameter value to set, written "NAME=VALUE" or "SECONDS:NAME=VALUE";
// NAME is the plug-in's parameter name or number, VALUE its normalised value.
struct ParameterSetting {
    std::optional<double> seconds; // set before rendering when absent
    std::string parameter;
    float value = 0.0f;
};

// Throws RenderError naming where (an option or a file line) on a bad text.
ParameterSetting parseParameterSetting(const std::string& text, const std::string& where);

// A file of settings, one a line; blank lines and lines starting with '#'
// are skipped, and " #" starts a comment at the end of a line.
std::vector<ParameterSetting> readParameterList(const std::string& path);
