#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "dsp/Distortion.h"
#include "dsp/Envelopes.h"
#include "tests/engine/EngineTestSupport.h"

namespace {

// Level in dB of the steady part of note 69 (peaks held for 0.3 s).
double noteLevelDb(const std::function<void(Zarvex2&)>& patch, int velocity)
{
    auto e = makeDefaultEngine(kRate);
    patch(*e);
    e->noteOn(69, velocity, 0);
    return 20.0 * std::log10(magnitude(slice(render(*e, 8820), 4410, 4410), kRate, 440.0));
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
}

} // namespace

TEST(AmpChain, VelocityAmountsSpanTheirRangeScaledByTheAccent)
{
    for (double accent : {1.0, 0.5, 0.0}) {
        const auto patch = [accent](Zarvex2& e) {
            e.setVolume(-30.0);
            e.setVolByVel(24.0);
            e.setAccent(accent);
        };
        EXPECT_NEAR(noteLevelDb(patch, 127) - noteLevelDb(patch, 64), 24.0 * accent, 0.01) << accent;
    }
    // Envelope peaks: velocity 1 takes each amount off, velocity 127 adds it.
    const auto peaks = [](Zarvex2& e) {
        e.ampEnv1.setHold(0.3);
        e.ampEnv2.setHold(0.3);
        e.setAmpEnv1PeakByVel(6.0);
        e.setAmpEnv2PeakByVel(3.0);
    };
    EXPECT_NEAR(noteLevelDb(peaks, 127) - noteLevelDb(peaks, 1), 18.0, 0.01);
}

TEST(AmpChain, TheShorterReleaseEndsTheSoundAndFreezesTheOther)
{
    // Each envelope is cut 2 s after its release time.
    for (auto [release1, release2, end] : {std::tuple{0.3, 0.01, 2.01}, {0.01, 0.3, 2.01}, {0.3, 0.5, 2.3}}) {
        auto e = makeDefaultEngine(kRate);
        e->ampEnv1.setRelease(release1);
        e->ampEnv2.setRelease(release2);
        e->noteOn(69, 64, 0);
        render(*e, 4410);
        e->noteOff();
        EXPECT_NEAR(lastSound(render(*e, std::size_t(2.5 * kRate))) / kRate, end, 0.002);
        if (release1 > release2) {
            EXPECT_FALSE(e->ampEnv1.isFinished());
            const double clock = e->ampEnv1.getClock();
            render(*e, 100);
            EXPECT_EQ(e->ampEnv1.getClock(), clock);
        }
    }
}

TEST(AmpChain, ChainIsDecimatedVoiceTimesEnvelopesDistortionAndGain)
{
    // Engine 'plain' renders the decimated voice itself (envelopes flat at
    // 0 dB, never released); engine 'shaped' adds envelope shapes, a gain and,
    // from sample 'switchOn' on, the distortion, which must start from its
    // fresh state. Standalone envelopes and distortion give the reference.
    auto plain = makeDefaultEngine(kRate);
    plain->ampEnv1.setAttack(0.0);
    plain->ampEnv2.setAttack(0.0);
    auto shaped = makeDefaultEngine(kRate);
    shapeEnvelopes(shaped->ampEnv1, shaped->ampEnv2);
    shaped->setVolume(-6.0);
    shapeDistortion(shaped->distortion);

    AmpEnvRc env[2];
    for (AmpEnvRc& one : env) {
        one.setSampleRate(kRate);
        one.setTimeScale(0.2);
        one.setDecay(0.0);
        one.setSustain(0.0);
    }
    env[0].setRelease(0.02);
    shapeEnvelopes(env[0], env[1]);
    auto distortion = std::make_unique<Distortion>();
    distortion->setSampleRate(kRate);
    distortion->setDryWet(100.0);
    shapeDistortion(*distortion);

    const double gain = std::pow(10.0, -6.0 / 20.0);
    plain->noteOn(60, 64, 0);
    shaped->noteOn(60, 64, 0);
    env[0].trigger();
    env[1].trigger();
    for (std::size_t i = 0; i < 12000; ++i) {
        if (i == 6000) {
            shaped->noteOff();
            env[0].startRelease();
            env[1].startRelease();
        }
        if (i == 9000)
            shaped->setDistMode(2);
        double expected = plain->getSample() * env[0].getSample();
        if (i >= 9000)
            expected = distortion->processOversampled(expected);
        expected *= env[1].getSample() * gain;
        ASSERT_NEAR(shaped->getSample(), expected, 1e-12) << i;
    }
}
