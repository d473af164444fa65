#include "tools/render/MidiFile.h"

#include "tools/render/Files.h"
#include "tools/render/RenderError.h"

// smf.h includes GLib inside extern "C"; GLib must be seen first, as C++.
#include <glib.h>
#include <smf.h>

#include <algorithm>
#include <memory>

namespace {

constexpr size_t largestMidiFile = 64u << 20;

// libsmf reports what it finds wrong through GLib's log; those lines are
// collected here and become part of the error message instead of being
// printed as they come.
class LibraryMessages {
public:
    LibraryMessages() { previous = g_log_set_default_handler(collect, &lines); }
    ~LibraryMessages() { g_log_set_default_handler(previous, nullptr); }
    LibraryMessages(const LibraryMessages&) = delete;
    LibraryMessages& operator=(const LibraryMessages&) = delete;

    std::string text() const { return lines.empty() ? std::string("unreadable MIDI data") : lines.front(); }

private:
    static void collect(const gchar*, GLogLevelFlags, const gchar* message, gpointer data)
    {
        static_cast<std::vector<std::string>*>(data)->push_back(message ? message : "");
    }
    GLogFunc previous = nullptr;
    std::vector<std::string> lines;
};

struct SmfDeleter {
    void operator()(smf_t* smf) const { smf_delete(smf); }
};

// Channel voice messages have one data byte (program change, channel
// pressure) or two (everything else).
int channelMessageSize(uint8_t status)
{
    if (status < 0x80 || status >= 0xf0)
        return 0;
    const uint8_t kind = status & 0xf0;
    return kind == 0xc0 || kind == 0xd0 ? 2 : 3;
}

// libsmf trusts the sizes written in a file and reads past its buffer when
// they lie, so the chunk and event structure is checked here first; libsmf
// then only sees files whose every length fits.
class StructureCheck {
public:
    StructureCheck(const std::vector<uint8_t>& bytes, const std::string& source)
        : bytes(bytes)
        , source(source)
    {
    }

    void run()
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
        if (length16(12) == 0)
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
                checkTrack(++found, offset + 8, offset + 8 + length);
            offset += 8 + length;
        }
    }

private:
    [[noreturn]] void fail(const std::string& what) const
    {
        throw RenderError(source + ": malformed MIDI file (" + what + ")");
    }

    size_t length16(size_t at) const { return static_cast<size_t>(bytes[at]) << 8 | bytes[at + 1]; }
    size_t length32(size_t at) const { return length16(at) << 16 | length16(at + 2); }

    void checkTrack(size_t track, size_t at, size_t end)
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
                at += length;
                ended = type == 0x2f;
                runningStatus = 0;
            } else if (status == 0xf7) {
                // libsmf stops the whole program on these escape events.
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
                for (int i = 1; i < size; ++i, ++at)
                    if (at >= end || (bytes[at] & 0x80))
                        fail(where + " has an incomplete channel message");
            } else {
                fail(where + " holds a system message that has no place in a file");
            }
        }
        if (!ended)
            fail(where + " has no end-of-track event");
    }

    void checkMetaLength(uint8_t type, size_t length, const std::string& where) const
    {
        struct Fixed {
            uint8_t type;
            size_t length;
            const char* name;
        };
        static const Fixed fixed[] = { { 0x2f, 0, "end-of-track" }, { 0x51, 3, "tempo" },
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

    // libsmf counts ticks in an int.
    static constexpr size_t largestTick = 1u << 30;
    const std::vector<uint8_t>& bytes;
    const std::string& source;
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
    StructureCheck(bytes, source).run();

    LibraryMessages messages;
    std::unique_ptr<smf_t, SmfDeleter> smf(smf_load_from_memory(bytes.data(), static_cast<int>(bytes.size())));
    if (!smf)
        throw RenderError(source + ": malformed MIDI file (" + messages.text() + ")");
    if (smf->ppqn <= 0)
        throw RenderError(source + ": malformed MIDI file (no ticks per quarter note)");

    MidiSequence sequence;
    sequence.lengthSeconds = smf_get_length_seconds(smf.get());
    smf_rewind(smf.get());
    while (smf_event_t* event = smf_get_next_event(smf.get())) {
        if (event->midi_buffer_length < 1)
            continue;
        const uint8_t status = event->midi_buffer[0];
        const int size = channelMessageSize(status);
        if (size == 0 || event->midi_buffer_length != size)
            continue;
        MidiMessage message;
        message.seconds = event->time_seconds;
        message.size = size;
        for (int i = 0; i < size; ++i)
            message.bytes[static_cast<size_t>(i)] = event->midi_buffer[i];
        sequence.messages.push_back(message);
    }
    return sequence;
}

MidiSequence readMidiFile(const std::string& path)
{
    return parseMidiFile(readWholeFile(path, "MIDI file", largestMidiFile), path);
}
