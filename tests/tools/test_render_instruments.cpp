// Renders through real instruments: Debian's third-party VST 2 plug-ins and
// Zarvex itself. Zarvex has no sound until its engine is complete.

#include "tests/tools/AudioMeasures.h"
#include "tools/render/HostedPlugin.h"
#include "tools/render/ParameterList.h"
#include "tools/render/Renderer.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <filesystem>

#ifndef ZARVEX_PLUGIN_PATH
#error "the tests need the path of the built plug-in"
#endif

namespace {

// One note from onset to release; the file ends at end.
MidiSequence oneNote(uint8_t key, double onset, double release, double end)
{
    return { { { onset, { 0x90, key, 100 }, 3 }, { release, { 0x80, key, 0 }, 3 } }, end };
}

std::vector<float> render(HostedPlugin& plugin, const MidiSequence& sequence, RenderSettings settings = {})
{
    std::vector<float> out;
    Renderer(plugin, settings).render(sequence, {}, [&](const float* samples, int64_t frames) {
        out.insert(out.end(), samples, samples + 2 * frames);
    });
    return out;
}

double noteFrequency(int key) { return 440.0 * std::pow(2.0, (key - 69) / 12.0); }

#if defined(__SANITIZE_ADDRESS__)
// amsynth keeps a little memory past its close; that is its own affair.
extern "C" const char* __lsan_default_suppressions() { return "leak:amsynth_vst.so\n"; }
#endif

class ThirdPartyInstrument : public testing::TestWithParam<const char*> { };

} // namespace

TEST_P(ThirdPartyInstrument, PlaysANoteAtItsPitch)
{
    if (!std::filesystem::exists(GetParam()))
        GTEST_SKIP() << GetParam() << " is not installed";
    // Held open past the test, so a leak report can name the plug-in's own code.
    dlopen(GetParam(), RTLD_NOW | RTLD_LOCAL);
    const double rate = 44100.0;
    HostedPlugin plugin(GetParam(), rate, 256);
    const int key = 57;
    const auto out = render(plugin, oneNote(key, 0.1, 0.6, 0.7), { TailMode::fixed, 0.2 });
    ASSERT_EQ(out.size(), 2u * 39690);
    // Onset at 0.1 s; a steady stretch from 0.15 s.
    EXPECT_LT(rmsOf(out, 0, 4000), 1e-4);
    EXPECT_GT(rmsOf(out, 6615, 8192), 1e-3);
    EXPECT_NEAR(pitchOf(out, rate, 6615, 8192), noteFrequency(key), noteFrequency(key) * 0.02);
    for (size_t i = 0; i < out.size(); i += 2)
        ASSERT_TRUE(std::isfinite(out[i]) && std::isfinite(out[i + 1])) << "sample " << i / 2;
}

INSTANTIATE_TEST_SUITE_P(Debian, ThirdPartyInstrument,
    testing::Values("/usr/lib/vst/Nekobi-vst.so", "/usr/lib/vst/amsynth_vst.so"));

TEST(ZarvexInstrument, SilentBeforeTheNoteSoundingFromItsSampleAndTheTailAfter)
{
    const double rate = 44100.0;
    HostedPlugin plugin(ZARVEX_PLUGIN_PATH, rate, 512);
    // 22050 is not a multiple of the block: the note starts inside a block.
    const int64_t onset = 22050;
    const auto out = render(plugin, oneNote(69, 0.5, 0.9, 1.0));
    // The plug-in reports two seconds of tail.
    ASSERT_EQ(out.size(), 2u * (44100 + 88200));
    for (int64_t i = 0; i < onset; ++i)
        ASSERT_EQ(out[static_cast<size_t>(2 * i)], 0.0f) << "sound at " << i << ", before the note";
    int64_t first = onset;
    while (first < onset + 64 && out[static_cast<size_t>(2 * first)] == 0.0f)
        ++first;
    EXPECT_LE(first, onset + 2) << "the note starts late";
    for (size_t i = 0; i < out.size(); i += 2)
        ASSERT_EQ(out[i], out[i + 1]) << "channels differ at " << i / 2;
    // The default sound is a sine at the note's frequency.
    EXPECT_GT(rmsOf(out, onset + 2205, 8192), 1e-2);
    EXPECT_NEAR(pitchOf(out, rate, onset + 2205, 8192), 440.0, 440.0 * 0.01);
}

TEST(ZarvexInstrument, TheTailIsTwoSecondsAtTheRateInUse)
{
    HostedPlugin plugin(ZARVEX_PLUGIN_PATH, 48000.0, 256);
    EXPECT_EQ(plugin.tailSize(), 96000);
    EXPECT_EQ(render(plugin, oneNote(60, 0.1, 0.2, 0.25)).size(), 2u * (12000 + 96000));
}

TEST(ZarvexInstrument, TheDemoSoundsNameOnlyParametersItHas)
{
    HostedPlugin plugin(ZARVEX_PLUGIN_PATH, 44100.0, 512);
    int sounds = 0;
    for (const auto& entry : std::filesystem::directory_iterator(ZARVEX_EXAMPLES_DIR)) {
        if (entry.path().extension() != ".params")
            continue;
        ++sounds;
        for (const auto& setting : readParameterList(entry.path()))
            EXPECT_NO_THROW(plugin.findParameter(setting.parameter)) << entry.path() << ": " << setting.parameter;
    }
    EXPECT_GE(sounds, 2);
}
