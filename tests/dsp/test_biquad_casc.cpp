#include "dsp/BiQuadCasc.h"
#include "tests/support/SineResponse.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <limits>

namespace {

constexpr double fs = 44100.0;
constexpr double pi = 3.14159265358979323846;
using C = std::complex<double>;

BiQuadCasc makeFilter(std::int64_t mode, double f0, double q, double gainDb = 0.0, std::int64_t stages = 1)
{
    BiQuadCasc filter;
    filter.setSampleRate(fs);
    filter.setNumStages(stages);
    filter.setFrequency(f0);
    filter.setQ(q);
    filter.setGain(gainDb);
    filter.setMode(mode);
    return filter;
}

double gainDb(std::int64_t mode, double f0, double q, double g, std::int64_t stages, double f)
{
    BiQuadCasc filter = makeFilter(mode, f0, q, g, stages);
    return 20.0 * std::log10(measureSine([&](double x) { return filter.processSample(x); }, f, fs).gain);
}

// The analog prototypes behind the cookbook designs (index = design number).
C prototype(std::int64_t mode, C s, double q, double A)
{
    const C den = s * s + s / q + 1.0;
    const double k = std::sqrt(A) / q;
    switch (mode) {
    case 1: return 1.0 / den;
    case 2: return s * s / den;
    case 3: return s / den;
    case 4: return (s / q) / den;
    case 5: return (s * s + 1.0) / den;
    case 6: return (s * s - s / q + 1.0) / den;
    case 7: return (s * s + s * (A / q) + 1.0) / (s * s + s / (A * q) + 1.0);
    case 8: return A * (s * s + k * s + A) / (A * s * s + k * s + 1.0);
    default: return A * (A * s * s + k * s + 1.0) / (s * s + k * s + A);
    }
}

bool same(const BiQuadCoefficients& a, const BiQuadCoefficients& b)
{
    return a.a1 == b.a1 && a.a2 == b.a2 && a.b0 == b.b0 && a.b1 == b.b1 && a.b2 == b.b2;
}

} // namespace

TEST(BiQuadCasc, EveryDesignMatchesItsAnalogPrototypeOnTheWarpedAxis)
{
    // Bilinear transform prewarped at f0: digital f maps to s = j tan(pi f/fs) / tan(pi f0/fs).
    const double f0 = 1000.0;
    for (std::int64_t mode = 1; mode <= 9; ++mode)
        for (double q : {0.5, 2.0})
            for (double g : {-9.0, 6.0})
                for (double f : {110.0, 1000.0, 1500.0, 5000.0}) {
                    const C s(0.0, std::tan(pi * f / fs) / std::tan(pi * f0 / fs));
                    const double expected = std::abs(prototype(mode, s, q, std::pow(10.0, g / 40.0)));
                    BiQuadCasc filter = makeFilter(mode, f0, q, g);
                    const double measured = measureSine([&](double x) { return filter.processSample(x); }, f, fs).gain;
                    EXPECT_NEAR(measured, expected, 1e-4 * (1.0 + expected))
                        << "mode " << mode << " q " << q << " gain " << g << " f " << f;
                }
}

TEST(BiQuadCasc, StagesMultiplyTheGainInDb)
{
    // The prototype comparison covers one stage, including the gains at f0
    // (q for the lowpass and the skirt band-pass, 0 dB for the other band-pass).
    EXPECT_NEAR(gainDb(7, 1500.0, 1.0, 6.0, 2, 1500.0), 12.0, 1e-3);
    EXPECT_NEAR(gainDb(8, 1000.0, 0.7071, 9.0, 2, 20.0), 18.0, 0.02);
    EXPECT_NEAR(gainDb(1, 500.0, 0.7071, 0.0, 3, 4000.0), 3.0 * gainDb(1, 500.0, 0.7071, 0.0, 1, 4000.0), 1e-3);
}

TEST(BiQuadCasc, StagesRunInSeriesAndAreClearedByEveryStageCount)
{
    // A one-sample delay per stage shows the order and the history shift.
    BiQuadCasc delay;
    EXPECT_EQ(delay.processSample(0.75), 0.75); // a new instance is a transparent bypass
    delay.setNumStages(3);
    delay.setCoefficients(0.0, 0.0, 0.0, 1.0, 0.0);
    for (int n = 0; n < 6; ++n)
        EXPECT_EQ(delay.processSample(n + 1.0), n < 3 ? 0.0 : n - 2.0);
    // The recursion y = x - a1 y1 - a2 y2.
    BiQuadCasc recursive;
    recursive.setCoefficients(-1.0, 0.5, 1.0, 0.0, 0.0);
    const double impulseResponse[] = {1.0, 1.0, 0.5, 0.0};
    for (int n = 0; n < 4; ++n)
        EXPECT_EQ(recursive.processSample(n == 0 ? 1.0 : 0.0), impulseResponse[n]);

    BiQuadCasc filter = makeFilter(1, 300.0, 2.0, 0.0, 2);
    for (int n = 0; n < 50; ++n)
        filter.processSample(1.0);
    for (std::int64_t bad : {0, 6, -1})
        filter.setNumStages(bad);
    EXPECT_EQ(filter.getNumStages(), 2);
    const double b0 = filter.getCoefficients().b0;
    EXPECT_DOUBLE_EQ(filter.processSample(1.0), b0 * b0); // history cleared
}

TEST(BiQuadCasc, ClampsRefusalsAndRecalculation)
{
    BiQuadCasc filter = makeFilter(1, 1000.0, 3.0);
    const auto before = filter.getCoefficients();
    for (double hz : {10.0, 20.0, 30000.0, 20000.0, std::nan("")}) {
        filter.setFrequency(hz);
        EXPECT_EQ(filter.getFrequency(), hz <= 20.0 ? 20.0 : 20000.0) << hz;
    }
    for (double q : {0.0, -1.0, std::nan("")})
        filter.setQ(q);
    EXPECT_EQ(filter.getQ(), 3.0);
    EXPECT_TRUE(same(filter.getCoefficients(), before)); // only calcCoefficients recomputes
    filter.calcCoefficients();
    EXPECT_FALSE(same(filter.getCoefficients(), before));

    const auto lowpass = makeFilter(1, 800.0, 1.3).getCoefficients();
    EXPECT_TRUE(same(makeFilter(42, 800.0, 1.3).getCoefficients(), lowpass));
    EXPECT_TRUE(same(makeFilter(-1, 800.0, 1.3).getCoefficients(), lowpass));
    BiQuadCasc withGain = makeFilter(1, 800.0, 1.3, 12.0); // gain enters designs 7..9 only
    EXPECT_TRUE(same(withGain.getCoefficients(), lowpass));

    withGain.setSampleRate(0.0);
    withGain.setSampleRate(std::numeric_limits<double>::infinity());
    EXPECT_EQ(withGain.getSampleRate(), fs);
}

TEST(BiQuadCasc, StaysBoundedAtLowHostRatesAndExtremeSettings)
{
    // 20 kHz lies above half of 32 kHz: every design must stay stable anyway.
    for (std::int64_t mode = 0; mode <= 10; ++mode) {
        BiQuadCasc filter = makeFilter(mode, 20000.0, 10.0, 24.0, 5);
        filter.setSampleRate(32000.0);
        double peak = 0.0;
        for (int n = 0; n < 64000; ++n)
            peak = std::max(peak, std::abs(filter.processSample(n % 7 == 0 ? 1.0 : -0.2)));
        EXPECT_LT(peak, 1e9) << "mode " << mode;
    }
    for (double g : {std::nan(""), std::numeric_limits<double>::infinity(), -1e308, 1e308, 1e-320}) {
        for (std::int64_t mode : {1, 3, 7, 8, 9}) {
            BiQuadCasc filter = makeFilter(mode, 1000.0, 1.0, 6.0, 5);
            filter.setQ(g);
            filter.setGain(g);
            filter.setFrequency(g);
            filter.setSampleRate(g);
            filter.calcCoefficients();
            for (int n = 0; n < 20000; ++n)
                ASSERT_TRUE(std::isfinite(filter.processSample(std::sin(0.05 * n)))) << mode << " " << g;
        }
    }
}
