// The voice through the loaded plug-in: what a host's MIDI does to the sound,
// measured on the rendered audio.

#include "PluginHarness.h"

#include <cmath>
#include <complex>

namespace {

constexpr double kRate = 44100.0;
constexpr double kPi = 3.14159265358979323846;

double frequencyOf(const std::vector<float>& x)
{
    std::vector<double> crossings;
    for (size_t i = 1; i < x.size(); ++i)
        if (x[i - 1] < 0.0f && x[i] >= 0.0f)
            crossings.push_back(static_cast<double>(i - 1) + x[i - 1] / (x[i - 1] - x[i]));
    if (crossings.size() < 2)
        return 0.0;
    return (static_cast<double>(crossings.size()) - 1.0) * kRate / (crossings.back() - crossings.front());
}

double peakOf(const std::vector<float>& x)
{
    double peak = 0.0;
    for (float s : x)
        peak = std::max(peak, std::fabs(static_cast<double>(s)));
    return peak;
}

// Magnitude of one frequency's component, normalised to a sine's amplitude.
double amplitudeAt(const std::vector<float>& x, double hz)
{
    std::complex<double> sum;
    for (size_t n = 0; n < x.size(); ++n)
        sum += static_cast<double>(x[n]) * std::polar(1.0, -2.0 * kPi * hz * static_cast<double>(n) / kRate);
    return 2.0 * std::abs(sum) / static_cast<double>(x.size());
}

class Voice : public ::testing::Test {
protected:
    void SetUp() override { harness.open(static_cast<float>(kRate), 64); }

    // Plays the events, then returns the last quarter second of half a second.
    std::vector<float> settle(const std::vector<VstMidiEvent>& events)
    {
        harness.renderBlock(64, events);
        harness.render(static_cast<int32_t>(kRate / 4));
        return harness.render(static_cast<int32_t>(kRate / 4));
    }

    PluginHarness harness;
};

} // namespace

TEST_F(Voice, DefaultPatchPlaysTheNotesPitchAtFullLevel)
{
    const auto a4 = settle({ PluginHarness::noteOn(0, 69, 64) });
    // The tables wrap at one point short of their length, so every pitch runs a hair sharp.
    EXPECT_NEAR(frequencyOf(a4), 440.0, 440.0 * 3e-4);
    EXPECT_NEAR(peakOf(a4), 1.0, 0.05);
    const auto c4 = settle({ PluginHarness::noteOn(0, 60, 64) });
    EXPECT_NEAR(frequencyOf(c4), 261.63, 261.63 * 3e-4);
}

TEST_F(Voice, PitchBendSpansAnOctaveEachWay)
{
    const struct {
        uint8_t lsb, msb;
        double hz;
    } bends[] = { { 0, 0, 220.0 }, { 1, 0, 220.0 }, { 0x7F, 0x7F, 880.0 }, { 0, 0x40, 440.0 } };
    for (const auto& bend : bends) {
        const auto out = settle({ PluginHarness::noteOn(0, 69, 64), makeMidiEvent(1, 0xE3, bend.lsb, bend.msb) });
        EXPECT_NEAR(frequencyOf(out), bend.hz, bend.hz * 3e-4) << int(bend.msb) << "/" << int(bend.lsb);
    }
}

TEST_F(Voice, CutoffControllerIsRecordedResonanceControllerIsNot)
{
    harness.clearCalls();
    harness.renderBlock(64, { makeMidiEvent(0, 0xB5, 74, 64), makeMidiEvent(1, 0xB0, 71, 127) });
    const auto automated = harness.callsWith(audioMasterAutomate);
    ASSERT_EQ(automated.size(), 1u);
    EXPECT_EQ(automated[0].index, 99);
    EXPECT_FLOAT_EQ(automated[0].opt, 64.0f / 127.0f);
    EXPECT_FLOAT_EQ(harness.getParameter(99), 64.0f / 127.0f);
    EXPECT_FLOAT_EQ(harness.getParameter(103), 1.0f);
}

TEST_F(Voice, VolumeControllerSetsTheMasterLevel)
{
    const auto full = settle({ PluginHarness::noteOn(0, 69, 64) });
    // Volume 0.5 is 120 * 0.5 - 96 = -36 dB; the gain follows at the next note.
    const auto quiet = settle({ makeMidiEvent(0, 0xB0, 7, 64), PluginHarness::noteOn(1, 69, 64) });
    EXPECT_FLOAT_EQ(harness.getParameter(0), 64.0f / 127.0f);
    const double expectedDb = 120.0 * (64.0f / 127.0f) - 96.0;
    EXPECT_NEAR(20.0 * std::log10(peakOf(quiet) / peakOf(full)), expectedDb, 0.5);
}

TEST_F(Voice, NoteOffOnlyForTheSoundingKeyAndAllNotesOff)
{
    settle({ PluginHarness::noteOn(0, 69, 100) });
    // Releasing another key changes nothing.
    EXPECT_GT(peakOf(settle({ PluginHarness::noteOff(0, 60) })), 0.5);
    // Controller 123 on any channel releases the voice; after the release it is silent.
    harness.renderBlock(64, { makeMidiEvent(0, 0xBF, 123, 0) });
    harness.render(static_cast<int32_t>(kRate * 4));
    for (float s : harness.render(4096))
        ASSERT_EQ(s, 0.0f);
}

TEST_F(Voice, LowpassOnASawRemovesTheUpperHarmonics)
{
    harness.setParameter(13, 6.0f / 512.0f); // oscillator 1: SawUp
    harness.setParameter(95, 1.0f / 128.0f); // filter: lowpass
    harness.setParameter(99, 1.0f); // cutoff 20 kHz
    harness.setParameter(103, static_cast<float>((std::sqrt(0.5) - 0.1) / 9.9)); // Q of 1/sqrt(2): flat passband
    // The reference key, where key tracking leaves the cutoff as set.
    const uint8_t note = 63;
    const auto open = settle({ PluginHarness::noteOn(0, note, 64) });
    harness.setParameter(99, std::log(1000.0f / 20.0f) / std::log(1000.0f)); // cutoff 1 kHz
    const auto closed = settle({ PluginHarness::noteOn(0, note, 64) });
    const double fundamental = 440.0 * std::pow(2.0, (note - 69) / 12.0) * (1.0 + 1.2e-4);
    EXPECT_NEAR(amplitudeAt(closed, fundamental), amplitudeAt(open, fundamental), 0.2 * amplitudeAt(open, fundamental));
    // The sixteenth harmonic, over two octaves above the cutoff, falls by far more than 20 dB.
    EXPECT_LT(amplitudeAt(closed, 16 * fundamental), 0.1 * amplitudeAt(open, 16 * fundamental));
}

TEST_F(Voice, VolumeByVelocityScalesWithTheAccent)
{
    harness.setParameter(1, 1.0f); // 24 dB at velocity 127
    // Each note fresh: the one before has been released and has ended.
    auto level = [&](uint8_t velocity) {
        const double peak = peakOf(settle({ PluginHarness::noteOn(0, 69, velocity) }));
        harness.renderBlock(64, { PluginHarness::noteOff(0, 69) });
        harness.render(static_cast<int32_t>(kRate * 3));
        return peak;
    };
    for (const auto& [accent, expectedDb] : { std::pair { 1.0f, 24.0 }, std::pair { 0.5f, 12.0 } }) {
        harness.setParameter(4, accent);
        const double loud = level(127);
        const double middle = level(64);
        EXPECT_NEAR(20.0 * std::log10(loud / middle), expectedDb, 0.2) << "accent " << accent;
    }
}

TEST_F(Voice, KeyTrackingMovesTheCutoffWithTheNote)
{
    harness.setParameter(13, 6.0f / 512.0f); // SawUp
    harness.setParameter(95, 1.0f / 128.0f); // lowpass
    harness.setParameter(103, static_cast<float>((std::sqrt(0.5) - 0.1) / 9.9));
    harness.setParameter(99, std::log(200.0f / 20.0f) / std::log(1000.0f)); // 200 Hz at the reference key
    harness.setParameter(113, 33.0f / 127.0f); // reference key 33
    // The eighth harmonic against the fundamental: where the cutoff follows the
    // note an octave up (keytrack 1), the filtered spectrum keeps its shape.
    auto eighthBelowFundamentalDb = [&](uint8_t note) {
        // A fifth of a second holds whole periods of every harmonic of both
        // notes, so that none leaks into another's measure.
        auto out = settle({ PluginHarness::noteOn(0, note, 64) });
        out.resize(static_cast<size_t>(kRate / 5));
        const double f0 = 440.0 * std::pow(2.0, (note - 69) / 12.0) * (1.0 + 1.2e-4);
        return 20.0 * std::log10(amplitudeAt(out, f0) / amplitudeAt(out, 8 * f0));
    };
    harness.setParameter(112, 0.75f); // keytrack 1
    EXPECT_NEAR(eighthBelowFundamentalDb(45), eighthBelowFundamentalDb(33), 1.0);
    // Keytrack 0: the cutoff stays, so note 45's eighth harmonic lies an octave further above it.
    harness.setParameter(112, 0.5f);
    EXPECT_GT(eighthBelowFundamentalDb(45), eighthBelowFundamentalDb(33) + 6.0);
}
