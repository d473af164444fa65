#include "bench/BenchSupport.h"
#include "tests/engine/EngineTestSupport.h"

// The whole engine per output sample at 44.1 kHz, default patch, one note held.
static void BM_EngineDefaultPatch(benchmark::State& state)
{
    auto engine = makeDefaultEngine();
    engine->noteOn(57, 100, 0);
    for (auto _ : state)
        benchmark::DoNotOptimize(engine->getSample());
    reportRealtime(state, 1, 44100.0);
}
BENCHMARK(BM_EngineDefaultPatch);

// The generator alone per output sample (two ticks at twice the rate).
static void runGenerator(benchmark::State& state, Zarvex2& engine)
{
    engine.noteOn(57, 100, 0);
    for (auto _ : state) {
        benchmark::DoNotOptimize(engine.generator.tick());
        benchmark::DoNotOptimize(engine.generator.tick());
    }
    reportRealtime(state, 1, 44100.0);
}

static void BM_GeneratorDefaultPatch(benchmark::State& state)
{
    auto engine = makeDefaultEngine();
    runGenerator(state, *engine);
}
BENCHMARK(BM_GeneratorDefaultPatch);

// 127 detuned voices, all three oscillators, every modulation at work.
static void BM_GeneratorHeavyPatch(benchmark::State& state)
{
    auto engine = makeDefaultEngine();
    MonoGenerator& g = engine->generator;
    g.setO1Wave(6);
    g.setO2Wave(5);
    g.setO3Wave(4);
    g.osc1.setDensity(127);
    g.setModulation(1);
    g.setSyncToOsc1(3);
    g.setVibDepth(0.1);
    g.setPWMDepth(20.0);
    for (int ramp = 0; ramp < MonoGenerator::numRamps; ++ramp) {
        g.setRampStart(ramp, ramp >= 6 && ramp <= 8 ? -6.0 : 0.5);
        g.setRampEnd(ramp, ramp >= 6 && ramp <= 8 ? -12.0 : 0.25);
    }
    runGenerator(state, *engine);
}
BENCHMARK(BM_GeneratorHeavyPatch);
