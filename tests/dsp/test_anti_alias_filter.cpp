#include "dsp/AntiAliasFilter.h"
#include "tests/support/SineResponse.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

namespace {

constexpr double pi = std::numbers::pi;
constexpr double inf = std::numeric_limits<double>::infinity();

double measuredGain(AntiAliasFilter& f, double rate, double hz)
{
    return measureSine([&f](double x) { return f.processSample(x); }, hz, rate).gain;
}

// Fourth-order Butterworth magnitude after the bilinear transform.
double butterworth4(double rate, double cutoff, double hz)
{
    const double x = std::tan(pi * hz / rate) / std::tan(pi * cutoff / rate);
    return 1.0 / std::sqrt(1.0 + std::pow(x, 8.0));
}

double settleOnConstant(AntiAliasFilter& f, double value, int samples)
{
    double y = 0.0;
    for (int n = 0; n < samples; ++n)
        y = f.processSample(value);
    return y;
}

// Largest output magnitude over [from, to) of the response to a unit impulse.
double impulseTail(AntiAliasFilter& f, int from, int to)
{
    f.reset();
    double peak = 0.0;
    for (int n = 0; n < to; ++n) {
        const double y = f.processSample(n == 0 ? 1.0 : 0.0);
        EXPECT_TRUE(std::isfinite(y));
        if (n >= from)
            peak = std::max(peak, std::fabs(y));
    }
    return peak;
}

} // namespace

TEST(AntiAliasFilter, ImpulseResponseFollowsTheReferenceRecursion)
{
    AntiAliasFilter f;
    f.setSampleRate(441000.0);
    const double a[5] = {1.0, -3.330715013703814, 4.207129740137972, -2.383778604636367, 0.510523396096419};
    const double b[5] = {0.00019746986838812403, 0.0007898794735524961, 0.0011848192103287442,
                         0.0007898794735524961, 0.00019746986838812403};
    // Naive direct form over the whole signal history.
    std::vector<double> x(400, 0.0), y(400, 0.0);
    x[0] = 1.0;
    for (int n = 0; n < 400; ++n) {
        double acc = 0.0;
        for (int k = 0; k <= 4 && k <= n; ++k)
            acc += b[k] * x[n - k] - (k > 0 ? a[k] * y[n - k] : 0.0);
        y[n] = acc;
        EXPECT_NEAR(f.processSample(x[n]), y[n], 1e-12) << n;
    }
}

TEST(AntiAliasFilter, MeasuredResponseIsAFourthOrderButterworth)
{
    AntiAliasFilter f;
    f.setSampleRate(441000.0);
    for (double hz : {500.0, 9000.0, 18000.0, 30000.0, 60000.0, 150000.0})
        EXPECT_NEAR(measuredGain(f, 441000.0, hz), butterworth4(441000.0, 18000.0, hz), 2e-4) << hz;
    EXPECT_NEAR(measuredGain(f, 441000.0, 18000.0), std::sqrt(0.5), 2e-4);
}

TEST(AntiAliasFilter, PassesDcAndRemovesHalfTheRate)
{
    AntiAliasFilter f;
    EXPECT_NEAR(settleOnConstant(f, 0.75, 2000), 0.75, 1e-12);
    f.reset();
    double y = 0.0;
    for (int n = 0; n < 2000; ++n)
        y = f.processSample(n % 2 ? -1.0 : 1.0);
    EXPECT_NEAR(y, 0.0, 1e-12);
}

TEST(AntiAliasFilter, NonPositiveCutoffsKeepTheDesign)
{
    AntiAliasFilter reference;
    reference.setSampleRate(96000.0);
    reference.setCutoff(12000.0);
    const double expected = impulseTail(reference, 3, 4);

    AntiAliasFilter f;
    f.setSampleRate(96000.0);
    f.setCutoff(12000.0);
    for (double bad : {0.0, -1.0, std::nan(""), inf}) {
        f.setCutoff(bad);
        EXPECT_DOUBLE_EQ(f.getCutoff(), 12000.0);
        EXPECT_EQ(impulseTail(f, 3, 4), expected);
    }
}

TEST(AntiAliasFilter, NewRateKeepsTheCutoffAndRedesigns)
{
    AntiAliasFilter f;
    f.setSampleRate(176400.0);
    EXPECT_DOUBLE_EQ(f.getCutoff(), 18000.0);
    EXPECT_DOUBLE_EQ(f.getSampleRate(), 176400.0);
    EXPECT_NEAR(measuredGain(f, 176400.0, 18000.0), std::sqrt(0.5), 2e-4);
    EXPECT_NEAR(measuredGain(f, 176400.0, 36000.0), butterworth4(176400.0, 18000.0, 36000.0), 2e-4);

    for (double bad : {0.0, -5.0, std::nan(""), inf, 1e-310}) {
        f.setSampleRate(bad);
        EXPECT_DOUBLE_EQ(f.getSampleRate(), 176400.0);
    }
    EXPECT_NEAR(measuredGain(f, 176400.0, 18000.0), std::sqrt(0.5), 2e-4);
}

TEST(AntiAliasFilter, RedesignKeepsTheHistory)
{
    AntiAliasFilter f;
    EXPECT_NEAR(settleOnConstant(f, 1.0, 2000), 1.0, 1e-12);
    // A settled history at 1 is the steady state of any unity-DC design.
    f.setCutoff(3000.0);
    EXPECT_NEAR(f.processSample(1.0), 1.0, 1e-9);
    f.setSampleRate(96000.0);
    EXPECT_NEAR(f.processSample(1.0), 1.0, 1e-9);
    f.reset();
    EXPECT_EQ(f.processSample(0.0), 0.0);
}

TEST(AntiAliasFilter, DecimatorAtLowHostRateStaysAStableLowpass)
{
    // Host rate 8000 Hz: the engine's decimator runs at 16000 Hz with its
    // 16000 Hz cutoff, whichever of the two is set first.
    AntiAliasFilter cutoffFirst;
    cutoffFirst.setCutoff(16000.0);
    cutoffFirst.setSampleRate(16000.0);
    AntiAliasFilter rateFirst;
    rateFirst.setSampleRate(16000.0);
    rateFirst.setCutoff(16000.0);
    for (AntiAliasFilter* f : {&cutoffFirst, &rateFirst}) {
        EXPECT_DOUBLE_EQ(f->getCutoff(), 16000.0);
        EXPECT_LT(impulseTail(*f, 500, 1000), 1e-12);
        f->reset();
        EXPECT_NEAR(settleOnConstant(*f, 1.0, 1000), 1.0, 1e-12);
        EXPECT_NEAR(measuredGain(*f, 16000.0, 7200.0), std::sqrt(0.5), 2e-4);
        EXPECT_NEAR(measuredGain(*f, 16000.0, 2000.0), butterworth4(16000.0, 7200.0, 2000.0), 2e-4);
        f->reset();
        double y = 0.0;
        for (int n = 0; n < 1000; ++n)
            y = f->processSample(n % 2 ? -1.0 : 1.0);
        EXPECT_NEAR(y, 0.0, 1e-12);
    }
    // Back at a rate where it fits, the filter follows its own cutoff again.
    rateFirst.setSampleRate(88200.0);
    EXPECT_NEAR(measuredGain(rateFirst, 88200.0, 16000.0), std::sqrt(0.5), 2e-4);
}

TEST(AntiAliasFilter, ExtremeSettingsKeepTheOutputFinite)
{
    struct Setting {
        double rate;
        double cutoff;
    };
    for (const Setting s : {Setting{441000.0, 1e-300}, Setting{441000.0, 1.0}, Setting{1e300, 18000.0},
                            Setting{1e-300, 18000.0}, Setting{1.7e308, 1e308}}) {
        AntiAliasFilter f;
        f.setSampleRate(s.rate);
        f.setCutoff(s.cutoff);
        EXPECT_NEAR(settleOnConstant(f, 1.0, 20000), 1.0, 1e-6) << s.rate << " " << s.cutoff;
        EXPECT_LT(impulseTail(f, 40000, 40100), 1e-12) << s.rate << " " << s.cutoff;
    }
    // The lowest design edge is 1e-3 of the rate.
    AntiAliasFilter slow;
    slow.setSampleRate(441000.0);
    slow.setCutoff(1.0);
    EXPECT_DOUBLE_EQ(slow.getCutoff(), 1.0);
    EXPECT_NEAR(measuredGain(slow, 441000.0, 441.0), std::sqrt(0.5), 2e-4);
}

TEST(Oversampler, InterpolatesFromThePreviousInputAndKeepsTheLastFilteredValue)
{
    Oversampler over(4);
    AntiAliasFilter twin;
    twin.setSampleRate(4.0 * 44100.0);
    std::vector<double> seen;
    auto step = [&seen](double v) {
        seen.push_back(v);
        return 3.0 * v;
    };
    const double inputs[3] = {1.0, 1.0, -2.0};
    const double expectedSeen[12] = {0.0, 0.25, 0.5, 0.75, 1.0, 1.0, 1.0, 1.0, 1.0, 0.25, -0.5, -1.25};
    for (int i = 0; i < 3; ++i) {
        const double out = over.process(inputs[i], step);
        double last = 0.0;
        for (int k = 0; k < 4; ++k)
            last = twin.processSample(3.0 * expectedSeen[4 * i + k]);
        EXPECT_DOUBLE_EQ(out, last);
    }
    ASSERT_EQ(seen.size(), 12u);
    for (int k = 0; k < 12; ++k)
        EXPECT_DOUBLE_EQ(seen[k], expectedSeen[k]);
}

TEST(Oversampler, FactorAndRatesFollowTheSettings)
{
    Oversampler over(10);
    EXPECT_EQ(over.getFactor(), 10);
    EXPECT_DOUBLE_EQ(over.getAntiAlias().getSampleRate(), 441000.0);
    over.setFactor(0);
    over.setFactor(65);
    EXPECT_EQ(over.getFactor(), 10);
    over.setFactor(64);
    EXPECT_EQ(over.getFactor(), 64);
    EXPECT_DOUBLE_EQ(over.getFactorInv(), 1.0 / 64.0);
    EXPECT_DOUBLE_EQ(over.getAntiAlias().getSampleRate(), 64.0 * 44100.0);
    over.setBaseRate(48000.0);
    over.setBaseRate(-1.0);
    EXPECT_DOUBLE_EQ(over.getAntiAlias().getSampleRate(), 64.0 * 48000.0);
    over.setFactor(1);
    EXPECT_DOUBLE_EQ(over.getAntiAlias().getSampleRate(), 48000.0);

    int calls = 0;
    over.process(1.0, [&calls](double v) { ++calls; return v; });
    EXPECT_EQ(calls, 1);
}

TEST(Oversampler, IdentityStepSettlesAndClearInputRestartsFromZero)
{
    Oversampler over(4);
    auto identity = [](double v) { return v; };
    double y = 0.0;
    for (int n = 0; n < 2000; ++n)
        y = over.process(0.5, identity);
    EXPECT_NEAR(y, 0.5, 1e-12);
    over.clearInput();
    double first = 1.0;
    over.process(0.5, [&first](double v) {
        first = std::min(first, v);
        return v;
    });
    EXPECT_EQ(first, 0.0);
}
