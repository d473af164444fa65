#include "lv2/ParameterSymbols.h"

#include "plugin/Parameters.h"

#include <cstdio>
#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>

std::vector<std::string> readPortSymbols(const std::string& header)
{
    std::ifstream in(header);
    std::stringstream text;
    text << in.rdbuf();
    const std::string source = text.str();
    const auto start = source.find("enum ParameterIndex");
    const auto end = source.find("};", start);
    if (start == std::string::npos || end == std::string::npos)
        throw std::runtime_error("no parameter index enumeration in " + header);
    const std::string body = source.substr(start, end - start);
    std::vector<std::string> symbols;
    const std::regex entry(R"(k(\w+)\s*=\s*(\d+)\s*,)");
    for (auto it = std::sregex_iterator(body.begin(), body.end(), entry); it != std::sregex_iterator(); ++it) {
        if (std::stoi((*it)[2]) != static_cast<int>(symbols.size()))
            throw std::runtime_error("parameter identifiers out of order at k" + std::string((*it)[1]));
        symbols.push_back((*it)[1]);
    }
    if (symbols.size() != static_cast<size_t>(kNumParameters))
        throw std::runtime_error("expected " + std::to_string(kNumParameters) + " parameter identifiers");
    return symbols;
}

std::string turtleString(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + '"';
}

std::string turtleNumber(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", value);
    std::string out = text;
    if (out.find_first_of(".en") == std::string::npos)
        out += ".0";
    return out;
}

const char* const kTurtlePrefixes = "@prefix atom: <http://lv2plug.in/ns/ext/atom#> .\n"
                                    "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
                                    "@prefix foaf: <http://xmlns.com/foaf/0.1/> .\n"
                                    "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
                                    "@prefix midi: <http://lv2plug.in/ns/ext/midi#> .\n"
                                    "@prefix pprops: <http://lv2plug.in/ns/ext/port-props#> .\n"
                                    "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
                                    "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
                                    "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
                                    "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
                                    "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n"
                                    "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n"
                                    "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n"
                                    "@prefix work: <http://lv2plug.in/ns/ext/worker#> .\n\n";
