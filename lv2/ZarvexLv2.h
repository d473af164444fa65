#pragma once

#include "lv2/ControlPorts.h"
#include "lv2/MidiBlock.h"
#include "plugin/Zarvex2Plug.h"

#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>
#include <lv2/worker/worker.h>

#include <array>
#include <memory>

// The plug-in as an LV2 instrument: it hosts the plug-in object the VST 2
// form exposes, so both forms share the block loop, the event dispatch and
// the parameter path. Each block it passes on the control ports that
// changed (as their normalised values) and the MIDI events at their frames.
class ZarvexLv2 {
public:
    // Null when a required feature is missing or memory runs out.
    static ZarvexLv2* create(double sampleRate, const LV2_Feature* const* features);

    void connectPort(uint32_t port, void* data);
    void activate() { plug->resume(); }
    void run(uint32_t frames);
    void deactivate() { plug->suspend(); }

    LV2_State_Status save(LV2_State_Store_Function store, LV2_State_Handle handle);
    LV2_State_Status restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle);
    // Worker thread: a change whose preparation is too slow for the audio thread.
    LV2_Worker_Status work(uint32_t size, const void* data);

private:
    struct Uris {
        LV2_URID midiEvent, atomFloat, atomVector, atomTuple, atomString, values, programNames;
    };
    struct Change {
        int32_t index;
        float value;
    };

    ZarvexLv2(std::unique_ptr<Zarvex2Plug> plug, const Uris& uris, const LV2_Worker_Schedule* worker);

    void applyControlChanges();
    void renderStretch(uint32_t start, uint32_t end);

    std::unique_ptr<Zarvex2Plug> plug;
    Uris uris;
    const LV2_Worker_Schedule* worker;
    std::array<const float*, ControlPorts::kCount> controls {};
    std::array<float, ControlPorts::kCount> lastSeen {};
    // After a restore the ports' values are taken as they are: the restored
    // values stand until a port moves.
    bool adoptPorts = false;
    float* outputs[2] = { nullptr, nullptr };
    const LV2_Atom_Sequence* midiIn = nullptr;
    MidiBlock midi;
};
