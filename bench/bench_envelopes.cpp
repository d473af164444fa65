#include "bench/BenchSupport.h"
#include "dsp/Envelopes.h"

// One amplitude envelope sample through a note that passes attack, decay,
// sustain and release every 4096 samples.
static void BM_AmpEnvRcSample(benchmark::State& state)
{
    const double rate = 44100.0;
    AmpEnvRc env;
    env.setSampleRate(rate);
    env.setAttack(0.01);
    env.setDecay(0.02);
    env.setSustain(-6.0);
    env.setRelease(0.03);
    int position = 0;
    for (auto _ : state) {
        if ((position & 4095) == 0)
            env.trigger();
        else if ((position & 4095) == 3000)
            env.startRelease();
        ++position;
        benchmark::DoNotOptimize(env.getSample());
    }
    reportRealtime(state, 1, rate);
}
BENCHMARK(BM_AmpEnvRcSample);
