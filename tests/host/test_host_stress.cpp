// Hosts that push the plug-in hard: extreme but legal settings, sample-rate
// changes during a note, many instances side by side, many open/close cycles.

#include "PluginHarness.h"

#include <cmath>
#include <random>

namespace {

// No legitimate sound comes anywhere near this level.
constexpr float kOutputLimit = 64.0f;

float peakOf(const std::vector<float>& x)
{
    float peak = 0.0f;
    for (float s : x) {
        if (!std::isfinite(s))
            return INFINITY;
        peak = std::max(peak, std::fabs(s));
    }
    return peak;
}

} // namespace

TEST(HostStress, AudioRateFilterModulationStaysBounded)
{
    // Allpass with its cutoff modulated by the input at nearly full depth:
    // the biquad's state used to run off to 3e38.
    PluginHarness harness;
    harness.open(44100.0f, 64);
    const std::pair<int32_t, float> patch[] = { { 101, 0.986f }, { 95, 0.051f }, { 107, 0.305f }, { 53, 0.521f },
        { 103, 0.723f } };
    for (const auto& [index, value] : patch)
        harness.setParameter(index, value);
    harness.renderBlock(64, { PluginHarness::noteOn(0, 52, 100) });
    EXPECT_LE(peakOf(harness.render(28000)), kOutputLimit);

    // Random automation of every filter setting, within 0..1, every block.
    std::mt19937 random(5);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (int32_t index : { 95, 96, 99, 100, 101, 102, 103, 105, 106, 107, 108 })
        harness.setParameter(index, unit(random));
    for (int block = 0; block < 2 * 44100 / 64; ++block) {
        harness.setParameter(95 + static_cast<int32_t>(unit(random) * 14.0f), unit(random));
        ASSERT_LE(peakOf(harness.renderBlock(64)), kOutputLimit) << "block " << block;
    }
}
