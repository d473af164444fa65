#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// A Standard MIDI File reduced to what an instrument hears: the channel
// messages of all tracks merged in time order, timed in seconds through the
// file's tempo map.
struct MidiMessage {
    double seconds = 0.0;
    std::array<uint8_t, 3> bytes {};
    int size = 0;
};

struct MidiSequence {
    std::vector<MidiMessage> messages;
    // Where the file ends, its last end-of-track included.
    double lengthSeconds = 0.0;
};

// Throws RenderError with a message naming the file and the fault.
MidiSequence readMidiFile(const std::string& path);
MidiSequence parseMidiFile(const std::vector<uint8_t>& bytes, const std::string& source);
