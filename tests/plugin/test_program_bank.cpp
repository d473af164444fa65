// Programs as a host meets them: switching recalls every value and the name,
// and nothing outside the bank is written.

#include "plugin/Parameters.h"
#include "plugin/Programs.h"
#include "plugin/Zarvex2Plug.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace {

intptr_t VSTCALLBACK host(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

float valueFor(int32_t index) { return static_cast<float>(index % 50 + 0.5) / 50.0f; }

} // namespace

TEST(ProgramBank, SwitchingRecallsEveryValueAndName)
{
    auto plug = std::make_unique<Zarvex2Plug>(host);
    plug->setProgram(3);
    for (int32_t index = 0; index < kNumParameters; ++index)
        plug->setParameter(index, valueFor(index));
    char name[64] = "abcdefghijklmnopqrstuvwxyz0123";
    plug->setProgramName(name);
    plug->setProgram(4);
    for (int32_t index = 0; index < kNumParameters; ++index)
        if (isStoredParameter(index)) {
            EXPECT_EQ(plug->getParameter(index), parameterInfo(index)->defaultValue) << index;
        }
    plug->setProgram(3);
    for (int32_t index = 0; index < kNumParameters; ++index)
        if (isStoredParameter(index)) {
            EXPECT_EQ(plug->getParameter(index), valueFor(index)) << index;
        }
    std::memset(name, 'x', sizeof name);
    plug->getProgramName(name);
    EXPECT_STREQ(name, "abcdefghijklmnopqrstuvw");
    EXPECT_EQ(name[24], 'x') << "writes no more than the name and its terminator";
}

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
