#include "dsp/Envelopes.h"

#include <benchmark/benchmark.h>

#include <cstdint>

namespace {

constexpr int block = 512;
constexpr double rate = 44100.0;

void report(benchmark::State& state)
{
    const double samples = double(state.iterations()) * block;
    state.SetItemsProcessed(static_cast<std::int64_t>(samples));
    state.counters["realtime"] = benchmark::Counter(samples / rate, benchmark::Counter::kIsRate);
}

} // namespace

// One amplitude envelope sample at 44100 Hz through a note that cycles
// through attack, decay, sustain and release every 4096 samples. Items are
// samples; "realtime" is seconds of audio per second of computing.
static void BM_AmpEnvRcSample(benchmark::State& state)
{
    AmpEnvRc env;
    env.setSampleRate(rate);
    env.setAttack(0.01);
    env.setDecay(0.02);
    env.setSustain(-6.0);
    env.setRelease(0.03);
    int position = 0;
    for (auto _ : state) {
        for (int n = 0; n < block; ++n, ++position) {
            if ((position & 4095) == 0)
                env.trigger();
            else if ((position & 4095) == 3000)
                env.startRelease();
            benchmark::DoNotOptimize(env.getSample());
        }
    }
    report(state);
}
BENCHMARK(BM_AmpEnvRcSample)->Unit(benchmark::kMicrosecond);

// The filter envelope stepped the same way.
static void BM_PitchEnvRCSample(benchmark::State& state)
{
    PitchEnvRC env;
    env.setSampleRate(rate);
    env.setPeak(4.0);
    env.setEnd(0.5);
    env.setAttack(0.01);
    env.setDecay(0.02);
    env.setRelease(0.03);
    int position = 0;
    for (auto _ : state) {
        for (int n = 0; n < block; ++n, ++position) {
            if ((position & 4095) == 0)
                env.noteOn();
            else if ((position & 4095) == 3000)
                env.noteOff();
            benchmark::DoNotOptimize(env.getSample());
        }
    }
    report(state);
}
BENCHMARK(BM_PitchEnvRCSample)->Unit(benchmark::kMicrosecond);
