// libFuzzer entry for the MIDI file reader: any bytes are read or refused
// with a RenderError, and what is read is well-formed.

#include "tools/render/MidiFile.h"
#include "tools/render/RenderError.h"

#include <cmath>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    try {
        const MidiSequence sequence = parseMidiFile(std::vector<uint8_t>(data, data + size), "fuzz.mid");
        double previous = 0.0;
        for (const MidiMessage& message : sequence.messages) {
            const bool channelMessage = message.bytes[0] >= 0x80 && message.bytes[0] < 0xf0;
            const bool dataBytes = message.bytes[1] < 0x80 && message.bytes[2] < 0x80;
            if (!channelMessage || !dataBytes || !std::isfinite(message.seconds) || message.seconds < previous
                || message.seconds > sequence.lengthSeconds)
                std::abort();
            previous = message.seconds;
        }
    } catch (const RenderError&) {
    }
    return 0;
}
