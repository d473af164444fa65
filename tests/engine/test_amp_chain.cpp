#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "tests/engine/EngineTestSupport.h"

namespace {

// Level in dB of the steady part of note 69.
double noteLevelDb(const std::function<void(Zarvex2&)>& patch, int velocity)
{
    auto e = makeDefaultEngine(kRate);
    patch(*e);
    e->noteOn(69, velocity, 0);
    return 20.0 * std::log10(magnitude(slice(render(*e, 8820), 4410, 4410), kRate, 440.0));
}

} // namespace

TEST(AmpChain, VelocityAmountsFollowTheAccentAndTheShorterReleaseEndsTheSound)
{
    for (double accent : {1.0, 0.5, 0.0}) {
        const auto patch = [accent](Zarvex2& e) {
            e.setVolume(-30.0);
            e.setVolByVel(24.0);
            e.setAccent(accent);
        };
        EXPECT_NEAR(noteLevelDb(patch, 127) - noteLevelDb(patch, 64), 24.0 * accent, 0.01) << accent;
    }

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
