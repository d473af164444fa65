#include "dsp/FourierTransformer.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

// One forward and one inverse transform at the table size, the unit of work
// a waveform change repeats.
static void BM_TransformPair8192(benchmark::State& state)
{
    const std::int64_t n = 8192;
    auto fft = std::make_unique<FourierTransformer>();
    fft->setLength(n);
    std::vector<double> signal(n), spectrum(n);
    for (std::int64_t i = 0; i < n; ++i)
        signal[i] = std::sin(0.001 * double(i * i));
    for (auto _ : state) {
        fft->transformRealSignal(signal.data(), spectrum.data());
        fft->transformSpectrum(spectrum.data(), signal.data());
        benchmark::DoNotOptimize(signal.data());
    }
}
BENCHMARK(BM_TransformPair8192)->Unit(benchmark::kMicrosecond);
