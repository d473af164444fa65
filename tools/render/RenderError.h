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
