#include "bench/BenchSupport.h"
#include "dsp/Distortion.h"

// One sample through the four-fold oversampled tanh mapping, driven into its knee.
static void BM_DistortionOversampled(benchmark::State& state)
{
    const double rate = 44100.0;
    Distortion distortion;
    distortion.setSampleRate(rate);
    distortion.setMode(2);
    distortion.setDrive(12.0);
    const std::vector<double> input = sineBlock(220.0, rate);
    for (auto _ : state)
        for (double x : input)
            benchmark::DoNotOptimize(distortion.processOversampled(x));
    reportRealtime(state, static_cast<int64_t>(input.size()), rate);
}
BENCHMARK(BM_DistortionOversampled)->Unit(benchmark::kMicrosecond);
