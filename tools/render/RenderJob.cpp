#include "tools/render/RenderJob.h"

#include "tools/render/Files.h"
#include "tools/render/HostedPlugin.h"
#include "tools/render/Lv2Instrument.h"
#include "tools/render/PluginReport.h"
#include "tools/render/ProgramFile.h"
#include "tools/render/ProgressBar.h"
#include "tools/render/RenderError.h"

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

// What a VST 2 plug-in is asked for besides the render: saved programs and its report.
void saveAndReport(HostedPlugin& plugin, const RenderOptions& options, std::ostream& out, std::ostream& log)
{
    if ((!options.saveProgramPath.empty() || !options.saveBankPath.empty()) && plugin.usesChunks())
        log << "warning: the plug-in keeps its programs as chunks; the saved file holds its parameter values only\n";
    if (!options.saveProgramPath.empty()) {
        writeWholeFile(options.saveProgramPath, encodeProgram(plugin.saveProgram()));
        out << "saved program to " << options.saveProgramPath << '\n';
    }
    if (!options.saveBankPath.empty()) {
        writeWholeFile(options.saveBankPath, encodeBank(plugin.saveBank()));
        out << "saved bank to " << options.saveBankPath << '\n';
    }
    if (options.info)
        printPluginReport(plugin, out);
}

} // namespace

void runRenderJob(const RenderOptions& options, std::ostream& out, std::ostream& log, bool progressOnLog,
    const std::atomic<bool>* stop)
{
    MidiSequence sequence;
    if (!options.midiPath.empty())
        sequence = readMidiFile(options.midiPath);
    std::vector<Preset> presets;
    for (const auto& path : options.presetFiles)
        presets.push_back(readPreset(path));
    std::unique_ptr<WavWriter> wav;
    if (!options.midiPath.empty())
        wav = std::make_unique<WavWriter>(options.outputPath, options.sampleRate, options.format);

    std::unique_ptr<Instrument> instrument;
    HostedPlugin* vst = nullptr;
    if (options.lv2Uri.empty()) {
        auto plugin = std::make_unique<HostedPlugin>(options.pluginPath, options.sampleRate, options.blockSize);
        vst = plugin.get();
        instrument = std::move(plugin);
    } else {
        if (options.program || !presets.empty() || options.info || !options.saveProgramPath.empty()
            || !options.saveBankPath.empty())
            throw RenderError("programs, program files and --info are for VST 2 plug-ins only");
        instrument = std::make_unique<Lv2Instrument>(options.lv2Uri, options.sampleRate, options.blockSize);
    }
    if (vst && options.program)
        vst->selectProgram(*options.program);
    for (size_t i = 0; vst && i < presets.size(); ++i)
        std::visit([&](const auto& preset) { vst->load(preset, options.presetFiles[i]); }, presets[i]);
    std::vector<TimedParameter> changes;
    for (const auto& setting : options.settings) {
        const int32_t index = instrument->findParameter(setting.parameter);
        if (setting.seconds)
            changes.push_back({ *setting.seconds, index, setting.value });
        else
            instrument->setParameter(index, setting.value);
    }
    if (vst)
        saveAndReport(*vst, options, out, log);
    if (!wav)
        return;

    Renderer renderer(*instrument, options.render);
    renderer.setStopFlag(stop);
    ProgressBar bar(log, options.progress && progressOnLog, options.sampleRate);
    const int64_t frames = renderer.render(
        sequence, changes, [&](const float* samples, int64_t count) { wav->write(samples, count); },
        [&](int64_t done, int64_t expected) { bar.update(done, expected); });
    bar.finish();
    wav->commit();
    out << "wrote " << options.outputPath << " (" << frames << " frames, " << std::fixed << std::setprecision(2)
        << static_cast<double>(frames) / options.sampleRate << " s at " << std::setprecision(0) << options.sampleRate
        << " Hz)\n";
}
