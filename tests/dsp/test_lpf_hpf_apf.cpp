#include "dsp/LpfHpfApf.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <limits>
#include <numbers>
#include <vector>

namespace {

constexpr double pi = std::numbers::pi;
constexpr double rate = 44100.0;

// Steady-state gain and phase of the filter for a sine of whole hertz at 44100 Hz,
// measured by correlating one second of output with sine and cosine.
std::complex<double> measureResponse(LpfHpfApf& f, double hz)
{
    const double w = 2.0 * pi * hz / rate;
    for (int n = 0; n < 8820; ++n)
        f.processSample(std::sin(w * n));
    double re = 0.0;
    double im = 0.0;
    for (int n = 0; n < 44100; ++n) {
        const double y = f.processSample(std::sin(w * (n + 8820)));
        re += y * std::sin(w * (n + 8820));
        im += y * std::cos(w * (n + 8820));
    }
    return {2.0 * re / 44100.0, 2.0 * im / 44100.0};
}

// Settled output for a constant input (DC) or an input alternating +1, -1 (half the rate).
double settledGain(LpfHpfApf& f, bool alternating)
{
    double y = 0.0;
    for (int n = 0; n < 20000; ++n) {
        const double x = (alternating && n % 2) ? -1.0 : 1.0;
        y = f.processSample(x) * x;
    }
    return y;
}

double pole(double hz) { return std::exp(-2.0 * pi * hz / rate); }

std::complex<double> lowpassResponse(double hz, double at)
{
    const double p = pole(hz);
    const std::complex<double> zInv = std::polar(1.0, -2.0 * pi * at / rate);
    return (1.0 - p) / (1.0 - p * zInv);
}

std::complex<double> highpassResponse(double hz, double at)
{
    const double p = pole(hz);
    const std::complex<double> zInv = std::polar(1.0, -2.0 * pi * at / rate);
    return 0.5 * (1.0 + p) * (1.0 - zInv) / (1.0 - p * zInv);
}

LpfHpfApf onlyLowpass(double hz)
{
    // The default allpass stays in: it keeps the magnitudes at DC and half the rate.
    LpfHpfApf f;
    f.setLowpassFrequency(hz);
    return f;
}

std::vector<double> run(LpfHpfApf& f, int count)
{
    std::vector<double> out;
    unsigned state = 12345u;
    for (int n = 0; n < count; ++n) {
        state = state * 1103515245u + 12345u;
        out.push_back(f.processSample((state >> 8) / double(1u << 24) - 0.5));
    }
    return out;
}

} // namespace

TEST(LpfHpfApf, NewInstancePassesDc)
{
    LpfHpfApf f;
    EXPECT_NEAR(settledGain(f, false), 1.0, 1e-12);
}

TEST(LpfHpfApf, LowpassGainsAtDcAndHalfTheRate)
{
    for (double hz : {100.0, 1000.0, 12000.0}) {
        LpfHpfApf dc = onlyLowpass(hz);
        EXPECT_NEAR(settledGain(dc, false), 1.0, 1e-12) << hz;
        LpfHpfApf nyquist = onlyLowpass(hz);
        const double p = pole(hz);
        EXPECT_NEAR(std::abs(settledGain(nyquist, true)), (1.0 - p) / (1.0 + p), 1e-12) << hz;
    }
}

TEST(LpfHpfApf, HighpassGainsAtDcAndHalfTheRate)
{
    for (double hz : {50.0, 2000.0, 20000.0}) {
        LpfHpfApf dc;
        dc.setLowpassFrequency(0.0);
        dc.setHighpassFrequency(hz);
        EXPECT_NEAR(settledGain(dc, false), 0.0, 1e-12) << hz;
        LpfHpfApf nyquist;
        nyquist.setLowpassFrequency(0.0);
        nyquist.setHighpassFrequency(hz);
        EXPECT_NEAR(std::abs(settledGain(nyquist, true)), 1.0, 1e-12) << hz;
    }
}

TEST(LpfHpfApf, SineResponsesMatchTheTransferFunctions)
{
    for (double at : {300.0, 3000.0, 15000.0}) {
        LpfHpfApf lp;
        lp.setLowpassFrequency(2500.0);
        lp.setAllpassFrequency(0.0);
        // Allpass at 0 Hz is an inversion: a factor of -1 on the response.
        const std::complex<double> lpExpected = -lowpassResponse(2500.0, at);
        const std::complex<double> lpMeasured = measureResponse(lp, at);
        EXPECT_NEAR(lpMeasured.real(), lpExpected.real(), 1e-6) << at;
        EXPECT_NEAR(lpMeasured.imag(), lpExpected.imag(), 1e-6) << at;

        LpfHpfApf hp;
        hp.setLowpassFrequency(0.0);
        hp.setHighpassFrequency(800.0);
        hp.setAllpassFrequency(0.0);
        const std::complex<double> hpExpected = -highpassResponse(800.0, at);
        const std::complex<double> hpMeasured = measureResponse(hp, at);
        EXPECT_NEAR(hpMeasured.real(), hpExpected.real(), 1e-6) << at;
        EXPECT_NEAR(hpMeasured.imag(), hpExpected.imag(), 1e-6) << at;
    }
}

TEST(LpfHpfApf, AllpassKeepsMagnitudeAndTurnsMinusNinetyDegreesAtItsFrequency)
{
    for (double tuning : {500.0, 4000.0, 15000.0}) {
        for (double at : {100.0, tuning, 19000.0}) {
            LpfHpfApf f;
            f.setLowpassFrequency(0.0);
            f.setAllpassFrequency(tuning);
            const std::complex<double> h = measureResponse(f, at);
            EXPECT_NEAR(std::abs(h), 1.0, 1e-6) << tuning << " " << at;
            if (at == tuning) {
                EXPECT_NEAR(std::arg(h), -pi / 2.0, 1e-6) << tuning;
            }
        }
    }
}

TEST(LpfHpfApf, DefaultAllpassImpulseStartsWithItsCoefficient)
{
    LpfHpfApf f;
    f.setLowpassFrequency(0.0);
    const double c = 0.7435501509045674;
    EXPECT_NEAR(f.processSample(1.0), c, 1e-15);
    EXPECT_NEAR(f.processSample(0.0), 1.0 - c * c, 1e-15);
}

TEST(LpfHpfApf, AllpassAtZeroInvertsExactly)
{
    LpfHpfApf f;
    f.setLowpassFrequency(0.0);
    f.setAllpassFrequency(0.0);
    for (double x : {0.3, -1.25, 7.0, 0.0, 1e-3})
        EXPECT_EQ(f.processSample(x), -x);
}

TEST(LpfHpfApf, OutOfRangeFrequenciesFallBackTo20kHz)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    LpfHpfApf reference;
    reference.setHighpassFrequency(20000.0);
    reference.setLowpassFrequency(20000.0);
    reference.setAllpassFrequency(20000.0);
    const std::vector<double> expected = run(reference, 500);

    for (double bad : {25000.0, -5.0, -0.0001, nan, std::numeric_limits<double>::infinity()}) {
        LpfHpfApf f;
        f.setLowpassFrequency(3000.0);
        f.setHighpassFrequency(bad);
        f.setLowpassFrequency(bad);
        f.setAllpassFrequency(bad);
        EXPECT_EQ(run(f, 500), expected) << bad;
    }
}

TEST(LpfHpfApf, ZeroSwitchesLowpassAndHighpassOff)
{
    // With the allpass inverting, anything left of either section would show.
    LpfHpfApf f;
    f.setLowpassFrequency(500.0);
    f.setHighpassFrequency(500.0);
    f.setAllpassFrequency(0.0);
    f.setLowpassFrequency(0.0);
    f.setHighpassFrequency(0.0);
    for (double x : {1.0, 1.0, -0.5, 0.25, 0.0, 3.0})
        EXPECT_EQ(f.processSample(x), -x);
}

TEST(LpfHpfApf, ResetClearsTheHistoryAndRateFollowsTheSetter)
{
    LpfHpfApf fresh;
    fresh.setSampleRate(96000.0);
    fresh.setHighpassFrequency(300.0);
    const std::vector<double> expected = run(fresh, 200);

    LpfHpfApf used;
    used.setHighpassFrequency(300.0);
    run(used, 1000);
    used.setSampleRate(96000.0);
    used.setSampleRate(0.0);
    used.setSampleRate(-48000.0);
    used.reset();
    EXPECT_DOUBLE_EQ(used.getSampleRate(), 96000.0);
    EXPECT_EQ(run(used, 200), expected);
}

TEST(LpfHpfApf, AnySetterInputKeepsTheOutputFiniteAndBounded)
{
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double values[] = {nan, inf, -inf, 0.0, -1.0, 1e-320, 1e300, 1.0, 10000.0, 19999.0, 20000.0, 30000.0};
    for (double r : {1e-320, 1.0, 8000.0, 16000.0, 22050.0, 30000.0, 1e300, inf, nan}) {
        for (double v : values) {
            LpfHpfApf f;
            f.setSampleRate(r);
            f.setLowpassFrequency(v);
            f.setHighpassFrequency(v);
            f.setAllpassFrequency(v);
            for (double y : run(f, 4000)) {
                ASSERT_TRUE(std::isfinite(y)) << r << " " << v;
                ASSERT_LE(std::abs(y), 8.0) << r << " " << v;
            }
        }
    }
}
