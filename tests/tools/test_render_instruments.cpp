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

// One note from onset to release; the file ends at end.
MidiSequence oneNote(uint8_t key, double onset, double release, double end)
{
    return { { { onset, { 0x90, key, 100 }, 3 }, { release, { 0x80, key, 0 }, 3 } }, end };
}

// Left channel of an interleaved stereo render.
std::vector<double> leftOf(const std::vector<float>& stereo, size_t from, size_t count)
{
    std::vector<double> x(count);
    for (size_t i = 0; i < count; ++i)
        x[i] = stereo[2 * (from + i)];
    return x;
}

// The fundamental by normalised autocorrelation between 40 Hz and 2 kHz: the
// shortest lag whose peak comes within 10 % of the best one (so a multiple
// of the period is not taken for it), refined by a parabola through its
// neighbours.
double pitchOf(const std::vector<double>& x, double sampleRate)
{
    const auto shortest = static_cast<size_t>(sampleRate / 2000.0);
    const auto longest = static_cast<size_t>(sampleRate / 40.0);
    const size_t span = x.size() - longest - 1;
    std::vector<double> r(longest + 2, 0.0);
    for (size_t lag = shortest - 1; lag <= longest + 1; ++lag) {
        double product = 0.0, first = 0.0, second = 0.0;
        for (size_t i = 0; i < span; ++i) {
            product += x[i] * x[i + lag];
            first += x[i] * x[i];
            second += x[i + lag] * x[i + lag];
        }
        r[lag] = first > 0.0 && second > 0.0 ? product / std::sqrt(first * second) : 0.0;
    }
    const double best = *std::max_element(r.begin() + static_cast<std::ptrdiff_t>(shortest), r.end() - 1);
    for (size_t lag = shortest; lag <= longest; ++lag)
        if (r[lag] >= 0.9 * best && r[lag] >= r[lag - 1] && r[lag] >= r[lag + 1]) {
            const double curvature = r[lag - 1] - 2.0 * r[lag] + r[lag + 1];
            const double shift = curvature != 0.0 ? 0.5 * (r[lag - 1] - r[lag + 1]) / curvature : 0.0;
            return sampleRate / (static_cast<double>(lag) + shift);
        }
    return 0.0;
}

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
    const auto out = renderAll(plugin, oneNote(57, 0.1, 0.6, 0.7), { TailMode::fixed, 0.2 });
    ASSERT_EQ(out.size(), 2u * 39690);
    ASSERT_TRUE(std::all_of(out.begin(), out.end(), [](float s) { return std::isfinite(s); }));
    // Onset at 0.1 s; a steady stretch from 0.15 s at 220 Hz.
    EXPECT_LT(peakOf(leftOf(out, 0, 4000)), 1e-3);
    const auto steady = leftOf(out, 6615, 8192);
    EXPECT_GT(peakOf(steady), 1e-2);
    EXPECT_NEAR(pitchOf(steady, rate), 220.0, 220.0 * 0.02);
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
