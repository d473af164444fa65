#pragma once

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <vector>

// Items are samples at the given rate; "realtime" is seconds of audio per
// second of computing.
inline void reportRealtime(benchmark::State& state, int64_t samplesPerIteration, double rate)
{
    const double samples = static_cast<double>(state.iterations()) * static_cast<double>(samplesPerIteration);
    state.SetItemsProcessed(static_cast<int64_t>(samples));
    state.counters["realtime"] = benchmark::Counter(samples / rate, benchmark::Counter::kIsRate);
}

// The input block the per-sample benchmarks run through.
inline std::vector<double> sineBlock(double hz, double rate)
{
    std::vector<double> input(512);
    for (size_t n = 0; n < input.size(); ++n)
        input[n] = std::sin(2.0 * 3.141592653589793 * hz * static_cast<double>(n) / rate);
    return input;
}
