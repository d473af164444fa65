#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <limits>

#include "tests/engine/EngineTestSupport.h"

TEST(EngineSetterGuards, NoSetterValueMakesTheOutputNonFinite)
{
    using G = MonoGenerator;
    using Setter = std::function<void(Zarvex2&, double)>;
    std::vector<Setter> setters;
    for (auto engineSetter : {&Zarvex2::setAccent, &Zarvex2::setSlideTime, &Zarvex2::setEnvSlope,
                              &Zarvex2::setPitchBend, &Zarvex2::setVolume, &Zarvex2::setVolByVel, &Zarvex2::setAmp1Peak,
                              &Zarvex2::setAmp2Peak, &Zarvex2::setAmpEnv1PeakByVel, &Zarvex2::setAmpEnv2PeakByVel,
                              &Zarvex2::setDistMix, &Zarvex2::setDistDryWetByVel})
        setters.push_back([engineSetter](Zarvex2& e, double v) { (e.*engineSetter)(v); });
    for (auto generatorSetter : {&G::setVibDepth, &G::setPWMDepth, &G::setO1Phase, &G::setO1PW, &G::setO2PW,
                                 &G::setO2CoarseTune, &G::setO3FineTune})
        setters.push_back([generatorSetter](Zarvex2& e, double v) { (e.generator.*generatorSetter)(v); });
    for (int r = 0; r < G::numRamps; ++r)
        for (auto rampSetter : {&G::setRampStart, &G::setRampEnd, &G::setRampStartByVel})
            setters.push_back([r, rampSetter](Zarvex2& e, double v) { (e.generator.*rampSetter)(r, v); });
    using F = MonoFilter;
    for (auto filterSetter : {&F::setMode, &F::setNumStages, &F::setDryWet, &F::setDryWetByVel, &F::setCutoff,
                              &F::setFreqByVel, &F::setKeyTrack, &F::setRefKey, &F::setCutoffModByInput,
                              &F::setCutoffModByOutput, &F::setResonance, &F::setResoByVel, &F::setResoModByInput,
                              &F::setResoModByOutput, &F::setResoByCutoff, &F::setGain, &F::setDrive, &F::setDcOffset,
                              &F::setOversampling, &F::setEnvStart, &F::setEnvPeak, &F::setEnvEnd, &F::setEnvPeakByVel,
                              &F::setEnvDurByVel, &F::setEnvHold, &F::setEnvAttack, &F::setEnvDecay, &F::setEnvRelease,
                              &F::setPitchBend, &F::setSlideTime, &F::setEnvSlope, &F::setAccent, &F::setSampleRate})
        setters.push_back([filterSetter](Zarvex2& e, double v) { (e.filter.*filterSetter)(v); });

    // Everything sounds: three oscillators, both LFOs, every modulation ramp,
    // sync, a resonant filter modulated by its output, and the distortion.
    // Each bad value goes to every setter in turn, a fresh note and a legato
    // note sounding after each, then a long stretch at the top note.
    const double inf = std::numeric_limits<double>::infinity();
    for (int filterMode : {-5, 1, 3, 7, 10, 11, 12, INT_MAX}) {
        for (double bad : {std::nan(""), inf, -inf, 1e300, -1e300, 1e-320, -3.0}) {
            auto e = makeDefaultEngine();
            G& g = e->generator;
            g.setO1Wave(6);
            g.setO2Wave(5);
            g.setO3Wave(4);
            g.setVibWave(3);
            g.setVibDepth(0.01);
            g.setPWMWave(4);
            g.setPWMDepth(20.0);
            g.setModulation(filterMode < 10 ? 1 : 3);
            g.setSyncToOsc1(3);
            for (int r = G::rm12Ramp; r < G::numRamps; ++r)
                g.setRampStart(r, 0.5);
            e->setFilterMode(filterMode);
            e->filter.setResonance(8.0);
            e->filter.setCutoffModByOutput(100.0);
            e->filter.setResoModByOutput(-100.0);
            e->setDistMode(1);
            for (std::size_t s = 0; s < setters.size(); ++s) {
                setters[s](*e, bad);
                e->noteOn(60, 64, 0);
                e->noteOn(64, 127, 0);
                for (double x : render(*e, 32))
                    ASSERT_TRUE(std::isfinite(x)) << "setter " << s << " value " << bad << " filter " << filterMode;
                e->noteOff();
            }
            e->noteOn(127, 127, 127);
            for (double x : render(*e, 3000))
                ASSERT_TRUE(std::isfinite(x)) << "value " << bad << " filter " << filterMode;
        }
    }
}

TEST(EngineSetterGuards, OutOfRangeNotesAndModesAreHarmless)
{
    auto e = makeDefaultEngine();
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

TEST(EngineSetterGuards, ClearedHistoriesLetAPoisonedVoiceSoundAgain)
{
    auto e = makeDefaultEngine();
    e->setFilterMode(1);
    e->noteOn(60, 100, 0);
    render(*e, 1000);
    // A history that ran off to NaN keeps the voice silent-or-worse for ever...
    e->antiAlias.processSample(std::nan(""));
    EXPECT_FALSE(std::isfinite(render(*e, 1).front()));
    // ...until the histories are cleared.
    e->clearFilterHistories();
    const auto after = render(*e, 4000);
    for (double x : after)
        ASSERT_TRUE(std::isfinite(x));
    EXPECT_GT(peakOf(slice(after, 2000, 2000)), 0.1);
}
