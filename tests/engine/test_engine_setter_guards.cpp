#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <functional>
#include <limits>

#include "tests/engine/EngineTestSupport.h"

namespace {

using G = MonoGenerator;

// Everything that the engine's own setters reach is sounding: all three
// oscillators, both LFOs, every modulation ramp, sync and the distortion.
std::unique_ptr<Zarvex2> busyEngine(int modulationMode)
{
    auto e = makeDefaultEngine();
    G& g = e->generator;
    g.setO1Wave(6);
    g.setO2Wave(5);
    g.setO3Wave(4);
    g.setVibWave(3);
    g.vibratoLfo.setFrequency(6.0);
    g.vibratoLfo.calcIncrements();
    g.setVibDepth(0.01);
    g.setPWMWave(4);
    g.pwmLfo.setFrequency(1.0);
    g.pwmLfo.calcIncrements();
    g.setPWMDepth(20.0);
    g.setModulation(modulationMode);
    g.setSyncToOsc1(3);
    for (int r = G::rm12Ramp; r < G::numRamps; ++r)
        g.setRampStart(r, 0.5);
    e->setDistMode(1);
    return e;
}

} // namespace

TEST(EngineSetterGuards, NoSetterValueMakesTheOutputNonFinite)
{
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<std::function<void(Zarvex2&, double)>> setters = {
        [](Zarvex2& e, double v) { e.setAccent(v); },
        [](Zarvex2& e, double v) { e.setSlideTime(v); },
        [](Zarvex2& e, double v) { e.setEnvSlope(v); },
        [](Zarvex2& e, double v) { e.setPitchBend(v); },
        [](Zarvex2& e, double v) { e.setVolume(v); },
        [](Zarvex2& e, double v) { e.setVolByVel(v); },
        [](Zarvex2& e, double v) { e.setAmp1Peak(v); },
        [](Zarvex2& e, double v) { e.setAmp2Peak(v); },
        [](Zarvex2& e, double v) { e.setAmpEnv1PeakByVel(v); },
        [](Zarvex2& e, double v) { e.setAmpEnv2PeakByVel(v); },
        [](Zarvex2& e, double v) { e.setDistMix(v); },
        [](Zarvex2& e, double v) { e.setDistDryWetByVel(v); },
        [](Zarvex2& e, double v) { e.generator.setVibDepth(v); },
        [](Zarvex2& e, double v) { e.generator.setPWMDepth(v); },
        [](Zarvex2& e, double v) { e.generator.setO1Phase(v); },
        [](Zarvex2& e, double v) { e.generator.setO1PW(v); },
        [](Zarvex2& e, double v) { e.generator.setO2PW(v); },
        [](Zarvex2& e, double v) { e.generator.setO2CoarseTune(v); },
        [](Zarvex2& e, double v) { e.generator.setO3FineTune(v); },
    };
    std::vector<std::function<void(Zarvex2&, double)>> all = setters;
    for (int r = 0; r < G::numRamps; ++r) {
        all.push_back([r](Zarvex2& e, double v) { e.generator.setRampStart(r, v); });
        all.push_back([r](Zarvex2& e, double v) { e.generator.setRampEnd(r, v); });
        all.push_back([r](Zarvex2& e, double v) { e.generator.setRampStartByVel(r, v); });
    }
    // Each bad value goes to every setter in turn, a note sounding after each.
    for (int mode : {1, 3}) {
        for (double bad : {std::nan(""), inf, -inf, 1e300, -1e300}) {
            auto e = busyEngine(mode);
            for (std::size_t s = 0; s < all.size(); ++s) {
                all[s](*e, bad);
                e->noteOn(60, 64, 0);
                e->noteOn(64, 127, 0);
                for (double x : render(*e, 64))
                    ASSERT_TRUE(std::isfinite(x)) << "setter " << s << " value " << bad << " mode " << mode;
                e->noteOff();
            }
        }
    }
}

TEST(EngineSetterGuards, OutOfRangeNotesAndModesAreHarmless)
{
    auto e = busyEngine(2);
    e->noteOn(128, 64, 0);
    e->noteOn(60, -1, 0);
    e->noteOn(-1, 64, 0);
    EXPECT_EQ(e->getCurrentNote(), -1);
    for (double x : render(*e, 100))
        ASSERT_EQ(x, 0.0);
    e->generator.setModulation(INT_MAX);
    e->generator.setSyncToOsc1(INT_MIN);
    e->setDistMode(LLONG_MAX);
    e->noteOn(127, 127, INT_MAX);
    for (double x : render(*e, 2000))
        ASSERT_TRUE(std::isfinite(x));
}
