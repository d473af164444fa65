#pragma once

#include <string>
#include <vector>

// The LV2 port symbol of every parameter index: its identifier in the
// parameter table's header without the k ("kO1Wave" becomes "O1Wave").
// Identifiers are unique, and so are the symbols. Throws std::runtime_error
// when the header does not list every index in order.
std::vector<std::string> readPortSymbols(const std::string& header);

// Text in turtle quotes.
std::string turtleString(const std::string& text);
// A number in a form turtle reads as a decimal, exact for every float.
std::string turtleNumber(double value);

// The prefixes every turtle file of the bundle starts with.
extern const char* const kTurtlePrefixes;
