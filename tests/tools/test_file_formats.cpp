// The files the renderer reads and writes: Standard MIDI Files, and VST
// programs (.fxp) and banks (.fxb).

#include "tests/tools/RenderTestSupport.h"
#include "tools/render/MidiFile.h"
#include "tools/render/ProgramFile.h"
#include "vst2/aeffectx.h"

#include <cmath>

namespace {

// Two tracks at 96 ticks per quarter: 120 BPM, then 240 BPM from tick 192.
// Times in seconds follow by hand: tick t < 192 is t / 192 s, later ones
// 1 + (t - 192) / 384 s.
Bytes handMadeMidi()
{
    return midiFile({
        {
            0x00, 0xff, 0x51, 0x03, 0x07, 0xa1, 0x20, // 500000 us per quarter
            0x81, 0x10, 0xb0, 0x07, 0x64, // tick 144: volume
            0x30, 0xff, 0x51, 0x03, 0x03, 0xd0, 0x90, // tick 192: 250000 us per quarter
            0x00, 0xff, 0x2f, 0x00,
        },
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
        },
    });
}

// A program file laid out by hand: 'Zvx2' version 1, two parameters
// 0.5 (3F000000) and -2 (C0000000), named "Bass".
Bytes handMadeProgram()
{
    Bytes body = { 'F', 'x', 'C', 'k', 0, 0, 0, 1, 'Z', 'v', 'x', '2', 0, 0, 0, 1, 0, 0, 0, 2, 'B', 'a', 's', 's' };
    body.resize(body.size() + 24); // the rest of the 28-byte name field
    body.insert(body.end(), { 0x3f, 0, 0, 0, 0xc0, 0, 0, 0 });
    return chunk("CcnK", body);
}

// The last name is longer than the field.
const BankFile sampleBank { vstFourCC('Z', 'v', 'x', '2'), 7, 2,
    { { "One", { 0.0f, 1.0f, 0.25f } }, { "Two", { 3.0f, -1.0f, 1e-30f } },
        { "A name far longer than twenty-seven", { 0.5f, 0.5f, 0.5f } } } };

} // namespace

TEST(MidiFiles, TracksMergeInTimeThroughTheTempoMapAndFaultsAreNamed)
{
    const MidiSequence sequence = parseMidiFile(handMadeMidi(), "hand.mid");
    const std::pair<double, Bytes> expected[] = {
        { 0.0, { 0x90, 0x3c, 0x64 } }, { 0.5, { 0x90, 0x3c, 0x00 } }, { 0.5, { 0xb0, 0x4a, 0x10 } },
        { 0.75, { 0xb0, 0x07, 0x64 } }, { 1.0, { 0xe0, 0x00, 0x50 } }, { 1.0, { 0xc0, 0x05 } },
        { 1.25, { 0xd0, 0x40 } }, { 1.375, { 0x80, 0x3c, 0x00 } },
    };
    ASSERT_EQ(sequence.messages.size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        const auto& message = sequence.messages[i];
        EXPECT_NEAR(message.seconds, expected[i].first, 1e-9) << i;
        EXPECT_EQ(Bytes(message.bytes.begin(), message.bytes.begin() + message.size), expected[i].second) << i;
    }
    EXPECT_NEAR(sequence.lengthSeconds, 1.375, 1e-9);

    // Structural faults are named.
    const std::pair<Bytes, const char*> faults[] = {
        { { 'R', 'I', 'F', 'F', 0, 0, 0, 4, 'W', 'A', 'V', 'E', 0, 0 }, "not a Standard MIDI File" },
        { chunk("MThd", { 0, 1, 0, 1, 0xe7, 40 }), "SMPTE" }, // 25 frames per second, 40 ticks each
        { chunk("MThd", { 0, 1, 0, 3, 0, 96 }), "announces 3 tracks" },
        { midiFile({ { 0x00, 0xff, 0x51, 0x03, 0, 0, 0, 0x00, 0xff, 0x2f, 0x00 } }), "tempo of zero" },
        { midiFile({ { 0x00, 0xf7, 0x01, 0x00, 0x00, 0xff, 0x2f, 0x00 } }), "F7" },
        { midiFile({ { 0x00, 0x90, 60, 100 } }), "end-of-track" },
        // A text event longer than its track; a time of five bytes.
        { midiFile({ { 0x00, 0xff, 0x01, 0x40, 'h', 'i', 0x00, 0xff, 0x2f, 0x00 } }), "ends inside a meta event" },
        { midiFile({ { 0x81, 0x81, 0x81, 0x81, 0x00, 0x90, 60, 100, 0x00, 0xff, 0x2f, 0x00 } }),
            "more than four bytes" },
    };
    for (const auto& [bytes, text] : faults)
        expectRenderError([&] { parseMidiFile(bytes, "bad.mid"); }, "bad.mid: ", text);
    expectRenderError([] { readMidiFile("/nonexistent/phrase.mid"); }, "/nonexistent/phrase.mid", "cannot open");
}

TEST(ProgramFiles, UseTheStandardLayoutReadBackAndNameTheirFaults)
{
    EXPECT_EQ(encodeProgram({ vstFourCC('Z', 'v', 'x', '2'), 1, { "Bass", { 0.5f, -2.0f } } }), handMadeProgram());
    EXPECT_EQ(decodeProgram(handMadeProgram(), "bass.fxp").program.values, (std::vector<float> { 0.5f, -2.0f }));

    const Bytes bytes = encodeBank(sampleBank);
    // Header of 156 bytes with the current program at 28, then three programs of 56 + 3 * 4 bytes.
    ASSERT_EQ(bytes.size(), 156u + 3 * 68);
    EXPECT_EQ(Bytes(bytes.begin() + 8, bytes.begin() + 16), (Bytes { 'F', 'x', 'B', 'k', 0, 0, 0, 2 }));
    EXPECT_EQ(Bytes(bytes.begin() + 28, bytes.begin() + 32), (Bytes { 0, 0, 0, 2 }));
    const BankFile bank = decodeBank(bytes, "b.fxb");
    EXPECT_EQ(bank.currentProgram, 2);
    EXPECT_EQ(bank.pluginVersion, 7);
    ASSERT_EQ(bank.programs.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(bank.programs[i].name, sampleBank.programs[i].name.substr(0, presetNameLength));
        EXPECT_EQ(bank.programs[i].values, sampleBank.programs[i].values);
    }
    // A version 1 bank has no current program.
    Bytes older = bytes;
    older[15] = 1;
    EXPECT_EQ(decodeBank(older, "old.fxb").currentProgram, 0);

    // Malformed files are refused with their fault: the offset and new byte
    // of each change, negative offsets counting from the end.
    const struct {
        std::vector<std::pair<int, uint8_t>> changes;
        const char* text;
    } faults[] = {
        { { { 0, 'X' } }, "CcnK" },
        { { { 9, 'P' }, { 10, 'C' }, { 11, 'h' } }, "chunk" },
        { { { 7, 57 } }, "size" },
        { { { 24, 0x7f } }, "parameters" },
        { { { -4, 0x7f }, { -3, 0xc0 } }, "not a finite number" }, // the second value becomes a NaN
    };
    for (const auto& fault : faults) {
        Bytes broken = handMadeProgram();
        for (const auto& [offset, byte] : fault.changes)
            broken[static_cast<size_t>(offset < 0 ? static_cast<int>(broken.size()) + offset : offset)] = byte;
        expectRenderError([&] { decodeProgram(broken, "broken.fxp"); }, "broken.fxp: ", fault.text);
    }
    Bytes trailing = handMadeProgram();
    trailing.push_back(0);
    trailing[7] = 57;
    expectRenderError([&] { decodeProgram(trailing, "broken.fxp"); }, "broken.fxp: ", "follow");
    EXPECT_THROW(decodeProgram(encodeBank(sampleBank), "x.fxp"), RenderError);
    EXPECT_THROW(decodeBank(handMadeProgram(), "x.fxb"), RenderError);
}

TEST(FileFormats, EveryCutAndRandomDamageGivesAnErrorNeverACrash)
{
    expectCutsRefusedAndDamageSurvived(handMadeMidi(), [](const Bytes& bytes) {
        for (const auto& message : parseMidiFile(bytes, "damaged.mid").messages) {
            EXPECT_GE(message.bytes[0], 0x80);
            EXPECT_LT(message.bytes[0], 0xf0);
        }
    });
    // Presets are read as the renderer does: by the kind the header names.
    expectCutsRefusedAndDamageSurvived(encodeBank(sampleBank), [](const Bytes& bytes) {
        const auto programs = presetKind(bytes, "damaged") == PresetKind::bank
            ? decodeBank(bytes, "damaged").programs
            : std::vector<PluginProgram> { decodeProgram(bytes, "damaged").program };
        for (const auto& program : programs)
            for (float value : program.values)
                EXPECT_TRUE(std::isfinite(value));
    });
}
