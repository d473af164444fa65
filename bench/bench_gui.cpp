#include "gui/AEffGUIEditor.h"
#include "gui/Frame.h"

#include <benchmark/benchmark.h>

namespace {

// A frame the size of the editor's with a hundred controls: 70 knobs,
// 20 value displays, 5 menus and 5 sliders.
void fill(CFrame& frame)
{
    frame.setBackground(CBitmap(129));
    const CBitmap large(133), small(134), handle(135), groove(137);
    for (int i = 0; i < 70; ++i) {
        const int x = 8 + (i % 14) * 60, y = 130 + (i / 14) * 64;
        auto* knob = i % 5 == 4 ? new CAnimKnob({ x, y, x + 24, y + 24 }, nullptr, i, 101, 24, small)
                                : new CAnimKnob({ x, y, x + 32, y + 32 }, nullptr, i, 101, 32, large);
        knob->setValue(float(i) / 70.0f);
        frame.addView(knob);
    }
    for (int i = 0; i < 20; ++i) {
        const int x = 8 + (i % 14) * 60, y = 166 + (i / 14) * 64;
        auto* display = new CParamDisplay({ x - 8, y, x + 40, y + 16 });
        display->setValue(-96.0f + float(i));
        frame.addView(display);
    }
    for (int i = 0; i < 5; ++i) {
        auto* menu = new COptionMenu({ 8 + i * 160, 40, 150 + i * 160, 56 }, nullptr, 200 + i);
        for (const char* entry : { "Sine", "Triangle", "Pulse", "SawUp" })
            menu->addEntry(entry);
        frame.addView(menu);
        auto* slider = new CHorizontalSlider({ 8 + i * 160, 80, 120 + i * 160, 96 }, nullptr, 300 + i, handle, groove);
        frame.addView(slider);
    }
}

// An open editor whose frame holds the hundred controls.
class BenchEditor : public AEffGUIEditor {
public:
    BenchEditor()
        : AEffGUIEditor(nullptr)
    {
        open(nullptr);
        frame = new CFrame({ 0, 0, 856, 456 });
        fill(*frame);
        frame->redraw();
    }
};

} // namespace

static void BM_FullRedraw(benchmark::State& state)
{
    CFrame frame({ 0, 0, 856, 456 });
    fill(frame);
    for (auto _ : state) {
        frame.setDirty();
        benchmark::DoNotOptimize(frame.redraw());
    }
    state.counters["redraws/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FullRedraw)->Unit(benchmark::kMicrosecond);

static void BM_IdleWhenNothingChanged(benchmark::State& state)
{
    BenchEditor editor;
    for (auto _ : state)
        editor.idle();
}
BENCHMARK(BM_IdleWhenNothingChanged);
