#include "dsp/Envelopes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

constexpr double fs = 44100.0;

double dbToGain(double dB)
{
    return std::pow(10.0, dB / 20.0);
}

// Per-sample retention of a one-pole approach with time constant t seconds.
double retention(double t, double rate = fs)
{
    return std::exp(-1.0 / (t * rate));
}

// Distance left after n steps of an approach from y0 towards target.
double approach(double y0, double target, double retain, int n)
{
    return target + (y0 - target) * std::pow(retain, n);
}

// Number of samples for which a clock that starts at 0 and advances by
// 1/rate after each sample stays at or below mark.
int samplesUpTo(double mark, double rate = fs)
{
    return static_cast<int>(std::floor(mark * rate)) + 1;
}

AmpEnvRc makeAmp(double attack, double hold, double decay, double sustainDb, double release)
{
    AmpEnvRc env;
    env.setSampleRate(fs);
    env.setAttack(attack);
    env.setHold(hold);
    env.setDecay(decay);
    env.setSustain(sustainDb);
    env.setRelease(release);
    return env;
}

} // namespace

TEST(AmpEnvRc, NewEnvelopeIsFinishedButNotGated)
{
    AmpEnvRc env;
    EXPECT_TRUE(env.isFinished());
    EXPECT_EQ(env.getOutput(), 0.0);
    // Attack 0 jumps to the peak on the first call, trigger or not.
    EXPECT_DOUBLE_EQ(env.getSample(), 1.0);
    env.trigger();
    EXPECT_FALSE(env.isFinished());
    EXPECT_DOUBLE_EQ(env.getSample(), 1.0);
}

TEST(AmpEnvRc, ZeroTimesReachPeakThenSustainAtOnce)
{
    AmpEnvRc env = makeAmp(0.0, 0.0, 0.0, -12.0, 0.0);
    env.setPeak(-3.0);
    env.trigger();
    EXPECT_DOUBLE_EQ(env.getSample(), dbToGain(-3.0));
    EXPECT_DOUBLE_EQ(env.getSample(), dbToGain(-12.0));
    const double clock = env.getClock();
    EXPECT_DOUBLE_EQ(env.getSample(), dbToGain(-12.0));
    EXPECT_EQ(env.getClock(), clock);
}

TEST(AmpEnvRc, StagesFollowTheClockAndTheirTimeConstants)
{
    const double attack = 0.0071;
    const double hold = 0.0052;
    const double decay = 0.0203;
    AmpEnvRc env = makeAmp(attack, hold, decay, -6.0, 0.05);
    env.trigger();
    const int attackSamples = samplesUpTo(hold + attack);
    const int decaySamples = samplesUpTo(hold + attack + decay) - attackSamples;
    const double s = dbToGain(-6.0);
    for (int n = 1; n <= attackSamples; ++n)
        ASSERT_NEAR(env.getSample(), approach(0.0, 1.0, retention(attack), n), 1e-12) << n;
    // The hold extends the approach: no flat segment, still short of the peak.
    const double top = env.getOutput();
    EXPECT_LT(top, 1.0);
    EXPECT_GT(top, 1.0 - std::exp(-(attack + hold) / attack) - 1e-3);
    for (int n = 1; n <= decaySamples; ++n)
        ASSERT_NEAR(env.getSample(), approach(top, s, retention(decay), n), 1e-12) << n;
    // Sustain: the same approach goes on while the clock stands still.
    const double clock = env.getClock();
    for (int n = decaySamples + 1; n <= decaySamples + 3000; ++n)
        ASSERT_NEAR(env.getSample(), approach(top, s, retention(decay), n), 1e-12) << n;
    EXPECT_EQ(env.getClock(), clock);
}

TEST(AmpEnvRc, ReleaseFromThePartialAttackLevel)
{
    AmpEnvRc env = makeAmp(0.05, 0.0, 0.1, -6.0, 0.02);
    env.trigger();
    for (int n = 0; n < 500; ++n)
        env.getSample();
    const double partial = env.getOutput();
    EXPECT_NEAR(partial, approach(0.0, 1.0, retention(0.05), 500), 1e-12);
    env.startRelease();
    EXPECT_FALSE(env.isHeld());
    for (int n = 1; n <= 2000; ++n)
        ASSERT_NEAR(env.getSample(), approach(partial, 1e-50, retention(0.02), n), 1e-12) << n;
}

TEST(AmpEnvRc, ReleaseIsCutTwoSecondsAfterItsTime)
{
    const double release = 0.0123;
    AmpEnvRc env = makeAmp(0.0, 0.0, 0.01, -6.0, release);
    env.trigger();
    for (int n = 0; n < 1000; ++n)
        env.getSample();
    env.startRelease();
    // The first release sample runs one step past mark 2, so the cut comes
    // with release sample k once k / fs exceeds release + 2.
    const int firstCut = static_cast<int>(std::floor((release + 2.0) * fs)) + 1;
    for (int k = 1; k < firstCut; ++k) {
        const double y = env.getSample();
        ASSERT_GT(y, 0.0) << k;
        ASSERT_FALSE(env.isFinished()) << k;
    }
    EXPECT_EQ(env.getSample(), 0.0);
    EXPECT_TRUE(env.isFinished());
    // The clock keeps running and the flag stays until the next trigger.
    const double clock = env.getClock();
    EXPECT_EQ(env.getSample(), 0.0);
    EXPECT_GT(env.getClock(), clock);
    EXPECT_TRUE(env.isFinished());
    env.trigger();
    EXPECT_FALSE(env.isFinished());

    // The default 0.01 s release finishes about 2.01 s after the note-off.
    AmpEnvRc standard;
    standard.trigger();
    standard.getSample();
    standard.startRelease();
    int samples = 0;
    while (!standard.isFinished() && samples < 200000) {
        standard.getSample();
        ++samples;
    }
    EXPECT_NEAR(samples, 2.01 * fs, 1.0);
}

TEST(AmpEnvRc, ReleaseOfAFinishedEnvelopeStaysSilent)
{
    AmpEnvRc env;
    env.startRelease();
    for (int n = 0; n < 1000; ++n)
        ASSERT_LE(env.getSample(), 1e-50);
}

TEST(AmpEnvRc, RetriggerGlidesFromTheCurrentLevel)
{
    AmpEnvRc env = makeAmp(0.0, 0.0, 0.0, 20.0 * std::log10(0.3), 0.0);
    env.trigger();
    env.getSample();
    env.getSample();
    ASSERT_NEAR(env.getOutput(), 0.3, 1e-12);
    env.setAttack(0.01);
    env.trigger();
    EXPECT_NEAR(env.getSample(), approach(0.3, 1.0, retention(0.01), 1), 1e-12);
}

TEST(AmpEnvRc, TimeScaleChangesTimeConstantsButNotStageLengths)
{
    AmpEnvRc env = makeAmp(0.0103, 0.0, 0.05, -20.0, 0.05);
    env.setTimeScale(0.5);
    env.setTimeScale(0.0);
    env.setTimeScale(-1.0);
    env.setTimeScale(std::numeric_limits<double>::infinity());
    env.trigger();
    const int attackSamples = samplesUpTo(0.0103);
    for (int n = 1; n <= attackSamples; ++n)
        ASSERT_NEAR(env.getSample(), approach(0.0, 1.0, retention(0.0103 * 0.5), n), 1e-12) << n;
    const double top = env.getOutput();
    EXPECT_NEAR(env.getSample(), approach(top, dbToGain(-20.0), retention(0.05 * 0.5), 1), 1e-12);
}

TEST(AmpEnvRc, RateAndTimeUnitSetTheClock)
{
    AmpEnvRc env = makeAmp(0.0, 0.0, 0.0103, -6.0, 0.05);
    env.setSampleRate(2.0 * fs);
    for (double bad : {0.0, -1.0, std::nan(""), std::numeric_limits<double>::infinity()})
        env.setSampleRate(bad);
    EXPECT_DOUBLE_EQ(env.getSampleRate(), 2.0 * fs);
    env.trigger();
    env.getSample();
    int decay = 0;
    double last = env.getClock();
    while (true) {
        env.getSample();
        if (env.getClock() == last)
            break;
        last = env.getClock();
        ++decay;
    }
    EXPECT_EQ(decay, samplesUpTo(0.0103, 2.0 * fs) - 1);

    // With 1000 units per second the times are milliseconds.
    AmpEnvRc ms = makeAmp(10.3, 0.0, 50.0, -6.0, 50.0);
    ms.setTimeUnit(1000.0);
    ms.setTimeUnit(0.0);
    ms.setTimeUnit(std::nan(""));
    ms.trigger();
    for (int n = 1; n <= samplesUpTo(0.0103); ++n)
        ASSERT_NEAR(ms.getSample(), approach(0.0, 1.0, retention(0.0103), n), 1e-12) << n;
}

TEST(AmpEnvRc, InvalidSettersNeverBreakTheOutput)
{
    AmpEnvRc env = makeAmp(0.01, 0.0, 0.05, -6.0, 0.05);
    const double nan = std::nan("");
    const double inf = std::numeric_limits<double>::infinity();
    for (double bad : {nan, inf, -inf, 1e308, -1e308, 1e-320}) {
        env.setPeak(bad);
        env.setSustain(bad);
        env.setStart(bad);
        env.setReleaseFloor(bad);
        env.setAttack(bad);
        env.setHold(bad);
        env.setDecay(bad);
        env.setRelease(bad);
        env.setTimeScale(bad);
        env.setTimeUnit(bad);
        env.setSampleRate(bad);
        env.trigger();
        for (int n = 0; n < 100; ++n)
            ASSERT_TRUE(std::isfinite(env.getSample())) << bad;
        env.startRelease();
        for (int n = 0; n < 100; ++n)
            ASSERT_TRUE(std::isfinite(env.getSample())) << bad;
    }
    // Refused levels keep the previous value.
    AmpEnvRc levels = makeAmp(0.0, 0.0, 1.0, -6.0, 1.0);
    levels.setPeak(-10.0);
    levels.setPeak(nan);
    levels.setPeak(7000.0);
    levels.trigger();
    EXPECT_DOUBLE_EQ(levels.getSample(), dbToGain(-10.0));
}

TEST(PitchEnvRC, FirstNoteStartsFromTheStartLevel)
{
    PitchEnvRC env;
    env.setSampleRate(fs);
    env.setStart(2.0);
    env.setPeak(4.0);
    env.setAttack(0.01);
    env.noteOn();
    EXPECT_NEAR(env.getSample(), approach(2.0, 4.0, retention(0.01), 1), 1e-12);
}

TEST(PitchEnvRC, StagesApproachPeakMiddleAndEnd)
{
    PitchEnvRC env;
    env.setSampleRate(fs);
    env.setStart(0.5);
    env.setPeak(3.0);
    env.setEnd(0.25);
    env.setAttack(0.0071);
    env.setHold(0.0052);
    env.setDecay(0.0203);
    env.setRelease(0.0301);
    env.noteOn();
    const int attackSamples = samplesUpTo(0.0123);
    for (int n = 1; n <= attackSamples; ++n)
        ASSERT_NEAR(env.getSample(), approach(0.5, 3.0, retention(0.0071), n), 1e-12) << n;
    const double top = env.getOutput();
    // Decay and the held step lead to the middle level 1.0 with the clock stopped.
    for (int n = 1; n <= 5000; ++n)
        ASSERT_NEAR(env.getSample(), approach(top, 1.0, retention(0.0203), n), 1e-12) << n;
    const double clock = env.getClock();
    env.getSample();
    EXPECT_EQ(env.getClock(), clock);
    const double middle = env.getOutput();
    env.noteOff();
    // No cut: the release keeps approaching the end level for good.
    for (int n = 1; n <= 200000; ++n)
        ASSERT_NEAR(env.getSample(), approach(middle, 0.25, retention(0.0301), n), 1e-12) << n;
    EXPECT_NEAR(env.getOutput(), 0.25, 1e-12);
}

TEST(PitchEnvRC, NoteDuringTheReleaseContinuesAndALateNoteRestarts)
{
    PitchEnvRC env;
    env.setSampleRate(fs);
    env.setStart(0.5);
    env.setPeak(3.0);
    env.setEnd(2.0);
    env.setAttack(0.001);
    env.setDecay(0.002);
    env.setRelease(0.1);
    env.noteOn();
    for (int n = 0; n < 500; ++n)
        env.getSample();
    env.noteOff();
    for (int n = 0; n < 1000; ++n)
        env.getSample();
    // The clock (about 0.026 s) is short of attack + decay + release.
    const double present = env.getOutput();
    env.noteOn();
    EXPECT_NEAR(env.getSample(), approach(present, 3.0, retention(0.001), 1), 1e-12);

    env.noteOff();
    for (int n = 0; n < samplesUpTo(0.103); ++n)
        env.getSample();
    env.noteOn();
    EXPECT_NEAR(env.getSample(), approach(0.5, 3.0, retention(0.001), 1), 1e-12);
}

TEST(PitchEnvRC, SpeedAndSlopeScaleTheTiming)
{
    PitchEnvRC env;
    env.setSampleRate(fs);
    env.setStart(1.0);
    env.setPeak(2.0);
    env.setAttack(0.0203);
    env.setSpeed(2.0);
    env.setSpeed(0.0);
    env.setSpeed(std::nan(""));
    env.setTimeScale(0.5);
    env.noteOn();
    // Speed 2 runs the clock twice as fast and shortens the time constants by
    // 2; the slope halves the time constants only.
    const int attackSamples = samplesUpTo(0.0203 / 2.0);
    for (int n = 1; n <= attackSamples; ++n)
        ASSERT_NEAR(env.getSample(), approach(1.0, 2.0, retention(0.0203 * 0.5 / 2.0), n), 1e-12) << n;
    const double top = env.getOutput();
    EXPECT_NEAR(env.getSample(), approach(top, 1.0, retention(0.1 * 0.5 / 2.0), 1), 1e-12);
}

TEST(PitchEnvRC, InvalidSettersNeverBreakTheOutput)
{
    PitchEnvRC env;
    const double nan = std::nan("");
    const double inf = std::numeric_limits<double>::infinity();
    for (double bad : {nan, inf, -inf, 1e308, 0.0, -1.0, 1e-320}) {
        env.setSampleRate(bad);
        env.setSpeed(bad);
        env.setTimeScale(bad);
        env.setStart(bad);
        env.setPeak(bad);
        env.setEnd(bad);
        env.setAttack(bad);
        env.setHold(bad);
        env.setDecay(bad);
        env.setRelease(bad);
        env.noteOn();
        for (int n = 0; n < 100; ++n)
            ASSERT_TRUE(std::isfinite(env.getSample())) << bad;
        env.noteOff();
        for (int n = 0; n < 100; ++n)
            ASSERT_TRUE(std::isfinite(env.getSample())) << bad;
    }
}
