#pragma once

// Shared by the engine tests and benchmarks: the engine set up as the plug-in's
// parameter defaults leave it, and measurements of rendered audio.

#include <cmath>
#include <complex>
#include <cstddef>
#include <memory>
#include <numbers>
#include <vector>

#include "engine/Zarvex2.h"

// The engine with the plug-in's default patch: oscillator 1 a sine at 0 dB,
// oscillators 2 and 3, LFOs, filter and distortion off, 2 ms attacks, envelope 1
// releasing in 20 ms and envelope 2 in 2 s, slide time 50 ms, slope 0.2.
inline std::unique_ptr<Zarvex2> makeDefaultEngine(double hostRate = 44100.0)
{
    auto engine = std::make_unique<Zarvex2>();
    Zarvex2& e = *engine;
    MonoGenerator& g = e.generator;
    e.setVolume(0.0);
    e.setVolByVel(0.0);
    e.setSlideTime(0.05);
    e.setAccent(1.0);
    e.setEnvSlope(0.2);
    g.setO1Wave(1536);
    g.setO2Wave(0);
    g.setO3Wave(0);
    g.setVibWave(0);
    g.setPWMWave(0);
    for (int r = 0; r < MonoGenerator::numRamps; ++r)
        g.ramps[r].setTime(0.0);
    for (int r : {MonoGenerator::osc1AmpRamp, MonoGenerator::osc2AmpRamp, MonoGenerator::osc3AmpRamp}) {
        g.setRampStart(r, 0.0);
        g.setRampEnd(r, 0.0);
    }
    for (int r : {MonoGenerator::rm12Ramp, MonoGenerator::rm13Ramp, MonoGenerator::rm23Ramp}) {
        g.setRampStart(r, -96.0);
        g.setRampEnd(r, -96.0);
    }
    for (int r : {MonoGenerator::osc1PitchRamp, MonoGenerator::osc2PitchRamp, MonoGenerator::osc3PitchRamp})
        g.setRampStartByVel(r, -24.0);
    for (int r = MonoGenerator::osc1DetuneRamp; r < MonoGenerator::numRamps; ++r) {
        g.setRampStart(r, 0.0);
        g.setRampEnd(r, 0.0);
    }
    for (LpfHpfApf* f : {&g.osc1Filter, &g.osc2Filter, &g.osc3Filter}) {
        f->setLowpassFrequency(20000.0);
        f->setHighpassFrequency(0.0);
        f->setAllpassFrequency(19980.0);
    }
    g.setModulation(0);
    g.setSyncToOsc1(0);
    e.setFilterMode(0);
    for (AmpEnvRc* env : {&e.ampEnv1, &e.ampEnv2}) {
        env->setStart(0.0);
        env->setAttack(0.002);
        env->setHold(0.0);
        env->setDecay(0.0);
        env->setSustain(0.0);
    }
    e.setAmp1Peak(0.0);
    e.setAmp2Peak(0.0);
    e.ampEnv1.setRelease(0.02);
    e.ampEnv2.setRelease(2.0);
    e.setDistMode(0);
    e.setDistMix(100.0);
    e.setSampleRate(hostRate);
    return engine;
}

inline std::vector<double> render(Zarvex2& e, std::size_t count)
{
    std::vector<double> out(count);
    for (double& s : out)
        s = e.getSample();
    return out;
}

inline std::vector<double> slice(const std::vector<double>& x, std::size_t from, std::size_t count)
{
    return {x.begin() + static_cast<std::ptrdiff_t>(from), x.begin() + static_cast<std::ptrdiff_t>(from + count)};
}

// Complex amplitude of the component at hz, Hann-windowed, scaled so that a
// sine of amplitude A gives magnitude A; its argument is the phase of the
// cosine at the first sample.
inline std::complex<double> component(const std::vector<double>& x, double rate, double hz)
{
    const double n = static_cast<double>(x.size());
    std::complex<double> sum = 0.0;
    double windowSum = 0.0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double w = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * (i + 0.5) / n);
        sum += w * x[i] * std::polar(1.0, -2.0 * std::numbers::pi * hz * i / rate);
        windowSum += w;
    }
    return 2.0 * sum / windowSum;
}

inline double magnitude(const std::vector<double>& x, double rate, double hz)
{
    return std::abs(component(x, rate, hz));
}

// Rising zero crossings, as fractional sample positions.
inline std::vector<double> risingCrossings(const std::vector<double>& x)
{
    std::vector<double> at;
    for (std::size_t i = 1; i < x.size(); ++i)
        if (x[i - 1] < 0.0 && x[i] >= 0.0)
            at.push_back(i - 1 + x[i - 1] / (x[i - 1] - x[i]));
    return at;
}

// Mean frequency over whole periods between the first and last rising crossing.
inline double frequencyOf(const std::vector<double>& x, double rate)
{
    const std::vector<double> at = risingCrossings(x);
    if (at.size() < 2)
        return 0.0;
    return (at.size() - 1) * rate / (at.back() - at.front());
}

inline double peakOf(const std::vector<double>& x)
{
    double peak = 0.0;
    for (double s : x)
        peak = std::max(peak, std::abs(s));
    return peak;
}

inline double rmsOf(const std::vector<double>& x)
{
    double sum = 0.0;
    for (double s : x)
        sum += s * s;
    return std::sqrt(sum / static_cast<double>(x.size()));
}
