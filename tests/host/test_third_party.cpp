// The interface declarations against plug-ins nobody here wrote: if a layout,
// an opcode number or a calling rule were wrong, these would misbehave.

#include "vst2/VstHost.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

namespace {

struct ThirdParty {
    const char* path;
    const char* name;
};

class ThirdPartyPlugin : public ::testing::TestWithParam<ThirdParty> {
protected:
    void SetUp() override
    {
        if (!std::filesystem::exists(GetParam().path))
            GTEST_SKIP() << GetParam().path << " is not installed";
        ASSERT_TRUE(host.load(GetParam().path)) << host.error();
    }
    VstHost host;
};

// Zero crossings upwards, as a rough pitch measure.
double estimateFrequency(const std::vector<float>& signal, double sampleRate)
{
    std::vector<double> crossings;
    for (size_t i = 1; i < signal.size(); ++i)
        if (signal[i - 1] < 0.0f && signal[i] >= 0.0f)
            crossings.push_back(static_cast<double>(i - 1) + signal[i - 1] / (signal[i - 1] - signal[i]));
    if (crossings.size() < 3)
        return 0.0;
    return (static_cast<double>(crossings.size()) - 1.0) * sampleRate / (crossings.back() - crossings.front());
}

} // namespace

TEST_P(ThirdPartyPlugin, ReportsItsIdentity)
{
    const AEffect* e = host.effect();
    EXPECT_EQ(e->magic, kEffectMagic);
    EXPECT_EQ(host.text(effGetEffectName), GetParam().name);
    EXPECT_GT(e->numParams, 0);
    EXPECT_EQ(e->numInputs, 0);
    EXPECT_GE(e->numOutputs, 1);
    EXPECT_TRUE(e->flags & effFlagsIsSynth);
    EXPECT_EQ(host.dispatch(effGetPlugCategory), kPlugCategSynth);
    for (int32_t i = 0; i < e->numParams; ++i)
        EXPECT_FALSE(host.text(effGetParamName, i).empty()) << "parameter " << i;
}

TEST_P(ThirdPartyPlugin, PlaysANoteAtItsPitch)
{
    constexpr float rate = 44100.0f;
    constexpr int32_t block = 256;
    host.start(rate, block);
    std::vector<float> signal;
    std::vector<std::vector<float>> out;
    host.sendEvents({ makeMidiEvent(0, 0x90, 57, 100) });
    for (int i = 0; i < 80; ++i) {
        host.render(out, block);
        signal.insert(signal.end(), out[0].begin(), out[0].end());
    }
    host.sendEvents({ makeMidiEvent(0, 0x80, 57, 0) });
    host.render(out, block);
    host.stop();

    double energy = 0.0;
    for (float s : signal) {
        ASSERT_TRUE(std::isfinite(s));
        energy += static_cast<double>(s) * s;
    }
    EXPECT_GT(energy / static_cast<double>(signal.size()), 1e-6);
    // Note 57 is 220 Hz; a synth's default patch may sit an octave off, but
    // its fundamental crossing rate stays within a factor of two of the note.
    const std::vector<float> steady(signal.begin() + static_cast<long>(signal.size() / 2), signal.end());
    const double frequency = estimateFrequency(steady, rate);
    EXPECT_GT(frequency, 100.0);
    EXPECT_LT(frequency, 900.0);
}

INSTANTIATE_TEST_SUITE_P(Debian, ThirdPartyPlugin,
    ::testing::Values(ThirdParty { "/usr/lib/vst/Nekobi-vst.so", "Nekobi" },
        ThirdParty { "/usr/lib/vst/amsynth_vst.so", "amsynth" }),
    [](const ::testing::TestParamInfo<ThirdParty>& info) { return std::string(info.param.name); });
