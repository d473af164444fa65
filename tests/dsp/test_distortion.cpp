#include "dsp/Distortion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <limits>
#include <numbers>
#include <vector>

namespace {

double dB(double level) { return 20.0 * std::log10(level); }

// Every level at 0 dB, no drive, no offset, no rectification, fully wet.
Distortion plainShaper(std::int64_t mode)
{
    Distortion d;
    d.setMode(mode);
    d.setDryWet(100.0);
    d.setDrive(0.0);
    d.setDcOffset(0.0);
    d.setRectification(0.0);
    return d;
}

constexpr std::int64_t linear = Distortion::linearMapping;
constexpr std::int64_t tanhMode = Distortion::tanhMapping;
constexpr double pi = std::numbers::pi;

// Amplitude of harmonic h of a signal holding a whole number of periods of
// length period, by a plain DFT sum.
double harmonic(const std::vector<double>& signal, int period, int h)
{
    std::complex<double> sum = 0.0;
    for (std::size_t n = 0; n < signal.size(); ++n)
        sum += signal[n] * std::polar(1.0, -2.0 * pi * h * double(n % period) / period);
    return 2.0 * std::abs(sum) / double(signal.size());
}

// Steady-state base-rate output of processOversampled for a sine of the given
// period in samples: 100 whole periods after 100 periods of settling.
std::vector<double> drivenSine(Distortion& d, int period, double amplitude)
{
    std::vector<double> out;
    for (int n = 0; n < 200 * period; ++n) {
        const double y = d.processOversampled(amplitude * std::sin(2.0 * pi * n / period));
        if (n >= 100 * period)
            out.push_back(y);
    }
    return out;
}

// Harmonic h of a continuous unit sine, driven by gain and bent by the curve
// a -> a below t, t + (c - t) tanh((a - t) / (c - t)) above, on both halves.
double tanhCurveHarmonic(double gain, double t, double c, int h)
{
    constexpr int points = 200000;
    std::complex<double> sum = 0.0;
    for (int m = 0; m < points; ++m) {
        const double phase = 2.0 * pi * m / points;
        const double x = gain * std::sin(phase);
        const double a = std::abs(x);
        const double f = a <= t ? a : t + (c - t) * std::tanh((a - t) / (c - t));
        sum += std::copysign(f, x) * std::polar(1.0, -h * phase);
    }
    return 2.0 * std::abs(sum) / points;
}

} // namespace

TEST(DistortionMapping, UnitLevelsClipAtPlusMinusOneInBothModes)
{
    for (std::int64_t mode : {linear, tanhMode}) {
        Distortion d = plainShaper(mode);
        EXPECT_EQ(d.processSample(0.5), 0.5) << mode;
        EXPECT_EQ(d.processSample(-0.5), -0.5) << mode;
        EXPECT_EQ(d.processSample(0.0), 0.0) << mode;
        EXPECT_EQ(d.processSample(3.0), 1.0) << mode;
        EXPECT_EQ(d.processSample(-3.0), -1.0) << mode;
        EXPECT_EQ(d.processSample(1e300), 1.0) << mode;
    }
}

TEST(DistortionMapping, LinearSegmentRunsFromThresholdToSaturation)
{
    Distortion d = plainShaper(linear);
    d.setUpperThreshold(dB(0.5));
    d.setUpperSaturation(0.0);
    d.setUpperClampLevel(dB(0.75));
    EXPECT_NEAR(d.processSample(0.4), 0.4, 1e-15);
    EXPECT_NEAR(d.processSample(0.75), 0.625, 1e-12);
    EXPECT_NEAR(d.processSample(0.9), 0.5 + 0.4 * 0.25 / 0.5, 1e-12);
    EXPECT_NEAR(d.processSample(1.0), 0.75, 1e-12);
    EXPECT_NEAR(d.processSample(2.0), 0.75, 1e-12);
    // The lower half keeps its own 0 dB levels.
    EXPECT_NEAR(d.processSample(-0.75), -0.75, 1e-15);
    EXPECT_NEAR(d.processSample(-2.0), -1.0, 1e-15);
}

TEST(DistortionMapping, LowerHalfUsesItsOwnLevels)
{
    Distortion d = plainShaper(linear);
    d.setLowerThreshold(dB(0.25));
    d.setLowerSaturation(dB(0.5));
    d.setLowerClampLevel(dB(0.3));
    EXPECT_NEAR(d.processSample(-0.2), -0.2, 1e-15);
    EXPECT_NEAR(d.processSample(-0.375), -0.275, 1e-12);
    EXPECT_NEAR(d.processSample(-4.0), -0.3, 1e-12);
    EXPECT_NEAR(d.processSample(0.375), 0.375, 1e-15);
}

TEST(DistortionMapping, ThresholdAtSaturationClipsHard)
{
    Distortion d = plainShaper(linear);
    d.setUpperClampLevel(dB(0.8));
    d.setUpperThreshold(dB(0.5));
    d.setUpperSaturation(dB(0.5));
    EXPECT_NEAR(d.processSample(0.49), 0.49, 1e-15);
    EXPECT_NEAR(d.processSample(0.5000001), 0.8, 1e-12);
    EXPECT_NEAR(d.processSample(7.0), 0.8, 1e-12);
    // A saturation point below the threshold clips right above the threshold too.
    d.setUpperSaturation(dB(0.1));
    EXPECT_NEAR(d.processSample(0.51), 0.8, 1e-12);
}

TEST(DistortionMapping, TanhKneeStartsWithSlopeOneAndApproachesTheClamp)
{
    Distortion d = plainShaper(tanhMode);
    d.setUpperThreshold(dB(0.5));
    d.setUpperClampLevel(0.0);
    EXPECT_NEAR(d.processSample(0.5), 0.5, 1e-15);
    EXPECT_NEAR(d.processSample(0.8), 0.7685247834990176, 1e-12);
    const double h = 1e-7;
    EXPECT_NEAR((d.processSample(0.5 + h) - d.processSample(0.5)) / h, 1.0, 1e-6);
    double previous = 0.5;
    for (double x = 0.6; x < 100.0; x *= 1.3) {
        const double y = d.processSample(x);
        EXPECT_GE(y, previous) << x;
        EXPECT_LE(y, 1.0) << x;
        previous = std::max(previous, y);
    }
    EXPECT_GT(d.processSample(50.0), 1.0 - 1e-12);
    // The saturation point plays no part in the knee.
    d.setUpperSaturation(dB(0.6));
    EXPECT_NEAR(d.processSample(0.8), 0.7685247834990176, 1e-12);
}

TEST(DistortionMapping, TanhKneeNeverExceedsItsClamp)
{
    Distortion d = plainShaper(tanhMode);
    for (double tDb = -40.0; tDb <= 6.0; tDb += 1.7) {
        for (double cDb = tDb + 0.01; cDb <= tDb + 30.0; cDb += 2.3) {
            d.setUpperThreshold(tDb);
            d.setUpperClampLevel(cDb);
            d.setLowerThreshold(tDb);
            d.setLowerClampLevel(cDb);
            const double clamp = std::pow(10.0, cDb * 0.05);
            for (double x = 1e-3; x < 1e6; x *= 1.07) {
                ASSERT_LE(d.processSample(x), clamp) << tDb << " " << cDb << " " << x;
                ASSERT_GE(d.processSample(-x), -clamp) << tDb << " " << cDb << " " << x;
            }
        }
    }
}

TEST(DistortionMapping, ClampAtThresholdMakesTheKneeAHardClip)
{
    Distortion d = plainShaper(tanhMode);
    d.setUpperThreshold(dB(0.4));
    d.setUpperClampLevel(dB(0.4));
    const double t = std::pow(10.0, dB(0.4) * 0.05);
    for (double x : {0.41, 1.0, 1e10}) {
        const double y = d.processSample(x);
        EXPECT_GE(y, t);
        EXPECT_LE(y, t + std::numeric_limits<double>::min());
    }
}

TEST(DistortionMapping, RectificationRemovesOrMirrorsTheNegativeHalf)
{
    for (std::int64_t mode : {linear, tanhMode}) {
        Distortion half = plainShaper(mode);
        half.setRectification(0.5);
        for (double x : {-0.01, -0.5, -3.0})
            EXPECT_EQ(half.processSample(x), 0.0) << mode << " " << x;
        EXPECT_EQ(half.processSample(0.5), 0.5);
        half.setDryWet(50.0);
        EXPECT_NEAR(half.processSample(-0.6), -0.3, 1e-15);

        Distortion full = plainShaper(mode);
        full.setRectification(1.0);
        full.setLowerThreshold(dB(0.5));
        full.setLowerSaturation(dB(0.5));
        full.setLowerClampLevel(dB(0.5));
        EXPECT_NEAR(full.processSample(-0.3), 0.3, 1e-15) << mode;
        EXPECT_NEAR(full.processSample(-3.0), 0.5, 1e-12) << mode;
        EXPECT_NEAR(full.processSample(3.0), 1.0, 1e-12) << mode;
    }
}

TEST(DistortionMapping, DryPathTakesTheRawInputAndWetTheDrivenOne)
{
    Distortion d = plainShaper(linear);
    d.setDryWet(50.0);
    d.setDrive(dB(2.0));
    d.setDcOffset(0.1);
    // 0.5 * 0.2 + 0.5 * (2 * 0.2 + 0.1)
    EXPECT_NEAR(d.processSample(0.2), 0.35, 1e-12);
    // 0.5 * 1 + 0.5 * clip(2.1)
    EXPECT_NEAR(d.processSample(1.0), 1.0, 1e-12);
    // 0.5 * -0.3 + 0.5 * (-0.6 + 0.1)
    EXPECT_NEAR(d.processSample(-0.3), -0.4, 1e-12);

    Distortion offset = plainShaper(tanhMode);
    offset.setDcOffset(0.2);
    offset.setDryWet(30.0);
    EXPECT_NEAR(offset.processSample(0.0), 0.2 * 0.3, 1e-15);
}

TEST(DistortionMapping, OutOfRangeSettingsKeepTheOldValues)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    Distortion d = plainShaper(linear);
    d.setDryWet(40.0);
    d.setRectification(0.5);
    const double before = d.processSample(-2.0) + d.processSample(2.0);
    for (double bad : {101.0, -1.0, nan})
        d.setDryWet(bad);
    for (double bad : {1.01, -0.01, nan})
        d.setRectification(bad);
    for (std::int64_t bad : {3, -1, 1000})
        d.setMode(bad);
    EXPECT_EQ(d.processSample(-2.0) + d.processSample(2.0), before);
    // 0.6 * -2 + 0.4 * 0 and 0.6 * 2 + 0.4 * 1
    EXPECT_NEAR(before, -1.2 + 1.6, 1e-12);
}

TEST(DistortionMapping, NoSetterInputMakesTheOutputNonFinite)
{
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double values[] = {nan, inf, -inf, 0.0, 1e-320, -1e-320, 1e308, -1e308, 7000.0, -7000.0, 300.0, -300.0, 6.0};
    const double inputs[] = {0.0, 0.3, -0.3, 1.5, -1.5, 1e300, -1e300, 1e-310};
    for (std::int64_t mode : {0, 1, 2}) {
        for (double v : values) {
            Distortion d;
            d.setMode(mode);
            d.setDryWet(v);
            d.setDrive(v);
            d.setDcOffset(v);
            d.setRectification(v);
            d.setLowerThreshold(v);
            d.setUpperClampLevel(v);
            for (double w : values) {
                d.setUpperThreshold(w);
                d.setLowerSaturation(w);
                d.setLowerClampLevel(v == w ? 0.0 : w);
                d.setUpperSaturation(-w);
                for (double x : inputs)
                    ASSERT_TRUE(std::isfinite(d.processSample(x))) << mode << " " << v << " " << w << " " << x;
            }
        }
    }
}

TEST(DistortionMapping, SegmentTooNarrowForItsSlopeClipsHard)
{
    // Levels near 1e-315 are subnormal: a saturation point a few steps above the
    // threshold gives a slope that overflows.
    Distortion d = plainShaper(linear);
    d.setUpperClampLevel(0.0);
    d.setUpperThreshold(-6300.0);
    d.setUpperSaturation(-6299.9999999);
    const double t = std::pow(10.0, -6300.0 * 0.05);
    const double u = std::pow(10.0, -6299.9999999 * 0.05);
    ASSERT_GT(u, t);
    for (double x = t; x <= u; x = std::nextafter(x, 1.0)) {
        const double y = d.processSample(x);
        ASSERT_TRUE(std::isfinite(y)) << x;
        ASSERT_LE(y, 1.0) << x;
    }
}

TEST(DistortionOversampled, DrivenSineThroughTheTanhKneeGainsOddHarmonicsOnly)
{
    // 1050 Hz at 44100 Hz: 42 samples a period, so both halves of a period are
    // sampled alike and even harmonics can only come from an asymmetric curve.
    constexpr int period = 42;
    Distortion d = plainShaper(tanhMode);
    d.setDrive(dB(2.0));
    d.setLowerThreshold(dB(0.5));
    d.setUpperThreshold(dB(0.5));
    const std::vector<double> out = drivenSine(d, period, 1.0);

    const double first = harmonic(out, period, 1);
    EXPECT_NEAR(first, tanhCurveHarmonic(2.0, 0.5, 1.0, 1), 0.01 * first);
    EXPECT_NEAR(harmonic(out, period, 3), tanhCurveHarmonic(2.0, 0.5, 1.0, 3), 0.01 * harmonic(out, period, 3));
    EXPECT_NEAR(harmonic(out, period, 5), tanhCurveHarmonic(2.0, 0.5, 1.0, 5), 0.02 * harmonic(out, period, 5));
    EXPECT_GT(harmonic(out, period, 3), 0.15 * first);
    EXPECT_GT(harmonic(out, period, 5), 0.03 * first);
    for (int h : {2, 4, 6})
        EXPECT_LT(harmonic(out, period, h), 1e-12) << h;
    for (double y : out)
        ASSERT_LE(std::abs(y), 1.0);

    // A DC offset makes the curve asymmetric about the signal: even harmonics appear.
    Distortion offset = plainShaper(tanhMode);
    offset.setDrive(dB(2.0));
    offset.setLowerThreshold(dB(0.5));
    offset.setUpperThreshold(dB(0.5));
    offset.setDcOffset(0.3);
    EXPECT_GT(harmonic(drivenSine(offset, period, 1.0), period, 2), 0.01 * first);
}

TEST(DistortionOversampled, ConstantInputSettlesAtTheShapedValue)
{
    Distortion d = plainShaper(linear);
    d.setUpperThreshold(dB(0.5));
    d.setUpperClampLevel(dB(0.75));
    double y = 0.0;
    for (int n = 0; n < 2000; ++n)
        y = d.processOversampled(0.75);
    EXPECT_NEAR(y, 0.625, 1e-9);
    for (int n = 0; n < 2000; ++n)
        y = d.processOversampled(-3.0);
    EXPECT_NEAR(y, -1.0, 1e-9);
}

TEST(DistortionOversampled, MatchesInterpolateShapeFilterAndKeepTheLast)
{
    for (std::int64_t factor : {4, 2, 7}) {
        Distortion d = plainShaper(tanhMode);
        d.setDrive(9.0);
        d.setDcOffset(-0.1);
        d.setUpperThreshold(-8.0);
        d.setLowerClampLevel(-3.0);
        d.setSampleRate(48000.0);
        d.setSampleRate(-1.0);
        if (factor != 4)
            d.setOversampling(factor);
        d.setOversampling(65);
        d.setOversampling(0);

        Distortion shaper = d;
        AntiAliasFilter lowpass;
        lowpass.setSampleRate(48000.0 * double(factor));
        double previous = 0.0;
        for (int n = 0; n < 500; ++n) {
            const double in = 0.9 * std::sin(0.05 * n) + 0.3 * std::sin(0.71 * n);
            double expected = 0.0;
            for (std::int64_t k = 0; k < factor; ++k)
                expected = lowpass.processSample(
                    shaper.processSample(previous + (in - previous) * double(k) / double(factor)));
            previous = in;
            ASSERT_NEAR(d.processOversampled(in), expected, 1e-12) << factor << " " << n;
        }
    }
}

TEST(DistortionOversampled, NoRateOrFactorMakesTheOutputNonFinite)
{
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (double rate : {nan, inf, -inf, 0.0, -1.0, 1e-320, 1.0, 8000.0, 1e300}) {
        for (std::int64_t factor : {std::int64_t(0), std::int64_t(-3), std::int64_t(1), std::int64_t(64),
                 std::int64_t(65), std::numeric_limits<std::int64_t>::max()}) {
            Distortion d = plainShaper(tanhMode);
            d.setDrive(30.0);
            d.setSampleRate(rate);
            d.setOversampling(factor);
            for (int n = 0; n < 300; ++n)
                ASSERT_TRUE(std::isfinite(d.processOversampled(std::sin(0.3 * n)))) << rate << " " << factor;
        }
    }
}
