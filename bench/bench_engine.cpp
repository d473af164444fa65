#include <benchmark/benchmark.h>

#include "tests/engine/EngineTestSupport.h"

// Items are output samples at 44.1 kHz: items per second divided by 44100 is
// the real-time factor.

namespace {

using G = MonoGenerator;

// Every oscillator sounding, oscillator 1 with 127 voices, both LFOs and every
// modulation at work, with sync to both modulators.
void heavyPatch(Zarvex2& e)
{
    G& g = e.generator;
    g.setO1Wave(6);
    g.setO2Wave(5);
    g.setO3Wave(4);
    g.setO2CoarseTune(7.0);
    g.setO3CoarseTune(-5.0);
    g.osc1.setDensity(127);
    g.osc1.setDetuneRandom(20.0);
    g.setRampStart(G::osc1DetuneRamp, 0.5);
    g.setRampEnd(G::osc1DetuneRamp, 0.3);
    g.setVibWave(3);
    g.vibratoLfo.setFrequency(5.0);
    g.vibratoLfo.calcIncrements();
    g.setVibDepth(0.01);
    g.setPWMWave(4);
    g.pwmLfo.setFrequency(0.5);
    g.pwmLfo.calcIncrements();
    g.setPWMDepth(20.0);
    g.setModulation(2);
    g.setSyncToOsc1(3);
    for (int r : {G::am21Ramp, G::am31Ramp, G::fm21Ramp, G::fm31Ramp})
        g.setRampStart(r, 0.3);
    g.setRampStart(G::fm11Ramp, 20.0);
    for (int r : {G::rm12Ramp, G::rm13Ramp, G::rm23Ramp})
        g.setRampStart(r, -12.0);
    for (int r = 0; r < G::numRamps; ++r)
        g.ramps[r].setTime(500.0);
}

void runGenerator(benchmark::State& state, void (*patch)(Zarvex2&))
{
    auto e = makeDefaultEngine();
    if (patch)
        patch(*e);
    e->generator.noteOn(57, 100, 0);
    for (auto _ : state) {
        benchmark::DoNotOptimize(e->generator.tick());
        benchmark::DoNotOptimize(e->generator.tick());
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_GeneratorDefaultPatch(benchmark::State& state) { runGenerator(state, nullptr); }
void BM_GeneratorHeavyPatch(benchmark::State& state) { runGenerator(state, heavyPatch); }

void BM_EngineDefaultPatch(benchmark::State& state)
{
    auto e = makeDefaultEngine();
    e->noteOn(57, 100, 0);
    for (auto _ : state)
        benchmark::DoNotOptimize(e->getSample());
    state.SetItemsProcessed(state.iterations());
}

} // namespace

BENCHMARK(BM_GeneratorDefaultPatch);
BENCHMARK(BM_GeneratorHeavyPatch);
BENCHMARK(BM_EngineDefaultPatch);
