#include "dsp/LpfHpfApf.h"
#include "dsp/Noise.h"
#include "tests/support/Signals.h"

#include <gtest/gtest.h>

namespace {

LpfHpfApf make(double lowpass, double highpass, double allpass)
{
    LpfHpfApf f;
    f.setLowpassFrequency(lowpass);
    f.setHighpassFrequency(highpass);
    f.setAllpassFrequency(allpass);
    return f;
}

// The same noise, from its start, on every call.
std::vector<double> noiseThrough(LpfHpfApf& f, int count)
{
    NoiseGenerator noise;
    noise.reseed(0);
    return record([&] { return f.processSample(0.5 * noise.nextWhite()); }, std::size_t(count));
}

} // namespace

TEST(LpfHpfApf, SwitchedOffRefusedResetAndReRatedSectionsLeaveNothingBehindAndStayBounded)
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

    // Rates below 40 kHz put the 20 kHz default allpass above half the rate.
    for (double r : {8000.0, 16000.0, 22050.0, 30000.0}) {
        for (double v : {1.0, 10000.0, 20000.0}) {
            LpfHpfApf f = make(v, v, v);
            f.setSampleRate(r);
            EXPECT_LE(peakOf(noiseThrough(f, 4000)), 8.0) << r << " " << v;
        }
    }
}
