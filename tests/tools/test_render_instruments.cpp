// The render loop against instruments: the probe plug-in, which records what
// it is handed; Debian's third-party VST 2 plug-ins (nobody here wrote them:
// were a layout, an opcode number or a calling rule of our declarations
// wrong, they would misbehave); and Zarvex with its examples.

#include "tests/support/Signals.h"
#include "tests/tools/ProbeRecord.h"
#include "tests/tools/RenderTestSupport.h"
#include "tools/render/ParameterList.h"

#include <dlfcn.h>

#include <array>
#include <atomic>
#include <span>

namespace {

constexpr double rate = 44100.0;

double at(int64_t frame) { return static_cast<double>(frame) / rate; }

// The records of one kind without it (see ProbeRecord): for MIDI the frame,
// the status and data1 << 8 | data2.
using Records = std::vector<std::array<int64_t, 3>>;

MidiSequence sequenceOf(const Records& events, int64_t endFrame)
{
    MidiSequence sequence { {}, at(endFrame) };
    for (const auto& [frame, status, data] : events)
        sequence.messages.push_back({ at(frame),
            { static_cast<uint8_t>(status), static_cast<uint8_t>(data >> 8), static_cast<uint8_t>(data & 0xff) }, 3 });
    return sequence;
}

// The probe opened through the renderer's host, with what it recorded.
struct ProbeHost {
    explicit ProbeHost(int32_t blockSize)
        : plugin(ZARVEX_PROBE_PLUGIN_PATH, rate, blockSize)
        // The host has the library open already; this only finds it again.
        , library(dlopen(ZARVEX_PROBE_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD))
    {
        reinterpret_cast<ProbeClearProc>(dlsym(library, "probeClear"))();
    }
    ~ProbeHost() { dlclose(library); }

    Records recorded(ProbeKind kind) const
    {
        const ProbeRecord* all = nullptr;
        const size_t count = reinterpret_cast<ProbeRecordsProc>(dlsym(library, "probeRecords"))(&all);
        Records found;
        for (const auto& [recordKind, frame, index, data] : std::span(all, count))
            if (recordKind == kind)
                found.push_back({ frame, index, data });
        return found;
    }

    HostedPlugin plugin;
    void* library;
};

class ThirdPartyInstrument : public testing::TestWithParam<const char*> {};

} // namespace

TEST(RenderLoop, EventsAndParameterChangesReachThePluginInOrderAtTheirSample)
{
    ProbeHost probe(512);
    // Controllers on both sides of block boundaries, and a key released and
    // struck again at one sample, in that order.
    const Records events = { { 0, 0xb0, 74 << 8 }, { 10, 0x90, 60 << 8 | 127 }, { 300, 0x80, 60 << 8 },
        { 300, 0x90, 60 << 8 | 64 }, { 511, 0xb0, 74 << 8 | 1 }, { 512, 0xb0, 74 << 8 | 2 }, { 513, 0xb0, 74 << 8 | 3 },
        { 700, 0xb0, 74 << 8 | 4 }, { 1024, 0xb0, 74 << 8 | 5 }, { 1535, 0xb0, 74 << 8 | 6 }, { 1600, 0x80, 60 << 8 } };
    renderAll(probe.plugin, sequenceOf(events, 2000), { TailMode::fixed, 0.0 },
        { { at(700), 2, 0.25f }, { at(1200), 0, 0.75f } });

    EXPECT_EQ(probe.recorded(probeMidi), events);
    // Blocks are split where a parameter changes, so it lands on its sample.
    EXPECT_EQ(probe.recorded(probeParameter), (Records { { 700, 2, 250 }, { 1200, 0, 750 } }));
    int64_t total = 0;
    for (const auto& [start, frames, unused] : probe.recorded(probeBlock)) {
        EXPECT_LE(frames, 512);
        total += frames;
    }
    EXPECT_EQ(total, 2000);

    // A stop request ends the render with an error.
    std::atomic<bool> stop { true };
    Renderer renderer(probe.plugin, {});
    renderer.setStopFlag(&stop);
    EXPECT_THROW(renderer.render(sequenceOf({}, 1000), {}, [](const float*, int64_t) {}), RenderError);
}

TEST(RenderLoop, TheTailFollowsThePluginTheOptionsAndTheCap)
{
    const auto held = sequenceOf({ { 0, 0x90, 60 << 8 | 100 }, { 0, 0xb3, 64 << 8 | 127 } }, 1000);
    ProbeHost probe(128);
    // A note (and a sustain pedal) still held when the music ends is
    // released there; its release of 300 samples is the tail.
    probe.plugin.setParameter(2, 0.3f);
    const auto released = renderAll(probe.plugin, held, { TailMode::silence, 0.0, 1.0 });
    EXPECT_EQ(released.size(), 2u * 1300);
    EXPECT_EQ(probe.recorded(probeMidi),
        (Records { { 0, 0x90, 60 << 8 | 100 }, { 0, 0xb3, 64 << 8 | 127 }, { 1000, 0x80, 60 << 8 },
            { 1000, 0xb3, 64 << 8 } }));
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
    const auto out = renderAll(probe.plugin, sequenceOf({ { 50, 0x90, 60 << 8 | 127 }, { 900, 0x80, 60 << 8 } }, 1000));
    ASSERT_EQ(out.size(), 2u * 1200);
    EXPECT_GT(out[2 * 1199], 0.0f);
    const auto early = sequenceOf({ { 50, 0x90, 60 << 8 | 127 }, { 100, 0x80, 60 << 8 } }, 5000);
    EXPECT_EQ(renderAll(probe.plugin, early).size(), 2u * 5000);

    // A note-on at velocity 0 releases its key, controller 120 every key of
    // its channel: nothing is left to release.
    ProbeHost fresh(128);
    renderAll(fresh.plugin,
        sequenceOf(
            { { 0, 0x90, 60 << 8 | 100 }, { 10, 0x90, 60 << 8 }, { 20, 0x91, 62 << 8 | 100 }, { 30, 0xb1, 120 << 8 } },
            100),
        { TailMode::fixed, 0.01 });
    EXPECT_EQ(fresh.recorded(probeMidi).size(), 4u);
}

TEST_P(ThirdPartyInstrument, ReportsItsIdentityAndPlaysANoteAtItsPitch)
{
    if (!std::filesystem::exists(GetParam()))
        GTEST_SKIP() << GetParam() << " is not installed";
    // Held open past the test, so a leak report can name the plug-in's own code.
    dlopen(GetParam(), RTLD_NOW | RTLD_LOCAL);
    HostedPlugin plugin(GetParam(), rate, 256);
    EXPECT_FALSE(plugin.text(effGetEffectName).empty());
    EXPECT_EQ(plugin.effect().numInputs, 0);
    EXPECT_TRUE(plugin.effect().flags & effFlagsIsSynth);
    for (int32_t i = 0; i < plugin.parameterCount(); ++i)
        EXPECT_FALSE(plugin.parameterName(i).empty()) << "parameter " << i;
    // A from 0.1 s to 0.6 s, the file ending at 0.7 s.
    const MidiSequence note { { { 0.1, { 0x90, 57, 100 }, 3 }, { 0.6, { 0x80, 57, 0 }, 3 } }, 0.7 };
    const auto out = renderAll(plugin, note, { TailMode::fixed, 0.2 });
    ASSERT_EQ(out.size(), 2u * 39690);
    ASSERT_TRUE(std::all_of(out.begin(), out.end(), [](float s) { return std::isfinite(s); }));
    std::vector<double> left;
    for (size_t i = 0; i < out.size(); i += 2)
        left.push_back(out[i]);
    // Silence before the onset; a steady stretch from 0.15 s at 220 Hz.
    EXPECT_LT(peakOf(slice(left, 0, 4000)), 1e-3);
    const auto steady = slice(left, 6615, 8192);
    EXPECT_GT(peakOf(steady), 1e-2);
    // 220 Hz stands well above its octave below and the semitones beside it.
    for (const double other : { 110.0, 207.65, 233.08 })
        EXPECT_GT(magnitude(steady, rate, 220.0), 4.0 * magnitude(steady, rate, other)) << other;
}

INSTANTIATE_TEST_SUITE_P(Debian, ThirdPartyInstrument,
    testing::Values("/usr/lib/vst/Nekobi-vst.so", "/usr/lib/vst/amsynth_vst.so"));

TEST(ZarvexInstrument, TheDemoPhraseReadsAndTheDemoSoundsNameOnlyParametersItHas)
{
    // Three bars and two beats at 120 BPM, then a beat at 100 and one at 80.
    EXPECT_NEAR(readMidiFile(ZARVEX_EXAMPLES_DIR "/demo-phrase.mid").lengthSeconds, 7.0 + 0.6 + 0.75, 1e-6);
    HostedPlugin plugin(ZARVEX_PLUGIN_PATH, 44100.0, 512);
    int sounds = 0;
    for (const auto& entry : std::filesystem::directory_iterator(ZARVEX_EXAMPLES_DIR))
        if (entry.path().extension() == ".params") {
            ++sounds;
            for (const auto& setting : readParameterList(entry.path()))
                EXPECT_NO_THROW(plugin.findParameter(setting.parameter)) << entry.path() << ": " << setting.parameter;
        }
    EXPECT_GE(sounds, 2);
}
