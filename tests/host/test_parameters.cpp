// Parameters as a host sees them: names, labels, value texts, the
// notifications each change sends back, and the sound each change makes.

#include "PluginHarness.h"
#include "plugin/Parameters.h"
#include "tests/support/PatchValues.h"

#include <cfloat>

namespace {

class Parameters : public ::testing::Test {
protected:
    void SetUp() override { harness.open(); }

    // The text an opcode writes into a buffer of garbage ("untouched" when
    // nothing at all was written).
    std::string written(int32_t opcode, int32_t index)
    {
        char buffer[64];
        std::memset(buffer, 'x', sizeof buffer);
        harness.dispatch(opcode, index, 0, buffer);
        buffer[sizeof buffer - 1] = 0;
        return buffer[0] == 'x' && buffer[1] == 'x' ? "untouched" : std::string(buffer);
    }

    PluginHarness harness;
};

} // namespace

TEST_F(Parameters, NamesAndLabelsByteForByteEmptyWhereThereIsNone)
{
    const std::pair<int32_t, const char*> names[] = { { kVolume, "Volume" }, { kMonoPoly, "Mono/Poly" },
        { kOsc1AmpRampStartByVel, "...by Vel" }, { kSyncToOsc1, "sync to osc1:" }, { kFilterDryWetByVel, "...by Velo" },
        { kFilterFMByOutput, "...by Output" }, { kFiltEnvDurByVel, "FiltEnvDurByVel" }, { kDC, "DC" },
        { kDCBlock, "" }, { kUnused110, "" }, { kNumParameters, "" }, { -1, "" } };
    for (const auto& [index, text] : names)
        EXPECT_EQ(written(effGetParamName, index), text) << index;
    const std::pair<int32_t, const char*> labels[] = { { kVolume, "dB  " }, { kMonoPoly, "      " }, { kAccent, "%   " },
        { kO1LPF, "Hz" }, { kFilterFreqByVel, "semitones@127" }, { kRefKey, "MIDI-Note " }, { kFilterFMByInput, "\t" },
        { kDC, " " }, { kDCBlock, "" }, { kSyncToOsc1, "" }, { kUnused110, "" }, { kNumParameters, "" }, { -1, "" } };
    for (const auto& [index, text] : labels)
        EXPECT_EQ(written(effGetParamLabel, index), text) << index;
    for (int32_t index = 0; index < kNumParameters; ++index) {
        EXPECT_LE(written(effGetParamName, index).size(), 15u) << index;
        EXPECT_LE(written(effGetParamLabel, index).size(), 13u) << index;
    }
}

TEST_F(Parameters, ValueTextsOfDefaultsAndChangedValues)
{
    // Before any change: what the constructor set, and for the indices it
    // never sets what 0.0 means.
    const std::pair<int32_t, const char*> defaults[] = { { kVolume, "0.000001" }, { kEnvSlope, "0.200000" },
        { kO1Wave, "Sine" }, { kO1LPF, "bypass" }, { kFilterMode, "bypass" }, { kRefKey, "D#4 " },
        { kAmp1Attack, "2.000000" }, { kFatness, "0.000000" }, { kO1DetRndFrq, "1.000000" }, { kO1APF, "" },
        { kDCBlock, "" }, { kUnused110, "" }, { kNumParameters, "" }, { -1, "" } };
    for (const auto& [index, text] : defaults)
        EXPECT_EQ(written(effGetParamDisplay, index), text) << index;
    const struct {
        int32_t index;
        float v;
        const char* text;
    } cases[] = { { kO2Wave, patch::wave(13), "SawOcts" }, { kO3Wave, patch::wave(14), "WhiteNoiseCycle" },
        { kO1LPF, 0.5f, "632.4555" }, { kO1HPF, 0.25f, "92.46826" }, // cut, not rounded
        { kSyncToOsc1, 0.4f, "osc 2" }, { kFilterMode, patch::mode(10), "Moog LPF" }, { kFilterMode, 1.0f, "128.0000" },
        { kO1DetSpacing, 0.5f, "lin" }, { kO1DetSpacing, 0.49f, "exp" }, { kRefKey, 1.0f, "G9  " },
        { kRefKey, 0.0f, "C-1 " }, { kRefKey, 2.0f, "ERR " }, { kVolume, 0.0f, "-96.0000" }, { kCutoff, 1.0f, "20000.00" },
        { kO1DetRndFrq, 0.5f, "10.00000" }, { kO1HPF, 1e-6f, "0.000138" }, { kO1Wave, -1.0f, "Reserved" },
        { kResoByCutoff, 1.0f, "1.412537" }, { kVolume, 1e7f, "Huge!" }, { kVolume, FLT_MAX, "Huge!" },
        { kVolume, 2.0f, "144.0000" } };
    for (const auto& c : cases) {
        harness.setParameter(c.index, c.v);
        EXPECT_EQ(written(effGetParamDisplay, c.index), c.text) << c.index << " at " << c.v;
    }
    // Values out of range are kept as given.
    EXPECT_EQ(harness.getParameter(kVolume), 2.0f);
}

TEST_F(Parameters, EveryCallNotifiesTheHostOnceInertIndicesStoreNothing)
{
    harness.clearCalls();
    for (int32_t index : { static_cast<int32_t>(kVolume), static_cast<int32_t>(kDCBlock), 200, -1 })
        harness.setParameter(index, 0.7f);
    EXPECT_EQ(harness.displayUpdateCount(), 4);
    EXPECT_EQ(harness.getParameter(kVolume), 0.7f);
    EXPECT_EQ(harness.getParameter(kDCBlock), 0.0f);
    EXPECT_EQ(harness.getParameter(200), 0.0f);
}

TEST_F(Parameters, ChangesReachTheSound)
{
    // With its defaults the instrument plays a full-scale sine; each change
    // below must be heard in the second half of the output.
    const auto play = [&](int32_t index, float v) {
        PluginHarness instance;
        instance.open();
        if (index >= 0)
            instance.setParameter(index, v);
        return instance.play({ PluginHarness::noteOn(0, 69, 64) }, 4096, 4096);
    };
    const auto rms = [](const std::vector<double>& x) {
        return std::sqrt(std::inner_product(x.begin(), x.end(), x.begin(), 0.0) / static_cast<double>(x.size()));
    };
    const auto plain = play(-1, 0.0f);
    const double level = rms(plain);
    ASSERT_GT(level, 0.1);
    EXPECT_NEAR(rms(play(kVolume, 0.8f - 20.0f / 120.0f)) / level, 0.1, 0.005); // -20 dB
    // The pitch ramp's end an octave up (its time is 0: it holds from the start).
    EXPECT_NEAR(frequencyOf(play(kO1PitchEnd, 0.5f + 12.0f / 96.0f), 44100.0) / frequencyOf(plain, 44100.0), 2.0, 0.01);
    EXPECT_EQ(rms(play(kO1Wave, 0.0f)), 0.0); // oscillator 1 off
    EXPECT_LT(rms(play(kAmp2Sustain, 0.0f)), 1e-3 * level); // sustain at -96 dB: silent while held
}
