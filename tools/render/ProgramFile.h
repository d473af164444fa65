#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Programs and banks in the files VST 2 hosts exchange, in the parameter-list
// form a host saves for a plug-in without chunks: a 'CcnK' header, then
// 'FxCk' (one program) or 'FxBk' (a bank of them), every number big-endian.

struct PluginProgram {
    std::string name;
    std::vector<float> values;
};

struct ProgramFile {
    int32_t pluginId = 0;
    int32_t pluginVersion = 0;
    PluginProgram program;
};

struct BankFile {
    int32_t pluginId = 0;
    int32_t pluginVersion = 0;
    int32_t currentProgram = 0;
    std::vector<PluginProgram> programs;
};

enum class PresetKind { program, bank };

// Program names hold at most this many characters in a file.
constexpr size_t presetNameLength = 27;

std::vector<uint8_t> encodeProgram(const ProgramFile& file);
std::vector<uint8_t> encodeBank(const BankFile& file);

// The decoders check every size and count against the bytes at hand and throw
// RenderError naming what is wrong; source names the file in those messages.
PresetKind presetKind(const std::vector<uint8_t>& bytes, const std::string& source);
ProgramFile decodeProgram(const std::vector<uint8_t>& bytes, const std::string& source);
BankFile decodeBank(const std::vector<uint8_t>& bytes, const std::string& source);

// A plug-in's unique ID as its four characters where they are printable.
std::string pluginIdText(int32_t id);
