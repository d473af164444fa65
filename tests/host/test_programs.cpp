// The bank of 32 programs through the host interface: names, recall, copies.
// Recall replays the values through the parameters (counted below), whose
// sound the golden renders hear.

#include "PluginHarness.h"
#include "plugin/Parameters.h"

TEST(Programs, StartAsTheDefaultsNamedInitKeepTheirValuesAndNamesCopiesTakeTheCurrentOne)
{
    const auto harness = PluginHarness::opened();
    const auto select = [&](int32_t program) { harness->dispatch(effSetProgram, 0, program); };
    // The name of a program by number, or "refused" with an empty text left
    // in the buffer (a host's buffer may hold garbage).
    const auto indexedName = [&](int32_t program) -> std::string {
        char buffer[64] = "untouched";
        if (!harness->dispatch(effGetProgramNameIndexed, program, 0, buffer))
            return buffer[0] == 0 ? "refused" : "refused with a text";
        return buffer;
    };
    // Recall replays every parameter but the one without a slot, each with
    // its notification; numbers beyond the bank change nothing.
    const auto defaults = harness->values();
    for (int32_t program : { 0, 31, -3, 32 }) {
        harness->clearCalls();
        select(program);
        const bool valid = program >= 0 && program < 32;
        EXPECT_EQ(indexedName(program), valid ? "Init" : "refused");
        EXPECT_EQ(harness->displayUpdateCount(), valid ? kNumParameters - 1 : 0) << program;
        EXPECT_EQ(harness->dispatch(effGetProgram), valid ? program : 31);
        EXPECT_EQ(harness->values(), defaults) << program;
    }

    select(3);
    harness->setPatch({ { kResoByCutoff, 0.7f }, { kGain, 0.1f }, { kO1DetRndFrq, 0.3f } });
    char name[] = "abcdefghijklmnopqrstuvwxyz0123";
    harness->dispatch(effSetProgramName, 0, 0, name);
    EXPECT_EQ(harness->text(effGetProgramName), "abcdefghijklmnopqrstuvw");
    const auto edited = harness->values();
    select(0);
    EXPECT_EQ(harness->text(effGetProgramName) + indexedName(3), "Initabcdefghijklmnopqrstuvw");
    EXPECT_EQ(harness->values(), defaults);
    // A copy of program 3 into 5 leaves program 3 current.
    select(3);
    EXPECT_EQ(harness->dispatch(effCopyProgram, 5), 1);
    EXPECT_EQ(harness->dispatch(effGetProgram), 3);
    EXPECT_EQ(indexedName(5), "abcdefghijklmnopqrstuvw");
    select(0);
    select(5);
    EXPECT_EQ(harness->values(), edited);
    EXPECT_EQ(harness->dispatch(effCopyProgram, 32) + harness->dispatch(effCopyProgram, -1), 0);
}
