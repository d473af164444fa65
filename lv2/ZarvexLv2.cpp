#include "lv2/ZarvexLv2.h"

#include "lv2/Lv2Uris.h"

#include <lv2/atom/util.h>
#include <lv2/midi/midi.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace {

// The embedded plug-in object's host: it asks only for the version.
intptr_t VSTCALLBACK answerPlugin(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

const void* feature(const LV2_Feature* const* features, const char* uri)
{
    for (; features && *features; ++features)
        if (std::strcmp((*features)->URI, uri) == 0)
            return (*features)->data;
    return nullptr;
}

constexpr size_t kNameSize = ProgramBank::kNameSize;
constexpr int32_t kNumPrograms = ProgramBank::kNumPrograms;

} // namespace

ZarvexLv2* ZarvexLv2::create(double sampleRate, const LV2_Feature* const* features)
{
    const auto* map = static_cast<const LV2_URID_Map*>(feature(features, LV2_URID__map));
    if (!map)
        return nullptr;
    const auto id = [map](const char* uri) { return map->map(map->handle, uri); };
    const Uris uris { id(LV2_MIDI__MidiEvent), id(LV2_ATOM__Float), id(LV2_ATOM__Vector), id(LV2_ATOM__Tuple),
        id(LV2_ATOM__String), id(ZARVEX_LV2_STATE_VALUES), id(ZARVEX_LV2_STATE_PROGRAM_NAMES) };
    std::unique_ptr<Zarvex2Plug> plug(new (std::nothrow) Zarvex2Plug(answerPlugin));
    if (!plug || !plug->isComplete())
        return nullptr;
    plug->setSampleRate(static_cast<float>(sampleRate));
    const auto* worker = static_cast<const LV2_Worker_Schedule*>(feature(features, LV2_WORKER__schedule));
    return new (std::nothrow) ZarvexLv2(std::move(plug), uris, worker);
}

ZarvexLv2::ZarvexLv2(std::unique_ptr<Zarvex2Plug> plugObject, const Uris& uris, const LV2_Worker_Schedule* worker)
    : plug(std::move(plugObject))
    , uris(uris)
    , worker(worker)
{
    // Ports at their defaults change nothing: the engine keeps the defaults
    // exactly as the VST 2 form sets them.
    for (uint32_t port = 0; port < ControlPorts::kCount; ++port)
        lastSeen[port] = ControlPorts::defaultPortValue(ControlPorts::parameterOf(port));
}

void ZarvexLv2::connectPort(uint32_t port, void* data)
{
    if (port < ControlPorts::kCount)
        controls[port] = static_cast<const float*>(data);
    else if (port == ControlPorts::kLeftOutput || port == ControlPorts::kRightOutput)
        outputs[port - ControlPorts::kLeftOutput] = static_cast<float*>(data);
    else if (port == ControlPorts::kMidiInput)
        midiIn = static_cast<const LV2_Atom_Sequence*>(data);
}

void ZarvexLv2::applyControlChanges()
{
    for (uint32_t port = 0; port < ControlPorts::kCount; ++port) {
        if (adoptPorts && controls[port])
            lastSeen[port] = *controls[port];
        if (!controls[port] || *controls[port] == lastSeen[port])
            continue;
        lastSeen[port] = *controls[port];
        const int32_t index = ControlPorts::parameterOf(port);
        const Change change { index, ControlPorts::normalisedValue(index, lastSeen[port]) };
        // Waveforms build their tables on the worker's thread where there is one.
        const bool scheduled = worker && parameterInfo(index)->prepare
            && worker->schedule_work(worker->handle, sizeof change, &change) == LV2_WORKER_SUCCESS;
        if (!scheduled)
            plug->setParameter(change.index, change.value);
    }
    adoptPorts = false;
}

void ZarvexLv2::renderStretch(uint32_t start, uint32_t end)
{
    float* out[2] = { outputs[0] + start, outputs[1] + start };
    if (midi.size() > 0)
        plug->processEvents(midi.vstEvents());
    plug->processReplacing(nullptr, out, static_cast<int32_t>(end - start));
    midi.clear();
}

void ZarvexLv2::run(uint32_t frames)
{
    if (!outputs[0] || !outputs[1])
        return;
    applyControlChanges();
    uint32_t start = 0;
    if (midiIn) {
        LV2_ATOM_SEQUENCE_FOREACH (midiIn, event) {
            if (event->body.type != uris.midiEvent || event->time.frames < 0 || event->time.frames >= frames)
                continue;
            const auto frame = static_cast<uint32_t>(event->time.frames);
            // A full list is handed over with the stretch before this event.
            if (midi.full() && frame > start) {
                renderStretch(start, frame);
                start = frame;
            }
            midi.add(static_cast<int32_t>(frame - start),
                static_cast<const uint8_t*>(LV2_ATOM_BODY_CONST(&event->body)), event->body.size);
        }
    }
    renderStretch(start, frames);
}

LV2_Worker_Status ZarvexLv2::work(uint32_t size, const void* data)
{
    if (size != sizeof(Change))
        return LV2_WORKER_ERR_UNKNOWN;
    Change change;
    std::memcpy(&change, data, sizeof change);
    plug->setParameter(change.index, change.value);
    return LV2_WORKER_SUCCESS;
}

LV2_State_Status ZarvexLv2::save(LV2_State_Store_Function store, LV2_State_Handle handle)
{
    struct {
        LV2_Atom_Vector_Body body;
        float values[kNumParameters];
    } vector {};
    vector.body = { sizeof(float), uris.atomFloat };
    for (int32_t index = 0; index < kNumParameters; ++index)
        vector.values[index] = plug->getParameter(index);
    const uint32_t flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
    LV2_State_Status status = store(handle, uris.values, &vector, sizeof vector, uris.atomVector, flags);
    if (status != LV2_STATE_SUCCESS)
        return status;

    // A tuple of strings, one after the other, each padded to the atom alignment.
    alignas(8) uint8_t tuple[kNumPrograms * (sizeof(LV2_Atom) + kNameSize)] {};
    uint32_t used = 0;
    for (int32_t program = 0; program < kNumPrograms; ++program) {
        auto* atom = reinterpret_cast<LV2_Atom*>(tuple + used);
        char* text = reinterpret_cast<char*>(atom + 1);
        plug->getProgramNameIndexed(0, program, text);
        *atom = { static_cast<uint32_t>(std::strlen(text) + 1), uris.atomString };
        used += static_cast<uint32_t>(sizeof(LV2_Atom)) + lv2_atom_pad_size(atom->size);
    }
    return store(handle, uris.programNames, tuple, used, uris.atomTuple, flags);
}

LV2_State_Status ZarvexLv2::restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle)
{
    size_t size = 0;
    uint32_t type = 0, flags = 0;
    const void* data = retrieve(handle, uris.values, &size, &type, &flags);
    if (data && type == uris.atomVector && size >= sizeof(LV2_Atom_Vector_Body)) {
        const auto* body = static_cast<const LV2_Atom_Vector_Body*>(data);
        const size_t count = (size - sizeof *body) / sizeof(float);
        if (body->child_type == uris.atomFloat && body->child_size == sizeof(float) && count == kNumParameters) {
            const auto* values = reinterpret_cast<const float*>(body + 1);
            // In the order a program is recalled, so the engine sees them as it does then.
            for (const ProgramBank::RecallStep& step : ProgramBank::recallOrder())
                if (isStoredParameter(step.index))
                    plug->setParameter(step.index, values[step.index]);
            adoptPorts = true;
        }
    }
    data = retrieve(handle, uris.programNames, &size, &type, &flags);
    if (data && type == uris.atomTuple) {
        int32_t program = 0;
        LV2_ATOM_TUPLE_BODY_FOREACH (data, size, atom) {
            if (atom->type != uris.atomString || atom->size == 0)
                continue;
            // Names from elsewhere may lack their end; they are cut to fit.
            char name[kNameSize] {};
            std::memcpy(name, LV2_ATOM_BODY_CONST(atom), std::min<size_t>(atom->size, kNameSize - 1));
            plug->setProgramNameIndexed(program++, name);
        }
    }
    return LV2_STATE_SUCCESS;
}

namespace {

ZarvexLv2* self(LV2_Handle handle) { return static_cast<ZarvexLv2*>(handle); }

LV2_Handle instantiate(const LV2_Descriptor*, double rate, const char*, const LV2_Feature* const* features)
{
    return ZarvexLv2::create(rate, features);
}

void connectPort(LV2_Handle handle, uint32_t port, void* data) { self(handle)->connectPort(port, data); }
void activate(LV2_Handle handle) { self(handle)->activate(); }
void run(LV2_Handle handle, uint32_t frames) { self(handle)->run(frames); }
void deactivate(LV2_Handle handle) { self(handle)->deactivate(); }
void cleanup(LV2_Handle handle) { delete self(handle); }

LV2_State_Status save(LV2_Handle handle, LV2_State_Store_Function store, LV2_State_Handle state, uint32_t,
    const LV2_Feature* const*)
{
    return self(handle)->save(store, state);
}

LV2_State_Status restore(LV2_Handle handle, LV2_State_Retrieve_Function retrieve, LV2_State_Handle state, uint32_t,
    const LV2_Feature* const*)
{
    return self(handle)->restore(retrieve, state);
}

LV2_Worker_Status work(LV2_Handle handle, LV2_Worker_Respond_Function, LV2_Worker_Respond_Handle, uint32_t size,
    const void* data)
{
    return self(handle)->work(size, data);
}

LV2_Worker_Status workResponse(LV2_Handle, uint32_t, const void*) { return LV2_WORKER_SUCCESS; }

const void* extensionData(const char* uri)
{
    static const LV2_State_Interface state { save, restore };
    static const LV2_Worker_Interface worker { work, workResponse, nullptr };
    if (std::strcmp(uri, LV2_STATE__interface) == 0)
        return &state;
    if (std::strcmp(uri, LV2_WORKER__interface) == 0)
        return &worker;
    return nullptr;
}

const LV2_Descriptor kDescriptor
    = { ZARVEX_LV2_URI, instantiate, connectPort, activate, run, deactivate, cleanup, extensionData };

} // namespace

LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index) { return index == 0 ? &kDescriptor : nullptr; }
