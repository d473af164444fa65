// Writes the demo phrase: four bars of a monophonic line at 120 BPM with
// overlapping notes (legato slides), a filter sweep on controller 74, a
// pitch bend on the last note and a closing ritardando, so a render shows
// notes, controllers and the tempo map at work.
//
//   make-demo-phrase examples/demo-phrase.mid

// smf.h includes GLib inside extern "C"; GLib must be seen first, as C++.
#include <glib.h>
#include <smf.h>

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

bool addTrack(smf_t* smf, std::vector<Event> events, int endTick)
{
    std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) { return a.tick < b.tick; });
    smf_track_t* track = smf_track_new();
    if (!track)
        return false;
    smf_add_track(smf, track);
    for (auto& event : events) {
        smf_event_t* midi = smf_event_new_from_pointer(event.bytes.data(), static_cast<int>(event.bytes.size()));
        if (!midi)
            return false;
        smf_track_add_event_pulses(track, midi, event.tick);
    }
    return smf_track_add_eot_pulses(track, endTick) == 0;
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

    smf_t* smf = smf_new();
    const bool written = smf && smf_set_format(smf, 1) == 0 && smf_set_ppqn(smf, ticksPerQuarter) == 0
        && addTrack(smf, conductor, endTick) && addTrack(smf, line, endTick) && smf_save(smf, path) == 0;
    if (smf)
        smf_delete(smf);
    if (!written) {
        std::fprintf(stderr, "make-demo-phrase: cannot write %s\n", path);
        return 1;
    }
    std::printf("wrote %s\n", path);
    return 0;
}
