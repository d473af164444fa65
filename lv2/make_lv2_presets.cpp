// Writes the factory bank as LV2 presets, one for each program, each setting
// every control port to the program's value in the port's unit:
//   make_lv2_presets <plugin/Parameters.h> <bank.fxb> <presets.ttl>
#include "lv2/ControlPorts.h"
#include "lv2/Lv2Uris.h"
#include "lv2/ParameterSymbols.h"
#include "plugin/Parameters.h"
#include "tools/render/Files.h"
#include "tools/render/ProgramFile.h"

#include <cstdio>
#include <fstream>
#include <iostream>

namespace {

constexpr size_t largestBank = 16u << 20;

void writePresets(const std::string& path, const BankFile& bank, const std::vector<std::string>& symbols)
{
    std::ofstream out(path);
    out << kTurtlePrefixes;
    for (size_t number = 0; number < bank.programs.size(); ++number) {
        const PluginProgram& program = bank.programs[number];
        if (program.values.size() != static_cast<size_t>(kNumParameters))
            throw std::runtime_error("program " + std::to_string(number) + " does not hold every parameter");
        char uri[16];
        std::snprintf(uri, sizeof uri, "#preset-%02zu", number);
        out << "<" ZARVEX_LV2_URI << uri << ">\n\ta pset:Preset ;\n\tlv2:appliesTo <" ZARVEX_LV2_URI "> ;\n"
            << "\trdfs:label " << turtleString(program.name) << " ;\n\tlv2:port";
        for (uint32_t port = 0; port < ControlPorts::kCount; ++port) {
            const auto index = static_cast<size_t>(ControlPorts::parameterOf(port));
            out << (port ? " ,\n\t\t" : "\n\t\t") << "[ lv2:symbol " << turtleString(symbols[index])
                << " ; pset:value "
                << turtleNumber(ControlPorts::portValue(static_cast<int32_t>(index), program.values[index])) << " ]";
        }
        out << " .\n\n";
    }
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::cerr << "usage: make_lv2_presets <Parameters.h> <bank.fxb> <presets.ttl>\n";
        return 2;
    }
    try {
        const auto bank = decodeBank(readWholeFile(argv[2], "bank", largestBank), argv[2]);
        writePresets(argv[3], bank, readPortSymbols(argv[1]));
    } catch (const std::exception& error) {
        std::cerr << "make_lv2_presets: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
