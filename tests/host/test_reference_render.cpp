// A fixed phrase rendered through the loaded plug-in. The native build writes
// it out; the Windows build, the same code for another platform, must agree
// with it sample for sample to within 1e-6.

#include "PluginHarness.h"
#include "plugin/Parameters.h"

#include <cstdlib>

namespace {

std::vector<float> renderPhrase()
{
    const auto harness = PluginHarness::opened(44100.0f, 256);
    // A patch that runs most of the engine: detuned saws, a second
    // oscillator, the Moog ladder, the tanh distortion.
    harness->setPatch({ { kO1Wave, 6.0f / 512.0f }, { kO1Density, 7.0f / 63.0f }, { kO1DetStart, 0.6f },
        { kO2Wave, 5.0f / 512.0f }, { kFilterMode, 10.0f / 128.0f }, { kCutoff, 0.55f }, { kReso, 0.3f },
        { kDistMode, 2.0f / 128.0f } });
    std::vector<float> all;
    const std::vector<std::vector<VstMidiEvent>> blocks = {
        { PluginHarness::noteOn(10, 48, 100) },
        { PluginHarness::noteOn(100, 55, 70), makeMidiEvent(200, 0xE0, 0, 80) },
        { PluginHarness::noteOff(5, 48), makeMidiEvent(30, 0xB0, 74, 40) },
        { PluginHarness::noteOff(128, 55), PluginHarness::noteOn(129, 60, 127) },
    };
    for (int round = 0; round < 8; ++round)
        for (const auto& events : blocks) {
            const auto part = harness->render(256 * 16, 256, events);
            all.insert(all.end(), part.begin(), part.end());
        }
    return all;
}

} // namespace

TEST(ReferenceRender, WrittenOrComparedWithTheOtherPlatform)
{
    const auto samples = renderPhrase();
    EXPECT_GT(peakOf({ samples.begin(), samples.end() }), 0.1);
    const char* out = std::getenv("ZARVEX_REFERENCE_OUT");
    ASSERT_TRUE(!out || writeFloats(out, samples)) << "cannot write " << out;
    if (const char* in = std::getenv("ZARVEX_REFERENCE_IN")) {
        EXPECT_LE(differenceFromFile(in, samples), 1e-6) << in;
    }
}
