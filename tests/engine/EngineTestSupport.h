#pragma once

// Shared by the engine tests and benchmarks: the engine as the plug-in's
// parameter defaults leave it, and measurements of rendered audio.

#include <algorithm>
#include <memory>

#include "engine/Zarvex2.h"
#include "tests/support/Signals.h"

inline constexpr double kRate = 44100.0;

// Oscillator 1 a sine at 0 dB; oscillators 2 and 3, LFOs, modulation, filter
// and distortion off; 2 ms attacks, sustain 0 dB, envelope 1 releasing in
// 20 ms and envelope 2 in 2 s; slide time 50 ms; slope 0.2.
inline std::unique_ptr<Zarvex2> makeDefaultEngine(double hostRate = kRate)
{
    using G = MonoGenerator;
    auto e = std::make_unique<Zarvex2>();
    e->setSlideTime(0.05);
    e->setEnvSlope(0.2);
    G& g = e->generator;
    g.setO1Wave(1536);
    g.setO2Wave(0);
    g.setO3Wave(0);
    g.setVibWave(0);
    g.setPWMWave(0);
    for (int r = 0; r < G::numRamps; ++r) {
        const bool ringMod = r >= G::rm12Ramp && r <= G::rm23Ramp;
        g.setRampStart(r, ringMod ? -96.0 : 0.0);
        g.setRampEnd(r, ringMod ? -96.0 : 0.0);
        g.setRampStartByVel(r, r >= G::osc1PitchRamp && r <= G::osc3PitchRamp ? -24.0 : 0.0);
    }
    for (LpfHpfApf* f : {&g.osc1Filter, &g.osc2Filter, &g.osc3Filter})
        f->setAllpassFrequency(19980.0);
    e->setFilterMode(0);
    for (AmpEnvRc* env : {&e->ampEnv1, &e->ampEnv2}) {
        env->setAttack(0.002);
        env->setDecay(0.0);
        env->setSustain(0.0);
    }
    e->ampEnv1.setRelease(0.02);
    e->ampEnv2.setRelease(2.0);
    e->setDistMode(0);
    e->setDistMix(100.0);
    e->setSampleRate(hostRate);
    return e;
}

inline std::vector<double> render(Zarvex2& e, std::size_t count)
{
    return record([&e] { return e.getSample(); }, count);
}

// Index of the last sample that is not exactly zero.
inline std::size_t lastSound(const std::vector<double>& x)
{
    const auto last = std::find_if(x.rbegin(), x.rend(), [](double s) { return s != 0.0; });
    return last == x.rend() ? 0 : static_cast<std::size_t>(x.rend() - last - 1);
}
