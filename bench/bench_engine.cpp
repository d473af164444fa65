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
