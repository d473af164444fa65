#include "tools/render/ProgramFile.h"
#include "tools/render/RenderError.h"
#include "vst2/aeffectx.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

namespace {

using Bytes = std::vector<uint8_t>;

void append(Bytes& bytes, std::initializer_list<int> values)
{
    for (int value : values)
        bytes.push_back(static_cast<uint8_t>(value));
}

void appendText(Bytes& bytes, const char* text, size_t field)
{
    const size_t length = std::strlen(text);
    for (size_t i = 0; i < field; ++i)
        bytes.push_back(i < length ? static_cast<uint8_t>(text[i]) : 0);
}

// A program file laid out by hand: 'Zvx2' version 1, two parameters
// 0.5 (3F000000) and -2 (C0000000), named "Bass".
Bytes handMadeProgram()
{
    Bytes bytes;
    append(bytes, { 'C', 'c', 'n', 'K', 0, 0, 0, 56, 'F', 'x', 'C', 'k', 0, 0, 0, 1 });
    append(bytes, { 'Z', 'v', 'x', '2', 0, 0, 0, 1, 0, 0, 0, 2 });
    appendText(bytes, "Bass", 28);
    append(bytes, { 0x3f, 0, 0, 0, 0xc0, 0, 0, 0 });
    return bytes;
}

BankFile sampleBank()
{
    return { vstFourCC('Z', 'v', 'x', '2'), 7, 2,
        { { "One", { 0.0f, 1.0f, 0.25f } }, { "Two", { 3.0f, -1.0f, 1e-30f } }, { "", { 0.5f, 0.5f, 0.5f } } } };
}

void expectRefused(const Bytes& bytes, const std::string& expectedText = "")
{
    try {
        decodeProgram(bytes, "broken.fxp");
        FAIL() << "accepted";
    } catch (const RenderError& error) {
        const std::string text = error.what();
        EXPECT_EQ(text.rfind("broken.fxp: ", 0), 0u) << "the message names the file: " << text;
        EXPECT_NE(text.find(expectedText), std::string::npos) << text;
    }
}

} // namespace

TEST(ProgramFiles, AProgramIsWrittenInTheStandardLayout)
{
    const ProgramFile file { vstFourCC('Z', 'v', 'x', '2'), 1, { "Bass", { 0.5f, -2.0f } } };
    EXPECT_EQ(encodeProgram(file), handMadeProgram());
    const ProgramFile read = decodeProgram(handMadeProgram(), "bass.fxp");
    EXPECT_EQ(read.pluginId, file.pluginId);
    EXPECT_EQ(read.pluginVersion, 1);
    EXPECT_EQ(read.program.name, "Bass");
    EXPECT_EQ(read.program.values, file.program.values);
    EXPECT_EQ(presetKind(handMadeProgram(), "bass.fxp"), PresetKind::program);
}

TEST(ProgramFiles, ABankRoundTripsWithItsCurrentProgram)
{
    const Bytes bytes = encodeBank(sampleBank());
    // Header of 156 bytes, then three programs of 56 + 3 * 4 bytes.
    ASSERT_EQ(bytes.size(), 156u + 3 * 68);
    EXPECT_EQ(Bytes(bytes.begin() + 8, bytes.begin() + 16), (Bytes { 'F', 'x', 'B', 'k', 0, 0, 0, 2 }));
    EXPECT_EQ(Bytes(bytes.begin() + 28, bytes.begin() + 32), (Bytes { 0, 0, 0, 2 }));
    EXPECT_EQ(presetKind(bytes, "b.fxb"), PresetKind::bank);
    const BankFile read = decodeBank(bytes, "b.fxb");
    EXPECT_EQ(read.currentProgram, 2);
    EXPECT_EQ(read.pluginVersion, 7);
    ASSERT_EQ(read.programs.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(read.programs[i].name, sampleBank().programs[i].name);
        EXPECT_EQ(read.programs[i].values, sampleBank().programs[i].values);
    }
    // A version 1 bank has no current program.
    Bytes older = bytes;
    older[15] = 1;
    EXPECT_EQ(decodeBank(older, "old.fxb").currentProgram, 0);
}

TEST(ProgramFiles, LongNamesAreCutToFitTheField)
{
    const ProgramFile file { 1, 1, { "A name far longer than twenty-seven", { 0.0f } } };
    EXPECT_EQ(decodeProgram(encodeProgram(file), "n.fxp").program.name, file.program.name.substr(0, presetNameLength));
}

TEST(ProgramFiles, MalformedFilesAreRefusedWithTheirFault)
{
    Bytes wrongMagic = handMadeProgram();
    wrongMagic[0] = 'X';
    expectRefused(wrongMagic, "CcnK");

    Bytes chunk = handMadeProgram();
    chunk[9] = 'P';
    chunk[10] = 'C';
    chunk[11] = 'h';
    expectRefused(chunk, "chunk");

    Bytes wrongSize = handMadeProgram();
    wrongSize[7] = 57;
    expectRefused(wrongSize, "size");

    Bytes hugeCount = handMadeProgram();
    hugeCount[24] = 0x7f;
    expectRefused(hugeCount, "parameters");

    Bytes notANumber = handMadeProgram();
    // The second value becomes a NaN.
    notANumber[notANumber.size() - 4] = 0x7f;
    notANumber[notANumber.size() - 3] = 0xc0;
    expectRefused(notANumber, "not a finite number");

    Bytes trailing = handMadeProgram();
    trailing.push_back(0);
    trailing[7] = 57;
    expectRefused(trailing, "follow");

    Bytes otherKind = encodeBank(sampleBank());
    EXPECT_THROW(decodeProgram(otherKind, "x.fxp"), RenderError);
    EXPECT_THROW(decodeBank(handMadeProgram(), "x.fxb"), RenderError);
}

TEST(ProgramFiles, EveryTruncationAndRandomDamageGivesAnErrorNeverACrash)
{
    const Bytes bank = encodeBank(sampleBank());
    for (size_t length = 0; length < bank.size(); ++length) {
        const Bytes cut(bank.begin(), bank.begin() + static_cast<std::ptrdiff_t>(length));
        EXPECT_THROW(decodeBank(cut, "cut.fxb"), RenderError) << length;
        EXPECT_THROW(presetKind(Bytes(cut.begin(), cut.begin() + std::min<size_t>(length, 11)), "cut"), RenderError);
    }
    std::mt19937 random(7);
    for (int trial = 0; trial < 20000; ++trial) {
        Bytes damaged = bank;
        for (int flips = 1 + trial % 3; flips > 0; --flips)
            damaged[random() % damaged.size()] = static_cast<uint8_t>(random());
        try {
            const BankFile read = decodeBank(damaged, "damaged.fxb");
            for (const auto& program : read.programs)
                for (float value : program.values)
                    EXPECT_TRUE(std::isfinite(value));
        } catch (const RenderError&) {
        }
    }
}
