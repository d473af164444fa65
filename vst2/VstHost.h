#pragma once

#include "vst2/aeffectx.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

// The host side of the interface: loads a plug-in binary, finds its entry,
// opens it and offers the calls a host makes. Host callbacks from the plug-in
// go to a function the owner chooses (a default answers like a plain host).
class VstHost {
public:
    using HostCall = std::function<intptr_t(AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
        void* ptr, float opt)>;

    explicit VstHost(HostCall onHostCall = {});
    ~VstHost();

    VstHost(const VstHost&) = delete;
    VstHost& operator=(const VstHost&) = delete;

    // Loads and opens the plug-in through the named entry, or through the
    // first of VSTPluginMain and main that it exports; on failure returns
    // false and sets error().
    bool load(const std::string& path, const char* entryName = nullptr);
    const std::string& error() const { return lastError; }

    AEffect* effect() const { return plugin; }
    intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr, float opt = 0.0f) const;
    std::string text(int32_t opcode, int32_t index = 0) const;

    void start(float sampleRate, int32_t blockSize);
    void stop();
    // The list handed over stays valid until the next call, as plug-ins may
    // read it during the following process call; the events themselves must
    // outlive that call too.
    void sendEvents(const std::vector<VstMidiEvent>& events) const;
    // Runs processReplacing when the plug-in offers it, process otherwise, on
    // zeroed output buffers; fills numOutputs channels of frames samples.
    void render(std::vector<std::vector<float>>& outputs, int32_t frames) const;

    // The answer a plain host gives: its version, and nothing else.
    static intptr_t defaultAnswer(int32_t opcode);

private:
    static intptr_t VSTCALLBACK hostEntry(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
        float opt);
    AEffect* callEntry();
    void unload();

    HostCall onHostCall;
    void* library = nullptr;
    VstPluginMainProc entry = nullptr;
    AEffect* plugin = nullptr;
    bool running = false;
    std::string lastError;
    mutable std::vector<intptr_t> eventList;
};

VstMidiEvent makeMidiEvent(int32_t deltaFrames, uint8_t status, uint8_t data1, uint8_t data2);
