#include "dsp/Distortion.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

// One base-rate sample through the four-fold oversampled shaper, for the
// linear (1) and the tanh (2) mapping. Items are samples at 44100 Hz;
// "realtime" is seconds of audio per second of computing.
static void BM_DistortionOversampled(benchmark::State& state)
{
    constexpr int block = 512;
    constexpr double rate = 44100.0;
    Distortion distortion;
    distortion.setSampleRate(rate);
    distortion.setMode(state.range(0));
    distortion.setDryWet(100.0);
    distortion.setDrive(12.0);
    distortion.setDcOffset(0.0);
    distortion.setUpperThreshold(-6.0);
    distortion.setUpperSaturation(-2.0);
    distortion.setLowerThreshold(-3.0);
    std::vector<double> input(block);
    for (int n = 0; n < block; ++n)
        input[n] = std::sin(2.0 * 3.141592653589793 * 220.0 * n / rate);

    for (auto _ : state) {
        for (double x : input)
            benchmark::DoNotOptimize(distortion.processOversampled(x));
    }
    const double samples = double(state.iterations()) * block;
    state.SetItemsProcessed(static_cast<std::int64_t>(samples));
    state.counters["realtime"] = benchmark::Counter(samples / rate, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DistortionOversampled)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);
