#include "tests/tools/RenderTestSupport.h"
#include "tools/render/MidiFile.h"

#include <algorithm>

namespace {

// Two tracks at 96 ticks per quarter: 120 BPM, then 240 BPM from tick 192.
// Times in seconds follow by hand: tick t < 192 is t / 192 s, later ones
// 1 + (t - 192) / 384 s.
Bytes handMadeFile()
{
    Bytes file = chunk("MThd", { 0, 1, 0, 2, 0, 96 });
    const Bytes conductor = chunk("MTrk",
        {
            0x00, 0xff, 0x51, 0x03, 0x07, 0xa1, 0x20, // 500000 us per quarter
            0x81, 0x10, 0xb0, 0x07, 0x64, // tick 144: volume
            0x30, 0xff, 0x51, 0x03, 0x03, 0xd0, 0x90, // tick 192: 250000 us per quarter
            0x00, 0xff, 0x2f, 0x00,
        });
    const Bytes line = chunk("MTrk",
        {
            0x00, 0x90, 0x3c, 0x64, // tick 0: note on
            0x60, 0x3c, 0x00, // tick 96: running status, velocity 0
            0x00, 0xb0, 0x4a, 0x10, // controller 74
            0x00, 0xf0, 0x03, 0x7e, 0x01, 0xf7, // system exclusive: not for the instrument
            0x00, 0xff, 0x01, 0x02, 'h', 'i', // text
            0x60, 0xe0, 0x00, 0x50, // tick 192: pitch bend
            0x00, 0xc0, 0x05, // program change
            0x60, 0xd0, 0x40, // tick 288: channel pressure
            0x30, 0x80, 0x3c, 0x00, // tick 336: note off
            0x00, 0xff, 0x2f, 0x00,
        });
    file.insert(file.end(), conductor.begin(), conductor.end());
    file.insert(file.end(), line.begin(), line.end());
    return file;
}

} // namespace

TEST(MidiFiles, TracksMergeInTimeThroughTheTempoMap)
{
    const MidiSequence sequence = parseMidiFile(handMadeFile(), "hand.mid");
    const std::pair<double, Bytes> expected[] = {
        { 0.0, { 0x90, 0x3c, 0x64 } },
        { 0.5, { 0x90, 0x3c, 0x00 } },
        { 0.5, { 0xb0, 0x4a, 0x10 } },
        { 0.75, { 0xb0, 0x07, 0x64 } },
        { 1.0, { 0xe0, 0x00, 0x50 } },
        { 1.0, { 0xc0, 0x05 } },
        { 1.25, { 0xd0, 0x40 } },
        { 1.375, { 0x80, 0x3c, 0x00 } },
    };
    ASSERT_EQ(sequence.messages.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        const auto& message = sequence.messages[i];
        EXPECT_NEAR(message.seconds, expected[i].first, 1e-9) << i;
        EXPECT_EQ(Bytes(message.bytes.begin(), message.bytes.begin() + message.size), expected[i].second) << i;
    }
    EXPECT_NEAR(sequence.lengthSeconds, 1.375, 1e-9);
}

TEST(MidiFiles, StructuralFaultsAreNamed)
{
    const auto refused = [](const Bytes& bytes, const std::string& text) {
        expectRenderError([&] { parseMidiFile(bytes, "bad.mid"); }, "bad.mid: ", text);
    };
    refused({ 'R', 'I', 'F', 'F', 0, 0, 0, 4, 'W', 'A', 'V', 'E', 0, 0 }, "not a Standard MIDI File");
    Bytes file = handMadeFile();
    file[12] = 0xe7; // -25 frames per second
    refused(file, "SMPTE");
    file = handMadeFile();
    file[11] = 3;
    refused(file, "announces 3 tracks");
    file = handMadeFile();
    std::fill_n(file.begin() + 38, 3, 0); // the second tempo
    refused(file, "tempo of zero");
    file = handMadeFile();
    *std::find(file.begin() + 40, file.end(), 0xf0) = 0xf7;
    refused(file, "F7");
    // The last track loses its end-of-track event (its length shrinks by 4).
    file = handMadeFile();
    file.resize(file.size() - 4);
    const char track[] = "MTrk";
    std::find_end(file.begin(), file.end(), track, track + 4)[7] -= 4;
    refused(file, "end-of-track");
    // A text event longer than its track; a time of five bytes.
    refused(midiFile({ { 0x00, 0xff, 0x01, 0x40, 'h', 'i', 0x00, 0xff, 0x2f, 0x00 } }), "ends inside a meta event");
    refused(midiFile({ { 0x81, 0x81, 0x81, 0x81, 0x00, 0x90, 60, 100, 0x00, 0xff, 0x2f, 0x00 } }), "more than four bytes");
    expectRenderError([] { readMidiFile("/nonexistent/phrase.mid"); }, "/nonexistent/phrase.mid", "cannot open");
}

TEST(MidiFiles, EveryCutAndRandomDamageGivesAnErrorNeverACrash)
{
    const int read = expectCutsRefusedAndDamageSurvived(handMadeFile(), [](const Bytes& bytes) {
        for (const auto& message : parseMidiFile(bytes, "damaged.mid").messages) {
            EXPECT_GE(message.bytes[0], 0x80);
            EXPECT_LT(message.bytes[0], 0xf0);
        }
    });
    // Damage to data bytes leaves a valid file: the loop did reach the reader.
    EXPECT_GT(read, 100);
}
