#include "tools/render/CommandLine.h"

#include "tools/render/RenderError.h"

#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>
#include <sstream>

namespace {

double numberOption(const std::string& option, const std::string& text, double low, double high)
{
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != 0 || !(value >= low && value <= high)) {
        std::ostringstream message;
        message << option << " wants a number from " << low << " to " << high << ", not \"" << text << "\"";
        throw UsageError(message.str());
    }
    return value;
}

int32_t wholeOption(const std::string& option, const std::string& text, int32_t low, int32_t high)
{
    const double value = numberOption(option, text, low, high);
    if (value != std::floor(value))
        throw UsageError(option + " wants a whole number, not \"" + text + "\"");
    return static_cast<int32_t>(value);
}

SampleFormat formatOption(const std::string& text)
{
    static const std::map<std::string, SampleFormat> formats = { { "float", SampleFormat::float32 },
        { "float32", SampleFormat::float32 }, { "pcm16", SampleFormat::pcm16 }, { "16", SampleFormat::pcm16 },
        { "pcm24", SampleFormat::pcm24 }, { "24", SampleFormat::pcm24 } };
    const auto found = formats.find(text);
    if (found == formats.end())
        throw UsageError("--format wants float, pcm16 or pcm24, not \"" + text + "\"");
    return found->second;
}

void tailOption(RenderSettings& render, const std::string& text)
{
    if (text == "plugin")
        render.tailMode = TailMode::plugin;
    else if (text == "silence")
        render.tailMode = TailMode::silence;
    else {
        render.tailMode = TailMode::fixed;
        render.tailSeconds = numberOption("--tail (plugin, silence or seconds)", text, 0.0, 3600.0);
    }
}

std::string withExtension(const std::string& path, const std::string& extension)
{
    const auto slash = path.find_last_of('/');
    const auto dot = path.find_last_of('.');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
    return (hasExtension ? path.substr(0, dot) : path) + extension;
}

} // namespace

RenderOptions parseCommandLine(const std::vector<std::string>& args, const std::string& defaultPlugin)
{
    RenderOptions options;
    options.pluginPath = defaultPlugin;
    using Handler = std::function<void(const std::string&)>;
    const std::map<std::string, Handler> valued = {
        { "--output", [&](const std::string& v) { options.outputPath = v; } },
        { "--plugin", [&](const std::string& v) { options.pluginPath = v; } },
        { "--lv2", [&](const std::string& v) { options.lv2Uri = v; } },
        { "--rate", [&](const std::string& v) { options.sampleRate = wholeOption("--rate", v, 8000, 384000); } },
        { "--block", [&](const std::string& v) { options.blockSize = wholeOption("--block", v, 1, 8192); } },
        { "--format", [&](const std::string& v) { options.format = formatOption(v); } },
        { "--program", [&](const std::string& v) { options.program = wholeOption("--program", v, 0, 1 << 20); } },
        { "--load", [&](const std::string& v) { options.presetFiles.push_back(v); } },
        { "--param", [&](const std::string& v) { options.settings.push_back(parseParameterSetting(v, "--param")); } },
        { "--params",
            [&](const std::string& v) {
                const auto list = readParameterList(v);
                options.settings.insert(options.settings.end(), list.begin(), list.end());
            } },
        { "--tail", [&](const std::string& v) { tailOption(options.render, v); } },
        { "--max-tail",
            [&](const std::string& v) { options.render.maxTailSeconds = numberOption("--max-tail", v, 0.0, 3600.0); } },
        { "--save-program", [&](const std::string& v) { options.saveProgramPath = v; } },
        { "--save-bank", [&](const std::string& v) { options.saveBankPath = v; } },
    };
    const std::map<std::string, std::function<void()>> flags = {
        { "--info", [&] { options.info = true; } },
        { "--no-progress", [&] { options.progress = false; } },
        { "--quiet", [&] { options.progress = false; } },
        { "--help", [&] { options.help = true; } },
    };
    const std::map<std::string, std::string> shortNames
        = { { "-o", "--output" }, { "-p", "--plugin" }, { "-r", "--rate" }, { "-b", "--block" }, { "-f", "--format" },
              { "-q", "--quiet" }, { "-h", "--help" } };

    std::vector<std::string> positional;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> value;
        if (name.rfind("--", 0) == 0 && name.find('=') != std::string::npos) {
            value = name.substr(name.find('=') + 1);
            name = name.substr(0, name.find('='));
        }
        if (const auto alias = shortNames.find(name); alias != shortNames.end())
            name = alias->second;
        if (const auto flag = flags.find(name); flag != flags.end()) {
            if (value)
                throw UsageError(name + " takes no value");
            flag->second();
        } else if (const auto option = valued.find(name); option != valued.end()) {
            if (!value) {
                if (i + 1 >= args.size())
                    throw UsageError(name + " needs a value");
                value = args[++i];
            }
            option->second(*value);
        } else if (name.size() > 1 && name[0] == '-') {
            throw UsageError("unknown option " + args[i]);
        } else {
            positional.push_back(name);
        }
    }
    if (options.help)
        return options;
    if (positional.size() > 1)
        throw UsageError("one MIDI file at a time (got " + std::to_string(positional.size()) + ")");
    if (!positional.empty())
        options.midiPath = positional.front();
    if (options.midiPath.empty()) {
        if (!options.outputPath.empty())
            throw UsageError("an output file needs a MIDI file to render");
        if (!options.info && options.saveProgramPath.empty() && options.saveBankPath.empty())
            throw UsageError("no MIDI file given");
    } else if (options.outputPath.empty()) {
        options.outputPath = withExtension(options.midiPath, ".wav");
    }
    if (!options.midiPath.empty() && options.outputPath == options.midiPath)
        throw UsageError("the output would overwrite the MIDI file");
    return options;
}

std::string usageText(const std::string& defaultPlugin)
{
    return "Usage: zarvex-render [OPTIONS] MIDI-FILE [-o OUTPUT.wav]\n"
           "       zarvex-render [OPTIONS] --info\n"
           "Renders a Standard MIDI File to a stereo WAV file through a VST 2 or LV2 instrument.\n"
           "\n"
           "  -o, --output FILE        the WAV file (default: the MIDI file's name with .wav)\n"
           "  -p, --plugin FILE        the plug-in (default: "
        + defaultPlugin
        + ")\n"
          "      --lv2 URI            an installed LV2 instrument instead (LV2_PATH says\n"
          "                           where to look); --param then sets its control\n"
          "                           ports by symbol or number, in their own units\n"
          "  -r, --rate HZ            sample rate (default 44100)\n"
          "  -b, --block N            block size in samples (default 512)\n"
          "  -f, --format F           float (default), pcm16 or pcm24\n"
          "      --program N          select program N before anything is loaded\n"
          "      --load FILE          load a program (.fxp) or bank (.fxb); may repeat\n"
          "      --param SETTING      set a parameter: NAME=VALUE, or SECONDS:NAME=VALUE\n"
          "                           to change it during the render; NAME may be the\n"
          "                           parameter's number; VALUE is normalised (0..1)\n"
          "      --params FILE        settings from a file, one a line, '#' comments\n"
          "      --tail T             after the music: plugin (its own tail size, or until\n"
          "                           silent when it gives none; the default), silence,\n"
          "                           or a number of seconds\n"
          "      --max-tail SECONDS   longest tail in any case (default 30)\n"
          "      --save-program FILE  save the current program as .fxp (after the settings)\n"
          "      --save-bank FILE     save all programs as .fxb\n"
          "      --info               print the plug-in's identity, programs and parameters\n"
          "  -q, --quiet, --no-progress   no progress bar\n"
          "  -h, --help               this text\n";
}
