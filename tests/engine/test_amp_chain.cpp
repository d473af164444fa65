#include <gtest/gtest.h>

#include <cmath>

#include "dsp/Distortion.h"
#include "dsp/Envelopes.h"
#include "tests/engine/EngineTestSupport.h"

namespace {

constexpr double kRate = 44100.0;

double dB(double ratio) { return 20.0 * std::log10(ratio); }

// Level of the steady part of a note, after a patch change.
double noteLevel(Zarvex2& e, int velocity)
{
    e.noteOn(69, velocity, 0);
    return rmsOf(slice(render(e, 8820), 4410, 4410));
}

// Samples from the note-off until the last one that is not exactly zero.
std::size_t soundAfterNoteOff(double release1, double release2)
{
    auto e = makeDefaultEngine(kRate);
    e->ampEnv1.setRelease(release1);
    e->ampEnv2.setRelease(release2);
    e->noteOn(69, 64, 0);
    render(*e, 4410);
    e->noteOff();
    const auto x = render(*e, 3 * 44100);
    std::size_t last = 0;
    for (std::size_t i = 0; i < x.size(); ++i)
        if (x[i] != 0.0)
            last = i;
    return last;
}

void shapeEnvelopes(AmpEnvRc& env1, AmpEnvRc& env2)
{
    env1.setAttack(0.01);
    env1.setDecay(0.05);
    env1.setSustain(-12.0);
    env2.setAttack(0.03);
    env2.setRelease(0.1);
}

void shapeDistortion(Distortion& d)
{
    d.setMode(2);
    d.setDrive(12.0);
    d.setUpperThreshold(-6.0);
    d.setLowerThreshold(-6.0);
    d.setDryWet(100.0);
}

} // namespace

TEST(AmpChain, VolumeByVelocitySpansItsAmountScaledByTheAccent)
{
    for (double accent : {1.0, 0.5, 0.0}) {
        double level[2];
        for (int k = 0; k < 2; ++k) {
            auto e = makeDefaultEngine(kRate);
            e->setVolume(-30.0);
            e->setVolByVel(24.0);
            e->setAccent(accent);
            level[k] = noteLevel(*e, k == 0 ? 127 : 64);
        }
        EXPECT_NEAR(dB(level[0] / level[1]), 24.0 * accent, 0.01) << accent;
    }
}

TEST(AmpChain, EnvelopePeaksFollowTheVelocity)
{
    double level[2];
    for (int k = 0; k < 2; ++k) {
        auto e = makeDefaultEngine(kRate);
        // A long hold keeps the envelopes at their peaks.
        e->ampEnv1.setHold(0.3);
        e->ampEnv2.setHold(0.3);
        e->setAmpEnv1PeakByVel(6.0);
        e->setAmpEnv2PeakByVel(3.0);
        level[k] = noteLevel(*e, k == 0 ? 127 : 1);
    }
    EXPECT_NEAR(dB(level[0] / level[1]), 18.0, 0.01);
}

TEST(AmpChain, TheShorterReleaseEndsTheSound)
{
    // Each envelope is cut 2 s after its release time.
    EXPECT_NEAR(soundAfterNoteOff(0.3, 0.01) / kRate, 2.01, 0.002);
    EXPECT_NEAR(soundAfterNoteOff(0.01, 0.3) / kRate, 2.01, 0.002);
    EXPECT_NEAR(soundAfterNoteOff(0.3, 0.5) / kRate, 2.3, 0.002);

    // Once one has run out the engine is idle: the other one stops as well.
    auto e = makeDefaultEngine(kRate);
    e->ampEnv1.setRelease(0.3);
    e->ampEnv2.setRelease(0.01);
    e->noteOn(69, 64, 0);
    e->noteOff();
    render(*e, static_cast<std::size_t>(2.1 * kRate));
    const double clock = e->ampEnv1.getClock();
    render(*e, 100);
    EXPECT_EQ(e->ampEnv1.getClock(), clock);
    EXPECT_FALSE(e->ampEnv1.isFinished());
}

TEST(AmpChain, ChainIsDecimatedVoiceTimesEnvelopesDistortionAndGain)
{
    // Engine 'plain' renders the decimated voice itself (envelopes flat at
    // 0 dB, never released); engine 'shaped' adds envelope shapes, a gain and, from sample
    // 'switchOn' on, the distortion, which must start from its fresh state.
    auto plain = makeDefaultEngine(kRate);
    plain->ampEnv1.setAttack(0.0);
    plain->ampEnv2.setAttack(0.0);
    auto shaped = makeDefaultEngine(kRate);
    shapeEnvelopes(shaped->ampEnv1, shaped->ampEnv2);
    shaped->setVolume(-6.0);
    shapeDistortion(shaped->distortion);

    AmpEnvRc env1;
    AmpEnvRc env2;
    for (AmpEnvRc* env : {&env1, &env2}) {
        env->setSampleRate(kRate);
        env->setTimeScale(0.2);
        env->setAttack(0.002);
        env->setDecay(0.0);
        env->setSustain(0.0);
        env->setPeak(0.0);
    }
    env1.setRelease(0.02);
    env2.setRelease(2.0);
    shapeEnvelopes(env1, env2);
    auto distortion = std::make_unique<Distortion>();
    distortion->setSampleRate(kRate);
    shapeDistortion(*distortion);

    const double gain = std::pow(10.0, -6.0 / 20.0);
    const std::size_t noteOffAt = 6000;
    const std::size_t switchOn = 9000;
    plain->noteOn(60, 64, 0);
    shaped->noteOn(60, 64, 0);
    env1.trigger();
    env2.trigger();
    for (std::size_t i = 0; i < 12000; ++i) {
        if (i == noteOffAt) {
            shaped->noteOff();
            env1.startRelease();
            env2.startRelease();
        }
        if (i == switchOn)
            shaped->setDistMode(2);
        double expected = plain->getSample() * env1.getSample();
        if (i >= switchOn)
            expected = distortion->processOversampled(expected);
        expected *= env2.getSample() * gain;
        ASSERT_NEAR(shaped->getSample(), expected, 1e-12) << i;
    }
}

TEST(AmpChain, DistortionMixByVelocityGrowsFromVelocityZero)
{
    // 50 % mix plus 50 % by velocity, played at velocity 100, against the same
    // mix set directly.
    std::vector<double> out[2];
    for (int k = 0; k < 2; ++k) {
        auto e = makeDefaultEngine(kRate);
        shapeDistortion(e->distortion);
        e->setDistMode(2);
        e->setDistMix(k == 0 ? 50.0 : 50.0 + 50.0 * 100.0 / 127.0);
        e->setDistDryWetByVel(k == 0 ? 50.0 : 0.0);
        e->noteOn(69, 100, 0);
        out[k] = render(*e, 2000);
    }
    for (std::size_t i = 0; i < out[0].size(); ++i)
        ASSERT_NEAR(out[0][i], out[1][i], 1e-12);
}

TEST(AmpChain, TanhDistortionAddsOddHarmonicsWithinItsClamp)
{
    auto e = makeDefaultEngine(kRate);
    shapeDistortion(e->distortion);
    e->setDistMode(2);
    e->noteOn(57, 64, 0);
    const auto x = slice(render(*e, 26460), 4410, 22050);
    const double h1 = magnitude(x, kRate, 220.0);
    EXPECT_GT(magnitude(x, kRate, 660.0) / h1, 0.1);
    EXPECT_GT(magnitude(x, kRate, 1100.0) / h1, 0.02);
    EXPECT_LT(magnitude(x, kRate, 440.0) / h1, 1e-3);
    EXPECT_LT(peakOf(x), 1.0);
    EXPECT_GT(peakOf(x), 0.9);
}
