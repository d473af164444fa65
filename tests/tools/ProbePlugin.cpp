// A small VST 2 instrument for the renderer's tests. It records every MIDI
// event, parameter change and block with the sample where it took effect,
// and plays a plain gate: velocity/127 on the left, its negative on the
// right, from a note-on until a note-off, then a linear release.
//
// Parameters: 0 and 1 "Gain" (two alike, unused), 2 "Release" (v * 1000
// samples), 3 "Tail Size" (v * 100000 samples reported as the tail; 0 means
// not reported). Programs: two, with their own values and names.
// PROBE_REFUSE=1 in the environment makes the entry return nothing.

#include "tests/tools/ProbeRecord.h"
#include "vst2/aeffectx.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#define PROBE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr int32_t parameterCount = 4;
constexpr int32_t programCount = 2;
const char* const parameterNames[parameterCount] = { "Gain", "Gain", "Release", "Tail Size" };

std::vector<ProbeRecord> records;

struct Program {
    std::string name;
    float values[parameterCount] = { 0.5f, 0.5f, 0.0f, 0.0f };
};

struct Probe {
    AEffect effect {};
    Program programs[programCount] = { { "First" }, { "Second" } };
    int32_t current = 0;
    std::vector<VstMidiEvent> pending;
    int64_t position = 0;
    float level = 0.0f;
    float releaseStep = 0.0f;
    float sampleRate = 44100.0f;

    float& value(int32_t index) { return programs[current].values[index]; }
};

Probe* probeOf(AEffect* effect) { return static_cast<Probe*>(effect->object); }

void copy(void* ptr, const std::string& text) { std::strcpy(static_cast<char*>(ptr), text.c_str()); }

intptr_t dispatcher(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt)
{
    Probe* probe = probeOf(effect);
    switch (opcode) {
    case effClose:
        delete probe;
        return 1;
    case effGetParamName:
        if (index >= 0 && index < parameterCount)
            copy(ptr, parameterNames[index]);
        return 0;
    case effGetParamLabel:
        copy(ptr, index == 2 || index == 3 ? "smp" : "");
        return 0;
    case effGetParamDisplay:
        if (index >= 0 && index < parameterCount)
            copy(ptr, std::to_string(probe->value(index)));
        return 0;
    case effGetProgram:
        return probe->current;
    case effSetProgram:
        if (value >= 0 && value < programCount)
            probe->current = static_cast<int32_t>(value);
        return 0;
    case effGetProgramName:
        copy(ptr, probe->programs[probe->current].name);
        return 0;
    case effSetProgramName:
        probe->programs[probe->current].name = static_cast<const char*>(ptr);
        return 0;
    case effGetProgramNameIndexed:
        if (index < 0 || index >= programCount)
            return 0;
        copy(ptr, probe->programs[index].name);
        return 1;
    case effGetEffectName:
    case effGetProductString:
        copy(ptr, "Probe");
        return 1;
    case effGetVendorString:
        copy(ptr, "Zarvex tests");
        return 1;
    case effSetSampleRate:
        probe->sampleRate = opt;
        return 0;
    case effGetTailSize:
        return std::lround(probe->value(3) * 100000.0f);
    case effMainsChanged:
        if (value) {
            probe->position = 0;
            records.push_back({ ProbeRecord::resume, 0, 0, 0, 0.0f });
        }
        return 0;
    case effProcessEvents: {
        const auto* list = static_cast<const VstEvents*>(ptr);
        for (int32_t i = 0; i < list->numEvents; ++i)
            if (list->events[i]->type == kVstMidiType)
                probe->pending.push_back(*reinterpret_cast<const VstMidiEvent*>(list->events[i]));
        return 1;
    }
    default:
        return 0;
    }
}

void setParameter(AEffect* effect, int32_t index, float value)
{
    Probe* probe = probeOf(effect);
    if (index < 0 || index >= parameterCount)
        return;
    probe->value(index) = value;
    records.push_back({ ProbeRecord::parameter, probe->position, index, 0, value });
}

float getParameter(AEffect* effect, int32_t index)
{
    return index >= 0 && index < parameterCount ? probeOf(effect)->value(index) : 0.0f;
}

void handle(Probe& probe, const VstMidiEvent& event)
{
    const auto status = static_cast<uint8_t>(event.midiData[0]);
    const auto data1 = static_cast<uint8_t>(event.midiData[1]);
    const auto data2 = static_cast<uint8_t>(event.midiData[2]);
    records.push_back({ ProbeRecord::midi, probe.position, status, data1 << 8 | data2, 0.0f });
    if ((status & 0xf0) == 0x90 && data2 > 0) {
        probe.level = data2 / 127.0f;
        probe.releaseStep = 0.0f;
    } else if ((status & 0xf0) == 0x80 || (status & 0xf0) == 0x90) {
        const float samples = std::round(probe.value(2) * 1000.0f);
        probe.releaseStep = samples > 0.0f ? probe.level / samples : probe.level;
    }
}

void processReplacing(AEffect* effect, float**, float** outputs, int32_t frames)
{
    Probe& probe = *probeOf(effect);
    records.push_back({ ProbeRecord::block, probe.position, frames, 0, 0.0f });
    size_t next = 0;
    for (int32_t i = 0; i < frames; ++i, ++probe.position) {
        for (; next < probe.pending.size() && probe.pending[next].deltaFrames == i; ++next)
            handle(probe, probe.pending[next]);
        outputs[0][i] = probe.level;
        outputs[1][i] = -probe.level;
        probe.level = std::max(0.0f, probe.level - probe.releaseStep);
        if (probe.level < 1e-6f)
            probe.level = 0.0f;
    }
    probe.pending.clear();
}

} // namespace

PROBE_EXPORT AEffect* VSTPluginMain(audioMasterCallback host)
{
    const char* refuse = std::getenv("PROBE_REFUSE");
    if ((refuse && std::strcmp(refuse, "1") == 0) || host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0)
        return nullptr;
    auto* probe = new Probe;
    AEffect& effect = probe->effect;
    effect.magic = kEffectMagic;
    effect.dispatcher = dispatcher;
    effect.setParameter = setParameter;
    effect.getParameter = getParameter;
    effect.processReplacing = processReplacing;
    effect.numPrograms = programCount;
    effect.numParams = parameterCount;
    effect.numOutputs = 2;
    effect.flags = effFlagsCanReplacing | effFlagsIsSynth;
    effect.uniqueID = vstFourCC('P', 'r', 'b', '1');
    effect.version = 3;
    effect.ioRatio = 1.0f;
    effect.object = probe;
    return &effect;
}

PROBE_EXPORT size_t probeRecords(const ProbeRecord** out)
{
    *out = records.data();
    return records.size();
}

PROBE_EXPORT void probeClear() { records.clear(); }
