// The parameter path: what a call of setParameter costs the calling thread,
// and what applying queued changes costs the audio thread.

#include "plugin/Zarvex2Plug.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

intptr_t VSTCALLBACK quietHost(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

constexpr int kBurst = 256;

// One sample with no note: the engine is idle, so this is the drain.
void renderOneSample(Zarvex2Plug& plugin)
{
    float left = 0.0f, right = 0.0f;
    float* outputs[2] = { &left, &right };
    plugin.processReplacing(nullptr, outputs, 1);
}

void sweepCutoff(Zarvex2Plug& plugin)
{
    for (int i = 0; i < kBurst; ++i)
        plugin.setParameter(99, static_cast<float>(i) / kBurst);
}

} // namespace

static void BM_SetParameter(benchmark::State& state)
{
    auto plugin = std::make_unique<Zarvex2Plug>(quietHost);
    for (auto _ : state) {
        sweepCutoff(*plugin);
        state.PauseTiming();
        renderOneSample(*plugin);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kBurst);
}
BENCHMARK(BM_SetParameter);

static void BM_ApplyQueuedChanges(benchmark::State& state)
{
    auto plugin = std::make_unique<Zarvex2Plug>(quietHost);
    for (auto _ : state) {
        state.PauseTiming();
        sweepCutoff(*plugin);
        state.ResumeTiming();
        renderOneSample(*plugin);
    }
    state.SetItemsProcessed(state.iterations() * kBurst);
}
BENCHMARK(BM_ApplyQueuedChanges);
