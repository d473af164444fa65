// What a host's MIDI does to the sound of the loaded plug-in (the engine's
// own tests measure the filters and envelopes).

#include "PluginHarness.h"
#include "plugin/Parameters.h"

#include <tuple>

namespace {

constexpr double kRate = 44100.0;
constexpr int32_t kQuarterSecond = 11025;

// The last quarter second of half a second after the events.
std::vector<double> settle(PluginHarness& harness, const std::vector<VstMidiEvent>& events)
{
    return harness.play(events, kQuarterSecond, kQuarterSecond);
}
// A fresh note's steady part; the note is then released and left to end.
std::vector<double> note(PluginHarness& harness, uint8_t key)
{
    const auto out = settle(harness, { PluginHarness::noteOn(0, key, 64) });
    harness.renderBlock(64, { PluginHarness::noteOff(0, key) });
    harness.render(static_cast<int32_t>(kRate * 3));
    return out;
}

} // namespace

TEST(Voice, NotesBendAndControllersActOnTheSoundingKeyOnly)
{
    const auto harness = PluginHarness::opened(static_cast<float>(kRate));
    const auto a4 = note(*harness, 69);
    const double full = peakOf(a4);
    EXPECT_NEAR(frequencyOf(a4, kRate), 440.0, 440.0 * 3e-4);
    EXPECT_NEAR(full, 1.0, 0.05);
    // An octave each way; the lowest value bends as far as the one above it.
    const std::tuple<uint8_t, uint8_t, double> bends[] = { { 0, 0, 220.0 }, { 1, 0, 220.0 }, { 0x7F, 0x7F, 880.0 },
        { 0, 0x40, 440.0 } };
    for (const auto& [lsb, msb, hz] : bends) {
        const auto out = settle(*harness, { PluginHarness::noteOn(0, 69, 64), makeMidiEvent(1, 0xE3, lsb, msb) });
        EXPECT_NEAR(frequencyOf(out, kRate), hz, hz * 3e-4) << int(msb) << "/" << int(lsb);
    }
    // A note-off for another key leaves the note sounding; controller 123,
    // on any channel, ends it.
    settle(*harness, { PluginHarness::noteOn(0, 69, 100) });
    EXPECT_GT(peakOf(settle(*harness, { PluginHarness::noteOff(0, 60) })), 0.5);
    harness->renderBlock(64, { makeMidiEvent(0, 0xBF, 123, 0) });
    EXPECT_TRUE(harness->fallsSilent());
    // Only the cutoff is recorded as automation.
    harness->clearCalls();
    harness->renderBlock(64, { makeMidiEvent(0, 0xB5, 74, 64), makeMidiEvent(1, 0xB0, 71, 127) });
    const auto automated = harness->callsWith(audioMasterAutomate);
    ASSERT_EQ(automated.size(), 1u);
    EXPECT_EQ(automated[0].index, kCutoff);
    EXPECT_FLOAT_EQ(automated[0].opt, 64.0f / 127.0f);
    EXPECT_FLOAT_EQ(harness->getParameter(kCutoff), 64.0f / 127.0f);
    EXPECT_FLOAT_EQ(harness->getParameter(kReso), 1.0f);
    // Volume 64/127 is -35.5 dB; the gain follows at the next note.
    harness->renderBlock(64, { makeMidiEvent(0, 0xB0, 7, 64) });
    EXPECT_FLOAT_EQ(harness->getParameter(kVolume), 64.0f / 127.0f);
    EXPECT_NEAR(20.0 * std::log10(peakOf(note(*harness, 69)) / full), -35.5, 0.5);
}
