#include "dsp/BiQuadCasc.h"
#include "tests/support/Signals.h"

#include <gtest/gtest.h>

namespace {

constexpr double fs = 44100.0;
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

double gainOf(BiQuadCasc filter, double f) { return std::abs(measureSine(through(filter), f, fs)); }

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
    // At f0 this includes the lowpass and skirt band-pass gain q and the other band-pass's 0 dB.
    const double f0 = 1000.0;
    for (std::int64_t mode = 1; mode <= 9; ++mode)
        for (double q : {0.5, 2.0})
            for (double g : {-9.0, 6.0})
                for (double f : {110.0, 1000.0, 1500.0, 5000.0}) {
                    const C s(0.0, std::tan(pi * f / fs) / std::tan(pi * f0 / fs));
                    const double expected = std::abs(prototype(mode, s, q, std::pow(10.0, g / 40.0)));
                    EXPECT_NEAR(gainOf(makeFilter(mode, f0, q, g, 1), f), expected, 1e-4 * (1.0 + expected))
                        << "mode " << mode << " q " << q << " gain " << g << " f " << f;
                }
    // Stages multiply the gain: two 6 dB peaks give 12 dB, two 9 dB shelves 18 dB.
    EXPECT_NEAR(20.0 * std::log10(gainOf(makeFilter(7, 1500.0, 1.0, 6.0, 2), 1500.0)), 12.0, 1e-3);
    EXPECT_NEAR(20.0 * std::log10(gainOf(makeFilter(8, 1000.0, 0.7071, 9.0, 2), 20.0)), 18.0, 0.02);
    EXPECT_NEAR(gainOf(makeFilter(1, 500.0, 0.7071, 0.0, 3), 4000.0),
                std::pow(gainOf(makeFilter(1, 500.0, 0.7071, 0.0, 1), 4000.0), 3), 1e-6);
}

TEST(BiQuadCasc, ClampsRefusalsRecalculationAndStabilityAtLowHostRates)
{
    EXPECT_EQ(BiQuadCasc().processSample(0.75), 0.75); // a new instance is a transparent bypass
    BiQuadCasc stages = makeFilter(1, 300.0, 2.0, 0.0, 2);
    settle(through(stages), 1.0, 50);
    for (std::int64_t bad : {0, 6, -1})
        stages.setNumStages(bad);
    EXPECT_EQ(stages.getNumStages(), 2);
    const double b0 = stages.getCoefficients().b0;
    EXPECT_DOUBLE_EQ(stages.processSample(1.0), b0 * b0); // every stage count clears the history
    stages.setNumStages(BiQuadCasc::maxStages);
    EXPECT_EQ(stages.getNumStages(), BiQuadCasc::maxStages);

    BiQuadCasc filter = makeFilter(1, 1000.0, 3.0);
    const auto before = filter.getCoefficients();
    for (double hz : {10.0, 20.0, 30000.0, 20000.0, std::nan("")}) {
        filter.setFrequency(hz);
        EXPECT_EQ(filter.getFrequency(), hz <= 20.0 ? 20.0 : 20000.0) << hz;
    }
    EXPECT_TRUE(same(filter.getCoefficients(), before)); // only calcCoefficients recomputes
    filter.calcCoefficients();
    EXPECT_FALSE(same(filter.getCoefficients(), before));

    // Unknown designs fall back to the lowpass.
    const auto lowpass = makeFilter(1, 800.0, 1.3).getCoefficients();
    for (std::int64_t mode : {42, -1})
        EXPECT_TRUE(same(makeFilter(mode, 800.0, 1.3).getCoefficients(), lowpass)) << mode;

    for (std::int64_t mode = 0; mode <= 10; ++mode) {
        // 20 kHz lies above half of 32 kHz: every design must stay stable anyway.
        BiQuadCasc filter = makeFilter(mode, 20000.0, 10.0, 24.0, 5);
        filter.setSampleRate(32000.0);
        double peak = 0.0;
        for (int n = 0; n < 64000; ++n)
            peak = std::max(peak, std::abs(filter.processSample(n % 7 == 0 ? 1.0 : -0.2)));
        EXPECT_LT(peak, 1e9) << "mode " << mode;
    }
}
