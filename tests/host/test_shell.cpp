// The plug-in as a host sees it: identity, flags and host answers.

#include "PluginHarness.h"
#include "plugin/Parameters.h"

namespace {

class Shell : public ::testing::Test {
protected:
    void SetUp() override { harness.open(); }
    PluginHarness harness;
};

} // namespace

TEST_F(Shell, RecordNamesAndVersionsCarryTheIdentity)
{
    const AEffect* e = harness.effect();
    EXPECT_EQ(e->magic, kEffectMagic);
    EXPECT_EQ(e->numPrograms, 32);
    EXPECT_EQ(e->numParams, kNumParameters);
    EXPECT_EQ(e->numInputs, 0);
    EXPECT_EQ(e->numOutputs, 2);
    EXPECT_EQ(e->version, 1);
    EXPECT_EQ(e->initialDelay, 0);
    EXPECT_FLOAT_EQ(e->ioRatio, 1.0f);
    EXPECT_EQ(static_cast<uint32_t>(e->uniqueID), 0x5A767832u); // 'Zvx2'
    EXPECT_EQ(e->flags, effFlagsCanReplacing | effFlagsIsSynth | (e->flags & effFlagsHasEditor));
    EXPECT_EQ(harness.text(effGetEffectName), "Zarvex");
    EXPECT_EQ(harness.text(effGetProductString), "Zarvex");
    EXPECT_EQ(harness.text(effGetVendorString), "Kelmori");
    EXPECT_EQ(harness.dispatch(effGetVendorVersion), 1);
    EXPECT_EQ(harness.dispatch(effGetVstVersion), 2300);
    EXPECT_EQ(harness.dispatch(effGetPlugCategory), kPlugCategSynth);
    EXPECT_EQ(harness.dispatch(effGetNumProgramCategories), 1);
}

TEST_F(Shell, CanDoComparesExactly)
{
    auto canDo = [&](std::string text) { return harness.dispatch(effCanDo, 0, 0, text.data()); };
    EXPECT_EQ(canDo("receiveVstEvents"), 1);
    EXPECT_EQ(canDo("receiveVstMidiEvent"), 1);
    for (const char* other : { "ReceiveVstEvents", "receiveVstEvent", "receiveVstTimeInfo", "" })
        EXPECT_EQ(canDo(other), -1) << other;
    EXPECT_EQ(harness.dispatch(effCanDo, 0, 0, nullptr), 0);
}

TEST_F(Shell, OutputPinsAreTwoActiveStereoPins)
{
    for (int32_t index = 0; index < 4; ++index) {
        VstPinProperties pin {};
        std::memset(&pin, 0x55, sizeof pin);
        ASSERT_EQ(harness.dispatch(effGetOutputProperties, index, 0, &pin), index < 2 ? 1 : 0);
        if (index < 2) {
            EXPECT_STREQ(pin.label, index == 0 ? "Vstx 1" : "Vstx 2");
            EXPECT_EQ(pin.flags, kVstPinIsActive | kVstPinIsStereo);
        } else {
            EXPECT_EQ(pin.flags, 0x55555555) << "nothing may be written for index " << index;
        }
    }
    VstPinProperties input {};
    EXPECT_EQ(harness.dispatch(effGetInputProperties, 0, 0, &input), 0);
}

TEST_F(Shell, TailSizeIsTwoSecondsOfSamplesAndResumeAsksForMidi)
{
    EXPECT_EQ(harness.dispatch(effGetTailSize), 88200);
    harness.dispatch(effSetSampleRate, 0, 0, nullptr, 22050.5f);
    EXPECT_EQ(harness.dispatch(effGetTailSize), 44101);
    harness.clearCalls();
    harness.dispatch(effMainsChanged, 0, 1);
    const auto calls = harness.callsWith(audioMasterWantMidi);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].value, 1);
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
    EXPECT_EQ(harness.dispatch(effGetProgram), 0);
}

TEST(Entry, RefusesAHostWithoutVersionAnswersUnderEveryEntryName)
{
    VstHost refused([](AEffect*, int32_t, int32_t, intptr_t, void*, float) -> intptr_t { return 0; });
    EXPECT_FALSE(refused.load(PluginHarness::pluginPath()));
    EXPECT_NE(refused.error().find("refused"), std::string::npos);
    // Old hosts look for "main" only; current Linux hosts for VSTPluginMain.
#if defined(_WIN32)
    const char* names[] = { "main" };
#else
    const char* names[] = { "main", "VSTPluginMain" };
#endif
    for (const char* name : names) {
        VstHost host;
        ASSERT_TRUE(host.load(PluginHarness::pluginPath(), name)) << host.error();
        EXPECT_EQ(host.effect()->numParams, kNumParameters) << name;
    }
}
