#include "dsp/AntiAliasFilter.h"
#include "tests/support/SineResponse.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace {

double gain(AntiAliasFilter& f, double hz)
{
    return measureSine([&f](double x) { return f.processSample(x); }, hz, f.getSampleRate()).gain;
}

// Fourth-order bilinear Butterworth magnitude.
double butterworth4(double rate, double cutoff, double hz)
{
    const double x = std::tan(std::numbers::pi * hz / rate) / std::tan(std::numbers::pi * cutoff / rate);
    return 1.0 / std::sqrt(1.0 + std::pow(x, 8.0));
}

// Output after `samples` steps of a constant or (alternate) a +1/-1 input.
double settle(AntiAliasFilter& f, double value, int samples, bool alternate = false)
{
    f.reset();
    double y = 0.0;
    for (int n = 0; n < samples; ++n)
        y = f.processSample(alternate && n % 2 ? -value : value);
    return y;
}

} // namespace

TEST(AntiAliasFilter, ImpulseResponseFollowsTheReferenceRecursion)
{
    AntiAliasFilter f;
    f.setSampleRate(441000.0);
    const double a[5] = {1.0, -3.330715013703814, 4.207129740137972, -2.383778604636367, 0.510523396096419};
    const double g = 0.00019746986838812403;
    const double b[5] = {g, 4.0 * g, 6.0 * g, 4.0 * g, g};
    std::vector<double> y(400, 0.0);
    for (int n = 0; n < 400; ++n) {
        y[n] = n < 5 ? b[n] : 0.0;
        for (int k = 1; k <= 4 && k <= n; ++k)
            y[n] -= a[k] * y[n - k];
        ASSERT_NEAR(f.processSample(n == 0 ? 1.0 : 0.0), y[n], 1e-12) << n;
    }
}

TEST(AntiAliasFilter, MeasuredResponseFollowsRateAndCutoff)
{
    AntiAliasFilter f;
    for (double rate : {441000.0, 176400.0}) {
        f.setSampleRate(rate);
        EXPECT_DOUBLE_EQ(f.getCutoff(), 18000.0);
        for (double hz : {500.0, 18000.0, 30000.0, 60000.0})
            EXPECT_NEAR(gain(f, hz), butterworth4(rate, 18000.0, hz), 2e-4) << rate << " " << hz;
        EXPECT_NEAR(settle(f, 0.75, 2000), 0.75, 1e-12);
        EXPECT_NEAR(settle(f, 1.0, 2000, true), 0.0, 1e-12);
    }
    for (double bad : {0.0, -1.0, std::nan(""), HUGE_VAL}) {
        f.setCutoff(bad);
        f.setSampleRate(bad);
    }
    f.setSampleRate(1e-310);
    EXPECT_DOUBLE_EQ(f.getCutoff(), 18000.0);
    EXPECT_DOUBLE_EQ(f.getSampleRate(), 176400.0);
    EXPECT_NEAR(gain(f, 18000.0), std::sqrt(0.5), 2e-4);
}

TEST(AntiAliasFilter, RedesignKeepsTheHistoryAndResetClearsIt)
{
    AntiAliasFilter f;
    settle(f, 1.0, 2000);
    // A history settled at 1 is the steady state of any design with unity DC gain.
    f.setCutoff(3000.0);
    EXPECT_NEAR(f.processSample(1.0), 1.0, 1e-9);
    f.setSampleRate(96000.0);
    EXPECT_NEAR(f.processSample(1.0), 1.0, 1e-9);
    f.reset();
    EXPECT_EQ(f.processSample(0.0), 0.0);
}

TEST(AntiAliasFilter, DecimatorAtHostRate8000StaysAStableLowpass)
{
    // The engine's decimator at 16000 Hz with its 16000 Hz cutoff, set in
    // either order: designed at 0.45 of the rate.
    AntiAliasFilter cutoffFirst, rateFirst;
    cutoffFirst.setCutoff(16000.0);
    cutoffFirst.setSampleRate(16000.0);
    rateFirst.setSampleRate(16000.0);
    rateFirst.setCutoff(16000.0);
    for (AntiAliasFilter* f : {&cutoffFirst, &rateFirst}) {
        EXPECT_DOUBLE_EQ(f->getCutoff(), 16000.0);
        EXPECT_NEAR(settle(*f, 1.0, 1000), 1.0, 1e-12);
        EXPECT_NEAR(settle(*f, 1.0, 1000, true), 0.0, 1e-12);
        for (double hz : {2000.0, 7200.0})
            EXPECT_NEAR(gain(*f, hz), butterworth4(16000.0, 7200.0, hz), 2e-4) << hz;
    }
    // Back at a rate where it fits, the filter follows its own cutoff again.
    rateFirst.setSampleRate(88200.0);
    EXPECT_NEAR(gain(rateFirst, 16000.0), std::sqrt(0.5), 2e-4);
}

TEST(AntiAliasFilter, ExtremeSettingsStayStableWithUnityDcGain)
{
    const double settings[][2] = {{441000.0, 1e-300}, {1e300, 18000.0}, {1e-300, 18000.0}, {1.7e308, 1e308}};
    for (const auto& s : settings) {
        AntiAliasFilter f;
        f.setSampleRate(s[0]);
        f.setCutoff(s[1]);
        EXPECT_NEAR(settle(f, 1.0, 20000), 1.0, 1e-6) << s[0] << " " << s[1];
        f.reset();
        f.processSample(1.0);
        for (int n = 0; n < 40000; ++n)
            f.processSample(0.0);
        EXPECT_LT(std::fabs(f.processSample(0.0)), 1e-12) << s[0] << " " << s[1];
    }
    // The lowest design edge is 1e-3 of the rate.
    AntiAliasFilter slow;
    slow.setSampleRate(441000.0);
    slow.setCutoff(1.0);
    EXPECT_NEAR(gain(slow, 441.0), std::sqrt(0.5), 2e-4);
}

TEST(Oversampler, InterpolatesFromThePreviousInputAndKeepsTheLastFilteredValue)
{
    Oversampler over(4);
    AntiAliasFilter twin;
    twin.setSampleRate(4.0 * 44100.0);
    std::vector<double> seen;
    const double inputs[3] = {1.0, 1.0, -2.0};
    const double expected[12] = {0.0, 0.25, 0.5, 0.75, 1.0, 1.0, 1.0, 1.0, 1.0, 0.25, -0.5, -1.25};
    for (int i = 0; i < 3; ++i) {
        const double out = over.process(inputs[i], [&seen](double v) {
            seen.push_back(v);
            return 3.0 * v;
        });
        double last = 0.0;
        for (int k = 0; k < 4; ++k)
            last = twin.processSample(3.0 * expected[4 * i + k]);
        EXPECT_DOUBLE_EQ(out, last);
    }
    EXPECT_EQ(seen, std::vector<double>(expected, expected + 12));
    over.clearInput();
    over.process(0.5, [&seen](double v) { return seen.front() = v; });
    EXPECT_EQ(seen.front(), 0.375);
}

TEST(Oversampler, FactorAndRatesFollowTheSettings)
{
    Oversampler over(10);
    EXPECT_DOUBLE_EQ(over.getAntiAlias().getSampleRate(), 441000.0);
    over.setFactor(0);
    over.setFactor(65);
    EXPECT_EQ(over.getFactor(), 10);
    over.setFactor(64);
    EXPECT_DOUBLE_EQ(over.getFactorInv(), 1.0 / 64.0);
    over.setBaseRate(48000.0);
    over.setBaseRate(-1.0);
    EXPECT_DOUBLE_EQ(over.getAntiAlias().getSampleRate(), 64.0 * 48000.0);
    over.setFactor(1);
    EXPECT_DOUBLE_EQ(over.getAntiAlias().getSampleRate(), 48000.0);
}
