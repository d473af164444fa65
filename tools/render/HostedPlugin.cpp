#include "tools/render/HostedPlugin.h"

#include "tools/render/RenderError.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <sys/stat.h>

namespace {

// The host's answers to a plug-in's questions.
constexpr intptr_t hostVersion = 2400;
constexpr intptr_t offlineProcessLevel = 4;
constexpr intptr_t englishLanguage = 1;

std::string trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string lowered(std::string text)
{
    std::transform(
        text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool isNumber(const std::string& text)
{
    return !text.empty() && text.size() < 10
        && std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
}

void copyText(void* destination, const char* text, size_t room)
{
    std::strncpy(static_cast<char*>(destination), text, room - 1);
    static_cast<char*>(destination)[room - 1] = 0;
}

} // namespace

HostedPlugin::HostedPlugin(const std::string& path, double sampleRate, int32_t blockSize)
    : file(path)
    , rate(sampleRate)
    , block(blockSize)
    , host([this](AEffect*, int32_t opcode, int32_t, intptr_t, void* ptr, float) { return answer(opcode, ptr); })
{
    struct stat info {};
    if (stat(path.c_str(), &info) != 0)
        throw RenderError("plug-in not found: " + path);
    // A bare name is a file here, not a library for the system to search.
    if (!host.load(path.find('/') == std::string::npos ? "./" + path : path))
        throw RenderError("cannot load plug-in: " + host.error());
    const AEffect& plugin = effect();
    if (plugin.numOutputs < 1)
        throw RenderError(path + ": the plug-in has no audio outputs");
    if (plugin.numParams < 0 || plugin.numPrograms < 0)
        throw RenderError(path + ": the plug-in reports a negative number of parameters or programs");
    for (int32_t i = 0; i < plugin.numParams; ++i) {
        names.push_back(host.text(effGetParamName, i));
        initialValues.push_back(parameter(i));
    }
    host.dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
    host.dispatch(effSetBlockSize, 0, block);
}

HostedPlugin::~HostedPlugin() { suspend(); }

intptr_t HostedPlugin::answer(int32_t opcode, void* ptr)
{
    switch (opcode) {
    case audioMasterVersion:
        return hostVersion;
    case audioMasterGetSampleRate:
        return static_cast<intptr_t>(rate);
    case audioMasterGetBlockSize:
        return block;
    case audioMasterWantMidi:
        return 1;
    case audioMasterGetCurrentProcessLevel:
        return offlineProcessLevel;
    case audioMasterGetLanguage:
        return englishLanguage;
    case audioMasterGetVendorString:
        if (ptr)
            copyText(ptr, "Zarvex", kVstMaxVendorStrLen);
        return 1;
    case audioMasterGetProductString:
        if (ptr)
            copyText(ptr, "zarvex-render", kVstMaxProductStrLen);
        return 1;
    case audioMasterGetVendorVersion:
        return 1;
    case audioMasterCanDo: {
        const char* what = static_cast<const char*>(ptr);
        return what && (std::strcmp(what, "sendVstEvents") == 0 || std::strcmp(what, "sendVstMidiEvent") == 0);
    }
    default:
        return 0;
    }
}

float HostedPlugin::parameter(int32_t index) const
{
    AEffect* plugin = host.effect();
    return plugin->getParameter(plugin, index);
}

void HostedPlugin::setParameter(int32_t index, float value)
{
    AEffect* plugin = host.effect();
    plugin->setParameter(plugin, index, value);
}

int32_t HostedPlugin::findParameter(const std::string& key) const
{
    if (isNumber(key)) {
        const long index = std::stol(key);
        if (index >= parameterCount())
            throw RenderError("parameter " + key + " does not exist (the plug-in has "
                + std::to_string(parameterCount()) + " parameters, 0 to " + std::to_string(parameterCount() - 1) + ")");
        return static_cast<int32_t>(index);
    }
    const auto matches = [&](auto&& same) {
        std::vector<int32_t> found;
        for (int32_t i = 0; i < parameterCount(); ++i)
            if (same(names[static_cast<size_t>(i)]))
                found.push_back(i);
        return found;
    };
    auto found = matches([&](const std::string& name) { return name == key; });
    if (found.empty()) {
        const std::string wanted = lowered(trimmed(key));
        found = matches([&](const std::string& name) { return lowered(trimmed(name)) == wanted; });
    }
    if (found.empty())
        throw RenderError("the plug-in has no parameter named \"" + printable(key) + "\" (--info lists them)");
    if (found.size() > 1) {
        std::string list;
        for (int32_t index : found)
            list += (list.empty() ? "" : ", ") + std::to_string(index);
        throw RenderError(
            "several parameters are named \"" + printable(key) + "\" (" + list + "); give the number instead");
    }
    return found.front();
}

int32_t HostedPlugin::currentProgram() const { return static_cast<int32_t>(host.dispatch(effGetProgram)); }

std::string HostedPlugin::programName(int32_t index) const
{
    char name[256] = {};
    if (host.dispatch(effGetProgramNameIndexed, index, -1, name) == 0 && index == currentProgram())
        return host.text(effGetProgramName);
    name[sizeof name - 1] = 0;
    return name;
}

void HostedPlugin::selectProgram(int32_t index)
{
    if (index < 0 || index >= programCount())
        throw RenderError("program " + std::to_string(index) + " does not exist (the plug-in has "
            + std::to_string(programCount()) + " programs)");
    host.dispatch(effBeginSetProgram);
    host.dispatch(effSetProgram, 0, index);
    host.dispatch(effEndSetProgram);
}

PluginProgram HostedPlugin::readProgram() const
{
    PluginProgram program;
    program.name = host.text(effGetProgramName);
    for (int32_t i = 0; i < parameterCount(); ++i)
        program.values.push_back(parameter(i));
    return program;
}

void HostedPlugin::applyProgram(const PluginProgram& program, const std::string& source)
{
    if (program.values.size() != names.size())
        throw RenderError(source + " holds " + std::to_string(program.values.size())
            + " parameter values, the plug-in has " + std::to_string(names.size()) + " parameters");
    // A plug-in may hold a value outside 0..1 from its own start (a default
    // stored that way); its saved programs carry it back unchanged.
    for (size_t i = 0; i < program.values.size(); ++i)
        if (!(program.values[i] >= 0.0f && program.values[i] <= 1.0f) && program.values[i] != initialValues[i])
            throw RenderError(source + ": the value " + std::to_string(program.values[i]) + " of parameter "
                + std::to_string(i) + " \"" + printable(names[i]) + "\" is outside 0..1");
    for (size_t i = 0; i < program.values.size(); ++i)
        setParameter(static_cast<int32_t>(i), program.values[i]);
    // Hosts hand over at most 24 bytes, terminator included.
    char name[kVstMaxProgNameLen] = {};
    copyText(name, program.name.c_str(), sizeof name);
    host.dispatch(effSetProgramName, 0, 0, name);
}

ProgramFile HostedPlugin::saveProgram() const
{
    ProgramFile saved;
    saved.pluginId = effect().uniqueID;
    saved.pluginVersion = effect().version;
    saved.program = readProgram();
    return saved;
}

BankFile HostedPlugin::saveBank()
{
    BankFile saved;
    saved.pluginId = effect().uniqueID;
    saved.pluginVersion = effect().version;
    saved.currentProgram = currentProgram();
    for (int32_t i = 0; i < programCount(); ++i) {
        selectProgram(i);
        saved.programs.push_back(readProgram());
    }
    if (programCount() > 0)
        selectProgram(saved.currentProgram);
    return saved;
}

void HostedPlugin::checkIdentity(int32_t fileId, const std::string& source) const
{
    if (fileId != effect().uniqueID)
        throw RenderError(source + " was saved for plug-in '" + pluginIdText(fileId) + "', but " + file + " is '"
            + pluginIdText(effect().uniqueID) + "'");
}

void HostedPlugin::load(const ProgramFile& program, const std::string& source)
{
    checkIdentity(program.pluginId, source);
    applyProgram(program.program, source);
}

void HostedPlugin::load(const BankFile& bank, const std::string& source)
{
    checkIdentity(bank.pluginId, source);
    if (bank.programs.size() > static_cast<size_t>(programCount()))
        throw RenderError(source + " holds " + std::to_string(bank.programs.size()) + " programs, the plug-in has "
            + std::to_string(programCount()));
    for (size_t i = 0; i < bank.programs.size(); ++i) {
        selectProgram(static_cast<int32_t>(i));
        applyProgram(bank.programs[i], source + " (program " + std::to_string(i) + ")");
    }
    if (!bank.programs.empty())
        selectProgram(bank.currentProgram);
}

bool HostedPlugin::takesMidi() const
{
    static char receivesMidi[] = "receiveVstMidiEvent";
    return (effect().flags & effFlagsIsSynth) != 0 || host.dispatch(effCanDo, 0, 0, receivesMidi) > 0;
}

int64_t HostedPlugin::tailSize() const
{
    // 0 means the plug-in does not answer, 1 that it has no tail at all.
    const intptr_t tail = host.dispatch(effGetTailSize);
    if (tail <= 0)
        return -1;
    return tail == 1 ? 0 : tail;
}

void HostedPlugin::resume()
{
    if (!running)
        host.start(static_cast<float>(rate), block);
    running = true;
}

void HostedPlugin::suspend()
{
    if (running)
        host.stop();
    running = false;
}

void HostedPlugin::process(
    const std::vector<VstMidiEvent>& events, int32_t frames, std::vector<std::vector<float>>& outputs)
{
    if (!events.empty())
        host.sendEvents(events);
    host.render(outputs, frames);
}
