// The block loop: events act at their sample offsets, blocks replace the
// output, and bad input from the host is harmless.

#include "PluginHarness.h"

#include <cmath>
#include <limits>

namespace {

class BlockLoop : public ::testing::Test {
protected:
    void SetUp() override { harness.open(44100.0f, 64); }

    static int32_t firstNonZero(const std::vector<float>& block)
    {
        for (size_t i = 0; i < block.size(); ++i)
            if (block[i] != 0.0f)
                return static_cast<int32_t>(i);
        return -1;
    }

    PluginHarness harness;
};

} // namespace

TEST_F(BlockLoop, SilentBeforeAnyNote)
{
    for (float sample : harness.render(4096))
        ASSERT_EQ(sample, 0.0f);
}

TEST_F(BlockLoop, NoteSoundsFromItsOffset)
{
    const auto block = harness.renderBlock(64, { PluginHarness::noteOn(17, 69) });
    for (int i = 0; i < 17; ++i)
        EXPECT_EQ(block[static_cast<size_t>(i)], 0.0f) << i;
    EXPECT_EQ(firstNonZero(block), 17);
}

TEST_F(BlockLoop, BadOffsetsActAsSoonAsTheyCanAndNoEventIsLost)
{
    // Beyond the block: at its last sample; negative: at the first.
    EXPECT_EQ(firstNonZero(harness.renderBlock(64, { PluginHarness::noteOn(64, 69) })), 63);
    PluginHarness early;
    early.open(44100.0f, 64);
    EXPECT_EQ(firstNonZero(early.renderBlock(64, { PluginHarness::noteOn(-5, 69) })), 0);

    // A note-off after an event with a bad offset is still heard: the note ends.
    const std::vector<std::vector<VstMidiEvent>> cases = {
        { PluginHarness::noteOn(20, 69), PluginHarness::noteOn(40, 72), PluginHarness::noteOff(10, 72) },
        { PluginHarness::noteOn(0, 69), makeMidiEvent(-1, 0xB0, 1, 0), PluginHarness::noteOff(20, 69) },
        { PluginHarness::noteOn(0, 69), makeMidiEvent(64, 0xB0, 1, 0), PluginHarness::noteOff(20, 69) },
        { PluginHarness::noteOn(0, 69), makeMidiEvent(1 << 30, 0xB0, 1, 0), PluginHarness::noteOff(63, 69) },
        { PluginHarness::noteOn(0, 69), makeMidiEvent(30, 0xB0, 1, 0), makeMidiEvent(5, 0xB0, 1, 0),
            PluginHarness::noteOff(40, 69) },
        { PluginHarness::noteOn(0, 69), PluginHarness::noteOff(1000, 69) },
    };
    for (size_t c = 0; c < cases.size(); ++c) {
        PluginHarness h;
        h.open(44100.0f, 64);
        const auto first = h.renderBlock(64, cases[c]);
        EXPECT_GE(firstNonZero(first), 0) << "case " << c;
        const auto tail = h.render(44100 * 6);
        for (size_t i = tail.size() - 1024; i < tail.size(); ++i)
            ASSERT_EQ(tail[i], 0.0f) << "case " << c << ": the note hangs";
    }
}

TEST_F(BlockLoop, EventsAtOneOffsetActInBufferOrder)
{
    harness.renderBlock(64, { PluginHarness::noteOn(0, 69) });
    harness.render(44100 / 2);
    // Off then on again retriggers: the note sounds on.
    auto retrigger = harness.renderBlock(64, { PluginHarness::noteOff(5, 69), PluginHarness::noteOn(5, 69) });
    const auto later = harness.render(8192);
    float peak = 0.0f;
    for (float s : later)
        peak = std::max(peak, std::fabs(s));
    EXPECT_GT(peak, 0.1f);

    // On then off at one offset: the note is released at once.
    PluginHarness other;
    other.open(44100.0f, 64);
    other.renderBlock(64, { PluginHarness::noteOn(5, 69), PluginHarness::noteOff(5, 69) });
    const auto released = other.render(44100 * 6);
    for (size_t i = released.size() - 1024; i < released.size(); ++i)
        ASSERT_EQ(released[i], 0.0f) << "the released note must end";
}

TEST_F(BlockLoop, EventsServeOneProcessCallOnly)
{
    // A note played and released in one list: played again by every later
    // call, it would never end.
    harness.vst().sendEvents({ PluginHarness::noteOn(0, 69), PluginHarness::noteOff(1, 69) });
    const auto tail = harness.render(44100 * 6);
    for (size_t i = tail.size() - 1024; i < tail.size(); ++i)
        ASSERT_EQ(tail[i], 0.0f);
}

TEST_F(BlockLoop, BothProcessCallsReplaceTheOutput)
{
    AEffect* e = harness.effect();
    std::vector<float> left(64, 7.0f), right(64, 7.0f);
    float* outputs[2] = { left.data(), right.data() };
    e->processReplacing(e, nullptr, outputs, 64);
    for (size_t i = 0; i < 64; ++i)
        ASSERT_EQ(left[i] + right[i], 0.0f);
    std::fill(left.begin(), left.end(), 7.0f);
    std::fill(right.begin(), right.end(), 7.0f);
    e->process(e, nullptr, outputs, 64);
    for (size_t i = 0; i < 64; ++i)
        ASSERT_EQ(left[i] + right[i], 0.0f);
}

TEST_F(BlockLoop, GarbageFromTheHostIsHarmless)
{
    AEffect* e = harness.effect();
    std::vector<float> left(64), right(64);
    float* outputs[2] = { left.data(), right.data() };
    float* halfNull[2] = { left.data(), nullptr };
    e->processReplacing(e, nullptr, nullptr, 64);
    e->processReplacing(e, nullptr, halfNull, 64);
    e->processReplacing(e, nullptr, outputs, 0);
    e->processReplacing(e, nullptr, outputs, -5);

    // Negative counts, null entries, non-MIDI types and garbage bytes.
    VstEvents negative {};
    negative.numEvents = -3;
    harness.dispatch(effProcessEvents, 0, 0, &negative);
    e->processReplacing(e, nullptr, outputs, 64);

    std::vector<VstEvent> garbage(300);
    for (size_t i = 0; i < garbage.size(); ++i) {
        garbage[i].type = i % 3 == 0 ? int32_t { kVstMidiType } : static_cast<int32_t>(i * 7919);
        garbage[i].byteSize = 32;
        garbage[i].deltaFrames = static_cast<int32_t>(i / 5);
        for (size_t b = 0; b < sizeof garbage[i].data; ++b)
            garbage[i].data[b] = static_cast<char>((i * 31 + b * 17) & 0xFF);
    }
    std::vector<intptr_t> storage(2 + garbage.size(), 0);
    auto* list = reinterpret_cast<VstEvents*>(storage.data());
    list->numEvents = static_cast<int32_t>(garbage.size());
    for (size_t i = 0; i < garbage.size(); ++i)
        setVstEventAt(list, static_cast<int32_t>(i), (i % 11 == 0) ? nullptr : &garbage[i]);
    for (int block = 0; block < 20; ++block) {
        harness.dispatch(effProcessEvents, 0, 0, list);
        e->processReplacing(e, nullptr, outputs, 64);
        for (float s : left)
            ASSERT_TRUE(std::isfinite(s));
    }
}

TEST_F(BlockLoop, NonFiniteParameterValuesAreIgnoredCompletely)
{
    const float before = harness.getParameter(0);
    harness.clearCalls();
    for (float bad : { std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
             -std::numeric_limits<float>::infinity() })
        harness.setParameter(0, bad);
    EXPECT_EQ(harness.getParameter(0), before);
    EXPECT_EQ(harness.displayUpdateCount(), 0);
}

TEST_F(BlockLoop, AnyBlockSizeGivesTheSameSound)
{
    auto renderWith = [](int32_t blockSize) {
        PluginHarness h;
        h.open(44100.0f, blockSize);
        std::vector<float> all = h.renderBlock(blockSize, { PluginHarness::noteOn(0, 57, 90) });
        const auto rest = h.render(8192 - blockSize, blockSize);
        all.insert(all.end(), rest.begin(), rest.end());
        return all;
    };
    const auto reference = renderWith(1);
    for (int32_t blockSize : { 7, 64, 1000, 4096 }) {
        const auto other = renderWith(blockSize);
        ASSERT_EQ(other.size(), reference.size());
        for (size_t i = 0; i < reference.size(); ++i)
            ASSERT_EQ(other[i], reference[i]) << "block size " << blockSize << ", sample " << i;
    }
}
