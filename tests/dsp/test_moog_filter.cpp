#include "dsp/MoogFilter.h"
#include "tests/support/SineResponse.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <limits>

namespace {

constexpr double fs = 44100.0;
constexpr double pi = 3.14159265358979323846;

// |H| of a one-pole lowpass y = p y1 + (1 - p) x with its pole at hz, run at
// ten times the base rate, for a base-rate frequency f.
double onePoleGain(double hz, double f)
{
    const double rate = 10.0 * fs;
    const double p = std::exp(-2.0 * pi * hz / rate);
    const std::complex<double> z1 = std::polar(1.0, -2.0 * pi * f / rate);
    return std::abs((1.0 - p) / (1.0 - p * z1));
}

MoogFilter makeLadder(std::int64_t mode, double cutoff, double resonance = 0.0, std::int64_t poles = 4)
{
    MoogFilter ladder;
    ladder.setSampleRate(fs);
    ladder.setMode(mode);
    ladder.setNumPoles(poles);
    ladder.setFrequency(cutoff);
    ladder.setResonance(resonance);
    ladder.calcCoefficients();
    return ladder;
}

MoogFilter2 makeTanhLadder(double cutoff, double resonance = 0.0, std::int64_t poles = 4)
{
    MoogFilter2 ladder;
    ladder.setSampleRate(fs);
    ladder.setOversampling(10);
    ladder.setNumPoles(poles);
    ladder.setFrequency(cutoff);
    ladder.setResonance(resonance);
    return ladder;
}

template <class Ladder>
double settle(Ladder& ladder, double input, int samples = 20000)
{
    double y = 0.0;
    for (int n = 0; n < samples; ++n)
        y = ladder.processSample(input);
    return y;
}

template <class Ladder>
double gainAt(Ladder& ladder, double f, double amplitude)
{
    return measureSine([&](double x) { return ladder.processSample(x); }, f, fs, amplitude).gain;
}

const double garbage[] = {std::nan(""), std::numeric_limits<double>::infinity(),
                          -std::numeric_limits<double>::infinity(), 1e308, -1e308, -1.0, 0.0, 1e-320};

} // namespace

TEST(MoogFilter, ConstantInputSettlesAtUnityGainAndClipsAtTwo)
{
    MoogFilter ladder = makeLadder(1, 1000.0);
    EXPECT_NEAR(settle(ladder, 1.0), 1.0, 1e-9);
    EXPECT_NEAR(settle(ladder, -0.7), -0.7, 1e-9);
    EXPECT_NEAR(settle(ladder, 10.0), 2.0, 1e-9);
    EXPECT_NEAR(settle(ladder, -10.0), -2.0, 1e-9);

    ladder.setDrive(-6.0);
    EXPECT_NEAR(ladder.getDrive(), 0.501187, 1e-6);
    EXPECT_NEAR(settle(ladder, 1.0), 0.501187, 1e-6);
    ladder.setDrive(0.0);
    EXPECT_EQ(ladder.getDrive(), 1.0);
    ladder.setDrive(20.0);
    EXPECT_NEAR(settle(ladder, 0.5), 2.0, 1e-9); // 5.0 before the clip
}

TEST(MoogFilter, FeedbackComesFromTheFourthStageWhateverTheTap)
{
    // With feedback r a settled ladder has v = c - r v at every stage.
    for (std::int64_t poles : {1, 4}) {
        MoogFilter ladder = makeLadder(1, 2000.0, 2.0, poles);
        EXPECT_NEAR(settle(ladder, 0.9), 0.3, 1e-9) << poles << " poles";
    }
}

TEST(MoogFilter, EachPoleIsAOnePoleAtTheOversampledRate)
{
    // The interpolation and the anti-alias filter are common to both taps, so
    // the ratio of the four-pole to the one-pole output is three poles alone;
    // so is the feedback loop, as long as it closes over the fourth stage.
    for (double resonance : {0.0, 2.0}) {
        for (double f : {300.0, 1000.0, 4000.0}) {
            MoogFilter four = makeLadder(1, 1000.0, resonance, 4);
            MoogFilter one = makeLadder(1, 1000.0, resonance, 1);
            const double ratio = gainAt(four, f, 0.2) / gainAt(one, f, 0.2);
            EXPECT_NEAR(ratio, std::pow(onePoleGain(1000.0, f), 3), 1e-4) << f << " r=" << resonance;
        }
    }
    // The one-pole tap itself rolls off at 6 dB per octave well above the cutoff.
    MoogFilter one = makeLadder(1, 200.0, 0.0, 1);
    MoogFilter other = makeLadder(1, 200.0, 0.0, 1);
    EXPECT_NEAR(gainAt(one, 3200.0, 0.5) / gainAt(other, 1600.0, 0.5), 0.5, 0.01);
}

TEST(MoogFilter, The303ModeMovesTheFourthPoleToElevenSixthsOfTheCutoff)
{
    for (double f : {500.0, 1000.0, 1833.0, 6000.0}) {
        MoogFilter tb303 = makeLadder(2, 1000.0);
        MoogFilter moog = makeLadder(1, 1000.0);
        const double ratio = gainAt(tb303, f, 0.5) / gainAt(moog, f, 0.5);
        EXPECT_NEAR(ratio, onePoleGain(1000.0 * 11.0 / 6.0, f) / onePoleGain(1000.0, f), 1e-4) << f;
    }
}

TEST(MoogFilter, SelfOscillationAtHighResonanceStaysBounded)
{
    for (std::int64_t mode : {1, 2}) {
        for (double cutoff : {20.0, 800.0, 20000.0}) {
            MoogFilter ladder = makeLadder(mode, cutoff, 50.0);
            double peak = 0.0;
            double tailEnergy = 0.0;
            for (int n = 0; n < 2 * 44100; ++n) {
                const double y = ladder.processSample(n == 0 ? 1.0 : 0.0);
                peak = std::max(peak, std::abs(y));
                if (n >= 2 * 44100 - 4410)
                    tailEnergy += y * y;
            }
            EXPECT_LT(peak, 2.5) << mode << " " << cutoff;
            if (cutoff == 800.0) {
                EXPECT_GT(std::sqrt(tailEnergy / 4410), 0.3) << "no longer oscillating, mode " << mode;
            }
        }
    }
}

TEST(MoogFilter, SettingsAreClampedOrRefused)
{
    MoogFilter ladder;
    ladder.setFrequency(5.0);
    EXPECT_EQ(ladder.getCutoff(), 20.0);
    ladder.setFrequency(1e6);
    EXPECT_EQ(ladder.getCutoff(), 20000.0);
    ladder.setFrequency(std::nan(""));
    EXPECT_EQ(ladder.getCutoff(), 20000.0);

    ladder.setResonance(1.5);
    ladder.setResonance(-0.1);
    ladder.setResonance(std::numeric_limits<double>::infinity());
    EXPECT_EQ(ladder.getResonance(), 1.5);

    ladder.setNumPoles(2);
    ladder.setNumPoles(5);
    ladder.setNumPoles(0);
    EXPECT_EQ(ladder.getOutputTap(), 1);

    EXPECT_EQ(ladder.getOversampler().getFactor(), 10);
    ladder.setOversampling(0);
    ladder.setOversampling(65);
    EXPECT_EQ(ladder.getOversampler().getFactor(), 10);
    EXPECT_EQ(ladder.getOversampler().getAntiAlias().getSampleRate(), 441000.0);

    ladder.setSampleRate(48000.0);
    ladder.setSampleRate(0.0);
    ladder.setSampleRate(std::numeric_limits<double>::infinity());
    EXPECT_EQ(ladder.getSampleRate(), 48000.0);
    EXPECT_EQ(ladder.getOversampler().getAntiAlias().getSampleRate(), 480000.0);
}

TEST(MoogFilter, WithoutOversamplingTheLadderLagsOneSample)
{
    MoogFilter ladder = makeLadder(1, 3000.0);
    ladder.setOversampling(1);
    ladder.calcCoefficients();
    EXPECT_EQ(ladder.getOversampler().getAntiAlias().getSampleRate(), fs);

    // Reference: four one-poles at the base rate and the anti-alias filter,
    // fed the input one sample late.
    AntiAliasFilter reference;
    reference.setSampleRate(fs);
    const double p = std::exp(-2.0 * pi * 3000.0 / fs);
    double s[4] = {};
    double previous = 0.0;
    for (int n = 0; n < 200; ++n) {
        const double x = std::sin(0.3 * n) * 0.8;
        double v = previous;
        for (double& stage : s)
            v = stage = p * stage + (1.0 - p) * v;
        ASSERT_NEAR(ladder.processSample(x), reference.processSample(v), 1e-12) << n;
        previous = x;
    }
}

TEST(MoogFilter, ClearHistoryLeavesOnlyTheAntiAliasTail)
{
    MoogFilter cleared = makeLadder(1, 50.0, 1.0);
    MoogFilter kept = makeLadder(1, 50.0, 1.0);
    settle(cleared, 1.0, 5000);
    settle(kept, 1.0, 5000);
    cleared.clearHistory();
    EXPECT_LT(std::abs(settle(cleared, 0.0, 200)), 1e-9);
    EXPECT_GT(std::abs(settle(kept, 0.0, 200)), 0.1);
}

TEST(MoogFilter, AnySettingKeepsTheOutputFinite)
{
    for (std::int64_t mode : {1, 2, 3, -7}) {
        for (double g : garbage) {
            MoogFilter ladder = makeLadder(mode, 1000.0, 1.0);
            ladder.setSampleRate(g);
            ladder.setFrequency(g);
            ladder.setResonance(g);
            ladder.setDrive(g);
            ladder.calcCoefficients();
            for (int n = 0; n < 4000; ++n)
                ASSERT_TRUE(std::isfinite(ladder.processSample(std::sin(0.01 * n) * 3.0))) << mode << " " << g;
        }
    }
}

TEST(MoogFilter2, AnyConstantInputSettlesAtItself)
{
    for (double c : {0.25, -1.0, 3.0, -6.0}) {
        MoogFilter2 ladder = makeTanhLadder(20000.0);
        EXPECT_NEAR(settle(ladder, c, 40000), c, 1e-6) << c;
    }
    // Feedback: each settled stage passes its input on, so y = c - r y.
    MoogFilter2 resonant = makeTanhLadder(5000.0, 3.0);
    EXPECT_NEAR(settle(resonant, 2.0), 0.5, 1e-6);
    MoogFilter2 driven = makeTanhLadder(5000.0);
    driven.setDrive(-6.0);
    EXPECT_NEAR(settle(driven, 1.0), 0.501187, 1e-6);
}

TEST(MoogFilter2, SmallSignalsSeeOnePolesAtTheOversampledRate)
{
    // tanh(x/2) ~ x/2 turns every stage into y += (1 - p)(x - y).
    for (double resonance : {0.0, 1.5}) {
        for (double f : {250.0, 2000.0}) {
            MoogFilter2 four = makeTanhLadder(1000.0, resonance, 4);
            MoogFilter2 one = makeTanhLadder(1000.0, resonance, 1);
            const double ratio = gainAt(four, f, 0.01) / gainAt(one, f, 0.01);
            EXPECT_NEAR(ratio, std::pow(onePoleGain(1000.0, f), 3), 1e-4) << f << " r=" << resonance;
        }
    }
    // A loud signal is squashed: the nonlinearity acts while the signal moves.
    MoogFilter2 quiet = makeTanhLadder(1000.0);
    MoogFilter2 loud = makeTanhLadder(1000.0);
    EXPECT_LT(gainAt(loud, 1000.0, 8.0), 0.5 * gainAt(quiet, 1000.0, 0.01));
}

TEST(MoogFilter2, HighResonanceAndAnySettingStayFinite)
{
    MoogFilter2 ladder = makeTanhLadder(800.0, 40.0);
    double peak = 0.0;
    for (int n = 0; n < 44100; ++n)
        peak = std::max(peak, std::abs(ladder.processSample(n < 10 ? 1.0 : 0.0)));
    EXPECT_LT(peak, 50.0);

    for (double g : garbage) {
        MoogFilter2 filter = makeTanhLadder(1000.0, 1.0);
        filter.setSampleRate(g);
        filter.setFrequency(g);
        filter.setResonance(g);
        filter.setDrive(g);
        for (int n = 0; n < 4000; ++n)
            ASSERT_TRUE(std::isfinite(filter.processSample(std::sin(0.01 * n) * 3.0))) << g;
    }
}

TEST(MoogFilter2, SettingsAndHistory)
{
    MoogFilter2 ladder;
    EXPECT_EQ(ladder.getOversampler().getAntiAlias().getSampleRate(), 441000.0);
    ladder.setSampleRate(96000.0);
    EXPECT_EQ(ladder.getOversampler().getAntiAlias().getSampleRate(), 960000.0);
    ladder.setFrequency(1.0);
    EXPECT_EQ(ladder.getCutoff(), 20.0);
    ladder.setResonance(2.0);
    ladder.setResonance(-3.0);
    EXPECT_EQ(ladder.getResonance(), 2.0);
    ladder.setNumPoles(3);
    ladder.setNumPoles(9);
    EXPECT_EQ(ladder.getOutputTap(), 2);

    MoogFilter2 cleared = makeTanhLadder(30.0);
    MoogFilter2 kept = makeTanhLadder(30.0);
    settle(cleared, 1.0, 3000);
    settle(kept, 1.0, 3000);
    cleared.clearHistory();
    EXPECT_LT(std::abs(settle(cleared, 0.0, 200)), 1e-9);
    EXPECT_GT(std::abs(settle(kept, 0.0, 200)), 0.1);
}
