#include "tests/tools/RenderTestSupport.h"
#include "tools/render/ProgramFile.h"
#include "vst2/aeffectx.h"

#include <cmath>

namespace {

// A program file laid out by hand: 'Zvx2' version 1, two parameters
// 0.5 (3F000000) and -2 (C0000000), named "Bass".
Bytes handMadeProgram()
{
    Bytes bytes = { 'C', 'c', 'n', 'K', 0, 0, 0, 56, 'F', 'x', 'C', 'k', 0, 0, 0, 1, 'Z', 'v', 'x', '2', 0, 0, 0, 1, 0,
        0, 0, 2, 'B', 'a', 's', 's' };
    bytes.resize(bytes.size() + 24); // the rest of the 28-byte name field
    for (uint8_t byte : { 0x3f, 0, 0, 0, 0xc0, 0, 0, 0 })
        bytes.push_back(byte);
    return bytes;
}

// The last name is longer than the field.
const BankFile sampleBank { vstFourCC('Z', 'v', 'x', '2'), 7, 2,
    { { "One", { 0.0f, 1.0f, 0.25f } }, { "Two", { 3.0f, -1.0f, 1e-30f } },
        { "A name far longer than twenty-seven", { 0.5f, 0.5f, 0.5f } } } };

} // namespace

TEST(ProgramFiles, ProgramsAndBanksUseTheStandardLayoutAndReadBack)
{
    EXPECT_EQ(encodeProgram({ vstFourCC('Z', 'v', 'x', '2'), 1, { "Bass", { 0.5f, -2.0f } } }), handMadeProgram());
    const ProgramFile program = decodeProgram(handMadeProgram(), "bass.fxp");
    EXPECT_EQ(program.pluginId, vstFourCC('Z', 'v', 'x', '2'));
    EXPECT_EQ(program.program.name, "Bass");
    EXPECT_EQ(program.program.values, (std::vector<float> { 0.5f, -2.0f }));
    EXPECT_EQ(presetKind(handMadeProgram(), "bass.fxp"), PresetKind::program);

    const Bytes bytes = encodeBank(sampleBank);
    // Header of 156 bytes with the current program at 28, then three programs of 56 + 3 * 4 bytes.
    ASSERT_EQ(bytes.size(), 156u + 3 * 68);
    EXPECT_EQ(Bytes(bytes.begin() + 8, bytes.begin() + 16), (Bytes { 'F', 'x', 'B', 'k', 0, 0, 0, 2 }));
    EXPECT_EQ(Bytes(bytes.begin() + 28, bytes.begin() + 32), (Bytes { 0, 0, 0, 2 }));
    EXPECT_EQ(presetKind(bytes, "b.fxb"), PresetKind::bank);
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
}

TEST(ProgramFiles, MalformedFilesAreRefusedWithTheirFault)
{
    // Offset and new byte of each fault; negative offsets count from the end.
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
        Bytes bytes = handMadeProgram();
        for (const auto& [offset, byte] : fault.changes)
            bytes[static_cast<size_t>(offset < 0 ? static_cast<int>(bytes.size()) + offset : offset)] = byte;
        expectRenderError([&] { decodeProgram(bytes, "broken.fxp"); }, "broken.fxp: ", fault.text);
    }
    Bytes trailing = handMadeProgram();
    trailing.push_back(0);
    trailing[7] = 57;
    expectRenderError([&] { decodeProgram(trailing, "broken.fxp"); }, "broken.fxp: ", "follow");
    EXPECT_THROW(decodeProgram(encodeBank(sampleBank), "x.fxp"), RenderError);
    EXPECT_THROW(decodeBank(handMadeProgram(), "x.fxb"), RenderError);
}

TEST(ProgramFiles, EveryCutAndRandomDamageGivesAnErrorNeverACrash)
{
    // Read as the renderer does: by the kind the header names.
    const int read = expectCutsRefusedAndDamageSurvived(encodeBank(sampleBank), [](const Bytes& bytes) {
        const auto programs = presetKind(bytes, "damaged") == PresetKind::bank
            ? decodeBank(bytes, "damaged").programs
            : std::vector<PluginProgram> { decodeProgram(bytes, "damaged").program };
        for (const auto& program : programs)
            for (float value : program.values)
                EXPECT_TRUE(std::isfinite(value));
    });
    EXPECT_GT(read, 100);
}
