#include <gtest/gtest.h>

#include "tests/engine/EngineTestSupport.h"

namespace {

std::size_t ms(double milliseconds, double rate = kRate)
{
    return static_cast<std::size_t>(milliseconds * rate / 1000.0);
}

// Pitch over the whole periods of 20 ms windows, against a glide from note 60
// to 64 that is linear in semitones over the slide time from the first sample.
void expectGlideFrom60To64(const std::vector<double>& x, double rate, double slide)
{
    for (double from : {0.0, 0.09, 0.17, 0.21}) {
        const std::vector<double> at = risingCrossings(slice(x, std::size_t(from * rate), ms(20, rate)));
        const double note = 69.0 + 12.0 * std::log2((at.size() - 1) * rate / (at.back() - at.front()) / 440.0);
        const double seconds = from + (at.front() + at.back()) / 2 / rate;
        EXPECT_NEAR(note, 60.0 + 4.0 * std::min(seconds / slide, 1.0), 0.02) << "at " << seconds;
    }
}

// Phase of the hz component at the first sample, measured over a later window.
double phaseAtStart(const std::vector<double>& x, double hz, std::size_t from)
{
    return std::arg(component(slice(x, from, ms(50)), kRate, hz)) - 2.0 * std::numbers::pi * hz * from / kRate;
}

double phaseDistance(double a, double b) { return std::abs(std::remainder(a - b, 2.0 * std::numbers::pi)); }

} // namespace

TEST(NoteHandling, LegatoGlidesOverTheSlideTimeWithoutRetrigger)
{
    // The slide time is set before the host rate changes: the glide still lasts it.
    const double rate = 96000.0;
    auto e = makeDefaultEngine(kRate);
    e->setSlideTime(0.2);
    e->setSampleRate(rate);
    e->setVolByVel(24.0);
    // A decay to -20 dB and an octave pitch drop at each fresh note: a
    // retrigger would show as a return to full level or a jump up an octave.
    e->ampEnv1.setDecay(0.01);
    e->ampEnv1.setSustain(-20.0);
    e->generator.setRampStart(MonoGenerator::osc1PitchRamp, 12.0);
    e->generator.ramps[MonoGenerator::osc1PitchRamp].setTime(5.0);
    e->noteOn(60, 64, 0);
    render(*e, ms(300, rate));
    // The legato note's velocity sets the volume at once: 24 dB up.
    e->noteOn(64, 127, 0);
    const auto x = render(*e, ms(400, rate));
    EXPECT_EQ(e->getCurrentNote(), 64);
    expectGlideFrom60To64(x, rate, 0.2);
    const double legatoPeak = 0.1 * std::pow(10.0, 24.0 / 20.0);
    EXPECT_NEAR(peakOf(x), legatoPeak, 0.03);
    // The held key again: no retrigger, and its velocity is not taken.
    e->noteOn(64, 1, 0);
    EXPECT_NEAR(peakOf(render(*e, ms(100, rate))), legatoPeak, 0.03);
    // Slide time 0 jumps.
    e->setSlideTime(0.0);
    e->noteOn(72, 64, 0);
    const double c5 = 440.0 * std::exp2(3.0 / 12.0);
    EXPECT_NEAR(frequencyOf(render(*e, ms(50, rate)), rate), c5, c5 * 3e-4); // within half a cent
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
