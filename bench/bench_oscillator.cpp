#include "dsp/SuperOscillator.h"

#include <benchmark/benchmark.h>

#include <memory>

// Per-sample cost at twice 44.1 kHz, the rate the generator runs at; items
// are samples, so items per second / 88200 is the real-time factor.

static void BM_OscillatorBandLimitedRead(benchmark::State& state)
{
    auto osc = std::make_unique<Oscillator>();
    osc->setSampleRate(88200.0);
    osc->setWaveform(6);
    double hz = 440.0;
    for (auto _ : state) {
        // as the generator drives it: frequency, pulse width, increments, read
        osc->setFrequency(hz);
        osc->setPulseWidth(0.4);
        osc->calcIncrements();
        benchmark::DoNotOptimize(osc->getSampleAntiAliased());
        hz = hz < 880.0 ? hz * 1.0001 : 440.0;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_OscillatorBandLimitedRead);

static void BM_SuperOscillatorPerSample(benchmark::State& state)
{
    auto osc = std::make_unique<SuperOscillator>();
    osc->setSampleRate(88200.0);
    osc->setWaveform(6);
    osc->setDensity(state.range(0));
    osc->setDetuneRandom(10.0);
    double detune = 0.0;
    for (auto _ : state) {
        osc->setDetune(detune);
        osc->setPulseWidth(0.5);
        osc->setFrequency(440.0);
        benchmark::DoNotOptimize(osc->getSampleAntiAliased());
        detune = detune < 1.0 ? detune + 1e-5 : 0.0;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SuperOscillatorPerSample)->Arg(1)->Arg(7)->Arg(127);

// A waveform change rebuilds all thirteen tables on the thread that sets the
// parameter (the audio thread only takes the finished set over): this is how
// long a host's automation or user interface thread waits for it. The two
// arguments alternate: a plain shape pair, and the two costliest builders
// (saw octaves and the pink noise cycle).
static void BM_WaveformChange(benchmark::State& state)
{
    auto osc = std::make_unique<Oscillator>();
    const std::int64_t waves[2] = { state.range(0), state.range(1) };
    int next = 0;
    for (auto _ : state) {
        osc->setWaveform(waves[next]);
        next ^= 1;
        benchmark::DoNotOptimize(osc->getTable(12)[100]);
    }
}
BENCHMARK(BM_WaveformChange)->Args({ 5, 6 })->Args({ 13, 15 })->Unit(benchmark::kMillisecond);
