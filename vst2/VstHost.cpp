#include "vst2/VstHost.h"

#include <cstring>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace {

// The host whose plug-in is being created: during the entry call the plug-in
// has no record yet to carry the host pointer.
thread_local VstHost* creatingHost = nullptr;

void* openLibrary(const std::string& path, std::string& error)
{
#if defined(_WIN32)
    HMODULE module = LoadLibraryA(path.c_str());
    if (!module)
        error = "cannot load " + path + " (error " + std::to_string(GetLastError()) + ")";
    return reinterpret_cast<void*>(module);
#else
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        error = dlerror();
    return handle;
#endif
}

void* findSymbol(void* library, const char* name)
{
#if defined(_WIN32)
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
#else
    return dlsym(library, name);
#endif
}

void closeLibrary(void* library)
{
#if defined(_WIN32)
    FreeLibrary(static_cast<HMODULE>(library));
#else
    dlclose(library);
#endif
}

} // namespace

VstHost::VstHost(HostCall onHostCall)
    : onHostCall(std::move(onHostCall))
{
}

VstHost::~VstHost() { unload(); }

intptr_t VstHost::defaultAnswer(int32_t opcode) { return opcode == audioMasterVersion ? 2400 : 0; }

intptr_t VSTCALLBACK VstHost::hostEntry(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
    float opt)
{
    VstHost* host = effect && effect->user ? static_cast<VstHost*>(effect->user) : creatingHost;
    if (host && host->onHostCall)
        return host->onHostCall(effect, opcode, index, value, ptr, opt);
    return defaultAnswer(opcode);
}

bool VstHost::load(const std::string& path, const char* entryName)
{
    unload();
    library = openLibrary(path, lastError);
    if (!library)
        return false;
    void* symbol = nullptr;
    if (entryName) {
        symbol = findSymbol(library, entryName);
    } else {
        symbol = findSymbol(library, "VSTPluginMain");
        if (!symbol)
            symbol = findSymbol(library, "main");
    }
    if (!symbol) {
        lastError = path + ": entry point not found (" + (entryName ? entryName : "VSTPluginMain or main") + ")";
        unload();
        return false;
    }
    entry = reinterpret_cast<VstPluginMainProc>(symbol);
    plugin = callEntry();
    if (!plugin || plugin->magic != kEffectMagic) {
        lastError = path + ": the plug-in refused to open";
        plugin = nullptr;
        unload();
        return false;
    }
    plugin->user = this;
    dispatch(effOpen);
    return true;
}

AEffect* VstHost::callEntry()
{
    creatingHost = this;
    AEffect* created = entry(hostEntry);
    creatingHost = nullptr;
    return created;
}

void VstHost::unload()
{
    if (plugin) {
        stop();
        dispatch(effClose);
        plugin = nullptr;
    }
    if (library) {
        closeLibrary(library);
        library = nullptr;
    }
    entry = nullptr;
}

intptr_t VstHost::dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) const
{
    return plugin ? plugin->dispatcher(plugin, opcode, index, value, ptr, opt) : 0;
}

std::string VstHost::text(int32_t opcode, int32_t index) const
{
    // Room for plug-ins that write past the interface's short limits.
    char buffer[256] = {};
    dispatch(opcode, index, 0, buffer);
    buffer[sizeof buffer - 1] = 0;
    return buffer;
}

void VstHost::start(float sampleRate, int32_t blockSize)
{
    stop();
    dispatch(effSetSampleRate, 0, 0, nullptr, sampleRate);
    dispatch(effSetBlockSize, 0, blockSize);
    dispatch(effMainsChanged, 0, 1);
    dispatch(effStartProcess);
    running = true;
}

void VstHost::stop()
{
    if (!running)
        return;
    dispatch(effStopProcess);
    dispatch(effMainsChanged, 0, 0);
    running = false;
}

void VstHost::sendEvents(const std::vector<VstMidiEvent>& events) const
{
    // VstEvents ends in a variable-length array of pointers.
    eventList.assign(2 + events.size() + 2, 0);
    auto* list = reinterpret_cast<VstEvents*>(eventList.data());
    list->numEvents = static_cast<int32_t>(events.size());
    for (size_t i = 0; i < events.size(); ++i)
        setVstEventAt(list, static_cast<int32_t>(i), reinterpret_cast<VstEvent*>(const_cast<VstMidiEvent*>(&events[i])));
    dispatch(effProcessEvents, 0, 0, list);
}

void VstHost::render(std::vector<std::vector<float>>& outputs, int32_t frames) const
{
    const int32_t channels = plugin->numOutputs > 0 ? plugin->numOutputs : 0;
    const int32_t inputs = plugin->numInputs > 0 ? plugin->numInputs : 0;
    outputs.assign(static_cast<size_t>(channels), std::vector<float>(static_cast<size_t>(frames), 0.0f));
    std::vector<std::vector<float>> silence(static_cast<size_t>(inputs), std::vector<float>(static_cast<size_t>(frames), 0.0f));
    std::vector<float*> in, out;
    for (auto& channel : silence)
        in.push_back(channel.data());
    for (auto& channel : outputs)
        out.push_back(channel.data());
    if (in.empty())
        in.push_back(nullptr);
    if (out.empty())
        return;
    if ((plugin->flags & effFlagsCanReplacing) && plugin->processReplacing)
        plugin->processReplacing(plugin, in.data(), out.data(), frames);
    else
        plugin->process(plugin, in.data(), out.data(), frames);
}

VstMidiEvent makeMidiEvent(int32_t deltaFrames, uint8_t status, uint8_t data1, uint8_t data2)
{
    VstMidiEvent event {};
    event.type = kVstMidiType;
    event.byteSize = sizeof(VstMidiEvent);
    event.deltaFrames = deltaFrames;
    event.midiData[0] = static_cast<char>(status);
    event.midiData[1] = static_cast<char>(data1);
    event.midiData[2] = static_cast<char>(data2);
    return event;
}
