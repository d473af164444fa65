#include "dsp/AntiAliasFilter.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

constexpr int block = 512;
constexpr double hostRate = 44100.0;

std::vector<double> sineBlock(double hz, double rate)
{
    std::vector<double> input(block);
    for (int n = 0; n < block; ++n)
        input[n] = std::sin(2.0 * 3.141592653589793 * hz * n / rate);
    return input;
}

// Items are input samples at the filter's own rate; "realtime" is seconds of
// host-rate audio per second of computing, for the given oversampling factor.
void report(benchmark::State& state, double itemsPerHostSample)
{
    const double items = double(state.iterations()) * block;
    state.SetItemsProcessed(static_cast<std::int64_t>(items));
    state.counters["realtime"] = benchmark::Counter(items / itemsPerHostSample / hostRate, benchmark::Counter::kIsRate);
}

} // namespace

// One filter step: the engine's decimator runs two per host sample, the
// ladders ten and the distortion four.
static void BM_AntiAliasFilterSample(benchmark::State& state)
{
    const double factor = static_cast<double>(state.range(0));
    AntiAliasFilter filter;
    filter.setSampleRate(factor * hostRate);
    filter.setCutoff(16000.0);
    const std::vector<double> input = sineBlock(1000.0, factor * hostRate);
    for (auto _ : state) {
        for (double x : input)
            benchmark::DoNotOptimize(filter.processSample(x));
    }
    report(state, factor);
}
BENCHMARK(BM_AntiAliasFilterSample)->Arg(2)->Arg(4)->Arg(10)->Unit(benchmark::kMicrosecond);

// One host-rate sample through the oversampler with a trivial step, i.e. the
// interpolation and decimation overhead a ladder or the distortion carries.
static void BM_OversamplerHostSample(benchmark::State& state)
{
    Oversampler oversampler(state.range(0));
    const std::vector<double> input = sineBlock(1000.0, hostRate);
    for (auto _ : state) {
        for (double x : input)
            benchmark::DoNotOptimize(oversampler.process(x, [](double v) { return v; }));
    }
    report(state, 1.0);
}
BENCHMARK(BM_OversamplerHostSample)->Arg(4)->Arg(10)->Unit(benchmark::kMicrosecond);
