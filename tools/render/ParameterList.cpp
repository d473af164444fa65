#include "tools/render/ParameterList.h"

#include "tools/render/Files.h"
#include "tools/render/RenderError.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>

namespace {

constexpr size_t largestList = 1u << 20;

std::string trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

// The whole text must be a finite number.
std::optional<double> number(const std::string& text)
{
    const std::string clean = trimmed(text);
    if (clean.empty())
        return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(clean.c_str(), &end);
    if (*end != 0 || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace

ParameterSetting parseParameterSetting(const std::string& text, const std::string& where, ValueRange range)
{
    const auto fail = [&](const std::string& what) -> ParameterSetting {
        throw RenderError(where + ": " + what + " in \"" + printable(text) + "\" (expected [SECONDS:]NAME=VALUE)");
    };
    const auto equals = text.rfind('=');
    if (equals == std::string::npos)
        return fail("no '='");
    ParameterSetting setting;
    setting.origin = where;
    std::string name = text.substr(0, equals);
    const auto colon = name.find(':');
    if (colon != std::string::npos) {
        if (const auto seconds = number(name.substr(0, colon))) {
            if (*seconds < 0.0)
                return fail("a negative time");
            setting.seconds = seconds;
            name = name.substr(colon + 1);
        }
    }
    setting.parameter = trimmed(name);
    if (setting.parameter.empty())
        return fail("no parameter name");
    const auto value = number(text.substr(equals + 1));
    if (!value)
        return fail("the value is not a number");
    if (range == ValueRange::normalised && (*value < 0.0 || *value > 1.0))
        throw RenderError(where + ": the value " + trimmed(text.substr(equals + 1)) + " of \""
            + printable(setting.parameter) + "\" is outside 0..1 (values are normalised)");
    setting.value = static_cast<float>(*value);
    return setting;
}

std::vector<ParameterSetting> readParameterList(const std::string& path, ValueRange range)
{
    const auto bytes = readWholeFile(path, "parameter list", largestList);
    static const uint8_t byteOrderMark[] = { 0xef, 0xbb, 0xbf };
    const bool marked = bytes.size() >= 3 && std::equal(byteOrderMark, byteOrderMark + 3, bytes.begin());
    std::istringstream in(std::string(bytes.begin() + (marked ? 3 : 0), bytes.end()));
    std::vector<ParameterSetting> settings;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        const auto comment = line.find(" #");
        line = trimmed(comment == std::string::npos ? line : line.substr(0, comment));
        if (line.empty() || line.front() == '#')
            continue;
        settings.push_back(parseParameterSetting(line, path + ":" + std::to_string(number), range));
    }
    return settings;
}
