// The bank behind the programs: every stored parameter has a slot of its own,
// names are cut to their buffer, and nothing outside the bank is written.
// Recall through the host interface is the host tests' part.

#include "plugin/Parameters.h"
#include "plugin/Programs.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

TEST(ProgramBank, EveryStoredIndexHasASlotOfItsOwnAndNothingLandsOutOfBounds)
{
    int owners[ProgramBank::kNumSlots] = {};
    for (int32_t index = -1; index <= kNumParameters; ++index) {
        const int32_t slot = ProgramBank::slotOf(index);
        EXPECT_EQ(slot >= 0, isStoredParameter(index)) << index;
        EXPECT_TRUE(slot < 0 || ++owners[slot] == 1) << index;
    }

    auto bank = std::make_unique<ProgramBank>();
    const float volume = bank->slotValue(0, ProgramBank::slotOf(kVolume));
    for (auto [program, index] : { std::pair<int32_t, int32_t> { 32, kVolume }, { -1, kVolume }, { 0, 158 }, { 0, -1 } })
        bank->store(program, index, 0.1f);
    EXPECT_EQ(bank->slotValue(0, ProgramBank::slotOf(kVolume)), volume);
    EXPECT_EQ(bank->slotValue(31, ProgramBank::slotOf(kVolume)), volume);
    for (auto [program, slot] : { std::pair { 32, 0 }, { 0, 158 }, { 0, -1 } })
        EXPECT_EQ(bank->slotValue(program, slot), 0.0f) << program << " " << slot;
    char name[64];
    std::memset(name, 'x', sizeof name);
    bank->setName(3, "abcdefghijklmnopqrstuvwxyz0123");
    bank->getName(3, name);
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
