// Parameters as a host sees them: names, labels, values, value texts and the
// notifications each change sends back.

#include "PluginHarness.h"

#include <cmath>
#include <cstring>
#include <map>
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
    std::string displayAfter(int32_t index, float v)
    {
        harness.setParameter(index, v);
        return display(index);
    }
    size_t notifications() { return static_cast<size_t>(harness.displayUpdateCount()); }

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

TEST_F(Parameters, ShortNamesByteForByte)
{
    EXPECT_EQ(name(0), "Volume");
    EXPECT_EQ(name(2), "Mono/Poly");
    EXPECT_EQ(name(16), "...by Vel");
    EXPECT_EQ(name(52), "sync to osc1:");
    EXPECT_EQ(name(98), "...by Velo");
    EXPECT_EQ(name(102), "...by Output");
    EXPECT_EQ(name(123), "FiltEnvDurByVel");
    EXPECT_EQ(name(147), "...by Velo");
    EXPECT_EQ(name(157), "DC");
    for (int32_t none : { 12, 110, 158, 1000, -1 })
        EXPECT_EQ(name(none), "untouched") << none;
    for (int32_t index = 0; index < 158; ++index)
        EXPECT_LE(name(index).size(), 15u) << index;
}

TEST_F(Parameters, LabelsKeepTheirBlanksAndTabs)
{
    EXPECT_EQ(label(0), "dB  ");
    EXPECT_EQ(label(2), "      ");
    EXPECT_EQ(label(4), "%   ");
    EXPECT_EQ(label(23), "Hz");
    EXPECT_EQ(label(30), "     ");
    EXPECT_EQ(label(100), "semitones@127");
    EXPECT_EQ(label(113), "MIDI-Note ");
    EXPECT_EQ(label(116), "ms ");
    EXPECT_EQ(label(122), "semitones ");
    EXPECT_EQ(label(132), "   ");
    EXPECT_EQ(label(157), " ");
    for (int32_t tab : { 101, 102, 105, 106 })
        EXPECT_EQ(label(tab), "\t") << tab;
    for (int32_t none : { 12, 31, 50, 51, 52, 83, 94, 110, 111, 158, -1 })
        EXPECT_EQ(label(none), "untouched") << none;
    for (int32_t index = 0; index < 158; ++index)
        EXPECT_LE(label(index).size(), 13u) << index;
}

TEST_F(Parameters, DefaultsAfterConstruction)
{
    for (int32_t index = 0; index < 158; ++index) {
        const auto found = kNonZeroDefaults.find(index);
        EXPECT_EQ(harness.getParameter(index), found == kNonZeroDefaults.end() ? 0.0f : found->second) << index;
    }
    EXPECT_EQ(harness.getParameter(158), 0.0f);
    EXPECT_EQ(harness.getParameter(-1), 0.0f);
}

TEST_F(Parameters, DefaultTexts)
{
    EXPECT_EQ(display(0), "0.000001");
    EXPECT_EQ(display(5), "0.200000");
    EXPECT_EQ(display(8), "Off");
    EXPECT_EQ(display(13), "Reserved");
    EXPECT_EQ(display(23), "bypass");
    EXPECT_EQ(display(24), "bypass");
    EXPECT_EQ(display(30), "exp");
    EXPECT_EQ(display(51), "off");
    EXPECT_EQ(display(52), "off");
    EXPECT_EQ(display(95), "bypass");
    EXPECT_EQ(display(113), "D#4 ");
    EXPECT_EQ(display(114), "1.000000");
    EXPECT_EQ(display(125), "2.000000");
    // Never set by the constructor: shown as what 0.0 means, 10^0 Hz.
    EXPECT_EQ(display(156), "1.000000");
    for (int32_t empty : { 12, 110, 152, 153, 154, 158, -1 })
        EXPECT_EQ(display(empty), "") << empty;
}

TEST_F(Parameters, TextsOfChangedValues)
{
    EXPECT_EQ(displayAfter(13, 3.0f / 512.0f), "Sine");
    EXPECT_EQ(displayAfter(53, 13.0f / 512.0f), "SawOcts");
    EXPECT_EQ(displayAfter(68, 14.0f / 512.0f), "Reserved");
    EXPECT_EQ(displayAfter(23, 0.5f), "632.4555");
    EXPECT_EQ(displayAfter(24, 0.25f), "92.46826"); // cut, not rounded
    EXPECT_EQ(displayAfter(51, 0.5f), "preFilt ");
    EXPECT_EQ(displayAfter(52, 0.4f), "osc 2");
    EXPECT_EQ(displayAfter(95, 10.0f / 128.0f), "Moog LPF");
    EXPECT_EQ(displayAfter(95, 1.0f), "128.0000");
    EXPECT_EQ(displayAfter(96, 1.0f), "4.000000");
    EXPECT_EQ(displayAfter(30, 0.5f), "lin");
    EXPECT_EQ(displayAfter(104, 1.0f), "3.981071");
    EXPECT_EQ(displayAfter(113, 1.0f), "G9  ");
    EXPECT_EQ(displayAfter(113, 0.0f), "C-1 ");
    EXPECT_EQ(displayAfter(0, 0.0f), "-96.0000");
    EXPECT_EQ(displayAfter(0, 2.0f), "144.0000");
    EXPECT_EQ(harness.getParameter(0), 2.0f);
    EXPECT_EQ(displayAfter(99, 1.0f), "20000.00");
    EXPECT_EQ(displayAfter(2, 1.0f), "1.000000");
    EXPECT_EQ(displayAfter(111, 0.25f), "0.250000");
    EXPECT_EQ(displayAfter(156, 0.5f), "10.00000");
    EXPECT_EQ(displayAfter(152, 0.5f), "");
}

TEST_F(Parameters, EveryCallNotifiesTheHostOnce)
{
    harness.clearCalls();
    harness.setParameter(0, 0.5f);
    EXPECT_EQ(notifications(), 1u);
    harness.setParameter(12, 0.7f);
    EXPECT_EQ(notifications(), 2u);
    EXPECT_EQ(harness.getParameter(12), 0.0f);
    harness.setParameter(110, 0.7f);
    harness.setParameter(200, 0.5f);
    harness.setParameter(-1, 0.5f);
    EXPECT_EQ(notifications(), 5u);
    EXPECT_EQ(harness.getParameter(200), 0.0f);
}

TEST_F(Parameters, ChangesReachTheSound)
{
    // With its defaults the instrument plays a sine at 0 dB; each change below
    // must be heard in the output.
    const auto play = [&](int32_t index, float v) {
        PluginHarness instance;
        instance.open();
        if (index >= 0)
            instance.setParameter(index, v);
        instance.renderBlock(64, { PluginHarness::noteOn(0, 69, 64) });
        return instance.render(8192);
    };
    const auto rms = [](const std::vector<float>& samples) {
        double sum = 0.0;
        for (size_t i = samples.size() / 2; i < samples.size(); ++i)
            sum += static_cast<double>(samples[i]) * samples[i];
        return std::sqrt(sum / static_cast<double>(samples.size() / 2));
    };
    const auto rises = [](const std::vector<float>& samples) {
        int count = 0;
        for (size_t i = samples.size() / 2 + 1; i < samples.size(); ++i)
            count += samples[i - 1] < 0.0f && samples[i] >= 0.0f;
        return count;
    };
    const auto plain = play(-1, 0.0f);
    const double level = rms(plain);
    ASSERT_GT(level, 0.1);

    // Volume -20 dB: a tenth of the level.
    EXPECT_NEAR(rms(play(0, 0.8f - 20.0f / 120.0f)) / level, 0.1, 0.005);
    // Oscillator 1 pitch ramp ending an octave up (its time is 0, so the end
    // holds from the start): twice the cycles.
    const auto octaveUp = play(22, 0.5f + 12.0f / 96.0f);
    EXPECT_NEAR(static_cast<double>(rises(octaveUp)) / rises(plain), 2.0, 0.05);
    // Oscillator 1 off: silence.
    EXPECT_EQ(rms(play(13, 0.0f)), 0.0);
    // Amplitude envelope 2 sustain -96 dB: the note falls silent while held.
    EXPECT_LT(rms(play(150, 0.0f)), 1e-3 * level);
}
