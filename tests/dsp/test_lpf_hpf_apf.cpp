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
using cd = std::complex<double>;

LpfHpfApf make(double lowpass, double highpass, double allpass)
{
    LpfHpfApf f;
    f.setLowpassFrequency(lowpass);
    f.setHighpassFrequency(highpass);
    f.setAllpassFrequency(allpass);
    return f;
}

// Steady-state response to a sine of whole hertz: one second of output
// correlated with sine and cosine after a fifth of a second of settling.
cd measure(LpfHpfApf f, double hz)
{
    const double w = 2.0 * pi * hz / rate;
    cd sum = 0.0;
    for (int n = 0; n < 52920; ++n) {
        const double y = f.processSample(std::sin(w * n));
        if (n >= 8820)
            sum += cd(y * std::sin(w * n), y * std::cos(w * n));
    }
    return sum * (2.0 / 44100.0);
}

// Settled gain for a constant input or an input alternating +1, -1.
double settled(LpfHpfApf f, bool alternating)
{
    double y = 0.0;
    for (int n = 0; n < 20000; ++n) {
        const double x = (alternating && n % 2) ? -1.0 : 1.0;
        y = f.processSample(x) * x;
    }
    return y;
}

// Transfer functions at frequency hz of the sections tuned to f.
cd zInv(double hz) { return std::polar(1.0, -2.0 * pi * hz / rate); }
double pole(double f) { return std::exp(-2.0 * pi * f / rate); }
cd lowpass(double f, double hz) { return (1.0 - pole(f)) / (1.0 - pole(f) * zInv(hz)); }
cd highpass(double f, double hz) { return 0.5 * (1.0 + pole(f)) * (1.0 - zInv(hz)) / (1.0 - pole(f) * zInv(hz)); }

std::vector<double> noiseThrough(LpfHpfApf& f, int count)
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

TEST(LpfHpfApf, GainsAtDcAndHalfTheRate)
{
    EXPECT_NEAR(settled(LpfHpfApf(), false), 1.0, 1e-12);
    for (double f : {100.0, 1000.0, 12000.0, 20000.0}) {
        // The default allpass keeps both magnitudes.
        EXPECT_NEAR(settled(make(f, 0.0, 20000.0), false), 1.0, 1e-12) << f;
        EXPECT_NEAR(std::abs(settled(make(f, 0.0, 20000.0), true)), (1.0 - pole(f)) / (1.0 + pole(f)), 1e-12) << f;
        EXPECT_NEAR(settled(make(0.0, f, 20000.0), false), 0.0, 1e-12) << f;
        EXPECT_NEAR(std::abs(settled(make(0.0, f, 20000.0), true)), 1.0, 1e-12) << f;
    }
}

TEST(LpfHpfApf, SineResponsesMatchTheTransferFunctions)
{
    for (double hz : {300.0, 3000.0, 15000.0}) {
        // The allpass at 0 Hz is an inversion, a factor of -1.
        const cd expected[] = {-lowpass(2500.0, hz), -highpass(800.0, hz), -lowpass(6000.0, hz) * highpass(200.0, hz)};
        const cd measured[] = {measure(make(2500.0, 0.0, 0.0), hz), measure(make(0.0, 800.0, 0.0), hz),
            measure(make(6000.0, 200.0, 0.0), hz)};
        for (int i = 0; i < 3; ++i)
            EXPECT_NEAR(std::abs(measured[i] - expected[i]), 0.0, 1e-6) << hz << " " << i;
    }
}

TEST(LpfHpfApf, AllpassKeepsMagnitudeAndTurnsMinus90DegreesAtItsFrequency)
{
    for (double tuning : {500.0, 4000.0, 15000.0}) {
        for (double hz : {100.0, 19000.0})
            EXPECT_NEAR(std::abs(measure(make(0.0, 0.0, tuning), hz)), 1.0, 1e-6) << tuning << " " << hz;
        const cd h = measure(make(0.0, 0.0, tuning), tuning);
        EXPECT_NEAR(std::abs(h), 1.0, 1e-6) << tuning;
        EXPECT_NEAR(std::arg(h), -pi / 2.0, 1e-6) << tuning;
    }
    // Impulse response of the default allpass: c, then 1 - c^2.
    LpfHpfApf f = make(0.0, 0.0, 20000.0);
    const double c = 0.7435501509045674;
    EXPECT_NEAR(f.processSample(1.0), c, 1e-15);
    EXPECT_NEAR(f.processSample(0.0), 1.0 - c * c, 1e-15);
}

TEST(LpfHpfApf, ZeroSwitchesSectionsOffAndAllpassAtZeroInverts)
{
    // Sections first tuned and then switched off must leave nothing behind.
    LpfHpfApf f = make(500.0, 500.0, 0.0);
    f.setLowpassFrequency(0.0);
    f.setHighpassFrequency(0.0);
    for (double x : {1.0, 1.0, -0.5, 0.25, 0.0, 3.0})
        EXPECT_EQ(f.processSample(x), -x);
}

TEST(LpfHpfApf, OutOfRangeFrequenciesFallBackTo20kHz)
{
    LpfHpfApf reference = make(20000.0, 20000.0, 20000.0);
    const std::vector<double> expected = noiseThrough(reference, 500);
    for (double bad : {25000.0, -5.0, -0.0001, std::numeric_limits<double>::quiet_NaN(),
             std::numeric_limits<double>::infinity()}) {
        LpfHpfApf f = make(3000.0, 100.0, 50.0);
        f.setLowpassFrequency(bad);
        f.setHighpassFrequency(bad);
        f.setAllpassFrequency(bad);
        EXPECT_EQ(noiseThrough(f, 500), expected) << bad;
    }
}

TEST(LpfHpfApf, ResetClearsTheHistoryAndRateChangesRecompute)
{
    LpfHpfApf fresh;
    fresh.setSampleRate(96000.0);
    fresh.setHighpassFrequency(300.0);
    const std::vector<double> expected = noiseThrough(fresh, 200);

    LpfHpfApf used = make(20000.0, 300.0, 20000.0);
    noiseThrough(used, 1000);
    used.setSampleRate(96000.0);
    used.setSampleRate(0.0);
    used.setSampleRate(-48000.0);
    used.reset();
    EXPECT_EQ(noiseThrough(used, 200), expected);
}

TEST(LpfHpfApf, AnySetterInputKeepsTheOutputFiniteAndBounded)
{
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    // Rates below 40 kHz put the 20 kHz default allpass above half the rate.
    for (double r : {1e-320, 1.0, 8000.0, 16000.0, 22050.0, 30000.0, 1e300, inf, nan}) {
        for (double v : {nan, inf, -inf, 0.0, -1.0, 1e-320, 1e300, 1.0, 10000.0, 20000.0, 30000.0}) {
            LpfHpfApf f;
            f.setSampleRate(r);
            f.setLowpassFrequency(v);
            f.setHighpassFrequency(v);
            f.setAllpassFrequency(v);
            for (double y : noiseThrough(f, 4000)) {
                ASSERT_TRUE(std::isfinite(y)) << r << " " << v;
                ASSERT_LE(std::abs(y), 8.0) << r << " " << v;
            }
        }
    }
}
