#include <gtest/gtest.h>

#include "tests/engine/EngineTestSupport.h"

namespace {

constexpr double kRate = 44100.0;

std::size_t ms(double milliseconds) { return static_cast<std::size_t>(milliseconds * kRate / 1000.0); }

double noteHz(double note) { return 440.0 * std::exp2((note - 69.0) / 12.0); }

// Pitches are held to within half a cent.
void expectPitch(double measured, double hz) { EXPECT_NEAR(measured, hz, hz * 3e-4); }

// Pitch as a MIDI note over the whole periods inside [from, from + length),
// checked against a glide from note 60 to 64 that is linear in semitones over
// the slide time and started at the first sample.
void expectGlideFrom60To64(const std::vector<double>& x, double rate, double slide, double from, double length)
{
    const std::vector<double> at = risingCrossings(slice(x, std::size_t(from * rate), std::size_t(length * rate)));
    const double note = 69.0 + 12.0 * std::log2((at.size() - 1) * rate / (at.back() - at.front()) / 440.0);
    const double seconds = from + (at.front() + at.back()) / 2 / rate;
    EXPECT_NEAR(note, 60.0 + 4.0 * std::min(seconds / slide, 1.0), 0.02) << "at " << seconds;
}

// Phase of the hz component at the first sample, measured over a later window.
double phaseAtStart(const std::vector<double>& x, double hz, std::size_t from)
{
    return std::arg(component(slice(x, from, ms(50)), kRate, hz)) - 2.0 * std::numbers::pi * hz * from / kRate;
}

double phaseDistance(double a, double b) { return std::abs(std::remainder(a - b, 2.0 * std::numbers::pi)); }

} // namespace

TEST(EngineRender, DefaultPatchPlaysTheNotesPitchAtFullLevel)
{
    // A4, middle C, and A4 a quarter tone up through the event's detune, at
    // several host rates.
    for (double rate : {44100.0, 48000.0, 96000.0}) {
        for (auto [note, detune, hz] : {std::tuple{69, 0, 440.0}, {60, 0, 261.63}, {69, 50, 452.893}}) {
            auto e = makeDefaultEngine(rate);
            e->noteOn(note, 64, detune);
            const auto x = slice(render(*e, std::size_t(rate)), std::size_t(rate / 10), std::size_t(rate * 0.9));
            expectPitch(frequencyOf(x, rate), hz);
            EXPECT_NEAR(peakOf(x), 1.0, 0.01);
        }
    }
}

TEST(EngineRender, SilentAndFrozenWhileIdle)
{
    // Envelope 1 is cut 2 s after its 20 ms release and ends the sound; after
    // that nothing moves, so a free-running oscillator continues at the next
    // note exactly where it stopped, however long the pause.
    std::vector<double> next[2];
    for (std::size_t pause : {ms(2100), ms(2600)}) {
        auto e = makeDefaultEngine();
        e->noteOff();
        for (double s : render(*e, 4096))
            ASSERT_EQ(s, 0.0);
        e->generator.setO1Phase(360.0);
        e->noteOn(69, 100, 0);
        render(*e, ms(50));
        e->noteOff();
        EXPECT_EQ(e->getCurrentNote(), -1);
        EXPECT_NEAR(lastSound(render(*e, pause)) / kRate, 2.02, 0.002);
        e->noteOn(69, 100, 0);
        next[pause == ms(2600)] = render(*e, 1000);
    }
    EXPECT_EQ(next[0], next[1]);
    EXPECT_GT(peakOf(next[0]), 0.5);
}

TEST(NoteHandling, LegatoGlidesWithoutRetriggerAndTheSameKeyChangesNothing)
{
    auto e = makeDefaultEngine();
    e->setSlideTime(0.2);
    e->setVolByVel(24.0);
    // A decay to -20 dB and an octave pitch drop at each fresh note: a
    // retrigger would show as a return to full level or a jump up an octave.
    e->ampEnv1.setDecay(0.01);
    e->ampEnv1.setSustain(-20.0);
    e->generator.setRampStart(MonoGenerator::osc1PitchRamp, 12.0);
    e->generator.ramps[MonoGenerator::osc1PitchRamp].setTime(5.0);
    e->noteOn(60, 64, 0);
    render(*e, ms(300));
    // The legato note's velocity sets the volume at once: 24 dB up.
    e->noteOn(64, 127, 0);
    const auto x = render(*e, ms(400));
    EXPECT_EQ(e->getCurrentNote(), 64);
    for (double from : {0.0, 0.09, 0.17, 0.21})
        expectGlideFrom60To64(x, kRate, 0.2, from, 0.02);
    EXPECT_NEAR(peakOf(x), 0.1 * std::pow(10.0, 24.0 / 20.0), 0.03);
    // The held key again: no retrigger, and its velocity is not taken.
    e->noteOn(64, 1, 0);
    EXPECT_NEAR(peakOf(render(*e, ms(100))), 0.1 * std::pow(10.0, 24.0 / 20.0), 0.03);
}

TEST(NoteHandling, GlidesLastTheSlideTimeAtEveryRateAndZeroJumps)
{
    // The slide time is set before the host rate changes.
    auto e = makeDefaultEngine(44100.0);
    e->setSlideTime(0.2);
    e->setSampleRate(96000.0);
    e->noteOn(60, 64, 0);
    render(*e, 9600);
    e->noteOn(64, 64, 0);
    const auto x = render(*e, 48000);
    for (double from : {0.09, 0.17, 0.21})
        expectGlideFrom60To64(x, 96000.0, 0.2, from, 0.02);

    e->setSlideTime(0.0);
    e->noteOn(72, 64, 0);
    expectPitch(frequencyOf(render(*e, 4800), 96000.0), noteHz(72));
}

TEST(NoteHandling, PhasesRestartOnlyWhenAnEnvelopeHasFallenBelowMinus40dB)
{
    auto e = makeDefaultEngine();
    e->ampEnv1.setRelease(0.5);
    e->generator.setO1Phase(90.0);
    e->noteOn(69, 64, 0);
    // The note-off falls a fraction of a period off a whole number of periods,
    // so running on and restarting give clearly different phases.
    const auto first = render(*e, ms(207.3));
    const double hz = frequencyOf(slice(first, ms(20), ms(180)), kRate);
    const double startPhase = phaseAtStart(first, hz, ms(100));
    e->noteOff();
    render(*e, ms(30));

    // Both envelopes are still well above -40 dB: the phase runs on.
    e->noteOn(69, 64, 0);
    const double during = phaseAtStart(render(*e, ms(100)), hz, ms(40));
    EXPECT_LT(phaseDistance(during, startPhase + 2.0 * std::numbers::pi * hz * (ms(207.3) + ms(30)) / kRate), 0.05);
    EXPECT_GT(phaseDistance(during, startPhase), 0.5);

    // One envelope below -40 dB is enough to restart from the start phase.
    e->noteOff();
    e->ampEnv1.setRelease(0.02);
    render(*e, ms(100));
    EXPECT_LT(e->ampEnv1.getOutput(), 0.01);
    EXPECT_GT(e->ampEnv2.getOutput(), 0.5);
    e->noteOn(69, 64, 0);
    EXPECT_LT(phaseDistance(phaseAtStart(render(*e, ms(100)), hz, ms(40)), startPhase), 0.05);
}

TEST(NoteHandling, PitchBendReachesAnOctaveEitherWay)
{
    for (double bend : {-12.0, 0.0, 12.0}) {
        auto e = makeDefaultEngine();
        e->setPitchBend(bend);
        e->noteOn(69, 64, 0);
        expectPitch(frequencyOf(slice(render(*e, ms(500)), ms(50), ms(400)), kRate), noteHz(69 + bend));
    }
}

TEST(NoteHandling, VelocityActsThroughTheAccent)
{
    // An octave of pitch-ramp start at velocity 127, the ramp slow.
    auto startHz = [](double accent, int velocity) {
        auto e = makeDefaultEngine();
        e->setEnvSlope(1.0);
        e->generator.setRampStartByVel(MonoGenerator::osc1PitchRamp, 12.0);
        e->generator.ramps[MonoGenerator::osc1PitchRamp].setTime(2000.0);
        e->setAccent(accent);
        e->noteOn(69, velocity, 0);
        return frequencyOf(render(*e, ms(20)), kRate);
    };
    EXPECT_NEAR(startHz(1.0, 127), 880.0, 10.0);
    EXPECT_NEAR(startHz(0.5, 127), noteHz(75), 8.0);
    EXPECT_NEAR(startHz(1.0, 64), 440.0, 5.0);
    EXPECT_NEAR(startHz(0.0, 127), 440.0, 5.0);
}
