// A fixed phrase rendered through the loaded plug-in. The native build writes
// it out; the Windows build, the same code for another platform, must agree
// with it sample for sample to within 1e-6.

#include "PluginHarness.h"
#include "plugin/Parameters.h"

#include <cstdlib>
#include <fstream>

namespace {

std::vector<float> renderPhrase()
{
    PluginHarness harness;
    harness.open(44100.0f, 256);
    // A patch that runs most of the engine: detuned saws, a second
    // oscillator, the Moog ladder, the tanh distortion.
    const std::pair<int32_t, float> patch[] = { { kO1Wave, 6.0f / 512.0f }, { kO1Density, 7.0f / 63.0f },
        { kO1DetStart, 0.6f }, { kO2Wave, 5.0f / 512.0f }, { kFilterMode, 10.0f / 128.0f }, { kCutoff, 0.55f },
        { kReso, 0.3f }, { kDistMode, 2.0f / 128.0f } };
    for (const auto& [index, value] : patch)
        harness.setParameter(index, value);
    std::vector<float> all;
    const std::vector<std::vector<VstMidiEvent>> blocks = {
        { PluginHarness::noteOn(10, 48, 100) },
        { PluginHarness::noteOn(100, 55, 70), makeMidiEvent(200, 0xE0, 0, 80) },
        { PluginHarness::noteOff(5, 48), makeMidiEvent(30, 0xB0, 74, 40) },
        { PluginHarness::noteOff(128, 55), PluginHarness::noteOn(129, 60, 127) },
    };
    for (int round = 0; round < 8; ++round) {
        for (const auto& events : blocks) {
            const auto block = harness.renderBlock(256, events);
            all.insert(all.end(), block.begin(), block.end());
            const auto rest = harness.render(256 * 15, 256);
            all.insert(all.end(), rest.begin(), rest.end());
        }
    }
    return all;
}

} // namespace

TEST(ReferenceRender, PhraseIsAudibleAndFinite)
{
    const auto samples = renderPhrase();
    ASSERT_TRUE(std::all_of(samples.begin(), samples.end(), [](float s) { return std::isfinite(s); }));
    EXPECT_GT(std::inner_product(samples.begin(), samples.end(), samples.begin(), 0.0), 1.0);

    if (const char* out = std::getenv("ZARVEX_REFERENCE_OUT")) {
        std::ofstream file(out, std::ios::binary);
        file.write(reinterpret_cast<const char*>(samples.data()), static_cast<std::streamsize>(samples.size() * sizeof(float)));
        ASSERT_TRUE(file.good()) << "cannot write " << out;
    }
}

TEST(ReferenceRender, AgreesWithTheOtherPlatform)
{
    const char* in = std::getenv("ZARVEX_REFERENCE_IN");
    if (!in)
        GTEST_SKIP() << "no render of the other platform to compare with";
    std::ifstream file(in, std::ios::binary);
    ASSERT_TRUE(file.good()) << "cannot read " << in;
    const auto samples = renderPhrase();
    std::vector<float> other(samples.size());
    file.clear();
    file.seekg(0);
    file.read(reinterpret_cast<char*>(other.data()), static_cast<std::streamsize>(other.size() * sizeof(float)));
    ASSERT_EQ(file.gcount(), static_cast<std::streamsize>(samples.size() * sizeof(float)));
    double worst = 0.0;
    for (size_t i = 0; i < samples.size(); ++i)
        worst = std::max(worst, std::fabs(static_cast<double>(samples[i]) - other[i]));
    EXPECT_LE(worst, 1e-6);
}
