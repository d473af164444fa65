#include "tools/render/RenderJob.h"

#include "tools/render/AudioWriter.h"
#include "tools/render/Files.h"
#include "tools/render/HostedPlugin.h"
#include "tools/render/Lv2Instrument.h"
#include "tools/render/PluginReport.h"
#include "tools/render/ProgramFile.h"
#include "tools/render/ProgressBar.h"
#include "tools/render/RenderError.h"

#include <cmath>
#include <iomanip>
#include <memory>
#include <variant>

namespace {

constexpr size_t largestPresetFile = 64u << 20;

using Preset = std::variant<ProgramFile, BankFile>;

Preset readPreset(const std::string& path)
{
    const auto bytes = readWholeFile(path, "program file", largestPresetFile);
    if (presetKind(bytes, path) == PresetKind::bank)
        return decodeBank(bytes, path);
    return decodeProgram(bytes, path);
}

// The VST 2 plug-in opened with the program and files the options name.
std::unique_ptr<HostedPlugin> preparedPlugin(const RenderOptions& options, const std::vector<Preset>& presets)
{
    auto plugin = std::make_unique<HostedPlugin>(options.pluginPath, options.sampleRate, options.blockSize);
    if (options.program)
        plugin->selectProgram(*options.program);
    for (size_t i = 0; i < presets.size(); ++i)
        std::visit([&](const auto& preset) { plugin->load(preset, options.presetFiles[i]); }, presets[i]);
    // A bank brings its own current program; the command line wins.
    if (options.program)
        plugin->selectProgram(*options.program);
    return plugin;
}

// The instrument opened and set up as the options say: program, files, then
// the settings; the settings with a time become changes during the render.
std::unique_ptr<Instrument> preparedInstrument(
    const RenderOptions& options, const std::vector<Preset>& presets, std::vector<TimedParameter>& changes)
{
    std::unique_ptr<Instrument> instrument;
    if (options.lv2Uri.empty())
        instrument = preparedPlugin(options, presets);
    else
        instrument = std::make_unique<Lv2Instrument>(options.lv2Uri, options.sampleRate, options.blockSize);
    changes.clear();
    for (const auto& setting : options.settings) {
        int32_t index = 0;
        try {
            index = instrument->findParameter(setting.parameter);
        } catch (const RenderError& error) {
            throw RenderError(setting.origin + ": " + error.what());
        }
        if (setting.seconds)
            changes.push_back({ *setting.seconds, index, setting.value });
        else
            instrument->setParameter(index, setting.value);
    }
    return instrument;
}

void saveAndReport(
    const RenderOptions& options, HostedPlugin& plugin, std::ostream& out, std::ostream& report, std::ostream& warnings)
{
    if ((!options.saveProgramPath.empty() || !options.saveBankPath.empty()) && plugin.usesChunks())
        warnings << "warning: the plug-in keeps its programs as chunks; the saved file holds its parameter values "
                    "only\n";
    if (!options.saveProgramPath.empty()) {
        writeWholeFile(options.saveProgramPath, encodeProgram(plugin.saveProgram()));
        report << "saved program to " << outputName(options.saveProgramPath) << '\n';
    }
    if (!options.saveBankPath.empty()) {
        writeWholeFile(options.saveBankPath, encodeBank(plugin.saveBank()));
        report << "saved bank to " << outputName(options.saveBankPath) << '\n';
    }
    if (options.info)
        printPluginReport(plugin, out);
}

} // namespace

void runRenderJob(const RenderOptions& options, std::ostream& out, std::ostream& log, bool progressOnLog,
    const std::atomic<bool>* stop)
{
    std::ostream nowhere(nullptr);
    bool fileOnStandardOutput = options.saveProgramPath == standardStream || options.saveBankPath == standardStream;
    for (const auto& render : options.renders)
        fileOnStandardOutput = fileOnStandardOutput || render.outputPath == standardStream;
    // Standard output may carry a file; everything else then goes to the log.
    std::ostream& text = fileOnStandardOutput ? log : out;
    std::ostream& report = options.quiet ? nowhere : text;
    std::ostream& warnings = options.quiet ? nowhere : log;

    if (!options.lv2Uri.empty()
        && (options.program || !options.presetFiles.empty() || options.info || !options.saveProgramPath.empty()
            || !options.saveBankPath.empty()))
        throw RenderError("programs, program files and --info are for VST 2 plug-ins only");
    std::vector<Preset> presets;
    for (const auto& path : options.presetFiles)
        presets.push_back(readPreset(path));
    std::vector<TimedParameter> changes;
    if (options.renders.empty()) {
        const auto instrument = preparedInstrument(options, presets, changes);
        if (auto* plugin = dynamic_cast<HostedPlugin*>(instrument.get()))
            saveAndReport(options, *plugin, text, report, warnings);
        return;
    }
    for (size_t n = 0; n < options.renders.size(); ++n) {
        const RenderTarget& target = options.renders[n];
        const std::string midiName = inputName(target.midiPath);
        const MidiSequence sequence = readMidiFile(target.midiPath);
        if (sequence.lengthSeconds > longestRenderSeconds)
            throw RenderError(midiName + " lasts " + std::to_string(std::lround(sequence.lengthSeconds / 3600.0))
                + " hours; renders longer than " + std::to_string(std::lround(longestRenderSeconds / 3600.0))
                + " hours are refused");
        const auto longest
            = std::llround((sequence.lengthSeconds + options.render.maxTailSeconds) * options.sampleRate) + 1;
        AudioWriter writer(target.outputPath, options.sampleRate, audioFormatFor(target.outputPath, options.format),
            options.dither, longest);

        // Each file is played by a fresh plug-in, so one render cannot
        // leave its notes or controllers to the next.
        const auto instrument = preparedInstrument(options, presets, changes);
        if (auto* plugin = dynamic_cast<HostedPlugin*>(instrument.get())) {
            if (n == 0)
                saveAndReport(options, *plugin, text, report, warnings);
            if (!plugin->takesMidi())
                warnings << "warning: " << plugin->path()
                         << " is an effect that does not say it reads MIDI; the render may be silent\n";
        }

        Renderer renderer(*instrument, options.render);
        renderer.setStopFlag(stop);
        ProgressBar bar(log, options.progress && progressOnLog, options.sampleRate);
        const int64_t frames = renderer.render(
            sequence, changes, [&](const float* samples, int64_t count) { writer.write(samples, count); },
            [&](int64_t done, int64_t expected) { bar.update(done, expected); });
        bar.finish();
        writer.commit();
        if (renderer.notesHeldAtEnd() > 0)
            warnings << "warning: " << midiName << ": " << renderer.notesHeldAtEnd()
                     << (renderer.notesHeldAtEnd() == 1 ? " note still held at the end was"
                                                        : " notes still held at the end were")
                     << " released there\n";
        if (writer.clippedSamples() > 0)
            warnings << "warning: " << writer.clippedSamples() << " samples were clipped (peak " << std::fixed
                     << std::setprecision(1) << 20.0 * std::log10(writer.peak())
                     << " dBFS); lower the level or write --format float\n";
        report << "wrote " << outputName(target.outputPath)
               << " (" << frames << " frames, " << std::fixed << std::setprecision(2)
               << static_cast<double>(frames) / options.sampleRate << " s at " << std::setprecision(0)
               << options.sampleRate << " Hz)\n";
    }
}
