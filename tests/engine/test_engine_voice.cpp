#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "tests/engine/EngineTestSupport.h"

namespace {

constexpr double kRate = 44100.0;

std::size_t ms(double milliseconds) { return static_cast<std::size_t>(milliseconds * kRate / 1000.0); }

double semitoneRatio(double st) { return std::pow(2.0, st / 12.0); }

// Pitches are held to within half a cent.
void expectPitch(double measured, double hz) { EXPECT_NEAR(measured, hz, hz * 3e-4); }

// Phase of the hz component at sample 'at' of x, measured over the window
// [from, from + length) and carried back along the tone.
double phaseAt(const std::vector<double>& x, double hz, std::size_t from, std::size_t length, std::size_t at)
{
    const double phase = std::arg(component(slice(x, from, length), kRate, hz));
    return phase - 2.0 * std::numbers::pi * hz * (static_cast<double>(from) - static_cast<double>(at)) / kRate;
}

// Pitch over the whole periods inside [from, from + length), as a MIDI note
// number, and the time of their middle in seconds from the start of x.
struct PitchReading {
    double seconds;
    double note;
};

PitchReading pitchIn(const std::vector<double>& x, double rate, std::size_t from, std::size_t length)
{
    const std::vector<double> at = risingCrossings(slice(x, from, length));
    const double hz = (at.size() - 1) * rate / (at.back() - at.front());
    return {(from + (at.front() + at.back()) / 2) / rate, 69.0 + 12.0 * std::log2(hz / 440.0)};
}

// A glide from note 60 to 64 moves linearly in semitones over the slide time.
void expectGlideFrom60To64(const std::vector<double>& x, double rate, double slideTime)
{
    const PitchReading middle = pitchIn(x, rate, static_cast<std::size_t>(0.45 * slideTime * rate),
                                        static_cast<std::size_t>(0.1 * slideTime * rate));
    EXPECT_NEAR(middle.note, 60.0 + 4.0 * middle.seconds / slideTime, 0.02);
    const PitchReading late = pitchIn(x, rate, static_cast<std::size_t>(0.85 * slideTime * rate),
                                      static_cast<std::size_t>(0.1 * slideTime * rate));
    EXPECT_NEAR(late.note, 60.0 + 4.0 * late.seconds / slideTime, 0.02);
    const PitchReading after = pitchIn(x, rate, static_cast<std::size_t>(1.05 * slideTime * rate),
                                       static_cast<std::size_t>(0.5 * slideTime * rate));
    EXPECT_NEAR(after.note, 64.0, 0.01);
}

double phaseDistance(double a, double b) { return std::abs(std::remainder(a - b, 2.0 * std::numbers::pi)); }

} // namespace

TEST(EngineRender, SilentWithExactZerosBeforeAnyNote)
{
    auto e = makeDefaultEngine();
    e->noteOff();
    e->setPitchBend(3.0);
    for (double s : render(*e, 4096))
        ASSERT_EQ(s, 0.0);
    EXPECT_EQ(e->getCurrentNote(), -1);
}

TEST(EngineRender, DefaultPatchPlaysTheNotesPitchAtFullLevel)
{
    struct Case {
        int note;
        int detune;
        double hz;
    };
    // A4, middle C, and A4 raised by a quarter tone through the event's detune.
    for (const Case c : {Case{69, 0, 440.0}, Case{60, 0, 261.63}, Case{69, 50, 452.893}}) {
        for (double rate : {44100.0, 48000.0, 96000.0}) {
            auto e = makeDefaultEngine(rate);
            e->noteOn(c.note, 64, c.detune);
            EXPECT_EQ(e->getCurrentNote(), c.note);
            const auto x = render(*e, static_cast<std::size_t>(rate));
            const auto held = slice(x, x.size() / 10, x.size() * 9 / 10);
            expectPitch(frequencyOf(held, rate), c.hz);
            EXPECT_NEAR(peakOf(held), 1.0, 0.01);
        }
    }
}

TEST(EngineRender, ReturnsToExactSilenceWhenTheShorterEnvelopeHasRunOut)
{
    auto e = makeDefaultEngine();
    e->noteOn(69, 100, 0);
    render(*e, ms(100));
    e->noteOff();
    EXPECT_EQ(e->getCurrentNote(), -1);
    // Envelope 1 releases in 20 ms and is cut 2 s after that; envelope 2 would
    // take 4 s, so envelope 1 ends the sound.
    const auto x = render(*e, ms(3000));
    std::size_t lastSound = 0;
    for (std::size_t i = 0; i < x.size(); ++i)
        if (x[i] != 0.0)
            lastSound = i;
    EXPECT_NEAR(lastSound / kRate, 2.02, 0.002);
    e->noteOn(69, 100, 0);
    EXPECT_GT(peakOf(render(*e, ms(20))), 0.5);
}

TEST(EngineRender, NothingAdvancesWhileIdle)
{
    // With a free-running oscillator no reset hides the phase, so the sound of
    // the next note shows whether anything moved while the engine was idle.
    std::vector<double> after[2];
    for (int k = 0; k < 2; ++k) {
        auto e = makeDefaultEngine();
        e->generator.setO1Phase(360.0);
        e->noteOn(69, 100, 0);
        render(*e, ms(50));
        e->noteOff();
        render(*e, ms(2100 + 500 * k));
        e->noteOn(69, 100, 0);
        after[k] = render(*e, 1000);
    }
    EXPECT_EQ(after[0], after[1]);
    EXPECT_GT(peakOf(after[0]), 0.5);
}

TEST(NoteHandling, LegatoGlidesOverTheSlideTimeWithoutRetrigger)
{
    auto e = makeDefaultEngine();
    e->setSlideTime(0.2);
    // A decay to -20 dB and an octave pitch drop at each fresh note: a
    // retrigger would show as a jump back to full level or up an octave.
    e->ampEnv1.setDecay(0.01);
    e->ampEnv1.setSustain(-20.0);
    e->generator.setRampStart(MonoGenerator::osc1PitchRamp, 12.0);
    e->generator.ramps[MonoGenerator::osc1PitchRamp].setTime(5.0);
    e->noteOn(60, 64, 0);
    render(*e, ms(300));
    e->noteOn(64, 64, 0);
    EXPECT_EQ(e->getCurrentNote(), 64);
    const auto x = render(*e, ms(400));

    EXPECT_LT(frequencyOf(slice(x, 0, ms(10)), kRate), 440.0 * semitoneRatio(-8));
    expectGlideFrom60To64(x, kRate, 0.2);
    EXPECT_NEAR(peakOf(x), 0.1, 0.002);
}

TEST(NoteHandling, LegatoWithSlideTimeZeroJumps)
{
    auto e = makeDefaultEngine();
    e->setSlideTime(0.0);
    e->noteOn(60, 64, 0);
    render(*e, ms(100));
    e->noteOn(72, 64, 0);
    expectPitch(frequencyOf(render(*e, ms(50)), kRate), 523.251);
}

TEST(NoteHandling, SameKeyAgainChangesNothing)
{
    auto e = makeDefaultEngine();
    e->setVolByVel(24.0);
    e->ampEnv1.setDecay(0.01);
    e->ampEnv1.setSustain(-20.0);
    e->noteOn(60, 64, 0);
    render(*e, ms(100));
    e->noteOn(60, 127, 0);
    // Neither a retrigger nor the new velocity's 24 dB.
    EXPECT_NEAR(peakOf(render(*e, ms(100))), 0.1, 0.002);
}

TEST(NoteHandling, PhasesRestartOnlyWhenAnEnvelopeHasFallenBelowMinus40dB)
{
    auto e = makeDefaultEngine();
    e->ampEnv1.setRelease(0.5);
    e->generator.setO1Phase(90.0);
    e->noteOn(69, 64, 0);
    // The note-off falls a fraction of a period off a whole number of periods,
    // so running on and restarting give clearly different phases.
    const std::size_t noteOffAt = ms(207.3);
    const auto first = render(*e, noteOffAt);
    const double hz = frequencyOf(slice(first, ms(20), ms(180)), kRate);
    const double startPhase = phaseAt(first, hz, ms(100), ms(50), 0);
    e->noteOff();
    render(*e, ms(30));

    // Both envelopes are still well above -40 dB: the phase runs on.
    e->noteOn(69, 64, 0);
    const auto during = render(*e, ms(100));
    const double runningOn = startPhase + 2.0 * std::numbers::pi * hz * (noteOffAt + ms(30)) / kRate;
    const double measuredDuring = phaseAt(during, hz, ms(40), ms(50), 0);
    EXPECT_LT(phaseDistance(measuredDuring, runningOn), 0.05);
    EXPECT_GT(phaseDistance(measuredDuring, startPhase), 0.5);

    // One envelope below -40 dB is enough to restart from the start phase.
    e->noteOff();
    e->ampEnv1.setRelease(0.02);
    render(*e, ms(100));
    EXPECT_LT(e->ampEnv1.getOutput(), 0.01);
    EXPECT_GT(e->ampEnv2.getOutput(), 0.5);
    e->noteOn(69, 64, 0);
    const auto after = render(*e, ms(100));
    EXPECT_LT(phaseDistance(phaseAt(after, hz, ms(40), ms(50), 0), startPhase), 0.05);
}

TEST(NoteHandling, PitchBendReachesAnOctaveEitherWay)
{
    for (double bend : {-12.0, 0.0, 12.0}) {
        auto e = makeDefaultEngine();
        e->setPitchBend(bend);
        e->noteOn(69, 64, 0);
        expectPitch(frequencyOf(slice(render(*e, ms(500)), ms(50), ms(400)), kRate), 440.0 * semitoneRatio(bend));
    }
}

TEST(NoteHandling, VelocityActsThroughTheAccent)
{
    // An octave of pitch-ramp start by velocity at velocity 127, the ramp slow.
    auto startPitch = [](double accent, int velocity) {
        auto e = makeDefaultEngine();
        e->setEnvSlope(1.0);
        e->generator.setRampStartByVel(MonoGenerator::osc1PitchRamp, 12.0);
        e->generator.ramps[MonoGenerator::osc1PitchRamp].setTime(2000.0);
        e->setAccent(accent);
        e->noteOn(69, velocity, 0);
        return frequencyOf(render(*e, ms(20)), kRate);
    };
    EXPECT_NEAR(startPitch(1.0, 127), 880.0, 10.0);
    EXPECT_NEAR(startPitch(0.5, 127), 440.0 * std::sqrt(2.0), 8.0);
    EXPECT_NEAR(startPitch(1.0, 64), 440.0, 5.0);
    EXPECT_NEAR(startPitch(0.0, 127), 440.0, 5.0);
}

TEST(NoteHandling, SlideLengthFollowsTheSampleRate)
{
    // The slide time is set before the host rate changes; the glide must still
    // take 0.2 s rather than the same number of samples at the old rate.
    auto e = makeDefaultEngine(44100.0);
    e->setSlideTime(0.2);
    const double rate = 96000.0;
    e->setSampleRate(rate);
    e->noteOn(60, 64, 0);
    render(*e, 9600);
    e->noteOn(64, 64, 0);
    expectGlideFrom60To64(render(*e, 48000), rate, 0.2);
}
