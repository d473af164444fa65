#include "dsp/AntiAliasFilter.h"
#include "tests/support/Signals.h"

#include <gtest/gtest.h>

namespace {

double gain(AntiAliasFilter& f, double hz)
{
    return std::abs(measureSine(through(f), hz, f.getSampleRate()));
}

// Fourth-order bilinear Butterworth magnitude.
double butterworth4(double rate, double cutoff, double hz)
{
    const double x = std::tan(pi * hz / rate) / std::tan(pi * cutoff / rate);
    return 1.0 / std::sqrt(1.0 + std::pow(x, 8.0));
}

// Unity gain at DC and none at half the rate, from a cleared history.
void expectSettledLowpass(AntiAliasFilter& f, int samples, double tolerance)
{
    f.reset();
    EXPECT_NEAR(settle(through(f), 1.0, samples), 1.0, tolerance);
    f.reset();
    EXPECT_NEAR(settle(through(f), 1.0, samples, true), 0.0, tolerance);
}

} // namespace

TEST(AntiAliasFilter, MeasuredResponseFollowsRateAndCutoffWithinHalfTheRate)
{
    AntiAliasFilter f;
    for (double rate : {441000.0, 176400.0}) {
        f.setSampleRate(rate);
        for (double hz : {500.0, 18000.0, 30000.0, 60000.0})
            EXPECT_NEAR(gain(f, hz), butterworth4(rate, 18000.0, hz), 2e-4) << rate << " " << hz;
        expectSettledLowpass(f, 2000, 1e-12);
    }
    // The engine never hands its decimator these, so the filter's own refusal is checked here.
    for (double bad : {0.0, -1.0, std::nan(""), HUGE_VAL}) {
        f.setCutoff(bad);
        f.setSampleRate(bad);
    }
    f.setSampleRate(1e-310);
    EXPECT_DOUBLE_EQ(f.getCutoff(), 18000.0);
    EXPECT_DOUBLE_EQ(f.getSampleRate(), 176400.0);
    // A history settled at 1 is the steady state of any design with unity DC
    // gain: a redesign keeps it, a reset clears it.
    settle(through(f), 1.0, 2000);
    f.setCutoff(3000.0);
    f.setSampleRate(96000.0);
    EXPECT_NEAR(f.processSample(1.0), 1.0, 1e-9);
    f.reset();
    EXPECT_EQ(f.processSample(0.0), 0.0);

    // The engine's decimator at host rate 8000: its 16000 Hz cutoff at a
    // 16000 Hz rate, set in either order, is designed at 0.45 of the rate.
    AntiAliasFilter cutoffFirst, rateFirst;
    cutoffFirst.setCutoff(16000.0);
    cutoffFirst.setSampleRate(16000.0);
    rateFirst.setSampleRate(16000.0);
    rateFirst.setCutoff(16000.0);
    for (AntiAliasFilter* either : {&cutoffFirst, &rateFirst}) {
        expectSettledLowpass(*either, 1000, 1e-12);
        EXPECT_NEAR(gain(*either, 7200.0), std::sqrt(0.5), 2e-4);
    }
    // Exactly half the rate is degenerate as well.
    cutoffFirst.setSampleRate(32000.0);
    EXPECT_NEAR(gain(cutoffFirst, 14400.0), std::sqrt(0.5), 2e-4);
    // Back at a rate where it fits, the filter follows its own cutoff again;
    // the lowest design edge is 1e-3 of the rate.
    rateFirst.setSampleRate(88200.0);
    EXPECT_NEAR(gain(rateFirst, 16000.0), std::sqrt(0.5), 2e-4);
    rateFirst.setSampleRate(441000.0);
    rateFirst.setCutoff(1.0);
    EXPECT_NEAR(gain(rateFirst, 441.0), std::sqrt(0.5), 2e-4);
}
