#include "dsp/MoogFilter.h"
#include "tests/support/Signals.h"

#include <gtest/gtest.h>

#include <type_traits>

namespace {

constexpr double fs = 44100.0;

template <class Ladder>
Ladder make(double cutoff, double resonance, std::int64_t poles, std::int64_t mode = 1)
{
    Ladder ladder;
    ladder.setSampleRate(fs);
    ladder.setNumPoles(poles);
    ladder.setFrequency(cutoff);
    ladder.setResonance(resonance);
    if constexpr (std::is_same_v<Ladder, MoogFilter>) {
        ladder.setMode(mode);
        ladder.calcCoefficients();
    }
    return ladder;
}

} // namespace

TEST(MoogFilter, SettingsAreClampedHistoriesClearAndSelfOscillationStaysBounded)
{
    MoogFilter ladder = make<MoogFilter>(1e6, 1.5, 2);
    EXPECT_EQ(ladder.getCutoff(), 20000.0);
    ladder.setFrequency(5.0);
    ladder.setFrequency(std::nan(""));
    EXPECT_EQ(ladder.getCutoff(), 20.0);
    ladder.setResonance(-0.1);
    ladder.setResonance(HUGE_VAL);
    EXPECT_EQ(ladder.getResonance(), 1.5);
    for (std::int64_t bad : {0, 5})
        ladder.setNumPoles(bad);
    EXPECT_EQ(ladder.getOutputTap(), 1);

    MoogFilter cleared = make<MoogFilter>(50.0, 1.0, 4);
    MoogFilter2 cleared2 = make<MoogFilter2>(30.0, 0.0, 4);
    MoogFilter kept = cleared;
    settle(through(cleared), 1.0, 5000);
    settle(through(cleared2), 1.0, 5000);
    settle(through(kept), 1.0, 5000);
    cleared.clearHistory();
    cleared2.clearHistory();
    EXPECT_LT(std::abs(settle(through(cleared), 0.0, 200)), 1e-9);
    EXPECT_LT(std::abs(settle(through(cleared2), 0.0, 200)), 1e-9);
    EXPECT_GT(std::abs(settle(through(kept), 0.0, 200)), 0.1);

    // An impulse starts the oscillation; the input clip keeps it within reach of 2.
    for (std::int64_t mode : {1, 2}) {
        for (double cutoff : {20.0, 800.0, 20000.0}) {
            MoogFilter ladder = make<MoogFilter>(cutoff, 50.0, 4, mode);
            const auto y = record([&, n = 0]() mutable { return ladder.processSample(n++ == 0 ? 1.0 : 0.0); }, 88200);
            EXPECT_LT(peakOf(y), 2.5) << mode << " " << cutoff;
            EXPECT_TRUE(cutoff != 800.0 || peakOf(slice(y, 83790, 4410)) > 0.3) << "no oscillation, mode " << mode;
        }
    }
    MoogFilter2 ringing = make<MoogFilter2>(800.0, 40.0, 4);
    EXPECT_LT(peakOf(record([&, n = 0]() mutable { return ringing.processSample(n++ < 10 ? 1.0 : 0.0); }, 44100)), 50.0);
}
