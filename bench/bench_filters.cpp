#include "bench/BenchSupport.h"
#include "engine/MonoFilter.h"

// The filter section per sample with its envelope running and cutoff and
// resonance modulated by input and output, so that coefficients are
// recomputed every sample. Mode 1 is a biquad cascade of five stages, 10 the
// Moog ladder, 12 the tanh ladder (both ten-fold oversampled).
static void BM_FilterSection(benchmark::State& state)
{
    const double rate = 44100.0;
    MonoFilter filter;
    filter.setSampleRate(rate);
    filter.setMode(static_cast<double>(state.range(0)));
    filter.setNumStages(5);
    filter.setCutoff(800.0);
    filter.setResonance(2.0);
    filter.setCutoffModByInput(30.0);
    filter.setCutoffModByOutput(20.0);
    filter.setResoModByInput(10.0);
    filter.setEnvPeak(24.0);
    filter.setEnvDecay(0.5);
    filter.noteOn(45, 100, 0);
    const std::vector<double> input = sineBlock(110.0, rate);
    for (auto _ : state)
        for (double x : input)
            benchmark::DoNotOptimize(filter.processSample(x));
    reportRealtime(state, static_cast<int64_t>(input.size()), rate);
}
BENCHMARK(BM_FilterSection)->Arg(1)->Arg(10)->Arg(12)->Unit(benchmark::kMicrosecond);
