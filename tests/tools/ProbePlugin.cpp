// A small VST 2 instrument for the renderer's tests. It records every MIDI
// event, parameter change and block with the sample where it took effect,
// and plays a gate: velocity/127 on the left, its negative on the right,
// from a note-on until a note-off, then a linear release. Parameters: 0 and
// 1 "Gain" (alike; the first scales the output by 2 v), 2 "Release" (v * 1000
// samples), 3 "Tail Size" (v * 100000 samples reported as the tail; 0: none).
// Two programs of their own values, without names. PROBE_REFUSE, PROBE_EFFECT
// or PROBE_ABORT set in the environment makes the entry return nothing, makes
// it an effect, makes it abort the process in its first block.

#include "tests/tools/ProbeRecord.h"
#include "vst2/aeffectx.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#define PROBE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr int32_t parameterCount = 4;
constexpr int32_t programCount = 2;
const char* const parameterNames[parameterCount] = { "Gain", "Gain", "Release", "Tail Size" };

std::vector<ProbeRecord> records;

struct Probe {
    AEffect effect {};
    float programs[programCount][parameterCount] = { { 0.5f, 0.5f, 0.0f, 0.0f }, { 0.5f, 0.5f, 0.0f, 0.0f } };
    int32_t current = 0;
    std::vector<VstMidiEvent> pending;
    int64_t position = 0;
    float level = 0.0f;
    float releaseStep = 0.0f;

    float& value(int32_t index) { return programs[current][index]; }
};

Probe& probeOf(AEffect* effect) { return *static_cast<Probe*>(effect->object); }

bool environmentSays(const char* name) { return std::getenv(name) != nullptr; }

bool valid(intptr_t index, int32_t count) { return index >= 0 && index < count; }

intptr_t dispatcher(AEffect* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr, float)
{
    Probe& probe = probeOf(effect);
    switch (opcode) {
    case effClose:
        delete &probe;
        return 1;
    case effGetParamName:
        if (valid(index, parameterCount))
            std::strcpy(static_cast<char*>(ptr), parameterNames[index]);
        return 0;
    case effGetProgram:
        return probe.current;
    case effSetProgram:
        if (valid(value, programCount))
            probe.current = static_cast<int32_t>(value);
        return 0;
    case effGetTailSize:
        return std::lround(probe.value(3) * 100000.0f);
    case effMainsChanged:
        probe.position = 0;
        return 0;
    case effProcessEvents: {
        const auto* list = static_cast<const VstEvents*>(ptr);
        for (int32_t i = 0; i < list->numEvents; ++i)
            if (const VstEvent* event = vstEventAt(list, i); event->type == kVstMidiType)
                probe.pending.push_back(*reinterpret_cast<const VstMidiEvent*>(event));
        return 1;
    }
    default:
        return 0;
    }
}

void setParameter(AEffect* effect, int32_t index, float value)
{
    Probe& probe = probeOf(effect);
    if (valid(index, parameterCount)) {
        probe.value(index) = value;
        records.push_back({ probeParameter, probe.position, index, std::lround(value * 1000.0f) });
    }
}

float getParameter(AEffect* effect, int32_t index)
{
    return valid(index, parameterCount) ? probeOf(effect).value(index) : 0.0f;
}

void processReplacing(AEffect* effect, float**, float** outputs, int32_t frames)
{
    Probe& probe = probeOf(effect);
    if (environmentSays("PROBE_ABORT"))
        std::abort();
    records.push_back({ probeBlock, probe.position, frames, 0 });
    auto next = probe.pending.begin();
    for (int32_t i = 0; i < frames; ++i, ++probe.position) {
        for (; next != probe.pending.end() && next->deltaFrames == i; ++next) {
            const auto status = static_cast<uint8_t>(next->midiData[0]);
            const auto velocity = static_cast<uint8_t>(next->midiData[2]);
            records.push_back({ probeMidi, probe.position, status,
                static_cast<uint8_t>(next->midiData[1]) << 8 | velocity });
            if ((status & 0xf0) == 0x90 && velocity > 0) {
                probe.level = velocity / 127.0f;
                probe.releaseStep = 0.0f;
            } else if ((status & 0xf0) == 0x80 || (status & 0xf0) == 0x90) {
                const float samples = std::round(probe.value(2) * 1000.0f);
                probe.releaseStep = samples > 0.0f ? probe.level / samples : probe.level;
            }
        }
        const float gain = 2.0f * probe.value(0);
        outputs[0][i] = probe.level * gain;
        outputs[1][i] = 0.0f - probe.level * gain; // +0 in silence, which a file can keep as a hole
        probe.level = std::max(0.0f, probe.level - probe.releaseStep);
    }
    probe.pending.clear();
}

} // namespace

PROBE_EXPORT AEffect* VSTPluginMain(audioMasterCallback host)
{
    if (environmentSays("PROBE_REFUSE") || host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0)
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
    effect.flags = effFlagsCanReplacing | (environmentSays("PROBE_EFFECT") ? 0 : effFlagsIsSynth);
    effect.uniqueID = vstFourCC('P', 'r', 'b', '1');
    effect.version = 3;
    effect.object = probe;
    return &effect;
}

PROBE_EXPORT size_t probeRecords(const ProbeRecord** out)
{
    *out = records.data();
    return records.size();
}

PROBE_EXPORT void probeClear() { records.clear(); }
