// Writes the demo phrase: four bars of a monophonic line at 120 BPM with
// overlapping notes (legato slides), a filter sweep on controller 74, a
// pitch bend on the last note and a closing ritardando, so a render shows
// notes, controllers and the tempo map at work.
//
//   make-demo-phrase examples/demo-phrase.mid

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int ticksPerQuarter = 480;
constexpr int sixteenth = ticksPerQuarter / 4;

struct Event {
    int tick;
    std::vector<unsigned char> bytes;
};

struct Note {
    int start; // in sixteenths
    int length;
    int key;
    int velocity;
};

// Note-offs sort before note-ons at the same tick, so repeated keys restart.
void addNote(std::vector<Event>& events, const Note& note)
{
    events.push_back({ note.start * sixteenth, { 0x90, static_cast<unsigned char>(note.key),
                                                   static_cast<unsigned char>(note.velocity) } });
    events.push_back({ (note.start + note.length) * sixteenth - 1,
        { 0x80, static_cast<unsigned char>(note.key), 0 } });
}

std::vector<unsigned char> tempo(int beatsPerMinute)
{
    const int microseconds = 60000000 / beatsPerMinute;
    return { 0xff, 0x51, 0x03, static_cast<unsigned char>(microseconds >> 16),
        static_cast<unsigned char>(microseconds >> 8), static_cast<unsigned char>(microseconds) };
}

using Bytes = std::vector<unsigned char>;

void put32(Bytes& out, size_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<unsigned char>(value >> shift));
}

// A time or length in seven-bit groups, the highest first.
void putVariable(Bytes& out, int value)
{
    Bytes groups = { static_cast<unsigned char>(value & 0x7f) };
    for (value >>= 7; value > 0; value >>= 7)
        groups.push_back(static_cast<unsigned char>(0x80 | (value & 0x7f)));
    out.insert(out.end(), groups.rbegin(), groups.rend());
}

// One track chunk: its events in time order, then the end-of-track.
Bytes trackChunk(std::vector<Event> events, int endTick)
{
    std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) { return a.tick < b.tick; });
    events.push_back({ endTick, { 0xff, 0x2f, 0x00 } });
    Bytes body;
    int tick = 0;
    for (const auto& event : events) {
        putVariable(body, event.tick - tick);
        tick = event.tick;
        body.insert(body.end(), event.bytes.begin(), event.bytes.end());
    }
    Bytes chunk = { 'M', 'T', 'r', 'k' };
    put32(chunk, body.size());
    chunk.insert(chunk.end(), body.begin(), body.end());
    return chunk;
}

} // namespace

int main(int argc, char** argv)
{
    const char* path = argc > 1 ? argv[1] : "demo-phrase.mid";
    const int endTick = 64 * sixteenth;

    // Tempo track: 120 BPM, slowing to 100 and 80 over the last two beats.
    std::vector<Event> conductor;
    const char title[] = "Zarvex demo phrase";
    std::vector<unsigned char> name = { 0xff, 0x03, static_cast<unsigned char>(sizeof title - 1) };
    name.insert(name.end(), title, title + sizeof title - 1);
    conductor.push_back({ 0, name });
    conductor.push_back({ 0, { 0xff, 0x58, 0x04, 4, 2, 24, 8 } });
    conductor.push_back({ 0, tempo(120) });
    conductor.push_back({ 60 * sixteenth - 4 * sixteenth, tempo(100) });
    conductor.push_back({ 60 * sixteenth, tempo(80) });

    std::vector<Event> line;
    const Note notes[] = {
        // bar 1
        { 0, 2, 45, 112 }, { 2, 2, 45, 70 }, { 4, 2, 57, 100 }, { 6, 2, 45, 80 }, { 8, 2, 55, 100 },
        { 10, 2, 45, 70 }, { 12, 2, 48, 110 }, { 14, 3, 50, 90 },
        // bar 2 starts under the last note of bar 1: a slide
        { 16, 2, 52, 112 }, { 18, 2, 52, 70 }, { 20, 2, 45, 100 }, { 22, 2, 57, 80 }, { 24, 4, 55, 100 },
        { 28, 2, 52, 90 }, { 30, 2, 50, 80 },
        // bar 3
        { 32, 2, 45, 112 }, { 34, 2, 45, 70 }, { 36, 2, 60, 100 }, { 38, 2, 45, 80 }, { 40, 3, 57, 100 },
        { 42, 2, 55, 70 }, { 44, 2, 52, 110 }, { 46, 2, 55, 90 },
        // bar 4: a run up to a long note that bends down
        { 48, 2, 45, 112 }, { 50, 2, 48, 90 }, { 52, 2, 52, 100 }, { 54, 2, 55, 100 }, { 56, 8, 57, 120 },
    };
    for (const auto& note : notes)
        addNote(line, note);
    // Controller 74 every eighth: the cutoff opens over three bars and
    // closes again in the fourth.
    for (int eighth = 0; eighth < 32; ++eighth) {
        const int value = eighth < 24 ? 50 + eighth * 65 / 23 : 115 - (eighth - 24) * 35 / 7;
        line.push_back({ eighth * 2 * sixteenth, { 0xb0, 74, static_cast<unsigned char>(value) } });
    }
    // Pitch bend over the last two beats, back to the centre at the end.
    for (int step = 0; step <= 16; ++step) {
        const int bend = 8192 - step * 2048 / 16;
        line.push_back({ 56 * sixteenth + 4 * sixteenth + step * (4 * sixteenth - 1) / 16,
            { 0xe0, static_cast<unsigned char>(bend & 0x7f), static_cast<unsigned char>(bend >> 7) } });
    }
    line.push_back({ endTick - 1, { 0xe0, 0x00, 0x40 } });

    Bytes file = { 'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 2, ticksPerQuarter >> 8, ticksPerQuarter & 0xff };
    for (const auto& track : { trackChunk(conductor, endTick), trackChunk(line, endTick) })
        file.insert(file.end(), track.begin(), track.end());
    FILE* out = std::fopen(path, "wb");
    const bool written = out && std::fwrite(file.data(), 1, file.size(), out) == file.size();
    if (!out || std::fclose(out) != 0 || !written) {
        std::fprintf(stderr, "make-demo-phrase: cannot write %s\n", path);
        return 1;
    }
    std::printf("wrote %s\n", path);
    return 0;
}
