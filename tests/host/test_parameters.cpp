// Parameters as a host sees them: names, labels, values, value texts and the
// notifications each change sends back.

#include "PluginHarness.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <map>
#include <numeric>
#include <string>

namespace {

class Parameters : public ::testing::Test {
protected:
    void SetUp() override { harness.open(); }

    // The text an opcode writes into a buffer filled with 'x', or
    // "untouched" when nothing at all was written.
    std::string written(int32_t opcode, int32_t index)
    {
        char buffer[64];
        std::memset(buffer, 'x', sizeof buffer);
        harness.dispatch(opcode, index, 0, buffer);
        buffer[sizeof buffer - 1] = 0;
        return buffer[0] == 'x' && buffer[1] == 'x' ? "untouched" : std::string(buffer);
    }
    std::string name(int32_t index) { return written(effGetParamName, index); }
    std::string label(int32_t index) { return written(effGetParamLabel, index); }
    std::string display(int32_t index) { return written(effGetParamDisplay, index); }

    PluginHarness harness;
};

// The defaults other than 0, index by index.
const std::map<int32_t, float> kNonZeroDefaults = { { 0, 0.8f }, { 3, 0.05f }, { 4, 1.0f }, { 5, 0.4444444f },
    { 13, 3.0f }, { 15, 0.8f }, { 18, 0.8f }, { 19, 0.5f }, { 22, 0.5f }, { 23, 1.0f }, { 25, 0.5f }, { 55, 0.8f },
    { 58, 0.8f }, { 59, 0.5f }, { 62, 0.5f }, { 63, 1.0f }, { 65, 0.5f }, { 66, 0.5f }, { 67, 0.5f }, { 70, 0.8f },
    { 73, 0.8f }, { 74, 0.5f }, { 77, 0.5f }, { 78, 1.0f }, { 80, 0.5f }, { 81, 0.5f }, { 82, 0.5f }, { 97, 1.0f },
    { 99, 1.0f }, { 100, 0.5f }, { 101, 0.5f }, { 102, 0.5f }, { 105, 0.5f }, { 106, 0.5f }, { 108, 0.5f },
    { 109, 0.5f }, { 112, 0.5f }, { 113, 0.5f }, { 115, 0.5f }, { 117, 0.5f }, { 122, 0.5f }, { 123, 0.5f },
    { 124, 0.8f }, { 125, 0.001f }, { 126, 0.8f }, { 130, 0.8f }, { 131, 0.01f }, { 133, 1.0f }, { 135, 0.5f },
    { 136, 0.5f }, { 137, 0.5f }, { 138, 0.5f }, { 139, 0.5f }, { 140, 0.5f }, { 141, 0.5f }, { 142, 0.5f },
    { 144, 0.8f }, { 145, 0.001f }, { 146, 0.8f }, { 150, 0.8f }, { 151, 1.0f }, { 152, 1.0f }, { 153, 1.0f },
    { 154, 1.0f }, { 157, 0.5f } };

} // namespace

TEST_F(Parameters, NamesAndLabelsByteForByte)
{
    const std::pair<int32_t, const char*> names[] = { { 0, "Volume" }, { 2, "Mono/Poly" }, { 16, "...by Vel" },
        { 52, "sync to osc1:" }, { 98, "...by Velo" }, { 102, "...by Output" }, { 123, "FiltEnvDurByVel" },
        { 147, "...by Velo" }, { 157, "DC" }, { 12, "" }, { 110, "" }, { 158, "" }, { 1000, "" }, { -1, "" } };
    for (const auto& [index, text] : names)
        EXPECT_EQ(name(index), text) << index;
    const std::pair<int32_t, const char*> labels[] = { { 0, "dB  " }, { 2, "      " }, { 4, "%   " }, { 23, "Hz" },
        { 30, "     " }, { 100, "semitones@127" }, { 113, "MIDI-Note " }, { 116, "ms " }, { 122, "semitones " },
        { 132, "   " }, { 157, " " }, { 101, "\t" }, { 102, "\t" }, { 105, "\t" }, { 106, "\t" } };
    for (const auto& [index, text] : labels)
        EXPECT_EQ(label(index), text) << index;
    // Where there is no text, an empty one: a host's buffer may hold garbage.
    for (int32_t none : { 12, 31, 50, 51, 52, 83, 94, 110, 111, 158, -1 })
        EXPECT_EQ(label(none), "") << none;
    for (int32_t index = 0; index < 158; ++index) {
        EXPECT_LE(name(index).size(), 15u) << index;
        EXPECT_LE(label(index).size(), 13u) << index;
    }
}

TEST_F(Parameters, DefaultsAfterConstruction)
{
    for (int32_t index = -1; index <= 158; ++index) {
        const auto found = kNonZeroDefaults.find(index);
        EXPECT_EQ(harness.getParameter(index), found == kNonZeroDefaults.end() ? 0.0f : found->second) << index;
    }
    const std::pair<int32_t, const char*> texts[] = { { 0, "0.000001" }, { 5, "0.200000" }, { 8, "Off" },
        { 13, "Sine" }, { 23, "bypass" }, { 24, "bypass" }, { 30, "exp" }, { 51, "off" }, { 52, "off" },
        { 95, "bypass" }, { 113, "D#4 " }, { 114, "1.000000" }, { 125, "2.000000" },
        { 111, "0.000000" }, { 156, "1.000000" }, // never set by the constructor: shown as what 0.0 means
        { 12, "" }, { 110, "" }, { 152, "" }, { 153, "" }, { 154, "" }, { 158, "" }, { -1, "" } };
    for (const auto& [index, text] : texts)
        EXPECT_EQ(display(index), text) << index;
}

TEST_F(Parameters, TextsOfChangedValues)
{
    const struct {
        int32_t index;
        float v;
        const char* text;
    } cases[] = { { 13, 3.0f / 512.0f, "Sine" }, { 53, 13.0f / 512.0f, "SawOcts" }, { 68, 14.0f / 512.0f, "WhiteNoiseCycle" },
        { 23, 0.5f, "632.4555" }, { 24, 0.25f, "92.46826" }, // cut, not rounded
        { 51, 0.5f, "preFilt " }, { 52, 0.4f, "osc 2" }, { 95, 10.0f / 128.0f, "Moog LPF" }, { 95, 1.0f, "128.0000" },
        { 96, 1.0f, "4.000000" }, { 30, 0.5f, "lin" }, { 104, 1.0f, "3.981071" }, { 113, 1.0f, "G9  " },
        { 113, 0.0f, "C-1 " }, { 0, 0.0f, "-96.0000" }, { 99, 1.0f, "20000.00" }, { 2, 1.0f, "1.000000" },
        { 111, 0.25f, "0.250000" }, { 156, 0.5f, "10.00000" }, { 152, 0.5f, "" },
        // Stretches a host rarely reaches, and values out of range.
        { 24, 1e-6f, "0.000138" }, // 20 (1000^v - 1) is about 20 v ln 1000
        { 30, 0.49f, "exp" }, { 51, 2.0f, "" }, { 52, -1.0f, "" }, { 113, 2.0f, "ERR " }, { 113, -0.01f, "ERR " },
        { 13, -1.0f, "Reserved" }, { 95, -0.5f, "-64.0000" }, { 107, 1.0f, "1.412537" }, // 3 dB as a factor
        { 123, 0.0f, "0.125000" }, { 0, 1e7f, "Huge!" }, { 0, FLT_MAX, "Huge!" }, { 0, 2.0f, "144.0000" } };
    for (const auto& c : cases) {
        harness.setParameter(c.index, c.v);
        EXPECT_EQ(display(c.index), c.text) << c.index << " at " << c.v;
    }
    EXPECT_EQ(harness.getParameter(0), 2.0f);
}

TEST_F(Parameters, EveryCallNotifiesTheHostOnce)
{
    harness.clearCalls();
    harness.setParameter(0, 0.5f);
    EXPECT_EQ(harness.displayUpdateCount(), 1);
    for (int32_t inert : { 12, 110, 200, -1 })
        harness.setParameter(inert, 0.7f);
    EXPECT_EQ(harness.displayUpdateCount(), 5);
    EXPECT_EQ(harness.getParameter(12), 0.0f);
    EXPECT_EQ(harness.getParameter(200), 0.0f);
}

TEST_F(Parameters, ChangesReachTheSound)
{
    // With its defaults the instrument plays a sine at 0 dB; each change below
    // must be heard in the second half of the output.
    const auto play = [&](int32_t index, float v) {
        PluginHarness instance;
        instance.open();
        if (index >= 0)
            instance.setParameter(index, v);
        instance.renderBlock(64, { PluginHarness::noteOn(0, 69, 64) });
        const auto out = instance.render(8192);
        return std::vector<float>(out.begin() + 4096, out.end());
    };
    const auto rms = [](const std::vector<float>& x) {
        return std::sqrt(std::inner_product(x.begin(), x.end(), x.begin(), 0.0) / static_cast<double>(x.size()));
    };
    const auto rises = [](const std::vector<float>& x) {
        int count = 0;
        for (size_t i = 1; i < x.size(); ++i)
            count += x[i - 1] < 0.0f && x[i] >= 0.0f;
        return count;
    };
    const auto plain = play(-1, 0.0f);
    const double level = rms(plain);
    ASSERT_GT(level, 0.1);

    // Volume -20 dB: a tenth of the level.
    EXPECT_NEAR(rms(play(0, 0.8f - 20.0f / 120.0f)) / level, 0.1, 0.005);
    // Oscillator 1 pitch ramp ending an octave up (its time is 0, so the end
    // holds from the start): twice the cycles.
    EXPECT_NEAR(static_cast<double>(rises(play(22, 0.5f + 12.0f / 96.0f))) / rises(plain), 2.0, 0.05);
    // Oscillator 1 off: silence.
    EXPECT_EQ(rms(play(13, 0.0f)), 0.0);
    // Amplitude envelope 2 sustain -96 dB: the note falls silent while held.
    EXPECT_LT(rms(play(150, 0.0f)), 1e-3 * level);
}
