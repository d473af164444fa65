// The plug-in as a host sees it: identity, flags and host answers.

#include "PluginHarness.h"
#include "plugin/Parameters.h"

#include <tuple>

TEST(Shell, RecordNamesVersionsPinsAndAnswersCarryTheIdentity)
{
    // What hosts key their presets and routing on.
    const auto harness = PluginHarness::opened();
    const AEffect* e = harness->effect();
    EXPECT_EQ(std::tuple(e->magic, e->numPrograms, e->numParams, e->numInputs, e->numOutputs, e->version),
        std::tuple(kEffectMagic, 32, int32_t { kNumParameters }, 0, 2, 1));
    EXPECT_EQ(static_cast<uint32_t>(e->uniqueID), 0x5A767832u); // 'Zvx2'
    EXPECT_EQ(e->flags, effFlagsCanReplacing | effFlagsIsSynth | (e->flags & effFlagsHasEditor));
    EXPECT_EQ(harness->text(effGetEffectName) + harness->text(effGetProductString) + harness->text(effGetVendorString),
        "ZarvexZarvexKelmori");
    EXPECT_EQ(harness->dispatch(effGetVstVersion), 2300);
    EXPECT_EQ(harness->dispatch(effGetPlugCategory), kPlugCategSynth);
    // Two active stereo outputs; beyond them nothing at all is written.
    for (int32_t index = 0; index < 3; ++index) {
        VstPinProperties pin {};
        std::memset(&pin, 0x55, sizeof pin);
        ASSERT_EQ(harness->dispatch(effGetOutputProperties, index, 0, &pin), index < 2 ? 1 : 0);
        EXPECT_EQ(pin.flags, index < 2 ? kVstPinIsActive | kVstPinIsStereo : 0x55555555) << index;
        EXPECT_STREQ(index < 2 ? pin.label : "", index == 0 ? "Vstx 1" : index == 1 ? "Vstx 2" : "");
    }
    // Capabilities are compared exactly; resuming asks for MIDI.
    auto canDo = [&](std::string text) { return harness->dispatch(effCanDo, 0, 0, text.data()); };
    for (const char* yes : { "receiveVstEvents", "receiveVstMidiEvent" })
        EXPECT_EQ(canDo(yes), 1) << yes;
    for (const char* other : { "ReceiveVstEvents", "receiveVstEvent", "" })
        EXPECT_EQ(canDo(other), -1) << other;
    EXPECT_EQ(harness->dispatch(effCanDo, 0, 0, nullptr), 0);
    harness->clearCalls();
    harness->dispatch(effMainsChanged, 0, 1);
    const auto calls = harness->callsWith(audioMasterWantMidi);
    EXPECT_TRUE(calls.size() == 1 && calls[0].value == 1);
}

TEST(Entry, RefusesAHostWithoutVersionAnswersOldHostsFindMain)
{
    VstHost refused([](AEffect*, int32_t, int32_t, intptr_t, void*, float) -> intptr_t { return 0; });
    EXPECT_FALSE(refused.load(PluginHarness::pluginPath()));
    EXPECT_NE(refused.error().find("refused"), std::string::npos);
    // Old hosts look for "main" only; the other tests load through
    // VSTPluginMain where it exists.
    VstHost old;
    ASSERT_TRUE(old.load(PluginHarness::pluginPath(), "main")) << old.error();
    EXPECT_EQ(old.effect()->numParams, kNumParameters);
}
