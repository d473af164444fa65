#include "dsp/BiQuadCasc.h"
#include "tests/support/SineResponse.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <functional>
#include <limits>
#include <vector>

namespace {

constexpr double fs = 44100.0;
constexpr double pi = 3.14159265358979323846;

SineResponse measure(BiQuadCasc& filter, double hz, double rate = fs)
{
    return measureSine([&](double x) { return filter.processSample(x); }, hz, rate);
}

double db(double gain) { return 20.0 * std::log10(gain); }

// The analog prototypes behind the cookbook, evaluated on the bilinear-warped
// frequency axis: the digital response at f equals the analog one at
// s = j tan(pi f / fs) / tan(pi f0 / fs).
using Prototype = std::function<std::complex<double>(std::complex<double> s, double q, double A)>;

std::complex<double> analogResponse(const Prototype& h, double f, double f0, double q, double gainDb)
{
    const double omega = std::tan(pi * f / fs) / std::tan(pi * f0 / fs);
    return h({0.0, omega}, q, std::pow(10.0, gainDb / 40.0));
}

struct Design {
    std::int64_t mode;
    const char* name;
    Prototype h;
};

std::vector<Design> designs()
{
    using C = std::complex<double>;
    auto den = [](C s, double q) { return s * s + s / q + 1.0; };
    return {
        {1, "lowpass", [=](C s, double q, double) { return 1.0 / den(s, q); }},
        {2, "highpass", [=](C s, double q, double) { return s * s / den(s, q); }},
        {3, "bandpassSkirt", [=](C s, double q, double) { return s / den(s, q); }},
        {4, "bandpassPeak", [=](C s, double q, double) { return (s / q) / den(s, q); }},
        {5, "notch", [=](C s, double q, double) { return (s * s + 1.0) / den(s, q); }},
        {6, "allpass", [=](C s, double q, double) { return (s * s - s / q + 1.0) / den(s, q); }},
        {7, "peaking",
         [](C s, double q, double A) { return (s * s + s * (A / q) + 1.0) / (s * s + s / (A * q) + 1.0); }},
        {8, "lowShelf",
         [](C s, double q, double A) {
             const double k = std::sqrt(A) / q;
             return A * (s * s + k * s + A) / (A * s * s + k * s + 1.0);
         }},
        {9, "highShelf",
         [](C s, double q, double A) {
             const double k = std::sqrt(A) / q;
             return A * (A * s * s + k * s + 1.0) / (s * s + k * s + A);
         }},
    };
}

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

bool sameCoefficients(const BiQuadCoefficients& a, const BiQuadCoefficients& b)
{
    return a.a1 == b.a1 && a.a2 == b.a2 && a.b0 == b.b0 && a.b1 == b.b1 && a.b2 == b.b2;
}

} // namespace

TEST(BiQuadCasc, NewInstanceIsATransparentSingleStage)
{
    BiQuadCasc filter;
    EXPECT_EQ(filter.getNumStages(), 1);
    EXPECT_EQ(filter.getMode(), 0);
    for (int n = 0; n < 100; ++n) {
        const double x = std::sin(0.37 * n) * 3.0 + 0.1 * n;
        EXPECT_EQ(filter.processSample(x), x);
    }
}

TEST(BiQuadCasc, EveryDesignMatchesItsAnalogPrototypeOnTheWarpedAxis)
{
    const double f0 = 1000.0;
    for (const auto& d : designs()) {
        for (double q : {0.5, 2.0}) {
            for (double gainDb : {-9.0, 6.0}) {
                for (double f : {110.0, 700.0, 1000.0, 1500.0, 5000.0}) {
                    BiQuadCasc filter = makeFilter(d.mode, f0, q, gainDb);
                    const SineResponse r = measure(filter, f);
                    const auto expected = analogResponse(d.h, f, f0, q, gainDb);
                    SCOPED_TRACE(testing::Message() << d.name << " q=" << q << " gain=" << gainDb << " f=" << f);
                    EXPECT_NEAR(r.gain, std::abs(expected), 1e-4 + 1e-4 * std::abs(expected));
                }
            }
        }
    }
}

TEST(BiQuadCasc, LowpassAndHighpassAtTheCutoffHaveGainQ)
{
    const double butterworthQ = 1.0 / std::sqrt(2.0);
    BiQuadCasc lowpass = makeFilter(1, 2000.0, butterworthQ);
    EXPECT_NEAR(db(measure(lowpass, 2000.0).gain), -3.0103, 1e-3);
    BiQuadCasc highpass = makeFilter(2, 2000.0, butterworthQ);
    EXPECT_NEAR(db(measure(highpass, 2000.0).gain), -3.0103, 1e-3);
    // Far from the cutoff each stage adds 12 dB per octave.
    BiQuadCasc one = makeFilter(1, 500.0, butterworthQ, 0.0, 1);
    BiQuadCasc three = makeFilter(1, 500.0, butterworthQ, 0.0, 3);
    const double oneDb = db(measure(one, 4000.0).gain);
    EXPECT_NEAR(db(measure(three, 4000.0).gain), 3.0 * oneDb, 1e-3);
    EXPECT_LT(oneDb, -34.0);
}

TEST(BiQuadCasc, BandPassPeaks)
{
    BiQuadCasc skirt = makeFilter(3, 1000.0, 4.0);
    EXPECT_NEAR(measure(skirt, 1000.0).gain, 4.0, 1e-3);
    for (double q : {0.3, 1.0, 8.0}) {
        BiQuadCasc peak = makeFilter(4, 1000.0, q);
        EXPECT_NEAR(measure(peak, 1000.0).gain, 1.0, 1e-3) << "q=" << q;
        EXPECT_LT(measure(peak, 3000.0).gain, 1.0);
    }
    BiQuadCasc notch = makeFilter(5, 1000.0, 1.0);
    EXPECT_LT(measure(notch, 1000.0).gain, 1e-4);
}

TEST(BiQuadCasc, AllpassKeepsTheLevelAndTurnsHalfAPeriodAtTheCentre)
{
    BiQuadCasc allpass = makeFilter(6, 1000.0, 0.8);
    for (double f : {100.0, 1000.0, 8000.0})
        EXPECT_NEAR(measure(allpass, f).gain, 1.0, 1e-4);
    BiQuadCasc centre = makeFilter(6, 1000.0, 0.8);
    EXPECT_NEAR(std::abs(measure(centre, 1000.0).phase), pi, 1e-3);
}

TEST(BiQuadCasc, PeakingAndShelvesMultiplyTheirGainWithTheStages)
{
    BiQuadCasc peak = makeFilter(7, 1500.0, 1.0, 6.0, 2);
    EXPECT_NEAR(db(measure(peak, 1500.0).gain), 12.0, 1e-3);

    // Shelves: the full gain on their own side, half of it (in dB) at f0.
    BiQuadCasc low = makeFilter(8, 1000.0, 0.7071, 9.0, 1);
    BiQuadCasc lowMid = makeFilter(8, 1000.0, 0.7071, 9.0, 1);
    BiQuadCasc lowTwo = makeFilter(8, 1000.0, 0.7071, 9.0, 2);
    EXPECT_NEAR(db(measure(low, 20.0).gain), 9.0, 0.01);
    EXPECT_NEAR(db(measure(lowMid, 1000.0).gain), 4.5, 1e-3);
    EXPECT_NEAR(db(measure(lowTwo, 20.0).gain), 18.0, 0.02);

    BiQuadCasc high = makeFilter(9, 1000.0, 0.7071, -6.0, 1);
    BiQuadCasc highMid = makeFilter(9, 1000.0, 0.7071, -6.0, 1);
    EXPECT_NEAR(db(measure(high, 20000.0).gain), -6.0, 0.01);
    EXPECT_NEAR(db(measure(highMid, 1000.0).gain), -3.0, 1e-3);

    // Gain enters only the peaking and shelving designs.
    BiQuadCasc lowpass = makeFilter(1, 1000.0, 0.7071, 0.0);
    const auto plain = lowpass.getCoefficients();
    lowpass.setGain(12.0);
    lowpass.calcCoefficients();
    EXPECT_TRUE(sameCoefficients(lowpass.getCoefficients(), plain));
}

TEST(BiQuadCasc, StagesRunInSeriesThroughTheHistory)
{
    // A pure one-sample delay per stage shows the order and the history shift.
    BiQuadCasc filter;
    filter.setNumStages(3);
    filter.setCoefficients(0.0, 0.0, 0.0, 1.0, 0.0);
    std::vector<double> out;
    for (int n = 0; n < 6; ++n)
        out.push_back(filter.processSample(n + 1.0));
    EXPECT_EQ(out, (std::vector<double>{0, 0, 0, 1, 2, 3}));
    EXPECT_DOUBLE_EQ(filter.getA0(), 1.0);

    // The recursive part: y = x - a1 y1 - a2 y2 with a1 = -1, a2 = 0.5.
    BiQuadCasc recursive;
    recursive.setCoefficients(-1.0, 0.5, 1.0, 0.0, 0.0);
    EXPECT_DOUBLE_EQ(recursive.processSample(1.0), 1.0);
    EXPECT_DOUBLE_EQ(recursive.processSample(0.0), 1.0);
    EXPECT_DOUBLE_EQ(recursive.processSample(0.0), 0.5);
    EXPECT_DOUBLE_EQ(recursive.processSample(0.0), 0.0);
}

TEST(BiQuadCasc, StageCountOutsideOneToFiveIsRefusedButClearsTheHistory)
{
    BiQuadCasc filter = makeFilter(1, 300.0, 2.0, 0.0, 2);
    for (int n = 0; n < 50; ++n)
        filter.processSample(1.0);
    for (std::int64_t bad : {0, 6, -1}) {
        filter.setNumStages(bad);
        EXPECT_EQ(filter.getNumStages(), 2);
    }
    // Cleared: the first output is b0 * b0 (two stages, zero history).
    const double b0 = filter.getCoefficients().b0;
    EXPECT_DOUBLE_EQ(filter.processSample(1.0), b0 * b0);
}

TEST(BiQuadCasc, FrequencyAndQAreClampedOrRefused)
{
    BiQuadCasc filter;
    filter.setFrequency(10.0);
    EXPECT_EQ(filter.getFrequency(), 20.0);
    filter.setFrequency(30000.0);
    EXPECT_EQ(filter.getFrequency(), 20000.0);
    filter.setFrequency(20.0);
    EXPECT_EQ(filter.getFrequency(), 20.0);
    filter.setFrequency(20000.0);
    EXPECT_EQ(filter.getFrequency(), 20000.0);
    filter.setFrequency(std::nan(""));
    EXPECT_EQ(filter.getFrequency(), 20000.0);

    filter.setQ(3.0);
    filter.setQ(0.0);
    filter.setQ(-1.0);
    filter.setQ(std::nan(""));
    EXPECT_EQ(filter.getQ(), 3.0);
}

TEST(BiQuadCasc, StoringSettersLeaveTheCoefficientsUntilRecalculated)
{
    BiQuadCasc filter = makeFilter(1, 1000.0, 1.0);
    const auto before = filter.getCoefficients();
    filter.setFrequency(3000.0);
    filter.setQ(5.0);
    EXPECT_TRUE(sameCoefficients(filter.getCoefficients(), before));
    filter.calcCoefficients();
    EXPECT_FALSE(sameCoefficients(filter.getCoefficients(), before));
}

TEST(BiQuadCasc, UnknownDesignNumbersGiveTheLowpass)
{
    const auto lowpass = makeFilter(1, 800.0, 1.3).getCoefficients();
    EXPECT_TRUE(sameCoefficients(makeFilter(42, 800.0, 1.3).getCoefficients(), lowpass));
    EXPECT_TRUE(sameCoefficients(makeFilter(-1, 800.0, 1.3).getCoefficients(), lowpass));
    EXPECT_FALSE(sameCoefficients(makeFilter(2, 800.0, 1.3).getCoefficients(), lowpass));
}

TEST(BiQuadCasc, SampleRateChangesRedesignButKeepTheHistory)
{
    BiQuadCasc filter = makeFilter(1, 1000.0, 1.0);
    const auto at44 = filter.getCoefficients();
    filter.setSampleRate(0.0);
    EXPECT_EQ(filter.getSampleRate(), fs);
    EXPECT_TRUE(sameCoefficients(filter.getCoefficients(), at44));
    filter.setSampleRate(std::numeric_limits<double>::infinity());
    EXPECT_EQ(filter.getSampleRate(), fs);

    for (int n = 0; n < 10; ++n)
        filter.processSample(1.0);
    BiQuadCasc fresh = makeFilter(1, 1000.0, 1.0);
    fresh.setSampleRate(96000.0);
    filter.setSampleRate(96000.0);
    EXPECT_TRUE(sameCoefficients(filter.getCoefficients(), fresh.getCoefficients()));
    EXPECT_NE(filter.processSample(1.0), fresh.processSample(1.0));

    // 1 kHz at 96 kHz is the same design as 1 kHz measured at that rate.
    BiQuadCasc at96 = makeFilter(1, 1000.0, 0.7071);
    at96.setSampleRate(96000.0);
    EXPECT_NEAR(db(measure(at96, 1000.0, 96000.0).gain), db(0.7071), 1e-3);
}

TEST(BiQuadCasc, StaysBoundedAtLowHostRatesAndExtremeSettings)
{
    // 20 kHz lies above half of 32 kHz: the design must stay stable anyway.
    for (std::int64_t mode = 0; mode <= 10; ++mode) {
        BiQuadCasc filter;
        filter.setSampleRate(32000.0);
        filter.setNumStages(5);
        filter.setFrequency(20000.0);
        filter.setQ(10.0);
        filter.setGain(24.0);
        filter.setMode(mode);
        double peak = 0.0;
        for (int n = 0; n < 64000; ++n)
            peak = std::max(peak, std::abs(filter.processSample(n % 7 == 0 ? 1.0 : -0.2)));
        EXPECT_TRUE(std::isfinite(peak)) << "mode " << mode;
        EXPECT_LT(peak, 1e9) << "mode " << mode;
    }

    const double garbage[] = {std::nan(""), std::numeric_limits<double>::infinity(),
                              -std::numeric_limits<double>::infinity(), 1e308, -1e308, 1e-320, 0.0};
    for (std::int64_t mode : {1, 3, 7, 8, 9}) {
        for (double g : garbage) {
            BiQuadCasc filter = makeFilter(mode, 1000.0, 1.0, 6.0, 5);
            filter.setQ(g);
            filter.setGain(g);
            filter.setFrequency(g);
            filter.setSampleRate(g);
            filter.calcCoefficients();
            double peak = 0.0;
            for (int n = 0; n < 20000; ++n)
                peak = std::max(peak, std::abs(filter.processSample(std::sin(0.05 * n))));
            EXPECT_TRUE(std::isfinite(peak)) << "mode " << mode << " value " << g;
        }
    }
}
