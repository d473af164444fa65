#include "plugin/Zarvex2Plug.h"

#include "plugin/FlushDenormals.h"
#include "vst2/AEffEditor.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

constexpr int32_t kNumPrograms = ProgramBank::kNumPrograms;
constexpr size_t kInitialEventCapacity = 512;
// Far above any level a sound reaches (+36 dB over full scale).
constexpr double kOutputLimit = 64.0;

// Controller values are scaled in single precision, as hosts round them.
float controllerValue(uint8_t value) { return static_cast<float>(value) * (1.0f / 127.0f); }

} // namespace

Zarvex2Plug::Zarvex2Plug(audioMasterCallback audioMaster, EditorFactory createEditor)
    : AudioEffectX(audioMaster, kNumPrograms, kNumParameters)
    , programs(new (std::nothrow) ProgramBank)
    , editorWanted(createEditor != nullptr)
{
    if (audioMaster) {
        setNumInputs(0);
        setNumOutputs(2);
        hasClip(false);
        hasVu(false);
        canProcessReplacing();
        isSynth();
        setUniqueID(vstFourCC('Z', 'v', 'x', '2'));
    }
    eventBuffer.reserve(kInitialEventCapacity);
    if (!programs)
        return;
    // Indices the defaults never set keep 0.0 and show what 0.0 means.
    for (int32_t index = 0; index < kNumParameters; ++index)
        if (isStoredParameter(index))
            quantities[static_cast<size_t>(index)].store(displayQuantity(index, 0.0f), std::memory_order_relaxed);
    for (const ParameterDefault& initial : kConstructorDefaults)
        setParameter(initial.index, initial.value);
    // No audio thread runs yet: the defaults reach the engine now, in order.
    applyQueuedParameters();
    // A failed allocation leaves no editor, and the plug-in incomplete.
    if (createEditor)
        setEditor(createEditor(this));
}

Zarvex2Plug::~Zarvex2Plug() = default;

AEffect* Zarvex2Plug::create(audioMasterCallback host, EditorFactory createEditor)
{
    if (!host || host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0)
        return nullptr;
    auto* plugin = new (std::nothrow) Zarvex2Plug(host, createEditor);
    if (!plugin)
        return nullptr;
    if (!plugin->isComplete()) {
        delete plugin;
        return nullptr;
    }
    return plugin->getAeffect();
}

bool Zarvex2Plug::getEffectName(char* name)
{
    std::strcpy(name, "Zarvex");
    return true;
}

bool Zarvex2Plug::getProductString(char* text)
{
    std::strcpy(text, "Zarvex");
    return true;
}

bool Zarvex2Plug::getVendorString(char* text)
{
    std::strcpy(text, "Kelmori");
    return true;
}

int32_t Zarvex2Plug::canDo(char* text)
{
    if (std::strcmp(text, "receiveVstEvents") == 0 || std::strcmp(text, "receiveVstMidiEvent") == 0)
        return 1;
    return -1;
}

bool Zarvex2Plug::getOutputProperties(int32_t index, VstPinProperties* properties)
{
    if (index >= 2)
        return false;
    std::snprintf(properties->label, sizeof properties->label, "Vstx %1d", index + 1);
    properties->flags = kVstPinIsActive | kVstPinIsStereo;
    return true;
}

int32_t Zarvex2Plug::getGetTailSize()
{
    const double tail = std::ceil(2.0 * static_cast<double>(sampleRate));
    return tail > 0.0 && tail < static_cast<double>(INT32_MAX) ? static_cast<int32_t>(tail) : 0;
}

void Zarvex2Plug::setSampleRate(float rate)
{
    // A rate no host uses keeps the previous one.
    if (!Zarvex2::supportsRate(rate))
        return;
    AudioEffectX::setSampleRate(rate);
    engine.setSampleRate(static_cast<double>(rate));
}

void Zarvex2Plug::resume()
{
    // What the voice held before the host stopped processing does not belong
    // to what comes now.
    engine.restartSound();
    wantEvents();
}

int32_t Zarvex2Plug::processEvents(VstEvents* events)
{
    eventCount = 0;
    const int32_t count = events->numEvents;
    if (count <= 0)
        return 1;
    if (static_cast<size_t>(count) > eventBuffer.capacity()) {
        try {
            eventBuffer.reserve(static_cast<size_t>(count));
        } catch (const std::bad_alloc&) {
            return 1;
        }
    }
    eventBuffer.resize(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        const VstEvent* event = vstEventAt(events, i);
        if (event)
            std::memcpy(&eventBuffer[static_cast<size_t>(i)], event, sizeof(VstEvent));
        else
            eventBuffer[static_cast<size_t>(i)] = VstEvent {};
    }
    eventCount = count;
    return 1;
}

void Zarvex2Plug::process(float** inputs, float** outputs, int32_t sampleFrames) { render(outputs, sampleFrames); }

void Zarvex2Plug::processReplacing(float** inputs, float** outputs, int32_t sampleFrames)
{
    render(outputs, sampleFrames);
}

void Zarvex2Plug::render(float** outputs, int32_t frames)
{
    FlushDenormals guard;
    if (!outputs || !outputs[0] || !outputs[1] || frames <= 0) {
        // No sample to act at (hosts flush events with empty calls): the
        // events act at once, so that no note-off is lost.
        applyQueuedParameters();
        for (int32_t next = 0; next < eventCount; ++next)
            dispatch(eventBuffer[static_cast<size_t>(next)]);
        applyQueuedParameters();
    } else {
        int32_t next = 0;
        const int32_t last = frames - 1;
        // Events act just before the sample at their offset, in buffer order.
        // None is lost: one that is late (out of order, or negative) acts at
        // the current sample, one beyond the block at its last sample.
        auto due = [&](int32_t i) {
            return next < eventCount && (eventBuffer[static_cast<size_t>(next)].deltaFrames <= i || i == last);
        };
        for (int32_t i = 0; i < frames; ++i) {
            // Changes made before this sample come before its events.
            applyQueuedParameters();
            if (due(i)) {
                do
                    dispatch(eventBuffer[static_cast<size_t>(next++)]);
                while (due(i));
                // Controllers change parameters: those act on this sample too.
                applyQueuedParameters();
            }
            const double sample = engine.getSample();
            // The host never sees a level no sound means (nor a value a float
            // cannot hold): a voice that ran off is silenced and its filters
            // start afresh.
            float out = 0.0f;
            if (std::fabs(sample) <= kOutputLimit)
                out = static_cast<float>(sample);
            else
                engine.clearFilterHistories();
            outputs[0][i] = out;
            outputs[1][i] = out;
        }
    }
    eventCount = 0;
}

void Zarvex2Plug::dispatch(const VstEvent& event)
{
    if (event.type == kVstMidiType)
        handleMidiEvent(reinterpret_cast<const VstMidiEvent&>(event));
}

void Zarvex2Plug::handleMidiEvent(const VstMidiEvent& event)
{
    const auto status = static_cast<uint8_t>(event.midiData[0] & 0xF0);
    const auto data1 = static_cast<uint8_t>(event.midiData[1] & 0x7F);
    const auto data2 = static_cast<uint8_t>(event.midiData[2] & 0x7F);
    switch (status) {
    case 0x90:
        if (data2 > 0) {
            lastNote = data1;
            engine.noteOn(data1, data2, static_cast<signed char>(event.detune));
            break;
        }
        [[fallthrough]];
    case 0x80:
        if (data1 == lastNote && data1 == engine.getCurrentNote())
            engine.noteOff();
        break;
    case 0xB0:
        switch (data1) {
        case 7:
            setParameter(kVolume, controllerValue(data2));
            break;
        case 71:
            setParameter(kReso, controllerValue(data2));
            break;
        case 74:
            setParameterAutomated(kCutoff, controllerValue(data2));
            break;
        case 123:
            if (engine.getCurrentNote() != -1)
                engine.noteOff();
            break;
        default:
            break;
        }
        break;
    case 0xE0: {
        int32_t bend = data2 * 128 + data1 - 8192;
        if (bend == -8192)
            bend = -8191;
        engine.setPitchBend(bend / 8191.0 * 12.0);
        break;
    }
    default:
        break;
    }
}

void Zarvex2Plug::setParameter(int32_t index, float value)
{
    // A value that is no number at all is not a change of anything.
    if (!std::isfinite(value))
        return;
    if (isStoredParameter(index)) {
        values[static_cast<size_t>(index)].store(value, std::memory_order_relaxed);
        programs->store(currentProgram.load(std::memory_order_relaxed), index, value);
        quantities[static_cast<size_t>(index)].store(displayQuantity(index, value), std::memory_order_relaxed);
        prepareParameter(engine, index, value);
        if (!pendingChanges.push({ index, value }))
            resyncNeeded.store(true, std::memory_order_release);
    }
    updateDisplay();
    if (editor)
        editor->postParameter(index, value);
}

float Zarvex2Plug::getParameter(int32_t index)
{
    return isStoredParameter(index) ? values[static_cast<size_t>(index)].load(std::memory_order_relaxed) : 0.0f;
}

void Zarvex2Plug::applyQueuedParameters()
{
    ParameterQueue::Change change;
    while (pendingChanges.pop(change))
        applyParameter(engine, change.index, change.value);
    if (resyncNeeded.load(std::memory_order_relaxed) && resyncNeeded.exchange(false, std::memory_order_acquire)) {
        for (int32_t index : engineRefreshOrder())
            applyParameter(engine, index, values[static_cast<size_t>(index)].load(std::memory_order_relaxed));
    }
}
