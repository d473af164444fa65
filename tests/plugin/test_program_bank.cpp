// The program records: where each parameter lives, names, copies.

#include "plugin/Parameters.h"
#include "plugin/Programs.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

namespace {

TEST(ProgramBank, SlotsOfTheRecord)
{
    // Index -> slot pairs at the seams of the record layout.
    const std::pair<int32_t, int32_t> seams[] = { { 0, 0 }, { 11, 11 }, { 13, 12 }, { 24, 23 }, { 152, 24 },
        { 25, 25 }, { 30, 30 }, { 155, 31 }, { 156, 32 }, { 31, 33 }, { 64, 66 }, { 153, 67 }, { 65, 68 },
        { 79, 82 }, { 154, 83 }, { 80, 84 }, { 106, 110 }, { 108, 111 }, { 107, 112 }, { 109, 113 }, { 157, 114 },
        { 111, 116 }, { 151, 156 } };
    for (const auto& [index, slot] : seams)
        EXPECT_EQ(ProgramBank::slotOf(index), slot) << index;
    for (int32_t none : { 12, 110, -1, 158 })
        EXPECT_EQ(ProgramBank::slotOf(none), -1) << none;

    // Every stored index has its own slot; slots 115 and 157 belong to none.
    int owners[ProgramBank::kNumSlots] = {};
    for (int32_t index = 0; index < kNumParameters; ++index)
        if (ProgramBank::slotOf(index) >= 0)
            ++owners[ProgramBank::slotOf(index)];
    for (int32_t slot = 0; slot < ProgramBank::kNumSlots; ++slot)
        EXPECT_EQ(owners[slot], slot == 115 || slot == 157 ? 0 : 1) << slot;
}

TEST(ProgramBank, StorageAndNamesPerProgramAndNothingOutOfBounds)
{
    auto bank = std::make_unique<ProgramBank>();
    bank->store(3, kResoByCutoff, 0.25f);
    for (int32_t program = 0; program < ProgramBank::kNumPrograms; ++program)
        EXPECT_EQ(bank->slotValue(program, 112), program == 3 ? 0.25f : 0.0f) << program;
    // Nowhere to go: nothing changes, nothing is written out of bounds.
    bank->store(3, 12, 0.5f);
    bank->store(3, 110, 0.5f);
    EXPECT_EQ(bank->slotValue(3, 115), 0.0f);
    bank->store(32, kVolume, 0.1f);
    bank->store(-1, kVolume, 0.1f);
    bank->store(0, 158, 0.1f);
    bank->store(0, -1, 0.1f);
    EXPECT_EQ(bank->slotValue(0, 0), 0.8f);
    EXPECT_EQ(bank->slotValue(31, 0), 0.8f);
    for (auto [program, slot] : { std::pair{ 32, 0 }, { 0, 158 }, { 0, -1 } })
        EXPECT_EQ(bank->slotValue(program, slot), 0.0f) << program << " " << slot;

    bank->setName(4, "abcdefghijklmnopqrstuvwxyz0123");
    char name[64];
    std::memset(name, 'x', sizeof name);
    bank->getName(4, name);
    EXPECT_STREQ(name, "abcdefghijklmnopqrstuvw");
    EXPECT_EQ(name[24], 'x') << "writes no more than the name and its terminator";
    bank->setName(40, "lost");
    bank->setName(5, nullptr);
    bank->copy(-1, 5);
    bank->copy(4, 32);
    bank->getName(5, name);
    EXPECT_STREQ(name, "Init");
    std::strcpy(name, "untouched");
    bank->getName(-1, name);
    EXPECT_STREQ(name, "untouched");
}

} // namespace
