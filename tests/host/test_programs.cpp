// The bank of 32 programs as a host uses it: names, recall, copies.

#include "PluginHarness.h"

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

class Programs : public ::testing::Test {
protected:
    void SetUp() override { harness.open(); }

    std::vector<float> allValues()
    {
        std::vector<float> values;
        for (int32_t index = 0; index < 158; ++index)
            values.push_back(harness.getParameter(index));
        return values;
    }
    void select(int32_t program) { harness.dispatch(effSetProgram, 0, program); }
    std::string programName() { return harness.text(effGetProgramName); }
    void rename(const char* name)
    {
        char buffer[64];
        std::strcpy(buffer, name);
        harness.dispatch(effSetProgramName, 0, 0, buffer);
    }
    // The name of a program by number, or "refused" with an empty text left
    // in the buffer (a host's buffer may hold garbage).
    std::string indexedName(int32_t program)
    {
        char buffer[64];
        std::strcpy(buffer, "untouched");
        const intptr_t answer = harness.dispatch(effGetProgramNameIndexed, program, 0, buffer);
        if (!answer)
            return buffer[0] == 0 ? "refused" : "refused with a text";
        return buffer;
    }

    PluginHarness harness;
};

} // namespace

TEST_F(Programs, EveryProgramStartsAsTheDefaultsNamedInit)
{
    EXPECT_EQ(programName(), "Init");
    for (int32_t program = 0; program < 32; ++program)
        EXPECT_EQ(indexedName(program), "Init") << program;
    EXPECT_EQ(indexedName(32), "refused");
    EXPECT_EQ(indexedName(-1), "refused");

    // Recall replays every parameter but index 12, each with its notification.
    const auto defaults = allValues();
    for (int32_t program : { 0, 1, 7, 31 }) {
        harness.clearCalls();
        select(program);
        EXPECT_EQ(harness.displayUpdateCount(), 157) << program;
        EXPECT_EQ(harness.dispatch(effGetProgram), program);
        EXPECT_EQ(allValues(), defaults) << program;
    }
}

TEST_F(Programs, ValuesAndNamesBelongToTheirProgram)
{
    select(3);
    harness.setParameter(107, 0.7f);
    harness.setParameter(108, 0.1f);
    harness.setParameter(156, 0.3f);
    rename("abcdefghijklmnopqrstuvwxyz0123");
    EXPECT_EQ(programName(), "abcdefghijklmnopqrstuvw");
    select(0);
    EXPECT_EQ(programName(), "Init");
    EXPECT_EQ(harness.getParameter(107), 0.0f);
    EXPECT_EQ(harness.getParameter(108), 0.5f);
    EXPECT_EQ(harness.getParameter(156), 0.0f);
    EXPECT_EQ(indexedName(3), "abcdefghijklmnopqrstuvw");
    select(3);
    EXPECT_EQ(harness.getParameter(107), 0.7f);
    EXPECT_EQ(harness.getParameter(108), 0.1f);
    EXPECT_EQ(harness.getParameter(156), 0.3f);
}

TEST_F(Programs, CopyTakesTheCurrentProgram)
{
    harness.setParameter(0, 0.25f);
    harness.setParameter(99, 0.5f);
    rename("Copied");
    const auto values = allValues();
    EXPECT_EQ(harness.dispatch(effCopyProgram, 5), 1);
    EXPECT_EQ(harness.dispatch(effGetProgram), 0);
    EXPECT_EQ(indexedName(5), "Copied");
    select(5);
    EXPECT_EQ(allValues(), values);
    EXPECT_EQ(harness.dispatch(effCopyProgram, 32), 0);
    EXPECT_EQ(harness.dispatch(effCopyProgram, -1), 0);
}

TEST_F(Programs, RecallReachesTheSound)
{
    // Program 1 has oscillator 1 switched off; program 0 plays its sine.
    select(1);
    harness.setParameter(13, 0.0f);
    const auto level = [&] {
        harness.renderBlock(64, { PluginHarness::noteOn(0, 60, 100) });
        double sum = 0.0;
        for (float sample : harness.render(4096))
            sum += std::fabs(sample);
        harness.renderBlock(64, { PluginHarness::noteOff(0, 60) });
        harness.render(44100);
        return sum;
    };
    EXPECT_EQ(level(), 0.0);
    select(0);
    const double loud = level();
    EXPECT_GT(loud, 100.0);
    // Only the decimator's short tail of the previous note remains.
    select(1);
    EXPECT_LT(level(), 0.01 * loud);
}
