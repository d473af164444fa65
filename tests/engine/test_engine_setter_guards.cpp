#include <gtest/gtest.h>

#include <climits>
#include <functional>

#include "tests/engine/EngineTestSupport.h"

namespace {

using G = MonoGenerator;
using F = MonoFilter;
using Setter = std::function<void(Zarvex2&, double)>;

// A count or index brought into range of the 64- or 32-bit integer it stands for.
std::int64_t count(double v) { return std::isnan(v) ? 0 : std::int64_t(std::clamp(v, -9.2e18, 9.2e18)); }
int count32(double v) { return int(std::clamp<std::int64_t>(count(v), INT_MIN, INT_MAX)); }

// One setter for each member function given, called on the part of the
// engine that `part` picks.
template <class Part, class... Set>
void add(std::vector<Setter>& setters, Part part, Set... set)
{
    (setters.push_back([part, set](Zarvex2& e, double v) { (part(e).*set)(v); }), ...);
}

// Every setter a value can reach: the engine's, its sections' and their
// modules' own.
std::vector<Setter> allSetters()
{
    using D = Distortion;
    using S = SuperOscillator;
    std::vector<Setter> setters;
    add(setters, [](Zarvex2& e) -> Zarvex2& { return e; }, &Zarvex2::setAccent, &Zarvex2::setSlideTime,
        &Zarvex2::setEnvSlope, &Zarvex2::setPitchBend, &Zarvex2::setVolume, &Zarvex2::setVolByVel,
        &Zarvex2::setAmp1Peak, &Zarvex2::setAmp2Peak, &Zarvex2::setAmpEnv1PeakByVel,
        &Zarvex2::setAmpEnv2PeakByVel, &Zarvex2::setDistMix, &Zarvex2::setDistDryWetByVel);
    add(setters, [](Zarvex2& e) -> G& { return e.generator; }, &G::setVibDepth, &G::setPWMDepth,
        &G::setO1Phase, &G::setO1PW, &G::setO2PW, &G::setO2CoarseTune, &G::setO3FineTune);
    for (int r = 0; r < G::numRamps; ++r)
        for (auto set : {&G::setRampStart, &G::setRampEnd, &G::setRampStartByVel})
            setters.push_back([r, set](Zarvex2& e, double v) { (e.generator.*set)(r, v); });
    add(setters, [](Zarvex2& e) -> F& { return e.filter; }, &F::setMode, &F::setNumStages, &F::setDryWet,
        &F::setDryWetByVel, &F::setCutoff, &F::setFreqByVel, &F::setKeyTrack, &F::setRefKey,
        &F::setCutoffModByInput, &F::setCutoffModByOutput, &F::setResonance, &F::setResoByVel,
        &F::setResoModByInput, &F::setResoModByOutput, &F::setResoByCutoff, &F::setGain, &F::setDrive,
        &F::setDcOffset, &F::setOversampling, &F::setEnvStart, &F::setEnvPeak, &F::setEnvEnd,
        &F::setEnvPeakByVel, &F::setEnvDurByVel, &F::setEnvHold, &F::setEnvAttack, &F::setEnvDecay,
        &F::setEnvRelease, &F::setPitchBend, &F::setSlideTime, &F::setEnvSlope, &F::setAccent);
    for (AmpEnvRc Zarvex2::*env : {&Zarvex2::ampEnv1, &Zarvex2::ampEnv2})
        add(setters, [env](Zarvex2& e) -> AmpEnvRc& { return e.*env; }, &AmpEnvRc::setPeak,
            &AmpEnvRc::setSustain, &AmpEnvRc::setStart, &AmpEnvRc::setReleaseFloor, &AmpEnvRc::setTimeUnit,
            &AmpEnvRc::setAttack, &AmpEnvRc::setHold, &AmpEnvRc::setDecay, &AmpEnvRc::setRelease,
            &AmpEnvRc::setTimeScale);
    // The distortion's levels come before the mode setters, whose last
    // entries can switch it off.
    add(setters, [](Zarvex2& e) -> D& { return e.distortion; }, &D::setDryWet, &D::setDrive, &D::setDcOffset,
        &D::setRectification, &D::setLowerThreshold, &D::setUpperThreshold, &D::setLowerSaturation,
        &D::setUpperSaturation, &D::setLowerClampLevel, &D::setUpperClampLevel);
    add(setters, [](Zarvex2& e) -> S& { return e.generator.osc1; }, &S::setDetune, &S::setDetuneRandom,
        &S::setDetuneRandomRate, &S::setFrequency);
    add(setters, [](Zarvex2& e) -> Oscillator& { return e.generator.osc2; }, &Oscillator::setPulseWidth,
        &Oscillator::setStartPhase);
    add(setters, [](Zarvex2& e) -> Oscillator& { return e.generator.osc3; }, &Oscillator::setFrequency);
    add(setters, [](Zarvex2& e) -> LpfHpfApf& { return e.generator.osc2Filter; },
        &LpfHpfApf::setLowpassFrequency, &LpfHpfApf::setHighpassFrequency);
    add(setters, [](Zarvex2& e) -> LpfHpfApf& { return e.generator.osc3Filter; },
        &LpfHpfApf::setAllpassFrequency);
    add(setters, [](Zarvex2& e) -> AntiAliasFilter& { return e.antiAlias; }, &AntiAliasFilter::setCutoff);
    setters.insert(setters.end(), {
        [](Zarvex2& e, double v) { e.generator.osc2.resetPhase(v); },
        [](Zarvex2& e, double v) { e.generator.ramps[G::fm21Ramp].setTime(v); },
        [](Zarvex2& e, double v) { e.generator.ramps[G::osc1PitchRamp].setTimeScale(v); },
        [](Zarvex2& e, double v) { e.generator.osc1.setDensity(count(v)); },
        [](Zarvex2& e, double v) { e.generator.setO2Wave(count(v)); },
        [](Zarvex2& e, double v) { e.generator.setModulation(count32(v)); },
        [](Zarvex2& e, double v) { e.generator.setSyncToOsc1(count32(v)); },
        [](Zarvex2& e, double v) { e.distortion.setOversampling(count(v)); },
        [](Zarvex2& e, double v) { e.distortion.setMode(count(v)); },
        [](Zarvex2& e, double v) { e.setDistMode(count(v)); },
        // Sample rates last, as they can leave the rest silent; the octave
        // tables are built at the rate in force.
        [](Zarvex2& e, double v) { e.filter.setSampleRate(v); },
        [](Zarvex2& e, double v) { e.distortion.setSampleRate(v); },
        [](Zarvex2& e, double v) { e.ampEnv2.setSampleRate(v); },
        [](Zarvex2& e, double v) { e.generator.osc1Filter.setSampleRate(v); },
        [](Zarvex2& e, double v) { e.generator.ramps[G::osc2AmpRamp].setSampleRate(v); },
        [](Zarvex2& e, double v) {
            e.generator.osc2.setSampleRate(v);
            e.generator.osc2.setWaveform(12);
            e.generator.osc3.setSampleRate(v);
            e.generator.osc3.setWaveform(13);
        },
        [](Zarvex2& e, double v) { e.setSampleRate(v); },
    });
    return setters;
}

} // namespace

TEST(EngineSetterGuards, NoSetterValueMakesTheOutputNonFinite)
{
    const std::vector<Setter> setters = allSetters();
    // Everything sounds: three oscillators, both LFOs, every modulation ramp,
    // sync, a resonant filter modulated by its output, and the distortion.
    // Each bad value goes to every setter in turn, a fresh note and a legato
    // note sounding after each, then a long stretch at the top note.
    for (int filterMode : {1, 7, 10, 11, 12}) {
        for (double bad : hostileValues) {
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
            g.osc1.setDensity(7);
            for (int r = G::rm12Ramp; r < G::numRamps; ++r)
                g.setRampStart(r, 0.5);
            e->setFilterMode(filterMode);
            e->filter.setResonance(8.0);
            e->filter.setCutoffModByOutput(100.0);
            e->filter.setResoModByOutput(-100.0);
            e->setDistMode(2);
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
