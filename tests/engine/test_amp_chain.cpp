#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "dsp/Distortion.h"
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

TEST(AmpChain, EnvelopeOneFeedsTheDistortionEnvelopeTwoAndTheVolumeScaleItsOutput)
{
    // The distortion clips at -6 dB; a -12 dB sustain keeps the sine below
    // the clip in envelope 1 and scales the clipped sine in envelope 2.
    const auto sustained = [](int envelope, double volume) {
        return [envelope, volume](Zarvex2& e) {
            e.setDistMode(Distortion::linearMapping);
            for (auto set : {&Distortion::setLowerThreshold, &Distortion::setUpperThreshold,
                     &Distortion::setLowerClampLevel, &Distortion::setUpperClampLevel})
                (e.distortion.*set)(-6.0);
            AmpEnvRc& env = envelope == 1 ? e.ampEnv1 : e.ampEnv2;
            env.setDecay(0.01);
            env.setSustain(-12.0);
            e.setVolume(volume);
        };
    };
    EXPECT_NEAR(noteLevelDb(sustained(1, 0.0), 64), -12.0, 0.05);
    EXPECT_NEAR(noteLevelDb(sustained(2, 0.0), 64), -16.3, 0.1); // the clipped sine's fundamental
    EXPECT_NEAR(noteLevelDb(sustained(2, -6.0), 64) - noteLevelDb(sustained(2, 0.0), 64), -6.0, 0.01);
}
