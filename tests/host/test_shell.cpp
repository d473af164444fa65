// The plug-in as a host sees it: identity, flags and host answers.

#include "PluginHarness.h"

#include <cstring>

namespace {

class Shell : public ::testing::Test {
protected:
    void SetUp() override { harness.open(); }
    PluginHarness harness;
};

} // namespace

TEST_F(Shell, RecordCarriesTheIdentity)
{
    const AEffect* e = harness.effect();
    EXPECT_EQ(e->magic, kEffectMagic);
    EXPECT_EQ(e->numPrograms, 32);
    EXPECT_EQ(e->numParams, 158);
    EXPECT_EQ(e->numInputs, 0);
    EXPECT_EQ(e->numOutputs, 2);
    EXPECT_EQ(e->version, 1);
    EXPECT_EQ(e->initialDelay, 0);
    EXPECT_FLOAT_EQ(e->ioRatio, 1.0f);
    const unsigned char packed[4] = { 'Z', 'v', 'x', '2' };
    EXPECT_EQ(static_cast<uint32_t>(e->uniqueID),
        (uint32_t { packed[0] } << 24) | (uint32_t { packed[1] } << 16) | (uint32_t { packed[2] } << 8) | packed[3]);
    EXPECT_EQ(static_cast<uint32_t>(e->uniqueID), 0x5A767832u);
}

TEST_F(Shell, FlagsAreExactlySynthReplacingAndEditor)
{
    const int32_t flags = harness.effect()->flags;
    EXPECT_TRUE(flags & effFlagsCanReplacing);
    EXPECT_TRUE(flags & effFlagsIsSynth);
    EXPECT_FALSE(flags & effFlagsHasClip);
    EXPECT_FALSE(flags & effFlagsHasVu);
    EXPECT_EQ(flags & ~(effFlagsCanReplacing | effFlagsIsSynth | effFlagsHasEditor), 0);
}

TEST_F(Shell, NamesVersionsAndCategory)
{
    EXPECT_EQ(harness.text(effGetEffectName), "Zarvex");
    EXPECT_EQ(harness.text(effGetProductString), "Zarvex");
    EXPECT_EQ(harness.text(effGetVendorString), "Kelmori");
    EXPECT_EQ(harness.dispatch(effGetVendorVersion), 1);
    EXPECT_EQ(harness.dispatch(effGetVstVersion), 2300);
    EXPECT_EQ(harness.dispatch(effGetPlugCategory), kPlugCategSynth);
    EXPECT_EQ(harness.dispatch(effGetNumProgramCategories), 1);
    EXPECT_EQ(harness.dispatch(effGetProgram), 0);
}

TEST_F(Shell, CanDoComparesExactly)
{
    auto canDo = [&](const char* text) {
        char buffer[64];
        std::strcpy(buffer, text);
        return harness.dispatch(effCanDo, 0, 0, buffer);
    };
    EXPECT_EQ(canDo("receiveVstEvents"), 1);
    EXPECT_EQ(canDo("receiveVstMidiEvent"), 1);
    EXPECT_EQ(canDo("ReceiveVstEvents"), -1);
    EXPECT_EQ(canDo("receiveVstEvent"), -1);
    EXPECT_EQ(canDo("receiveVstTimeInfo"), -1);
    EXPECT_EQ(canDo(""), -1);
    EXPECT_EQ(harness.dispatch(effCanDo, 0, 0, nullptr), 0);
}

TEST_F(Shell, OutputPinsAreTwoActiveStereoPins)
{
    for (int32_t index = 0; index < 2; ++index) {
        VstPinProperties pin {};
        ASSERT_EQ(harness.dispatch(effGetOutputProperties, index, 0, &pin), 1);
        EXPECT_STREQ(pin.label, index == 0 ? "Vstx 1" : "Vstx 2");
        EXPECT_EQ(pin.flags, kVstPinIsActive | kVstPinIsStereo);
    }
    for (int32_t index : { 2, 3, 1000 }) {
        VstPinProperties pin {};
        std::memset(&pin, 0x55, sizeof pin);
        EXPECT_EQ(harness.dispatch(effGetOutputProperties, index, 0, &pin), 0);
        EXPECT_EQ(pin.flags, 0x55555555) << "nothing may be written for index " << index;
    }
    VstPinProperties input {};
    EXPECT_EQ(harness.dispatch(effGetInputProperties, 0, 0, &input), 0);
}

TEST_F(Shell, NegativeOutputIndicesAnswerLikeTheComparisonSays)
{
    // The index is compared signed, so -1 counts as below 2 and is answered
    // with the label of its successor, "Vstx 0".
    VstPinProperties pin {};
    EXPECT_EQ(harness.dispatch(effGetOutputProperties, -1, 0, &pin), 1);
    EXPECT_STREQ(pin.label, "Vstx 0");
}

TEST_F(Shell, TailSizeIsTwoSecondsOfSamples)
{
    EXPECT_EQ(harness.dispatch(effGetTailSize), 88200);
    harness.dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
    EXPECT_EQ(harness.dispatch(effGetTailSize), 96000);
    harness.dispatch(effSetSampleRate, 0, 0, nullptr, 22050.5f);
    EXPECT_EQ(harness.dispatch(effGetTailSize), 44101);
}

TEST_F(Shell, ResumeAsksForMidi)
{
    harness.clearCalls();
    harness.dispatch(effMainsChanged, 0, 1);
    const auto calls = harness.callsWith(audioMasterWantMidi);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].value, 1);
}

TEST(Entry, RefusesAHostWithoutVersion)
{
    VstHost host([](AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) -> intptr_t { return 0; });
    EXPECT_FALSE(host.load(PluginHarness::pluginPath()));
    EXPECT_NE(host.error().find("refused"), std::string::npos);
}

TEST(Entry, EveryEntryNameGivesAWorkingPlugin)
{
    // Old hosts look for "main" only; current Linux hosts for VSTPluginMain.
#if defined(_WIN32)
    const char* names[] = { "main" };
#else
    const char* names[] = { "main", "VSTPluginMain" };
#endif
    for (const char* name : names) {
        VstHost host;
        ASSERT_TRUE(host.load(PluginHarness::pluginPath(), name)) << host.error();
        EXPECT_EQ(host.effect()->numParams, 158) << name;
    }
}

TEST(Entry, ManyInstancesOpenAndCloseCleanly)
{
    for (int i = 0; i < 20; ++i) {
        PluginHarness harness;
        harness.open();
        EXPECT_EQ(harness.effect()->numParams, 158);
    }
}

TEST_F(Shell, UnknownOpcodesAndNullPointersAreHarmless)
{
    for (int32_t opcode = 0; opcode < 100; ++opcode) {
        if (opcode == effClose || opcode == effEditOpen || opcode == effProcessEvents)
            continue;
        harness.dispatch(opcode, 0, 0, nullptr, 0.0f);
        harness.dispatch(opcode, -1, -1, nullptr, -1.0f);
    }
    harness.dispatch(-5, 7, 7, nullptr, 0.0f);
    harness.dispatch(100000, 7, 7, nullptr, 0.0f);
    EXPECT_EQ(harness.dispatch(effProcessEvents, 0, 0, nullptr), 0);
    harness.dispatch(effSetProgram, 0, -3);
    harness.dispatch(effSetProgram, 0, 32);
    EXPECT_EQ(harness.dispatch(effGetProgram), 0);
}
