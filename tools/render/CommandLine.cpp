#include "tools/render/CommandLine.h"

#include "tools/render/Files.h"
#include "tools/render/RenderError.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <iomanip>
#include <map>
#include <sstream>

#include <sys/stat.h>

namespace {

double numberOption(const std::string& option, const std::string& text, double low, double high)
{
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != 0 || !(value >= low && value <= high)) {
        std::ostringstream message;
        message << std::setprecision(15) << option << " wants a number from " << low << " to " << high << ", not \""
                << text << "\"";
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
    static const std::map<std::string, SampleFormat> formats
        = { { "float", SampleFormat::float32 }, { "float32", SampleFormat::float32 }, { "pcm16", SampleFormat::pcm16 },
              { "16", SampleFormat::pcm16 }, { "pcm24", SampleFormat::pcm24 }, { "24", SampleFormat::pcm24 } };
    const auto found = formats.find(text);
    if (found == formats.end())
        throw UsageError("--format wants float, pcm16 or pcm24, not \"" + printable(text) + "\"");
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

bool isDirectory(const std::string& path)
{
    struct stat info {};
    return (!path.empty() && path.back() == '/') || (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode));
}

// Where each MIDI file is written: the output named, a file of the same
// name in the output directory, or beside the MIDI file.
std::vector<RenderTarget> renderTargets(const std::vector<std::string>& midiPaths, const std::string& output)
{
    const bool intoDirectory = !output.empty() && output != standardStream && isDirectory(output);
    if (midiPaths.size() > 1 && !output.empty() && !intoDirectory)
        throw UsageError("several MIDI files need -o to name a directory, not \"" + printable(output) + "\"");
    if (std::count(midiPaths.begin(), midiPaths.end(), standardStream) > 1)
        throw UsageError("standard input can be read only once");
    std::vector<RenderTarget> targets;
    for (const auto& midi : midiPaths) {
        std::string path = output;
        if (midi == standardStream && (output.empty() || intoDirectory))
            throw UsageError("a MIDI file from standard input needs -o FILE (or -o - for standard output)");
        if (intoDirectory) {
            const auto slash = midi.find_last_of('/');
            path = output + (output.back() == '/' ? "" : "/")
                + withExtension(slash == std::string::npos ? midi : midi.substr(slash + 1), ".wav");
        } else if (output.empty()) {
            path = withExtension(midi, ".wav");
        }
        targets.push_back({ midi, path });
    }
    return targets;
}

// Every file the run reads against every file it writes.
void refuseOverwritingInputs(const RenderOptions& options)
{
    std::vector<NamedFile> inputs = { { "the plug-in", options.pluginPath } }, outputs;
    for (const auto& render : options.renders) {
        inputs.push_back({ "the MIDI file", render.midiPath });
        outputs.push_back({ "the output", render.outputPath });
    }
    for (const auto& path : options.presetFiles)
        inputs.push_back({ "the loaded file", path });
    for (const auto& path : options.parameterFiles)
        inputs.push_back({ "the parameter list", path });
    if (!options.saveProgramPath.empty())
        outputs.push_back({ "the program to save", options.saveProgramPath });
    if (!options.saveBankPath.empty())
        outputs.push_back({ "the bank to save", options.saveBankPath });
    refuseSharedFiles(inputs, outputs);
}

} // namespace

RenderOptions parseCommandLine(const std::vector<std::string>& args, const std::string& defaultPlugin)
{
    RenderOptions options;
    options.pluginPath = defaultPlugin;
    // Help and version answer whatever else the line holds.
    const auto optionsEnd = std::find(args.begin(), args.end(), "--");
    options.help = std::any_of(args.begin(), optionsEnd, [](const auto& a) { return a == "-h" || a == "--help"; });
    options.version = std::find(args.begin(), optionsEnd, "--version") != optionsEnd;
    if (options.help || options.version)
        return options;

    const auto range = std::find(args.begin(), optionsEnd, "--lv2") == optionsEnd ? ValueRange::normalised
                                                                                  : ValueRange::portUnits;
    std::string output;
    bool maxTailGiven = false;
    using Handler = std::function<void(const std::string&)>;
    const std::map<std::string, Handler> valued = {
        { "--output", [&](const std::string& v) { output = v; } },
        { "--plugin", [&](const std::string& v) { options.pluginPath = v; } },
        { "--lv2", [&](const std::string& v) { options.lv2Uri = v; } },
        { "--rate", [&](const std::string& v) { options.sampleRate = wholeOption("--rate", v, 8000, 384000); } },
        { "--block", [&](const std::string& v) { options.blockSize = wholeOption("--block", v, 1, 8192); } },
        { "--format", [&](const std::string& v) { options.format = formatOption(v); } },
        { "--program", [&](const std::string& v) { options.program = wholeOption("--program", v, 0, 1 << 20); } },
        { "--load", [&](const std::string& v) { options.presetFiles.push_back(v); } },
        { "--param",
            [&](const std::string& v) {
                try {
                    options.settings.push_back(parseParameterSetting(v, "--param", range));
                } catch (const RenderError& error) {
                    throw UsageError(error.what());
                }
            } },
        { "--params",
            [&](const std::string& v) {
                const auto list = readParameterList(v, range);
                options.parameterFiles.push_back(v);
                options.settings.insert(options.settings.end(), list.begin(), list.end());
            } },
        { "--tail", [&](const std::string& v) { tailOption(options.render, v); } },
        { "--max-tail",
            [&](const std::string& v) {
                options.render.maxTailSeconds = numberOption("--max-tail", v, 0.0, 3600.0);
                maxTailGiven = true;
            } },
        { "--save-program", [&](const std::string& v) { options.saveProgramPath = v; } },
        { "--save-bank", [&](const std::string& v) { options.saveBankPath = v; } },
    };
    const std::map<std::string, std::function<void()>> flags = {
        { "--info", [&] { options.info = true; } },
        { "--no-progress", [&] { options.progress = false; } },
        { "--quiet",
            [&] {
                options.quiet = true;
                options.progress = false;
            } },
        { "--dither", [&] { options.dither = true; } },
    };
    const std::map<std::string, std::string> shortNames = { { "-o", "--output" }, { "-p", "--plugin" },
        { "-r", "--rate" }, { "-b", "--block" }, { "-f", "--format" }, { "-q", "--quiet" } };

    std::vector<std::string> positional;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        if (name == "--") {
            positional.insert(positional.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
            break;
        }
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
            if (value->empty())
                throw UsageError(name + " needs a value");
            option->second(*value);
        } else if (name.size() > 1 && name[0] == '-') {
            throw UsageError("unknown option " + printable(args[i]));
        } else {
            positional.push_back(name);
        }
    }
    if (options.render.tailMode == TailMode::fixed && options.render.tailSeconds > options.render.maxTailSeconds) {
        // An explicit tail longer than the default cap is what was asked for.
        if (maxTailGiven)
            throw UsageError("--tail is longer than --max-tail");
        options.render.maxTailSeconds = options.render.tailSeconds;
    }
    if (positional.empty()) {
        if (!output.empty())
            throw UsageError("an output file needs a MIDI file to render");
        if (!options.info && options.saveProgramPath.empty() && options.saveBankPath.empty())
            throw UsageError("no MIDI file given");
    }
    options.renders = renderTargets(positional, output);
    refuseOverwritingInputs(options);
    for (const auto& render : options.renders)
        audioFormatFor(render.outputPath, options.format);
    return options;
}

std::string usageText(const std::string& defaultPlugin)
{
    return "Usage: zarvex-render [OPTIONS] MIDI-FILE... [-o OUTPUT]\n"
           "       zarvex-render [OPTIONS] --info\n"
           "Renders Standard MIDI Files to stereo sound files through a VST 2 or LV2 instrument.\n"
           "A MIDI file or output named - is standard input or output.\n"
           "\n"
           "  -o, --output FILE        the sound file (default: the MIDI file's name with\n"
           "                           .wav); its extension chooses the format: .wav, .flac,\n"
           "                           .ogg, .aiff, .w64, .caf or .rf64 (none: WAV); with\n"
           "                           several MIDI files, a directory to write them into\n"
           "  -p, --plugin FILE        the plug-in (default: "
        + defaultPlugin
        + ")\n"
          "      --lv2 URI            an installed LV2 instrument instead (LV2_PATH says\n"
          "                           where to look); --param then sets its control\n"
          "                           ports by symbol or number, in their own units\n"
          "  -r, --rate HZ            sample rate (default 44100)\n"
          "  -b, --block N            block size in samples (default 512)\n"
          "  -f, --format F           sample format: float (the default; pcm24 for FLAC),\n"
          "                           pcm16 or pcm24\n"
          "      --dither             triangular dither when writing pcm16\n"
          "      --program N          select program N: loaded programs go into it, and it\n"
          "                           stays selected after a bank is loaded\n"
          "      --load FILE          load a program (.fxp) or bank (.fxb); may repeat\n"
          "      --param SETTING      set a parameter: NAME=VALUE, or SECONDS:NAME=VALUE\n"
          "                           to change it during the render; NAME may be the\n"
          "                           parameter's number; VALUE is normalised (0..1)\n"
          "      --params FILE        settings from a file, one a line, '#' comments\n"
          "      --tail T             after the music: plugin (its own tail size, or until\n"
          "                           silent when it gives none; the default), silence,\n"
          "                           or a number of seconds; notes still held when the\n"
          "                           music ends are released there\n"
          "      --max-tail SECONDS   longest tail in any case (default 30, or the --tail)\n"
          "      --save-program FILE  save the current program as .fxp (after the settings)\n"
          "      --save-bank FILE     save all programs as .fxb\n"
          "      --info               print the plug-in's identity, programs and parameters\n"
          "      --no-progress        no progress bar\n"
          "  -q, --quiet              print errors only\n"
          "  -h, --help               this text\n"
          "      --version            the version\n"
          "      --                   what follows are MIDI files, even if named -like-this\n"
          "No file is ever written over one of the inputs; a file that cannot be written\n"
          "is left as it is.\n";
}
