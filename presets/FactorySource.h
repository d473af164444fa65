#pragma once

#include "tools/render/Files.h"
#include "tools/render/ParameterList.h"
#include "tools/render/RenderError.h"

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

// A factory sound as its source file states it: settings in the renderer's
// --params form over the plug-in's defaults, under header comments that name
// the program and the phrase that shows it off (and, for the preview page,
// the group it belongs to):
//
//   # Program: Acid Bass
//   # Phrase: bass
//   # Group: Basses
struct FactorySource {
    std::string name;
    std::string phrase;
    std::vector<ParameterSetting> settings;
};

// A program record holds a name of at most this many characters.
constexpr size_t factoryNameLength = 23;

inline FactorySource readFactorySource(const std::string& path)
{
    FactorySource source;
    const auto bytes = readWholeFile(path, "sound source", 1u << 20);
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    const auto header = [](const std::string& line, const std::string& key, std::string& field) {
        if (line.rfind(key, 0) == 0)
            field = line.substr(key.size(), line.find_last_not_of(" \t\r") + 1 - key.size());
    };
    for (std::string line; std::getline(in, line);) {
        header(line, "# Program: ", source.name);
        header(line, "# Phrase: ", source.phrase);
    }
    if (source.name.empty() || source.name.size() > factoryNameLength)
        throw RenderError(path + ": wants a \"# Program: NAME\" line with a name of 1 to "
            + std::to_string(factoryNameLength) + " characters");
    if (source.phrase.empty())
        throw RenderError(path + ": wants a \"# Phrase: NAME\" line");
    source.settings = readParameterList(path);
    for (const auto& setting : source.settings)
        if (setting.seconds)
            throw RenderError(path + ": a program holds values, not timed changes (" + setting.parameter + ")");
    return source;
}

// What the bank builder names its files.
inline const std::string factoryBankFileName = "Zarvex Factory.fxb";
inline std::string factoryProgramFileName(size_t number, const std::string& name)
{
    return (number < 10 ? "0" : "") + std::to_string(number) + " " + name + ".fxp";
}

// The .params files of a folder in program order: their names start with
// the program number.
inline std::vector<std::string> factorySourcePaths(const std::string& folder)
{
    std::vector<std::string> paths;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().extension() == ".params")
            paths.push_back(entry.path().string());
    std::sort(paths.begin(), paths.end());
    return paths;
}
