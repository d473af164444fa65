#include "bench/BenchSupport.h"
#include "dsp/AntiAliasFilter.h"

// The engine's decimator: the filter at twice the host rate, two steps per
// host sample.
static void BM_AntiAliasFilterSample(benchmark::State& state)
{
    const double rate = 88200.0;
    AntiAliasFilter filter;
    filter.setSampleRate(rate);
    filter.setCutoff(16000.0);
    const std::vector<double> input = sineBlock(1000.0, rate);
    for (auto _ : state)
        for (double x : input)
            benchmark::DoNotOptimize(filter.processSample(x));
    reportRealtime(state, static_cast<int64_t>(input.size()), rate);
}
BENCHMARK(BM_AntiAliasFilterSample)->Unit(benchmark::kMicrosecond);
