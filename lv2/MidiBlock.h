#pragma once

#include "vst2/aeffectx.h"

#include <array>
#include <cstddef>
#include <cstdint>

// The MIDI messages of one stretch of a block, as the VST 2 event list the
// plug-in object takes. Fixed capacity: nothing is allocated while running.
class MidiBlock {
public:
    static constexpr int32_t kCapacity = 256;

    MidiBlock() { list.numEvents = 0; }

    int32_t size() const { return list.numEvents; }
    bool full() const { return list.numEvents == kCapacity; }
    void clear() { list.numEvents = 0; }

    // A message of one to three bytes at a frame of the stretch; longer ones
    // (system exclusive) have no meaning here and are left out.
    void add(int32_t frame, const uint8_t* bytes, uint32_t size)
    {
        if (full() || size == 0 || size > 3)
            return;
        VstMidiEvent& event = events[static_cast<size_t>(list.numEvents)];
        event = VstMidiEvent {};
        event.type = kVstMidiType;
        event.byteSize = sizeof(VstMidiEvent);
        event.deltaFrames = frame;
        for (uint32_t i = 0; i < size; ++i)
            event.midiData[i] = static_cast<char>(bytes[i]);
        list.events[list.numEvents++] = reinterpret_cast<VstEvent*>(&event);
    }

    VstEvents* vstEvents() { return reinterpret_cast<VstEvents*>(&list); }

private:
    // VstEvents with room for every pointer.
    struct List {
        int32_t numEvents;
        intptr_t reserved = 0;
        VstEvent* events[kCapacity];
    };
    List list;
    std::array<VstMidiEvent, kCapacity> events {};
};
