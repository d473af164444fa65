#pragma once

#include "tools/render/ParameterList.h"
#include "tools/render/Renderer.h"
#include "tools/render/WavWriter.h"

#include <optional>
#include <string>
#include <vector>

struct RenderOptions {
    std::string pluginPath;
    std::string lv2Uri; // an LV2 instrument instead of the VST 2 plug-in
    std::string midiPath;
    std::string outputPath;
    double sampleRate = 44100.0;
    int32_t blockSize = 512;
    SampleFormat format = SampleFormat::float32;
    std::optional<int32_t> program;
    std::vector<std::string> presetFiles; // .fxp and .fxb, applied in order
    std::vector<ParameterSetting> settings; // in the order given
    RenderSettings render;
    std::string saveProgramPath;
    std::string saveBankPath;
    bool info = false;
    bool progress = true;
    bool help = false;
};

// args excludes the program name. Throws UsageError; parameter lists named
// on the command line are read here (RenderError when they are bad).
RenderOptions parseCommandLine(const std::vector<std::string>& args, const std::string& defaultPlugin);

std::string usageText(const std::string& defaultPlugin);
