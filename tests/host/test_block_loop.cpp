// The block loop: events act at their sample offsets, blocks replace the
// output, and bad input from the host is harmless.

#include "PluginHarness.h"


namespace {

int32_t firstNonZero(const std::vector<float>& block)
{
    const auto found = std::find_if(block.begin(), block.end(), [](float s) { return s != 0.0f; });
    return found == block.end() ? -1 : static_cast<int32_t>(found - block.begin());
}

} // namespace

TEST(BlockLoop, NoEventIsLostNorServedTwiceEventsAtOneOffsetActInBufferOrder)
{
    // Each list ends its note: a note-off after an event with a bad offset
    // is still heard. The last note is released before it sounds. A list
    // played again by later calls would strike its note again and again.
    const auto on = [](int32_t offset) { return PluginHarness::noteOn(offset, 69); };
    const auto off = [](int32_t offset) { return PluginHarness::noteOff(offset, 69); };
    const auto controller = [](int32_t offset) { return makeMidiEvent(offset, 0xB0, 1, 0); };
    const std::vector<VstMidiEvent> cases[] = {
        { PluginHarness::noteOn(20, 69), PluginHarness::noteOn(40, 72), PluginHarness::noteOff(10, 72) },
        { on(0), controller(-1), off(20) },
        { on(0), controller(1 << 30), off(63) },
        { on(0), controller(30), controller(5), off(40) },
        { on(0), off(1000) },
        { on(5), off(5) },
    };
    for (size_t c = 0; c < std::size(cases); ++c) {
        auto harness = PluginHarness::opened();
        EXPECT_EQ(firstNonZero(harness->renderBlock(64, cases[c])) >= 0, c + 1 < std::size(cases)) << "case " << c;
        EXPECT_TRUE(harness->fallsSilent()) << "case " << c << ": the note hangs";
    }
    // Off then on again at one offset retriggers: the note sounds on.
    auto harness = PluginHarness::opened();
    harness->play({ on(0) }, 22050, 0);
    EXPECT_GT(peakOf(harness->play({ off(5), on(5) }, 0, 8192)), 0.1);
    // A call without samples still takes its events.
    harness->renderBlock(0, { off(0) });
    EXPECT_TRUE(harness->fallsSilent()) << "the note-off of an empty call is lost";
}

TEST(BlockLoop, BothProcessCallsReplaceTheOutputGarbageIsHarmless)
{
    auto harness = PluginHarness::opened();
    AEffect* e = harness->effect();
    std::vector<float> left(64), right(64);
    float* outputs[2] = { left.data(), right.data() };
    float* halfNull[2] = { left.data(), nullptr };
    // Both calls write silence over whatever the buffers held.
    const auto replaced = [&](auto call) {
        std::fill(left.begin(), left.end(), 7.0f);
        std::fill(right.begin(), right.end(), 7.0f);
        call(e, nullptr, outputs, 64);
        return firstNonZero(left) < 0 && firstNonZero(right) < 0;
    };
    EXPECT_TRUE(replaced(e->processReplacing));
    EXPECT_TRUE(replaced(e->process));
    for (auto [buffers, frames] : { std::pair { static_cast<float**>(nullptr), 64 }, std::pair { halfNull, 64 },
             std::pair { outputs, 0 }, std::pair { outputs, -5 } })
        e->processReplacing(e, nullptr, buffers, frames);
    // Negative counts, null entries and non-MIDI types (the fuzz target
    // tries every other byte).
    VstEvents negative {};
    negative.numEvents = -3;
    harness->dispatch(effProcessEvents, 0, 0, &negative);
    VstMidiEvent strange = PluginHarness::noteOn(0, 69);
    strange.type = 77;
    std::vector<intptr_t> storage(2 + 2, 0);
    auto* list = reinterpret_cast<VstEvents*>(storage.data());
    list->numEvents = 2;
    setVstEventAt(list, 1, reinterpret_cast<VstEvent*>(&strange));
    harness->dispatch(effProcessEvents, 0, 0, list);
    EXPECT_TRUE(replaced(e->processReplacing)) << "a note from an event that is none";
}

TEST(BlockLoop, NotesSoundFromTheirOffsetBadOffsetsAsSoonAsTheyCanAnyBlockSizeGivesTheSameSound)
{
    EXPECT_EQ(firstNonZero(PluginHarness::opened()->render(4096)), -1) << "sound before any note";
    // Beyond the block: at its last sample; negative: at the first.
    for (const auto& [offset, first] : { std::pair { 17, 17 }, std::pair { 64, 63 }, std::pair { -5, 0 } })
        EXPECT_EQ(firstNonZero(PluginHarness::opened()->renderBlock(64, { PluginHarness::noteOn(offset, 69) })), first) << offset;
    const auto renderWith = [](int32_t blockSize) {
        return PluginHarness::opened(44100.0f, blockSize)->render(8192, blockSize, { PluginHarness::noteOn(0, 57, 90) });
    };
    const auto reference = renderWith(1);
    for (int32_t blockSize : { 7, 64, 1000, 4096 })
        EXPECT_TRUE(renderWith(blockSize) == reference) << "block size " << blockSize;
}
