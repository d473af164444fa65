// Parameters as a host sees them: names, labels, value texts and the
// notifications each change sends back (the golden renders hear the changes).

#include "PluginHarness.h"
#include "plugin/Parameters.h"
#include "tests/support/PatchValues.h"

#include <cfloat>
#include <tuple>

TEST(Parameters, TextsFitTheirBuffersValuesShowAsSetAndEachNotifiesTheHostOnce)
{
    const auto harness = PluginHarness::opened();
    // The text an opcode writes into a buffer of garbage ("untouched" when
    // nothing at all was written).
    const auto written = [&](int32_t opcode, int32_t index) {
        std::string buffer(63, 'x');
        harness->dispatch(opcode, index, 0, buffer.data());
        return buffer.rfind("xx", 0) == 0 ? "untouched" : std::string(buffer.c_str());
    };
    for (int32_t index : { int32_t { kDCBlock }, int32_t { kUnused110 }, int32_t { kNumParameters }, -1 })
        EXPECT_EQ(written(effGetParamName, index) + written(effGetParamLabel, index), "") << index;
    EXPECT_EQ(written(effGetParamLabel, kSyncToOsc1), "");
    EXPECT_EQ(written(effGetParamName, kFiltEnvDurByVel), "FiltEnvDurByVel");
    EXPECT_EQ(written(effGetParamLabel, kFilterFreqByVel), "semitones@127");
    for (int32_t index = 0; index < kNumParameters; ++index) {
        EXPECT_LE(written(effGetParamName, index).size(), 15u) << index;
        EXPECT_LE(written(effGetParamLabel, index).size(), 13u) << index;
    }
    // Before any change: what the constructor set, and for the indices it
    // never sets what 0.0 means.
    const std::pair<int32_t, const char*> defaults[] = { { kVolume, "0.000001" }, { kO1Wave, "Sine" },
        { kO1LPF, "bypass" }, { kRefKey, "D#4 " }, { kO1APF, "" }, { kDCBlock, "" }, { kNumParameters, "" },
        { -1, "" } };
    for (const auto& [index, text] : defaults)
        EXPECT_EQ(written(effGetParamDisplay, index), text) << index;
    // Values out of range are kept as given; texts are cut, not rounded.
    const std::tuple<int32_t, float, const char*> cases[] = { { kO3Wave, patch::wave(14), "WhiteNoiseCycle" },
        { kO1HPF, 0.25f, "92.46826" }, { kVolume, 0.55f, "-29.9999" }, { kSyncToOsc1, 0.4f, "osc 2" },
        { kFilterMode, patch::mode(10), "Moog LPF" }, { kFilterMode, 1.0f, "128.0000" },
        { kO1DetSpacing, 0.5f, "lin" }, { kO1DetSpacing, 0.49f, "exp" }, { kRefKey, 1.0f, "G9  " },
        { kRefKey, 2.0f, "ERR " }, { kVolume, 0.0f, "-96.0000" }, { kCutoff, 1.0f, "20000.00" },
        { kO1HPF, 1e-6f, "0.000138" }, { kO1Wave, -1.0f, "Reserved" }, { kVolume, FLT_MAX, "Huge!" },
        { kVolume, 2.0f, "144.0000" } };
    for (const auto& [index, v, text] : cases) {
        harness->setParameter(index, v);
        EXPECT_EQ(written(effGetParamDisplay, index), text) << index << " at " << v;
    }
    // Every finite value notifies the host once; inert indices store nothing.
    harness->clearCalls();
    for (int32_t index : { int32_t { kVolume }, int32_t { kDCBlock }, 200, -1 })
        harness->setParameter(index, 0.7f);
    for (float bad : { NAN, INFINITY, -INFINITY })
        harness->setParameter(kVolume, bad);
    EXPECT_EQ(harness->displayUpdateCount(), 4);
    EXPECT_EQ(harness->getParameter(kVolume), 0.7f);
    EXPECT_EQ(harness->getParameter(kDCBlock) + harness->getParameter(200), 0.0f);
}
