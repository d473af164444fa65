#include "tools/render/MidiFile.h"
#include "tools/render/RenderError.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes chunk(const char* id, const Bytes& body)
{
    Bytes bytes(id, id + 4);
    const auto size = static_cast<uint32_t>(body.size());
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes.push_back(static_cast<uint8_t>(size >> shift));
    bytes.insert(bytes.end(), body.begin(), body.end());
    return bytes;
}

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

void expectRefused(const Bytes& bytes, const std::string& expectedText)
{
    try {
        parseMidiFile(bytes, "bad.mid");
        FAIL() << "accepted";
    } catch (const RenderError& error) {
        const std::string text = error.what();
        EXPECT_EQ(text.rfind("bad.mid: ", 0), 0u) << text;
        EXPECT_NE(text.find(expectedText), std::string::npos) << text;
    }
}

} // namespace

TEST(MidiFiles, TracksMergeInTimeThroughTheTempoMap)
{
    const MidiSequence sequence = parseMidiFile(handMadeFile(), "hand.mid");
    struct Expected {
        double seconds;
        std::vector<uint8_t> bytes;
    };
    const Expected expected[] = {
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
        EXPECT_NEAR(message.seconds, expected[i].seconds, 1e-9) << i;
        ASSERT_EQ(static_cast<size_t>(message.size), expected[i].bytes.size()) << i;
        EXPECT_TRUE(std::equal(expected[i].bytes.begin(), expected[i].bytes.end(), message.bytes.begin())) << i;
    }
    EXPECT_NEAR(sequence.lengthSeconds, 1.375, 1e-9);
}

TEST(MidiFiles, StructuralFaultsAreNamed)
{
    expectRefused({ 'R', 'I', 'F', 'F', 0, 0, 0, 4, 'W', 'A', 'V', 'E', 0, 0 }, "not a Standard MIDI File");

    Bytes smpte = handMadeFile();
    smpte[12] = 0xe7; // -25 frames per second
    expectRefused(smpte, "SMPTE");

    Bytes moreTracks = handMadeFile();
    moreTracks[11] = 3;
    expectRefused(moreTracks, "announces 3 tracks");

    Bytes escaped = handMadeFile();
    const auto sysex = std::find(escaped.begin() + 40, escaped.end(), 0xf0);
    *sysex = 0xf7;
    expectRefused(escaped, "F7");

    // The last track loses its end-of-track event (its length shrinks by 4).
    Bytes endless = handMadeFile();
    endless.resize(endless.size() - 4);
    const char track[] = "MTrk";
    const auto lastTrack = std::find_end(endless.begin(), endless.end(), track, track + 4);
    lastTrack[7] -= 4;
    expectRefused(endless, "end-of-track");

    try {
        readMidiFile("/nonexistent/phrase.mid");
        FAIL() << "a missing file was read";
    } catch (const RenderError& error) {
        EXPECT_NE(std::string(error.what()).find("/nonexistent/phrase.mid"), std::string::npos);
    }
}

TEST(MidiFiles, EveryTruncationAndRandomDamageGivesAnErrorNeverACrash)
{
    const Bytes file = handMadeFile();
    for (size_t length = 0; length < file.size(); ++length)
        EXPECT_THROW(parseMidiFile(Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length)), "cut.mid"),
            RenderError)
            << length;
    std::mt19937 random(11);
    int accepted = 0;
    for (int trial = 0; trial < 20000; ++trial) {
        Bytes damaged = file;
        for (int flips = 1 + trial % 3; flips > 0; --flips)
            damaged[random() % damaged.size()] = static_cast<uint8_t>(random());
        try {
            const MidiSequence sequence = parseMidiFile(damaged, "damaged.mid");
            for (const auto& message : sequence.messages) {
                EXPECT_GE(message.bytes[0], 0x80);
                EXPECT_LT(message.bytes[0], 0xf0);
            }
            ++accepted;
        } catch (const RenderError&) {
        }
    }
    // Damage to data bytes leaves a valid file: the loop did reach the reader.
    EXPECT_GT(accepted, 100);
}

TEST(MidiFiles, TheDemoPhraseHasNotesControllersBendAndARitardando)
{
    const MidiSequence demo = readMidiFile(ZARVEX_EXAMPLES_DIR "/demo-phrase.mid");
    int notes = 0, controllers = 0, bends = 0;
    for (const auto& message : demo.messages) {
        notes += (message.bytes[0] & 0xf0) == 0x90 && message.bytes[2] > 0;
        controllers += (message.bytes[0] & 0xf0) == 0xb0;
        bends += (message.bytes[0] & 0xf0) == 0xe0;
    }
    EXPECT_EQ(notes, 28);
    EXPECT_EQ(controllers, 32);
    EXPECT_GT(bends, 10);
    // Three bars and two beats at 120 BPM, then a beat at 100 and one at 80.
    EXPECT_NEAR(demo.lengthSeconds, 7.0 + 0.6 + 0.75, 1e-6);
}
