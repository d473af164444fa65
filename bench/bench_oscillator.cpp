#include "bench/BenchSupport.h"
#include "dsp/SuperOscillator.h"

#include <memory>

// Per-sample costs at twice 44.1 kHz, the rate the generator runs at, with
// the setters the generator calls every sample.
constexpr double rate = 88200.0;

static void BM_OscillatorBandLimitedRead(benchmark::State& state)
{
    auto osc = std::make_unique<Oscillator>();
    osc->setSampleRate(rate);
    osc->setWaveform(6);
    double hz = 440.0;
    for (auto _ : state) {
        osc->setFrequency(hz);
        osc->setPulseWidth(0.4);
        osc->calcIncrements();
        benchmark::DoNotOptimize(osc->getSampleAntiAliased());
        hz = hz < 880.0 ? hz * 1.0001 : 440.0;
    }
    reportRealtime(state, 1, rate);
}
BENCHMARK(BM_OscillatorBandLimitedRead);

static void BM_SuperOscillatorPerSample(benchmark::State& state)
{
    auto osc = std::make_unique<SuperOscillator>();
    osc->setSampleRate(rate);
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
    reportRealtime(state, 1, rate);
}
BENCHMARK(BM_SuperOscillatorPerSample)->Arg(1)->Arg(7)->Arg(127);

// A waveform change rebuilds all thirteen tables on the thread that sets it;
// this is how long a host's automation or editor thread waits. It alternates
// between the two costliest builders (saw octaves and the pink noise cycle).
static void BM_WaveformChange(benchmark::State& state)
{
    auto osc = std::make_unique<Oscillator>();
    int next = 0;
    for (auto _ : state) {
        osc->setWaveform(next == 0 ? 13 : 15);
        next ^= 1;
        benchmark::DoNotOptimize(osc->getTable(12)[100]);
    }
}
BENCHMARK(BM_WaveformChange)->Unit(benchmark::kMillisecond);
