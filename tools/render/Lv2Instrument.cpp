#include "tools/render/Lv2Instrument.h"

#include "tools/render/RenderError.h"

#include <lv2/atom/atom.h>
#include <lv2/atom/util.h>
#include <lv2/midi/midi.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>

namespace {

constexpr size_t kAtomBufferBytes = 64 * 1024;

// A node that frees itself.
struct Node {
    Node(LilvWorld* world, const char* uri)
        : node(lilv_new_uri(world, uri))
    {
    }
    ~Node() { lilv_node_free(node); }
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;
    LilvNode* node;
};

// The length of a channel message by its status byte; 0 for the others.
uint32_t channelMessageSize(uint8_t status)
{
    switch (status & 0xF0) {
    case 0xC0:
    case 0xD0:
        return 2;
    case 0x80:
    case 0x90:
    case 0xA0:
    case 0xB0:
    case 0xE0:
        return 3;
    default:
        return 0;
    }
}

bool isNumber(const std::string& text)
{
    return !text.empty() && text.size() < 10
        && std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
}

// LV2_PATH with every folder made absolute: lilv takes relative ones for
// URIs and fails on them.
std::string absoluteSearchPath(const char* path)
{
    std::string absolute;
    std::stringstream folders(path);
    for (std::string folder; std::getline(folders, folder, ':');)
        if (!folder.empty())
            absolute += (absolute.empty() ? "" : ":") + std::filesystem::absolute(folder).lexically_normal().string();
    return absolute;
}

} // namespace

Lv2Instrument::Lv2Instrument(const std::string& uri, double sampleRate, int32_t blockSize)
    : rate(sampleRate)
    , block(blockSize)
    , world(lilv_world_new())
{
    if (const char* path = std::getenv("LV2_PATH")) {
        LilvNode* folders = lilv_new_string(world, absoluteSearchPath(path).c_str());
        lilv_world_set_option(world, LILV_OPTION_LV2_PATH, folders);
        lilv_node_free(folders);
    }
    lilv_world_load_all(world);
    {
        Node wanted(world, uri.c_str());
        plugin = wanted.node ? lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), wanted.node) : nullptr;
    }
    if (!plugin) {
        lilv_world_free(world);
        throw RenderError("no LV2 plug-in " + uri + " is installed (lv2ls lists those that are)");
    }
    // This host offers the URI map and a worker that works at once.
    LilvNodes* required = lilv_plugin_get_required_features(plugin);
    std::string missing;
    LILV_FOREACH (nodes, it, required) {
        const std::string feature = lilv_node_as_uri(lilv_nodes_get(required, it));
        if (feature != LV2_URID__map && feature != LV2_URID__unmap && feature != LV2_WORKER__schedule)
            missing += (missing.empty() ? "" : ", ") + feature;
    }
    lilv_nodes_free(required);
    const LV2_Feature mapFeature { LV2_URID__map, &map }, unmapFeature { LV2_URID__unmap, &unmap },
        scheduleFeature { LV2_WORKER__schedule, &schedule };
    const LV2_Feature* features[] = { &mapFeature, &unmapFeature, &scheduleFeature, nullptr };
    if (missing.empty())
        instance = lilv_plugin_instantiate(plugin, rate, features);
    if (!instance) {
        lilv_world_free(world);
        throw RenderError(missing.empty() ? "the LV2 plug-in " + uri + " does not start"
                                          : "the LV2 plug-in " + uri + " needs what this host lacks: " + missing);
    }
    worker = static_cast<const LV2_Worker_Interface*>(
        lilv_instance_get_extension_data(instance, LV2_WORKER__interface));
    connectPorts();
    if (audioOutputs.empty()) {
        lilv_instance_free(instance);
        lilv_world_free(world);
        throw RenderError("the LV2 plug-in " + uri + " has no audio outputs");
    }
}

Lv2Instrument::~Lv2Instrument()
{
    suspend();
    lilv_instance_free(instance);
    lilv_world_free(world);
}

void Lv2Instrument::connectPorts()
{
    Node input(world, LV2_CORE__InputPort), audio(world, LV2_CORE__AudioPort), cv(world, LV2_CORE__CVPort),
        control(world, LV2_CORE__ControlPort), atom(world, LV2_ATOM__AtomPort), midiEvent(world, LV2_MIDI__MidiEvent);
    const uint32_t count = lilv_plugin_get_num_ports(plugin);
    silence.assign(static_cast<size_t>(block), 0.0f);
    unusedControls.assign(count, 0.0f);
    std::vector<float> defaults(count, NAN);
    lilv_plugin_get_port_ranges_float(plugin, nullptr, nullptr, defaults.data());
    for (uint32_t index = 0; index < count; ++index) {
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin, index);
        const bool isInput = lilv_port_is_a(plugin, port, input.node);
        if (lilv_port_is_a(plugin, port, control.node) && isInput) {
            controls.push_back({ index, lilv_node_as_string(lilv_port_get_symbol(plugin, port)),
                std::isnan(defaults[index]) ? 0.0f : defaults[index] });
        } else if (lilv_port_is_a(plugin, port, control.node)) {
            lilv_instance_connect_port(instance, index, &unusedControls[index]);
        } else if (lilv_port_is_a(plugin, port, audio.node) && !isInput) {
            audioOutputs.push_back(index);
        } else if (lilv_port_is_a(plugin, port, atom.node) && isInput && midiInput == UINT32_MAX
            && lilv_port_supports_event(plugin, port, midiEvent.node)) {
            midiInput = index;
            midiBuffer.assign(kAtomBufferBytes / sizeof(uint64_t), 0);
            lilv_instance_connect_port(instance, index, midiBuffer.data());
        } else if (lilv_port_is_a(plugin, port, atom.node) && !isInput) {
            atomOutputPorts.push_back(index);
        } else {
            // Audio and CV inputs hear silence.
            lilv_instance_connect_port(instance, index, silence.data());
        }
    }
    for (Control& c : controls)
        lilv_instance_connect_port(instance, c.port, &c.value);
    outputBuffers.assign(audioOutputs.size(), std::vector<float>(static_cast<size_t>(block), 0.0f));
    for (size_t i = 0; i < audioOutputs.size(); ++i)
        lilv_instance_connect_port(instance, audioOutputs[i], outputBuffers[i].data());
    atomOutputs.assign(atomOutputPorts.size(), std::vector<uint64_t>(kAtomBufferBytes / sizeof(uint64_t), 0));
    for (size_t i = 0; i < atomOutputPorts.size(); ++i)
        lilv_instance_connect_port(instance, atomOutputPorts[i], atomOutputs[i].data());
}

int32_t Lv2Instrument::findParameter(const std::string& key) const
{
    for (size_t i = 0; i < controls.size(); ++i)
        if (controls[i].symbol == key)
            return static_cast<int32_t>(i);
    if (isNumber(key) && std::stol(key) < static_cast<long>(controls.size()))
        return static_cast<int32_t>(std::stol(key));
    throw RenderError("the LV2 plug-in has no control port with the symbol or number \"" + key + "\"");
}

void Lv2Instrument::setParameter(int32_t index, float value) { controls.at(static_cast<size_t>(index)).value = value; }

float Lv2Instrument::parameter(int32_t index) const { return controls.at(static_cast<size_t>(index)).value; }

const void* Lv2Instrument::portValue(const char* symbol, uint32_t* size, uint32_t* type)
{
    for (const Control& c : controls)
        if (c.symbol == symbol) {
            *size = sizeof(float);
            *type = map.map(map.handle, LV2_ATOM__Float);
            return &c.value;
        }
    *size = 0;
    *type = 0;
    return nullptr;
}

void Lv2Instrument::resume()
{
    if (!running)
        lilv_instance_activate(instance);
    running = true;
}

void Lv2Instrument::suspend()
{
    if (running)
        lilv_instance_deactivate(instance);
    running = false;
}

void Lv2Instrument::writeMidi(const std::vector<VstMidiEvent>& events)
{
    auto* sequence = reinterpret_cast<LV2_Atom_Sequence*>(midiBuffer.data());
    sequence->atom = { sizeof(LV2_Atom_Sequence_Body), map.map(map.handle, LV2_ATOM__Sequence) };
    sequence->body = { 0, 0 };
    const LV2_URID midiType = map.map(map.handle, LV2_MIDI__MidiEvent);
    const uint32_t capacity = static_cast<uint32_t>(kAtomBufferBytes - sizeof(LV2_Atom));
    for (const VstMidiEvent& event : events) {
        const uint32_t size = channelMessageSize(static_cast<uint8_t>(event.midiData[0]));
        const uint32_t room = sizeof(LV2_Atom_Event) + lv2_atom_pad_size(size);
        if (size == 0 || sequence->atom.size + room > capacity)
            continue;
        auto* out = reinterpret_cast<LV2_Atom_Event*>(
            reinterpret_cast<uint8_t*>(LV2_ATOM_BODY(&sequence->atom)) + lv2_atom_pad_size(sequence->atom.size));
        out->time.frames = event.deltaFrames;
        out->body = { size, midiType };
        std::memcpy(out + 1, event.midiData, size);
        sequence->atom.size += room;
    }
}

void Lv2Instrument::process(const std::vector<VstMidiEvent>& events, int32_t frames,
    std::vector<std::vector<float>>& outputs)
{
    frames = std::clamp(frames, 0, block);
    if (midiInput != UINT32_MAX)
        writeMidi(events);
    // Output sequences offer their whole buffer.
    for (auto& buffer : atomOutputs) {
        auto* atom = reinterpret_cast<LV2_Atom*>(buffer.data());
        *atom = { static_cast<uint32_t>(kAtomBufferBytes - sizeof(LV2_Atom)), map.map(map.handle, LV2_ATOM__Chunk) };
    }
    lilv_instance_run(instance, static_cast<uint32_t>(frames));
    if (worker && worker->end_run)
        worker->end_run(lilv_instance_get_handle(instance));
    outputs.resize(outputBuffers.size());
    for (size_t i = 0; i < outputBuffers.size(); ++i)
        outputs[i].assign(outputBuffers[i].begin(), outputBuffers[i].begin() + frames);
}

LV2_URID Lv2Instrument::mapUri(LV2_URID_Map_Handle handle, const char* uri)
{
    auto* self = static_cast<Lv2Instrument*>(handle);
    const auto [found, added] = self->uris.try_emplace(uri, static_cast<LV2_URID>(self->uriNames.size() + 1));
    if (added)
        self->uriNames.push_back(uri);
    return found->second;
}

const char* Lv2Instrument::unmapUri(LV2_URID_Unmap_Handle handle, LV2_URID urid)
{
    auto* self = static_cast<Lv2Instrument*>(handle);
    return urid >= 1 && urid <= self->uriNames.size() ? self->uriNames[urid - 1].c_str() : nullptr;
}

// Offline, the work is done at once, inside the run that asks for it.
LV2_Worker_Status Lv2Instrument::scheduleWork(LV2_Worker_Schedule_Handle handle, uint32_t size, const void* data)
{
    auto* self = static_cast<Lv2Instrument*>(handle);
    if (!self->worker)
        return LV2_WORKER_ERR_UNKNOWN;
    return self->worker->work(lilv_instance_get_handle(self->instance), respond, self, size, data);
}

LV2_Worker_Status Lv2Instrument::respond(LV2_Worker_Respond_Handle handle, uint32_t size, const void* data)
{
    auto* self = static_cast<Lv2Instrument*>(handle);
    return self->worker->work_response(lilv_instance_get_handle(self->instance), size, data);
}
