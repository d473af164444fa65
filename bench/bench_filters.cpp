#include "dsp/BiQuadCasc.h"
#include "dsp/MoogFilter.h"
#include "engine/MonoFilter.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

// Items are samples at 44100 Hz; "realtime" is seconds of audio per second of
// computing.
namespace {

constexpr int block = 512;
constexpr double rate = 44100.0;

std::vector<double> sawtooth()
{
    std::vector<double> input(block);
    for (int n = 0; n < block; ++n)
        input[n] = 2.0 * std::fmod(110.0 * n / rate, 1.0) - 1.0;
    return input;
}

void report(benchmark::State& state)
{
    const double samples = double(state.iterations()) * block;
    state.SetItemsProcessed(static_cast<std::int64_t>(samples));
    state.counters["realtime"] = benchmark::Counter(samples / rate, benchmark::Counter::kIsRate);
}

} // namespace

// The whole filter section per sample, with the filter envelope running and
// cutoff and resonance modulated by input and output, so that coefficients
// are recomputed every sample as they are in use. Mode 1 runs a biquad
// lowpass cascade of five stages, mode 10 the Moog ladder, mode 12 the tanh
// ladder (both ten-fold oversampled).
static void BM_FilterSection(benchmark::State& state)
{
    MonoFilter filter;
    filter.setSampleRate(rate);
    filter.setMode(static_cast<double>(state.range(0)));
    filter.setNumStages(5);
    filter.setCutoff(800.0);
    filter.setResonance(2.0);
    filter.setResoByCutoff(1.5);
    filter.setCutoffModByInput(30.0);
    filter.setCutoffModByOutput(20.0);
    filter.setResoModByInput(10.0);
    filter.setEnvPeak(24.0);
    filter.setEnvAttack(0.01);
    filter.setEnvDecay(0.5);
    filter.noteOn(45, 100, 0);
    const std::vector<double> input = sawtooth();

    for (auto _ : state) {
        for (double x : input)
            benchmark::DoNotOptimize(filter.processSample(x));
    }
    report(state);
}
BENCHMARK(BM_FilterSection)->Arg(1)->Arg(10)->Arg(12)->Unit(benchmark::kMicrosecond);

// The cascade alone with fixed coefficients, for comparison with the section.
static void BM_BiQuadCascFiveStages(benchmark::State& state)
{
    BiQuadCasc biquad;
    biquad.setSampleRate(rate);
    biquad.setNumStages(5);
    biquad.setFrequency(800.0);
    biquad.setQ(2.0);
    biquad.setMode(1);
    const std::vector<double> input = sawtooth();

    for (auto _ : state) {
        for (double x : input)
            benchmark::DoNotOptimize(biquad.processSample(x));
    }
    report(state);
}
BENCHMARK(BM_BiQuadCascFiveStages)->Unit(benchmark::kMicrosecond);
