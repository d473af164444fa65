#include "dsp/Envelopes.h"
#include "tests/support/Signals.h"

#include <gtest/gtest.h>

namespace {

constexpr double fs = 44100.0;

double dB(double db) { return std::pow(10.0, db / 20.0); }

// Samples for which a clock starting at 0 and stepping by 1/fs stays <= mark.
int samplesUpTo(double mark) { return static_cast<int>(std::floor(mark * fs)) + 1; }

// The next samples follow a one-pole approach with time constant t seconds.
template <class Env>
void expectApproach(Env& env, double y0, double target, double t, int samples)
{
    for (int n = 1; n <= samples; ++n)
        ASSERT_NEAR(env.getSample(), target + (y0 - target) * std::exp(-n / (t * fs)), 1e-12) << n;
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

TEST(AmpEnvRc, StagesFollowTheClockAndTheReleaseIsCutTwoSecondsAfterItsTime)
{
    EXPECT_TRUE(AmpEnvRc().isFinished());
    const double attack = 0.0071, hold = 0.0052, decay = 0.0203;
    AmpEnvRc env = makeAmp(attack, hold, decay, -6.0, 0.05);
    env.trigger();
    EXPECT_FALSE(env.isFinished());
    // The hold extends the approach to the peak: no flat segment.
    const int attackSamples = samplesUpTo(hold + attack);
    expectApproach(env, 0.0, 1.0, attack, attackSamples);
    const double top = env.getOutput();
    // Decay, then sustain: the same approach goes on with the clock stopped.
    const int decaySamples = samplesUpTo(hold + attack + decay) - attackSamples;
    expectApproach(env, top, dB(-6.0), decay, decaySamples);
    const double clock = env.getClock();
    expectApproach(env, env.getOutput(), dB(-6.0), decay, 3000);
    EXPECT_EQ(env.getClock(), clock);

    // Zero times jump; a retrigger glides from the current level.
    AmpEnvRc instant = makeAmp(0.0, 0.0, 0.0, -12.0, 0.0);
    instant.setPeak(-3.0);
    instant.trigger();
    EXPECT_DOUBLE_EQ(instant.getSample(), dB(-3.0));
    EXPECT_DOUBLE_EQ(instant.getSample(), dB(-12.0));
    instant.setAttack(0.01);
    instant.setPeak(std::nan("")); // levels that are not finite are refused
    instant.setPeak(7000.0);
    instant.trigger();
    expectApproach(instant, dB(-12.0), dB(-3.0), 0.01, 1);

    // The release starts from a partial level.
    const double release = 0.0123;
    AmpEnvRc cut = makeAmp(0.05, 0.0, 0.1, -6.0, release);
    cut.trigger();
    expectApproach(cut, 0.0, 1.0, 0.05, 500);
    const double partial = cut.getOutput();
    cut.startRelease();
    // Release sample k runs at clock mark 2 + k / fs; the cut comes once that
    // exceeds mark 3 + 2.
    const int firstCut = static_cast<int>(std::floor((release + 2.0) * fs)) + 1;
    expectApproach(cut, partial, 1e-50, release, firstCut - 1);
    EXPECT_FALSE(cut.isFinished());
    EXPECT_EQ(cut.getSample(), 0.0);
    EXPECT_TRUE(cut.isFinished());
    EXPECT_EQ(cut.getSample(), 0.0);
}

TEST(PitchEnvRC, StagesApproachTheirLevelsAndANoteDuringTheReleaseContinues)
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
    // Before its first note the envelope counts as released: it starts from
    // the start level.
    env.noteOn();
    expectApproach(env, 0.5, 3.0, 0.0071, samplesUpTo(0.0123));
    expectApproach(env, env.getOutput(), 1.0, 0.0203, 5000);
    env.noteOff();
    // Short of attack + decay + release the next note continues from the
    // present value; later it starts from the start level. The release is never cut.
    expectApproach(env, env.getOutput(), 0.25, 0.0301, 500);
    env.noteOn();
    expectApproach(env, env.getOutput(), 3.0, 0.0071, 1);
    env.noteOff();
    expectApproach(env, env.getOutput(), 0.25, 0.0301, 200000);
    env.noteOn();
    expectApproach(env, 0.5, 3.0, 0.0071, 1);
}
