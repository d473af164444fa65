#pragma once

#include "tools/render/Instrument.h"
#include "tools/render/ProgramFile.h"
#include "vst2/VstHost.h"

#include <cstdint>
#include <string>
#include <vector>

// One VST 2 plug-in opened for offline rendering: the host's side of the
// conversation (identity, parameters, programs, processing) with the answers
// a plain offline host gives to the plug-in's questions.
class HostedPlugin : public Instrument {
public:
    // Loads and opens the plug-in and gives it rate and block size; throws
    // RenderError when the file is missing, has no entry or refuses to open.
    HostedPlugin(const std::string& path, double sampleRate, int32_t blockSize);
    ~HostedPlugin() override;

    HostedPlugin(const HostedPlugin&) = delete;
    HostedPlugin& operator=(const HostedPlugin&) = delete;

    const std::string& path() const { return file; }
    double sampleRate() const override { return rate; }
    int32_t blockSize() const override { return block; }
    const AEffect& effect() const { return *host.effect(); }
    std::string text(int32_t opcode, int32_t index = 0) const { return host.text(opcode, index); }
    bool usesChunks() const { return (effect().flags & effFlagsProgramChunks) != 0; }

    int32_t parameterCount() const { return static_cast<int32_t>(names.size()); }
    const std::string& parameterName(int32_t index) const { return names.at(static_cast<size_t>(index)); }
    float parameter(int32_t index) const;
    void setParameter(int32_t index, float value) override;
    // The index of a parameter given by its number or by its own name: an
    // exact match first, then one that ignores case and outer blanks. A name
    // shared by several parameters is refused with their numbers.
    int32_t findParameter(const std::string& key) const override;

    int32_t programCount() const { return effect().numPrograms; }
    int32_t currentProgram() const;
    std::string programName(int32_t index) const;
    void selectProgram(int32_t index);

    PluginProgram readProgram() const;
    // Refuses values outside 0..1 before setting any.
    void applyProgram(const PluginProgram& program, const std::string& source);
    ProgramFile saveProgram() const;
    BankFile saveBank();
    void load(const ProgramFile& file, const std::string& source);
    void load(const BankFile& file, const std::string& source);

    // An instrument, or an effect that says it reads MIDI.
    bool takesMidi() const;

    // Tail in samples as the plug-in reports it; -1 when it does not say.
    int64_t tailSize() const override;

    void resume() override;
    void suspend() override;
    void process(const std::vector<VstMidiEvent>& events, int32_t frames,
        std::vector<std::vector<float>>& outputs) override;

private:
    intptr_t answer(int32_t opcode, void* ptr);
    void checkIdentity(int32_t fileId, const std::string& source) const;

    std::string file;
    double rate;
    int32_t block;
    VstHost host;
    std::vector<std::string> names;
    std::vector<float> initialValues;
    bool running = false;
};
