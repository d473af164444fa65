#include "dsp/LpfHpfApf.h"
#include "dsp/Noise.h"
#include "tests/support/Signals.h"

#include <gtest/gtest.h>

namespace {

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

cd measure(LpfHpfApf f, double hz)
{
    const SineResponse r = measureSine(through(f), hz, rate);
    return std::polar(r.gain, r.phase);
}

// Settled gain for a constant input or an input alternating +1, -1.
double settled(LpfHpfApf f, bool alternating)
{
    return std::abs(settle(through(f), 1.0, 20000, alternating));
}

// Transfer functions at frequency hz of the sections tuned to f.
cd zInv(double hz) { return std::polar(1.0, -2.0 * pi * hz / rate); }
double pole(double f) { return std::exp(-2.0 * pi * f / rate); }
cd lowpass(double f, double hz) { return (1.0 - pole(f)) / (1.0 - pole(f) * zInv(hz)); }
cd highpass(double f, double hz) { return 0.5 * (1.0 + pole(f)) * (1.0 - zInv(hz)) / (1.0 - pole(f) * zInv(hz)); }

// The same noise, from its start, on every call.
std::vector<double> noiseThrough(LpfHpfApf& f, int count)
{
    NoiseGenerator noise;
    noise.reseed(0);
    return record([&] { return f.processSample(0.5 * noise.nextWhite()); }, std::size_t(count));
}

} // namespace

TEST(LpfHpfApf, GainsAtDcAndHalfTheRate)
{
    EXPECT_NEAR(settled(LpfHpfApf(), false), 1.0, 1e-12);
    for (double f : {100.0, 1000.0, 12000.0, 20000.0}) {
        // The default allpass keeps both magnitudes.
        EXPECT_NEAR(settled(make(f, 0.0, 20000.0), false), 1.0, 1e-12) << f;
        EXPECT_NEAR(settled(make(f, 0.0, 20000.0), true), (1.0 - pole(f)) / (1.0 + pole(f)), 1e-12) << f;
        EXPECT_NEAR(settled(make(0.0, f, 20000.0), false), 0.0, 1e-12) << f;
        EXPECT_NEAR(settled(make(0.0, f, 20000.0), true), 1.0, 1e-12) << f;
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
    // The allpass keeps the magnitude and turns -90 degrees at its frequency.
    for (double tuning : {500.0, 4000.0, 15000.0}) {
        for (double hz : {100.0, 19000.0})
            EXPECT_NEAR(std::abs(measure(make(0.0, 0.0, tuning), hz)), 1.0, 1e-6) << tuning << " " << hz;
        EXPECT_NEAR(std::abs(measure(make(0.0, 0.0, tuning), tuning) - cd(0.0, -1.0)), 0.0, 1e-6) << tuning;
    }
}

TEST(LpfHpfApf, SwitchedOffRefusedResetAndReRatedSectionsLeaveNothingBehind)
{
    LpfHpfApf off = make(500.0, 500.0, 0.0);
    off.setLowpassFrequency(0.0);
    off.setHighpassFrequency(0.0);
    for (double x : {1.0, 1.0, -0.5, 0.25, 0.0, 3.0})
        EXPECT_EQ(off.processSample(x), -x);

    // Out-of-range frequencies fall back to 20 kHz.
    LpfHpfApf reference = make(20000.0, 20000.0, 20000.0);
    const std::vector<double> expected = noiseThrough(reference, 500);
    for (double bad : {25000.0, -5.0, -0.0001, std::nan(""), HUGE_VAL}) {
        LpfHpfApf f = make(3000.0, 100.0, 50.0);
        f.setLowpassFrequency(bad);
        f.setHighpassFrequency(bad);
        f.setAllpassFrequency(bad);
        EXPECT_EQ(noiseThrough(f, 500), expected) << bad;
    }

    LpfHpfApf fresh;
    fresh.setSampleRate(96000.0);
    fresh.setHighpassFrequency(300.0);
    LpfHpfApf used = make(20000.0, 300.0, 20000.0);
    noiseThrough(used, 1000);
    for (double newRate : {96000.0, 0.0, -48000.0})
        used.setSampleRate(newRate);
    used.reset();
    EXPECT_EQ(noiseThrough(used, 200), noiseThrough(fresh, 200));
}

TEST(LpfHpfApf, StaysBoundedWhereTheTuningsLieAboveHalfTheRate)
{
    // Rates below 40 kHz put the 20 kHz default allpass above half the rate.
    for (double r : {8000.0, 16000.0, 22050.0, 30000.0}) {
        for (double v : {1.0, 10000.0, 20000.0}) {
            LpfHpfApf f = make(v, v, v);
            f.setSampleRate(r);
            EXPECT_LE(peakOf(noiseThrough(f, 4000)), 8.0) << r << " " << v;
        }
    }
}
