#include "tools/render/MidiFile.h"

#include "tools/render/Files.h"
#include "tools/render/RenderError.h"

#include <algorithm>

namespace {

constexpr size_t largestMidiFile = 64u << 20;
// 120 beats per minute until the file says otherwise.
constexpr uint32_t defaultTempo = 500000;

// Channel voice messages have one data byte (program change, channel
// pressure) or two (everything else).
int channelMessageSize(uint8_t status)
{
    if (status < 0x80 || status >= 0xf0)
        return 0;
    const uint8_t kind = status & 0xf0;
    return kind == 0xc0 || kind == 0xd0 ? 2 : 3;
}

// Reads the chunks and events of a file, checking every length against the
// bytes at hand, and keeps the channel messages and the tempo map.
class MidiReader {
public:
    MidiReader(const std::vector<uint8_t>& bytes, const std::string& source)
        : bytes(bytes)
        , source(source)
    {
    }

    MidiSequence read()
    {
        const size_t headerLength = length32(4);
        if (headerLength < 6 || headerLength > bytes.size() - 8)
            fail("the header chunk has a bad length");
        const unsigned format = length16(8);
        const size_t tracks = length16(10);
        if (format > 1)
            fail("format " + std::to_string(format) + " (independent sequences) is not supported");
        if (tracks == 0)
            fail("the header announces no tracks");
        ticksPerQuarter = length16(12);
        if (ticksPerQuarter == 0)
            fail("the header gives zero ticks per quarter note");
        size_t offset = 8 + headerLength;
        for (size_t found = 0; found < tracks;) {
            if (bytes.size() - offset < 8)
                fail("the header announces " + std::to_string(tracks) + " tracks but the file holds "
                    + std::to_string(found));
            const size_t length = length32(offset + 4);
            if (length > bytes.size() - offset - 8)
                fail("track " + std::to_string(found + 1) + " is cut short (the file ends inside it)");
            if (std::equal(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                    bytes.begin() + static_cast<std::ptrdiff_t>(offset) + 4, "MTrk"))
                readTrack(++found, offset + 8, offset + 8 + length);
            offset += 8 + length;
        }
        return timed();
    }

private:
    struct TickedMessage {
        size_t tick;
        MidiMessage message;
    };
    struct Tempo {
        size_t tick;
        uint32_t microsecondsPerQuarter;
        double seconds; // where it starts
    };

    [[noreturn]] void fail(const std::string& what) const
    {
        throw RenderError(source + ": malformed MIDI file (" + what + ")");
    }

    size_t length16(size_t at) const { return static_cast<size_t>(bytes[at]) << 8 | bytes[at + 1]; }
    size_t length32(size_t at) const { return length16(at) << 16 | length16(at + 2); }

    void readTrack(size_t track, size_t at, size_t end)
    {
        const std::string where = "track " + std::to_string(track);
        uint8_t runningStatus = 0;
        size_t ticks = 0;
        bool ended = false;
        while (at < end) {
            if (ended)
                fail(where + " has events after its end-of-track");
            ticks += variableLength(at, end, where);
            if (ticks > largestTick)
                fail(where + " is too long");
            if (at >= end)
                fail(where + " ends inside an event");
            uint8_t status = bytes[at];
            if (status & 0x80)
                ++at;
            else if (runningStatus)
                status = runningStatus;
            else
                fail(where + " has a data byte where an event should start");
            if (status == 0xff) {
                if (at >= end)
                    fail(where + " ends inside a meta event");
                const uint8_t type = bytes[at++];
                const size_t length = variableLength(at, end, where);
                checkMetaLength(type, length, where);
                if (length > end - at)
                    fail(where + " ends inside a meta event");
                if (type == tempoMeta) {
                    const auto tempo = static_cast<uint32_t>(length16(at) << 8 | bytes[at + 2]);
                    if (tempo == 0)
                        fail(where + " sets a tempo of zero microseconds per quarter note");
                    tempos.push_back({ ticks, tempo, 0.0 });
                }
                at += length;
                ended = type == endOfTrackMeta;
                runningStatus = 0;
            } else if (status == 0xf7) {
                fail(where + " holds an escaped system exclusive event (F7), which is not supported");
            } else if (status == 0xf0) {
                const size_t length = variableLength(at, end, where);
                if (length > end - at)
                    fail(where + " ends inside a system exclusive message");
                at += length;
                // System exclusive and meta events end a running status.
                runningStatus = 0;
            } else if (const int size = channelMessageSize(status)) {
                runningStatus = status;
                MidiMessage message;
                message.size = size;
                message.bytes[0] = status;
                for (int i = 1; i < size; ++i, ++at) {
                    if (at >= end || (bytes[at] & 0x80))
                        fail(where + " has an incomplete channel message");
                    message.bytes[static_cast<size_t>(i)] = bytes[at];
                }
                messages.push_back({ ticks, message });
            } else {
                fail(where + " holds a system message that has no place in a file");
            }
        }
        if (!ended)
            fail(where + " has no end-of-track event");
        lastTick = std::max(lastTick, ticks);
    }

    void checkMetaLength(uint8_t type, size_t length, const std::string& where) const
    {
        struct Fixed {
            uint8_t type;
            size_t length;
            const char* name;
        };
        static const Fixed fixed[] = { { endOfTrackMeta, 0, "end-of-track" }, { tempoMeta, 3, "tempo" },
            { 0x58, 4, "time signature" }, { 0x59, 2, "key signature" } };
        for (const auto& meta : fixed)
            if (meta.type == type && meta.length != length)
                fail(where + "'s " + meta.name + " event has the wrong size");
    }

    size_t variableLength(size_t& at, size_t end, const std::string& where) const
    {
        size_t value = 0;
        for (int i = 0; i < 4; ++i) {
            if (at >= end)
                fail(where + " ends inside a length or time value");
            const uint8_t byte = bytes[at++];
            value = value << 7 | (byte & 0x7f);
            if (!(byte & 0x80))
                return value;
        }
        fail(where + " has a length or time value of more than four bytes");
    }

    // Tracks merge by time; at one tick the earlier track comes first, and
    // within a track the order of the file is kept.
    MidiSequence timed()
    {
        std::stable_sort(messages.begin(), messages.end(),
            [](const TickedMessage& a, const TickedMessage& b) { return a.tick < b.tick; });
        std::stable_sort(tempos.begin(), tempos.end(), [](const Tempo& a, const Tempo& b) { return a.tick < b.tick; });
        // The map starts at the default tempo; a later change at the same
        // tick replaces an earlier one.
        std::vector<Tempo> map { { 0, defaultTempo, 0.0 } };
        for (const Tempo& tempo : tempos) {
            if (tempo.tick == map.back().tick) {
                map.back().microsecondsPerQuarter = tempo.microsecondsPerQuarter;
                continue;
            }
            map.push_back({ tempo.tick, tempo.microsecondsPerQuarter, secondsAt(map, tempo.tick) });
        }
        MidiSequence sequence;
        sequence.messages.reserve(messages.size());
        for (auto& [tick, message] : messages) {
            message.seconds = secondsAt(map, tick);
            sequence.messages.push_back(message);
        }
        sequence.lengthSeconds = secondsAt(map, lastTick);
        return sequence;
    }

    // From the last tempo that starts before the tick.
    double secondsAt(const std::vector<Tempo>& map, size_t tick) const
    {
        auto tempo = std::lower_bound(
            map.begin(), map.end(), tick, [](const Tempo& t, size_t value) { return t.tick < value; });
        if (tempo != map.begin())
            --tempo;
        return tempo->seconds
            + static_cast<double>(tick - tempo->tick)
            * (tempo->microsecondsPerQuarter / (static_cast<double>(ticksPerQuarter) * 1e6));
    }

    static constexpr uint8_t tempoMeta = 0x51;
    static constexpr uint8_t endOfTrackMeta = 0x2f;
    // Keeps every time within an int.
    static constexpr size_t largestTick = 1u << 30;
    const std::vector<uint8_t>& bytes;
    const std::string& source;
    size_t ticksPerQuarter = 0;
    size_t lastTick = 0;
    std::vector<TickedMessage> messages;
    std::vector<Tempo> tempos;
};

} // namespace

MidiSequence parseMidiFile(const std::vector<uint8_t>& bytes, const std::string& source)
{
    static const uint8_t header[] = { 'M', 'T', 'h', 'd' };
    if (bytes.size() < 14 || !std::equal(header, header + 4, bytes.begin()))
        throw RenderError(source + ": not a Standard MIDI File (no 'MThd' header)");
    // Time codes in frames per second (a negative division) have no tempo map.
    if (bytes[12] & 0x80)
        throw RenderError(source + ": SMPTE time division is not supported, only ticks per quarter note");
    return MidiReader(bytes, source).read();
}

MidiSequence readMidiFile(const std::string& path)
{
    return parseMidiFile(readWholeFile(path, "MIDI file", largestMidiFile), inputName(path));
}
