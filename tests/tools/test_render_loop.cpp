#include "tests/tools/ProbeHost.h"

#include "tools/render/RenderError.h"

#include <atomic>

namespace {

constexpr double rate = 44100.0;

double at(int64_t frame) { return static_cast<double>(frame) / rate; }

// Frames given directly, so every offset is known exactly.
MidiSequence sequenceOf(std::vector<MidiMessage> messages, int64_t endFrame)
{
    return { std::move(messages), at(endFrame) };
}

} // namespace

TEST(RenderLoop, EventsReachThePluginAtTheirSampleAcrossBlockBoundaries)
{
    ProbeHost probe(rate, 512);
    const int64_t frames[] = { 0, 100, 511, 512, 513, 1000, 1024, 1535 };
    std::vector<MidiMessage> messages;
    for (size_t i = 0; i < std::size(frames); ++i)
        messages.push_back(message(at(frames[i]), 0xb0, 74, static_cast<uint8_t>(i)));
    const auto out = probe.render(sequenceOf(messages, 2000), { TailMode::fixed, 0.0 });

    const auto midi = probe.recorded(ProbeRecord::midi);
    ASSERT_EQ(midi.size(), std::size(frames));
    for (size_t i = 0; i < midi.size(); ++i) {
        EXPECT_EQ(midi[i].frame, frames[i]) << "event " << i;
        EXPECT_EQ(midi[i].index, 0xb0);
        EXPECT_EQ(midi[i].data, 74 << 8 | static_cast<int>(i));
    }
    EXPECT_EQ(out.size(), 2u * 2000);
    for (const auto& block : probe.recorded(ProbeRecord::block))
        EXPECT_LE(block.index, 512);
}

TEST(RenderLoop, MessagesAtOneTimeKeepTheirOrderSoARepeatedKeyRestarts)
{
    ProbeHost probe(rate, 64);
    const auto out = probe.render(sequenceOf({ message(at(10), 0x90, 60, 127), message(at(300), 0x80, 60, 0),
                                                 message(at(300), 0x90, 60, 64), message(at(400), 0x80, 60, 0) },
                                      500),
        { TailMode::fixed, 0.0 });
    const auto midi = probe.recorded(ProbeRecord::midi);
    ASSERT_EQ(midi.size(), 4u);
    EXPECT_EQ(midi[1].index, 0x80);
    EXPECT_EQ(midi[2].index, 0x90);
    // The gate follows: silent before the note, full level, then the second velocity.
    EXPECT_EQ(out[2 * 9], 0.0f);
    EXPECT_FLOAT_EQ(out[2 * 10], 1.0f);
    EXPECT_FLOAT_EQ(out[2 * 10 + 1], -1.0f);
    EXPECT_FLOAT_EQ(out[2 * 300], 64.0f / 127.0f);
}

TEST(RenderLoop, ParameterChangesSplitTheBlockAndLandOnTheirSample)
{
    ProbeHost probe(rate, 512);
    probe.render(sequenceOf({ message(at(700), 0x90, 60, 100) }, 1500), { TailMode::fixed, 0.0 },
        { { at(700), 2, 0.25f }, { at(1200), 0, 0.75f } });

    const auto changes = probe.recorded(ProbeRecord::parameter);
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[0].frame, 700);
    EXPECT_EQ(changes[0].index, 2);
    EXPECT_FLOAT_EQ(changes[0].value, 0.25f);
    EXPECT_EQ(changes[1].frame, 1200);
    // The change comes before the note at the same sample, and a block starts there.
    EXPECT_EQ(probe.recorded(ProbeRecord::midi).at(0).frame, 700);
    std::vector<int64_t> starts;
    int64_t total = 0;
    for (const auto& block : probe.recorded(ProbeRecord::block)) {
        starts.push_back(block.frame);
        total += block.index;
    }
    EXPECT_NE(std::find(starts.begin(), starts.end(), 700), starts.end());
    EXPECT_NE(std::find(starts.begin(), starts.end(), 1200), starts.end());
    EXPECT_EQ(total, 1500);
}

TEST(RenderLoop, TailLengthFollowsThePluginTheOptionsAndTheCap)
{
    const auto sequence = sequenceOf({ message(at(0), 0x90, 60, 100) }, 1000);
    {
        ProbeHost probe(rate, 256);
        probe.plugin.setParameter(3, 0.05f); // 5000 samples
        EXPECT_EQ(probe.render(sequence).size(), 2u * 6000);
        EXPECT_EQ(probe.render(sequence, { TailMode::fixed, 0.1 }).size(), 2u * (1000 + 4410));
        EXPECT_EQ(probe.render(sequence, { TailMode::plugin, 0.0, 0.01 }).size(), 2u * (1000 + 441));
    }
    {
        // A held note never falls silent: the cap ends the tail.
        ProbeHost probe(rate, 256);
        EXPECT_EQ(probe.render(sequence, { TailMode::silence, 0.0, 1.0 }).size(), 2u * (1000 + 44100));
    }
}

TEST(RenderLoop, ASilentTailIsCutWhereTheReleaseEnds)
{
    ProbeHost probe(rate, 128);
    probe.plugin.setParameter(2, 0.3f); // 300-sample release
    // The plug-in reports no tail, so the render runs until the output stays silent.
    const auto out = probe.render(sequenceOf({ message(at(50), 0x90, 60, 127), message(at(900), 0x80, 60, 0) }, 1000));
    ASSERT_EQ(out.size(), 2u * 1200);
    EXPECT_GT(out[2 * 1199], 0.0f);
    // Linear release: 1 - k/300 at k samples after the note-off.
    EXPECT_NEAR(out[2 * 1000], 1.0f - 100.0f / 300.0f, 1e-4f);

    // Silence inside the music is kept: the file never ends before the music does.
    const auto early = probe.render(sequenceOf({ message(at(50), 0x90, 60, 127), message(at(100), 0x80, 60, 0) }, 5000));
    EXPECT_EQ(early.size(), 2u * 5000);
}

TEST(RenderLoop, AStopRequestEndsTheRenderWithAnError)
{
    ProbeHost probe(rate, 64);
    std::atomic<bool> stop { true };
    Renderer renderer(probe.plugin, {});
    renderer.setStopFlag(&stop);
    EXPECT_THROW(renderer.render(sequenceOf({}, 1000), {}, [](const float*, int64_t) {}), RenderError);
}

TEST(HostedPluginParameters, FoundByNumberOrNameAndAmbiguityIsRefused)
{
    ProbeHost probe;
    EXPECT_EQ(probe.plugin.findParameter("3"), 3);
    EXPECT_EQ(probe.plugin.findParameter("Release"), 2);
    EXPECT_EQ(probe.plugin.findParameter("  tail size "), 3);
    try {
        probe.plugin.findParameter("Gain");
        FAIL() << "an ambiguous name was accepted";
    } catch (const RenderError& error) {
        EXPECT_NE(std::string(error.what()).find("(0, 1)"), std::string::npos) << error.what();
    }
    EXPECT_THROW(probe.plugin.findParameter("4"), RenderError);
    EXPECT_THROW(probe.plugin.findParameter("Cutoff"), RenderError);
}

TEST(HostedPluginPrograms, ABankRestoresEveryProgramAndTheCurrentOne)
{
    BankFile saved;
    {
        ProbeHost probe;
        probe.plugin.selectProgram(1);
        probe.plugin.setParameter(0, 0.9f);
        probe.plugin.load(ProgramFile { vstFourCC('P', 'r', 'b', '1'), 3, { "Renamed", { 0.1f, 0.2f, 0.3f, 0.4f } } },
            "program");
        saved = decodeBank(encodeBank(probe.plugin.saveBank()), "saved");
        EXPECT_EQ(probe.plugin.currentProgram(), 1);
    }
    ProbeHost fresh;
    fresh.plugin.load(saved, "saved");
    EXPECT_EQ(fresh.plugin.currentProgram(), 1);
    EXPECT_EQ(fresh.plugin.programName(1), "Renamed");
    EXPECT_EQ(fresh.plugin.parameter(3), 0.4f);
    fresh.plugin.selectProgram(0);
    EXPECT_EQ(fresh.plugin.readProgram().values, (std::vector<float> { 0.5f, 0.5f, 0.0f, 0.0f }));
}

TEST(HostedPluginPrograms, FilesOfAnotherPluginOrSizeAreRefused)
{
    ProbeHost probe;
    EXPECT_THROW(probe.plugin.load(ProgramFile { vstFourCC('Z', 'v', 'x', '2'), 1, { "x", { 0, 0, 0, 0 } } }, "f"),
        RenderError);
    EXPECT_THROW(probe.plugin.load(ProgramFile { vstFourCC('P', 'r', 'b', '1'), 1, { "x", { 0, 0, 0 } } }, "f"),
        RenderError);
    BankFile tooMany { vstFourCC('P', 'r', 'b', '1'), 1, 0, std::vector<PluginProgram>(3, { "x", { 0, 0, 0, 0 } }) };
    EXPECT_THROW(probe.plugin.load(tooMany, "f"), RenderError);
    EXPECT_THROW(probe.plugin.selectProgram(2), RenderError);
}
