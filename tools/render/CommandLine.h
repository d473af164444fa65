#pragma once

#include "tools/render/AudioWriter.h"
#include "tools/render/ParameterList.h"
#include "tools/render/Renderer.h"

#include <optional>
#include <string>
#include <vector>

// One MIDI file and the sound file it becomes.
struct RenderTarget {
    std::string midiPath;
    std::string outputPath;
};

struct RenderOptions {
    std::string pluginPath;
    std::string lv2Uri; // an LV2 instrument instead of the VST 2 plug-in
    std::vector<RenderTarget> renders;
    double sampleRate = 44100.0;
    int32_t blockSize = 512;
    std::optional<SampleFormat> format; // the container's best when absent
    bool dither = false;
    std::optional<int32_t> program;
    std::vector<std::string> presetFiles; // .fxp and .fxb, applied in order
    std::vector<std::string> parameterFiles; // read already, into settings
    std::vector<ParameterSetting> settings; // in the order given
    RenderSettings render;
    std::string saveProgramPath;
    std::string saveBankPath;
    bool info = false;
    bool progress = true;
    bool quiet = false; // errors only
    bool help = false;
    bool version = false;
};

// args excludes the program name. Throws UsageError; parameter lists named
// on the command line are read here (RenderError when they are bad). No
// output may be one of the inputs or another output.
RenderOptions parseCommandLine(const std::vector<std::string>& args, const std::string& defaultPlugin);

std::string usageText(const std::string& defaultPlugin);
