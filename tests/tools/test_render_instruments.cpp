// Renders through real instruments: Debian's third-party VST 2 plug-ins
// (nobody here wrote them: were a layout, an opcode number or a calling rule
// of our declarations wrong, they would misbehave), and Zarvex's examples.

#include "tests/support/Signals.h"
#include "tests/tools/RenderTestSupport.h"
#include "tools/render/ParameterList.h"

#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace {

class ThirdPartyInstrument : public testing::TestWithParam<const char*> {};

} // namespace

TEST_P(ThirdPartyInstrument, ReportsItsIdentityAndPlaysANoteAtItsPitch)
{
    if (!std::filesystem::exists(GetParam()))
        GTEST_SKIP() << GetParam() << " is not installed";
    // Held open past the test, so a leak report can name the plug-in's own code.
    dlopen(GetParam(), RTLD_NOW | RTLD_LOCAL);
    const double rate = 44100.0;
    HostedPlugin plugin(GetParam(), rate, 256);
    EXPECT_FALSE(plugin.text(effGetEffectName).empty());
    EXPECT_EQ(plugin.effect().numInputs, 0);
    EXPECT_TRUE(plugin.effect().flags & effFlagsIsSynth);
    for (int32_t i = 0; i < plugin.parameterCount(); ++i)
        EXPECT_FALSE(plugin.parameterName(i).empty()) << "parameter " << i;
    // A from 0.1 s to 0.6 s, the file ending at 0.7 s.
    const MidiSequence note { { { 0.1, { 0x90, 57, 100 }, 3 }, { 0.6, { 0x80, 57, 0 }, 3 } }, 0.7 };
    const auto out = renderAll(plugin, note, { TailMode::fixed, 0.2 });
    ASSERT_EQ(out.size(), 2u * 39690);
    ASSERT_TRUE(std::all_of(out.begin(), out.end(), [](float s) { return std::isfinite(s); }));
    std::vector<double> left;
    for (size_t i = 0; i < out.size(); i += 2)
        left.push_back(out[i]);
    // Silence before the onset; a steady stretch from 0.15 s at 220 Hz.
    EXPECT_LT(peakOf(slice(left, 0, 4000)), 1e-3);
    const auto steady = slice(left, 6615, 8192);
    EXPECT_GT(peakOf(steady), 1e-2);
    // 220 Hz stands well above its octave below and the semitones beside it.
    for (const double other : { 110.0, 207.65, 233.08 })
        EXPECT_GT(magnitude(steady, rate, 220.0), 4.0 * magnitude(steady, rate, other)) << other;
}

INSTANTIATE_TEST_SUITE_P(Debian, ThirdPartyInstrument,
    testing::Values("/usr/lib/vst/Nekobi-vst.so", "/usr/lib/vst/amsynth_vst.so"));

TEST(ZarvexInstrument, TheDemoPhraseReadsAndTheDemoSoundsNameOnlyParametersItHas)
{
    // Three bars and two beats at 120 BPM, then a beat at 100 and one at 80.
    EXPECT_NEAR(readMidiFile(ZARVEX_EXAMPLES_DIR "/demo-phrase.mid").lengthSeconds, 7.0 + 0.6 + 0.75, 1e-6);
    HostedPlugin plugin(ZARVEX_PLUGIN_PATH, 44100.0, 512);
    int sounds = 0;
    for (const auto& entry : std::filesystem::directory_iterator(ZARVEX_EXAMPLES_DIR))
        if (entry.path().extension() == ".params") {
            ++sounds;
            for (const auto& setting : readParameterList(entry.path()))
                EXPECT_NO_THROW(plugin.findParameter(setting.parameter)) << entry.path() << ": " << setting.parameter;
        }
    EXPECT_GE(sounds, 2);
}
