#pragma once

#include "tools/render/Instrument.h"

#include <lilv/lilv.h>
#include <lv2/urid/urid.h>
#include <lv2/worker/worker.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

// One LV2 instrument, found by its URI among the installed ones (LV2_PATH
// names where to look), opened through lilv for offline rendering. Its
// parameters are its control input ports, numbered in port order and named
// by their symbols; values are in the ports' own units.
class Lv2Instrument : public Instrument {
public:
    // Throws RenderError when the plug-in is not installed, needs what this
    // host does not offer, has no audio output or will not start.
    Lv2Instrument(const std::string& uri, double sampleRate, int32_t blockSize);
    ~Lv2Instrument() override;

    Lv2Instrument(const Lv2Instrument&) = delete;
    Lv2Instrument& operator=(const Lv2Instrument&) = delete;

    double sampleRate() const override { return rate; }
    int32_t blockSize() const override { return block; }
    // By symbol, or by number among the control inputs.
    int32_t findParameter(const std::string& key) const override;
    void setParameter(int32_t index, float value) override;
    float parameter(int32_t index) const;
    int64_t tailSize() const override { return -1; }
    void resume() override;
    void suspend() override;
    void process(const std::vector<VstMidiEvent>& events, int32_t frames,
        std::vector<std::vector<float>>& outputs) override;

    // For those who save and restore the instrument's state through lilv.
    LilvWorld* lilvWorld() const { return world; }
    const LilvPlugin* lilvPlugin() const { return plugin; }
    LilvInstance* lilvInstance() const { return instance; }
    LV2_URID_Map* uridMap() { return &map; }
    LV2_URID_Unmap* uridUnmap() { return &unmap; }
    // The value of a control input port by its symbol, as lilv asks for it.
    const void* portValue(const char* symbol, uint32_t* size, uint32_t* type);

private:
    struct Control {
        uint32_t port;
        std::string symbol;
        float value;
    };

    static LV2_URID mapUri(LV2_URID_Map_Handle handle, const char* uri);
    static const char* unmapUri(LV2_URID_Unmap_Handle handle, LV2_URID urid);
    static LV2_Worker_Status scheduleWork(LV2_Worker_Schedule_Handle handle, uint32_t size, const void* data);
    static LV2_Worker_Status respond(LV2_Worker_Respond_Handle handle, uint32_t size, const void* data);
    void connectPorts();
    void writeMidi(const std::vector<VstMidiEvent>& events);

    double rate;
    int32_t block;
    LilvWorld* world = nullptr;
    const LilvPlugin* plugin = nullptr;
    LilvInstance* instance = nullptr;
    const LV2_Worker_Interface* worker = nullptr;
    bool running = false;

    std::map<std::string, LV2_URID> uris;
    std::vector<std::string> uriNames;
    LV2_URID_Map map { this, mapUri };
    LV2_URID_Unmap unmap { this, unmapUri };
    LV2_Worker_Schedule schedule { this, scheduleWork };

    std::vector<Control> controls;
    std::vector<uint32_t> audioOutputs;
    std::vector<std::vector<float>> outputBuffers;
    std::vector<float> silence; // every audio and CV input
    std::vector<float> unusedControls; // control outputs
    uint32_t midiInput = UINT32_MAX;
    std::vector<uint64_t> midiBuffer; // 64-bit words keep the atoms aligned
    std::vector<std::vector<uint64_t>> atomOutputs;
    std::vector<uint32_t> atomOutputPorts;
};
