// The render loop against the probe plug-in, which records what it is handed.

#include "tests/tools/ProbeRecord.h"
#include "tests/tools/RenderTestSupport.h"

#include <dlfcn.h>

#include <algorithm>
#include <atomic>

namespace {

constexpr double rate = 44100.0;

double at(int64_t frame) { return static_cast<double>(frame) / rate; }

struct Event {
    int64_t frame;
    uint8_t status, data1, data2;
};

MidiSequence sequenceOf(const std::vector<Event>& events, int64_t endFrame)
{
    MidiSequence sequence { {}, at(endFrame) };
    for (const Event& event : events)
        sequence.messages.push_back({ at(event.frame), { event.status, event.data1, event.data2 }, 3 });
    return sequence;
}

// The probe opened through the renderer's host, with what it recorded.
struct ProbeHost {
    explicit ProbeHost(int32_t blockSize = 512)
        : plugin(ZARVEX_PROBE_PLUGIN_PATH, rate, blockSize)
        // The host has the library open already; this only finds it again.
        , library(dlopen(ZARVEX_PROBE_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD))
    {
        reinterpret_cast<ProbeClearProc>(dlsym(library, "probeClear"))();
    }
    ~ProbeHost() { dlclose(library); }

    std::vector<ProbeRecord> recorded(ProbeRecord::Kind kind) const
    {
        const ProbeRecord* all = nullptr;
        const size_t count = reinterpret_cast<ProbeRecordsProc>(dlsym(library, "probeRecords"))(&all);
        std::vector<ProbeRecord> found;
        std::copy_if(all, all + count, std::back_inserter(found), [&](const ProbeRecord& r) { return r.kind == kind; });
        return found;
    }

    HostedPlugin plugin;
    void* library;
};

} // namespace

TEST(RenderLoop, EventsAndParameterChangesReachThePluginInOrderAtTheirSample)
{
    ProbeHost probe(512);
    // Controllers on both sides of block boundaries, and a key released and
    // struck again at one sample, in that order.
    const std::vector<Event> events = { { 0, 0xb0, 74, 0 }, { 10, 0x90, 60, 127 }, { 300, 0x80, 60, 0 },
        { 300, 0x90, 60, 64 }, { 511, 0xb0, 74, 1 }, { 512, 0xb0, 74, 2 }, { 513, 0xb0, 74, 3 }, { 700, 0xb0, 74, 4 },
        { 1024, 0xb0, 74, 5 }, { 1535, 0xb0, 74, 6 }, { 1600, 0x80, 60, 0 } };
    renderAll(probe.plugin, sequenceOf(events, 2000), { TailMode::fixed, 0.0 },
        { { at(700), 2, 0.25f }, { at(1200), 0, 0.75f } });

    const auto midi = probe.recorded(ProbeRecord::midi);
    ASSERT_EQ(midi.size(), events.size());
    for (size_t i = 0; i < midi.size(); ++i) {
        EXPECT_EQ(midi[i].frame, events[i].frame) << "event " << i;
        EXPECT_EQ(midi[i].index, events[i].status) << "event " << i;
        EXPECT_EQ(midi[i].data, events[i].data1 << 8 | events[i].data2) << "event " << i;
    }
    const auto changes = probe.recorded(ProbeRecord::parameter);
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[0].frame, 700);
    EXPECT_EQ(changes[0].index, 2);
    EXPECT_FLOAT_EQ(changes[0].value, 0.25f);
    EXPECT_EQ(changes[1].frame, 1200);
    // Blocks of at most 512 frames, split where a parameter changes.
    std::vector<int64_t> starts;
    int64_t total = 0;
    for (const auto& block : probe.recorded(ProbeRecord::block)) {
        EXPECT_LE(block.index, 512);
        starts.push_back(block.frame);
        total += block.index;
    }
    EXPECT_NE(std::find(starts.begin(), starts.end(), 700), starts.end());
    EXPECT_NE(std::find(starts.begin(), starts.end(), 1200), starts.end());
    EXPECT_EQ(total, 2000);
}

TEST(RenderLoop, TheTailFollowsThePluginTheOptionsAndTheCap)
{
    const auto held = sequenceOf({ { 0, 0x90, 60, 100 }, { 0, 0xb3, 64, 127 } }, 1000);
    ProbeHost probe(128);
    // A note (and a sustain pedal) still held when the music ends is
    // released there; its release of 300 samples is the tail.
    probe.plugin.setParameter(2, 0.3f);
    const auto released = renderAll(probe.plugin, held, { TailMode::silence, 0.0, 1.0 });
    ASSERT_EQ(released.size(), 2u * 1300);
    EXPECT_NEAR(released[2 * 1150], 0.5f * 100.0f / 127.0f, 1e-4f);
    const auto midi = probe.recorded(ProbeRecord::midi);
    ASSERT_EQ(midi.size(), 4u);
    EXPECT_EQ(midi[2].frame, 1000);
    EXPECT_EQ(midi[2].index, 0x80);
    EXPECT_EQ(midi[3].index, 0xb3);
    EXPECT_EQ(midi[3].data, 64 << 8);
    // A release that never ends: the cap ends a tail that waits for silence.
    probe.plugin.setParameter(2, 1e4f);
    EXPECT_EQ(renderAll(probe.plugin, held, { TailMode::silence, 0.0, 1.0 }).size(), 2u * (1000 + 44100));
    probe.plugin.setParameter(3, 0.05f); // reports 5000 samples
    EXPECT_EQ(renderAll(probe.plugin, held).size(), 2u * 6000);
    EXPECT_EQ(renderAll(probe.plugin, held, { TailMode::fixed, 0.1 }).size(), 2u * (1000 + 4410));
    EXPECT_EQ(renderAll(probe.plugin, held, { TailMode::plugin, 0.0, 0.01 }).size(), 2u * (1000 + 441));

    // Without a reported tail the render ends where the output stays silent,
    // but never before the music does.
    probe.plugin.setParameter(3, 0.0f);
    probe.plugin.setParameter(2, 0.3f); // 300-sample release
    const auto out = renderAll(probe.plugin, sequenceOf({ { 50, 0x90, 60, 127 }, { 900, 0x80, 60, 0 } }, 1000));
    ASSERT_EQ(out.size(), 2u * 1200);
    EXPECT_GT(out[2 * 1199], 0.0f);
    // Linear release: 1 - k/300 at k samples after the note-off.
    EXPECT_NEAR(out[2 * 1000], 1.0f - 100.0f / 300.0f, 1e-4f);
    const auto early = renderAll(probe.plugin, sequenceOf({ { 50, 0x90, 60, 127 }, { 100, 0x80, 60, 0 } }, 5000));
    EXPECT_EQ(early.size(), 2u * 5000);

    // A note-on at velocity 0 releases its key, controller 120 every key of
    // its channel: nothing is left to release.
    ProbeHost fresh(128);
    renderAll(fresh.plugin,
        sequenceOf({ { 0, 0x90, 60, 100 }, { 10, 0x90, 60, 0 }, { 20, 0x91, 62, 100 }, { 30, 0xb1, 120, 0 } }, 100),
        { TailMode::fixed, 0.01 });
    EXPECT_EQ(fresh.recorded(ProbeRecord::midi).size(), 4u);
}

TEST(RenderLoop, AStopRequestEndsTheRenderWithAnError)
{
    ProbeHost probe(64);
    std::atomic<bool> stop { true };
    Renderer renderer(probe.plugin, {});
    renderer.setStopFlag(&stop);
    EXPECT_THROW(renderer.render(sequenceOf({}, 1000), {}, [](const float*, int64_t) {}), RenderError);
}
