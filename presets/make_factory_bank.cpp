// Builds the factory presets from the sound sources: each source becomes one
// program, set over the plug-in's defaults, saved on its own as
// "NN Name.fxp" and, all in program order, as "Zarvex Factory.fxb".
//
//   make-factory-bank PLUGIN SOURCE-FOLDER OUTPUT-FOLDER

#include "presets/FactorySource.h"
#include "tools/render/HostedPlugin.h"

#include <iostream>

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::cerr << "usage: make-factory-bank PLUGIN SOURCE-FOLDER OUTPUT-FOLDER\n";
        return 2;
    }
    const std::string output = argv[3];
    try {
        HostedPlugin plugin(argv[1], 44100.0, 512);
        const auto paths = factorySourcePaths(argv[2]);
        if (paths.size() != static_cast<size_t>(plugin.programCount()))
            throw RenderError(std::string(argv[2]) + " holds " + std::to_string(paths.size())
                + " sources for the plug-in's " + std::to_string(plugin.programCount()) + " programs");
        PluginProgram defaults = plugin.readProgram();
        for (size_t i = 0; i < paths.size(); ++i) {
            const auto source = readFactorySource(paths[i]);
            plugin.selectProgram(static_cast<int32_t>(i));
            defaults.name = source.name;
            plugin.applyProgram(defaults, paths[i]);
            for (const auto& setting : source.settings)
                plugin.setParameter(plugin.findParameter(setting.parameter), setting.value);
            writeWholeFile(output + "/" + factoryProgramFileName(i, source.name), encodeProgram(plugin.saveProgram()));
        }
        plugin.selectProgram(0);
        writeWholeFile(output + "/" + factoryBankFileName, encodeBank(plugin.saveBank()));
    } catch (const std::exception& error) {
        std::cerr << "make-factory-bank: error: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
