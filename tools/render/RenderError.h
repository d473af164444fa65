#pragma once

#include <stdexcept>
#include <string>

// Every failure the renderer reports to its user: the message is complete
// enough to print as it is.
class RenderError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A command line that cannot be understood; the tool answers with its usage.
class UsageError : public RenderError {
public:
    using RenderError::RenderError;
};

// Text from files and plug-ins as it may be shown on a terminal: control
// characters appear as \xNN instead of acting on the terminal.
inline std::string printable(const std::string& text)
{
    static const char digits[] = "0123456789abcdef";
    std::string shown;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f)
            shown.append("\\x").append(1, digits[byte >> 4]).append(1, digits[byte & 15]);
        else
            shown.push_back(c);
    }
    return shown;
}
