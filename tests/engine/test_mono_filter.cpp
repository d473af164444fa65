#include "engine/MonoFilter.h"
#include "tests/support/SineResponse.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <limits>
#include <vector>

namespace {

constexpr double fs = 44100.0;
constexpr double pi = 3.14159265358979323846;

// A section with a flat envelope (all levels 1.0), no velocity amounts and
// no modulation, so the filter sees exactly the section's current cutoff.
MonoFilter makeSection(double mode, double cutoff)
{
    MonoFilter f;
    f.setSampleRate(fs);
    f.setMode(mode);
    f.setNumStages(1);
    f.setCutoff(cutoff);
    f.setResonance(0.7071);
    f.setDryWet(1.0);
    f.setAccent(1.0);
    f.setEnvSlope(1.0);
    return f;
}

// The envelope's value on the latest sample: the cutoff over the section's
// current cutoff, with bend and modulation neutral.
double envelopeValue(const MonoFilter& f) { return f.getLastCutoff() / f.getCurrentCutoff(); }

double advance(MonoFilter& f, int samples, double x = 0.0)
{
    double y = 0.0;
    for (int n = 0; n < samples; ++n)
        y = f.processSample(x);
    return y;
}

// Amplitude of harmonic k of a 100 Hz signal: one second holds whole periods.
double harmonic(const std::vector<double>& signal, int k)
{
    double re = 0.0;
    double im = 0.0;
    for (std::size_t n = 0; n < signal.size(); ++n) {
        const double w = 2.0 * pi * 100.0 * k * static_cast<double>(n) / fs;
        re += signal[n] * std::cos(w);
        im += signal[n] * std::sin(w);
    }
    return 2.0 * std::hypot(re, im) / static_cast<double>(signal.size());
}

double saw(int n) { return 2.0 * std::fmod(100.0 * n / fs, 1.0) - 1.0; }

// One second of a 100 Hz sawtooth through the section, after half a second.
std::vector<double> filteredSaw(MonoFilter& f)
{
    for (int n = 0; n < 22050; ++n)
        f.processSample(0.5 * saw(n));
    std::vector<double> out;
    for (int n = 22050; n < 22050 + 44100; ++n)
        out.push_back(f.processSample(0.5 * saw(n)) / 0.5);
    return out;
}

} // namespace

TEST(MonoFilter, BypassReturnsTheInputAndFreezesTheSection)
{
    MonoFilter paused = makeSection(1, 1000.0);
    MonoFilter running = makeSection(1, 1000.0);
    for (MonoFilter* f : {&paused, &running}) {
        f->setEnvPeak(24.0);
        f->setEnvAttack(0.05);
        f->noteOn(60, 64, 0);
        advance(*f, 300, 0.3);
    }
    paused.setMode(0);
    EXPECT_EQ(paused.getMode(), 0);
    for (int n = 0; n < 5000; ++n) {
        const double x = std::sin(0.1 * n);
        ASSERT_EQ(paused.processSample(x), x);
    }
    paused.setMode(1);
    const double a = paused.processSample(0.3);
    const double b = running.processSample(0.3);
    EXPECT_EQ(a, b);
    EXPECT_EQ(paused.getLastCutoff(), running.getLastCutoff());
}

TEST(MonoFilter, KeytrackAndVelocityScaleTheCutoff)
{
    MonoFilter f = makeSection(1, 1000.0);
    f.setKeytrack(1.0);
    f.setRefKey(33);
    f.noteOn(45, 64, 0);
    EXPECT_NEAR(f.getCurrentCutoff(), 2000.0, 1e-9);
    f.noteOn(33, 64, 0);
    EXPECT_NEAR(f.getCurrentCutoff(), 1000.0, 1e-9);
    f.noteOn(21, 64, 50); // half a semitone of detune above an octave down
    EXPECT_NEAR(f.getCurrentCutoff(), 500.0 * std::pow(2.0, 0.5 / 12.0), 1e-9);

    f.setKeytrack(0.5);
    f.noteOn(57, 64, 0); // two octaves up, half tracked
    EXPECT_NEAR(f.getCurrentCutoff(), 2000.0, 1e-9);
    f.setRefKey(128.0); // refused
    f.setRefKey(45);
    EXPECT_NEAR(f.getCurrentCutoff(), 1000.0 * std::pow(2.0, 0.5), 1e-9);

    MonoFilter v = makeSection(1, 1000.0);
    v.setFreqByVel(12.0);
    v.noteOn(60, 127, 0);
    EXPECT_NEAR(v.getCurrentCutoff(), 2000.0, 1e-9);
    v.noteOn(60, 1, 0);
    EXPECT_NEAR(v.getCurrentCutoff(), 500.0, 1e-9);
    v.setAccent(0.5); // scales the effective amount at once
    EXPECT_NEAR(v.getCurrentCutoff(), 1000.0 / std::sqrt(2.0), 1e-9);
    v.setAccent(0.0);
    EXPECT_NEAR(v.getCurrentCutoff(), 1000.0, 1e-9);
}

TEST(MonoFilter, PitchBendMovesTheCutoffByTheKeytrack)
{
    MonoFilter f = makeSection(1, 1000.0);
    f.setKeytrack(0.5);
    f.setRefKey(60);
    f.noteOn(60, 64, 0);
    f.setPitchBend(12.0);
    EXPECT_NEAR(f.getBendCutoffFactor(), std::sqrt(2.0), 1e-12);
    advance(f, 1);
    EXPECT_NEAR(f.getLastCutoff(), 1000.0 * std::sqrt(2.0), 1e-9);
    f.setKeytrack(0.0); // the stored bend is re-applied with the new keytrack
    EXPECT_EQ(f.getBendCutoffFactor(), 1.0);
    f.setKeytrack(1.0);
    EXPECT_NEAR(f.getBendCutoffFactor(), 2.0, 1e-12);
}

TEST(MonoFilter, ResonanceFollowsVelocityAndCutoff)
{
    MonoFilter f = makeSection(1, 200.0);
    f.setResonance(2.0);
    f.setResoByVel(6.0);
    f.noteOn(60, 127, 0);
    EXPECT_NEAR(f.getResonance(), 2.0 * std::pow(10.0, 6.0 / 20.0), 1e-12);
    f.noteOn(60, 64, 0);
    EXPECT_NEAR(f.getResonance(), 2.0, 1e-12);

    // 0 dB/oct: no dependence on the cutoff.
    advance(f, 1);
    EXPECT_NEAR(f.getLastResonance(), 2.0, 1e-12);
    f.setCutoff(400.0);
    advance(f, 1);
    EXPECT_NEAR(f.getLastResonance(), 2.0, 1e-12);

    // 3 dB/oct: neutral at 200 Hz, 3 dB more an octave up.
    f.setResoByCutoff(3.0);
    advance(f, 1);
    EXPECT_NEAR(20.0 * std::log10(f.getLastResonance() / 2.0), 3.0, 1e-9);
    f.setCutoff(200.0);
    advance(f, 1);
    EXPECT_NEAR(f.getLastResonance(), 2.0, 1e-12);
}

TEST(MonoFilter, InputAndOutputModulateCutoffAndResonance)
{
    // Peaking +24 dB: the filter output exceeds 1, the mixed output keeps it,
    // the modulation sees it limited to +-1.
    MonoFilter f = makeSection(7, 1000.0);
    f.setGain(24.0);
    f.setCutoffModByOutput(100.0);
    f.setResoModByInput(-50.0);
    f.setCutoffModByInput(150.0); // out of range: refused
    f.noteOn(60, 64, 0);
    double previous = 0.0;
    double loudest = 0.0;
    for (int n = 0; n < 2000; ++n) {
        const double x = 0.5 * std::sin(2.0 * pi * 1000.0 * n / fs);
        const double y = f.processSample(x);
        const double limited = std::clamp(previous, -1.0, 1.0);
        ASSERT_NEAR(f.getLastCutoff(), 1000.0 * (1.0 + limited), 1e-9) << n;
        ASSERT_NEAR(f.getLastResonance(), 0.7071 * (1.0 - 0.5 * x), 1e-12) << n;
        loudest = std::max(loudest, std::abs(y));
        previous = y;
    }
    EXPECT_GT(loudest, 2.0);
}

TEST(MonoFilter, DryWetMixAndItsVelocityShare)
{
    MonoFilter f = makeSection(1, 500.0);
    f.setDryWet(0.0);
    f.noteOn(60, 100, 0);
    for (int n = 0; n < 1000; ++n) {
        const double x = saw(n);
        ASSERT_EQ(f.processSample(x), x);
    }

    f.setDryWet(1.0);
    f.setDryWetByVel(50.0);
    f.noteOn(60, 127, 0);
    EXPECT_EQ(f.getWet(), 1.0);
    f.noteOn(60, 1, 0); // 1 + 0.5/127, limited
    EXPECT_EQ(f.getWet(), 1.0);
    f.setDryWet(0.5);
    f.noteOn(60, 64, 0);
    EXPECT_NEAR(f.getWet(), 0.5 + 64.0 * 0.5 / 127.0, 1e-12);
    EXPECT_NEAR(f.getDry(), 1.0 - f.getWet(), 1e-15);
    f.setDryWetByVel(-100.0); // no lower limit
    f.noteOn(60, 127, 0);
    EXPECT_NEAR(f.getWet(), -0.5, 1e-12);
    f.glideTo(62, 1, 0); // a glide keeps the mix
    EXPECT_NEAR(f.getWet(), -0.5, 1e-12);
}

TEST(MonoFilter, LegatoGlideIsExponentialAndEndsOnTheNewKey)
{
    MonoFilter f = makeSection(1, 1000.0);
    f.setKeytrack(1.0);
    f.setRefKey(33);
    f.setSlideTime(0.1); // 4410 samples
    f.noteOn(33, 64, 0);
    f.glideTo(45, 64, 0);
    EXPECT_NEAR(f.getTargetCutoff(), 2000.0, 1e-9);
    advance(f, 2205);
    EXPECT_NEAR(f.getCurrentCutoff(), 1000.0 * std::sqrt(2.0), 1e-6);
    advance(f, 2204);
    EXPECT_NEAR(f.getCurrentCutoff(), 1000.0 * std::pow(2.0, 4409.0 / 4410.0), 1e-6);
    advance(f, 1);
    EXPECT_EQ(f.getCurrentCutoff(), 2000.0);
    EXPECT_EQ(f.getCurrentKey(), 45.0);
    // A later change of the cutoff starts from the key the glide reached.
    f.setCutoff(500.0);
    EXPECT_NEAR(f.getCurrentCutoff(), 1000.0, 1e-9);

    // Slide time 0: the cutoff and the key change at once.
    f.setSlideTime(0.0);
    f.glideTo(57, 64, 0);
    EXPECT_NEAR(f.getCurrentCutoff(), 2000.0, 1e-9);
    EXPECT_EQ(f.getCurrentKey(), 57.0);
}

TEST(MonoFilter, GlideLengthFollowsTheSampleRate)
{
    MonoFilter f = makeSection(1, 1000.0);
    f.setKeytrack(1.0);
    f.setSlideTime(0.5);
    f.setSampleRate(48000.0);
    EXPECT_EQ(f.getSlideSamples(), 24000.0);
    f.setSampleRate(0.0);
    f.setSampleRate(-5.0);
    EXPECT_EQ(f.getSlideSamples(), 24000.0);
    f.noteOn(40, 64, 0);
    f.glideTo(52, 64, 0);
    const double target = f.getTargetCutoff();
    advance(f, 23999);
    EXPECT_NE(f.getCurrentCutoff(), target);
    advance(f, 1);
    EXPECT_EQ(f.getCurrentCutoff(), target);
}

TEST(MonoFilter, GlideTakesTheNewVelocityButNotTheEnvelope)
{
    MonoFilter f = makeSection(1, 1000.0);
    f.setResonance(1.0);
    f.setResoByVel(12.0);
    f.setEnvStart(-12.0);
    f.setEnvPeak(12.0);
    f.setEnvAttack(0.01);
    f.setEnvDecay(0.01);
    f.noteOn(60, 64, 0);
    advance(f, 44100); // envelope sustains at the cutoff itself
    EXPECT_NEAR(envelopeValue(f), 1.0, 1e-9);
    f.glideTo(64, 127, 0);
    EXPECT_NEAR(f.getResonance(), std::pow(10.0, 12.0 / 20.0), 1e-12);
    advance(f, 1);
    EXPECT_NEAR(envelopeValue(f), 1.0, 1e-9);
}

TEST(MonoFilter, EnvelopeAttackHoldDecaySustainAndRelease)
{
    // Slope 1 and speed 1: every stage is a one-pole with its own time.
    MonoFilter f = makeSection(1, 1000.0);
    f.setEnvStart(-12.0); // 0.5
    f.setEnvPeak(12.0);   // 2.0
    f.setEnvEnd(-24.0);   // 0.25
    f.setEnvAttack(0.01);
    f.setEnvHold(0.005);
    f.setEnvDecay(0.02);
    f.setEnvRelease(0.03);
    const double ka = std::exp(-1.0 / (0.01 * fs));
    const double kd = std::exp(-1.0 / (0.02 * fs));
    const double kr = std::exp(-1.0 / (0.03 * fs));

    // The first note after loading starts from the start level.
    f.noteOn(60, 64, 0);
    advance(f, 1);
    EXPECT_NEAR(envelopeValue(f), 2.0 - 1.5 * ka, 1e-12);
    // Attack and hold approach the peak while the clock is within 15 ms: the
    // samples at 0 .. 661 / 44100 s.
    advance(f, 661);
    const double atHoldEnd = 2.0 - 1.5 * std::pow(ka, 662);
    EXPECT_NEAR(envelopeValue(f), atHoldEnd, 1e-9);
    // Then the decay leads towards the cutoff itself.
    advance(f, 100);
    EXPECT_NEAR(envelopeValue(f), 1.0 + (atHoldEnd - 1.0) * std::pow(kd, 100), 1e-9);
    // Held: it keeps approaching 1.0 without moving on to the release.
    advance(f, 44100);
    EXPECT_NEAR(envelopeValue(f), 1.0, 1e-9);

    // Release towards the end level.
    f.noteOff();
    advance(f, 441);
    EXPECT_NEAR(envelopeValue(f), 0.25 + 0.75 * std::pow(kr, 441), 1e-9);

    // A note during the release continues from the present value ...
    const double present = envelopeValue(f);
    f.noteOn(60, 64, 0);
    advance(f, 1);
    EXPECT_NEAR(envelopeValue(f), 2.0 - (2.0 - present) * ka, 1e-9);

    // ... and after a completed release starts from the start level again.
    f.noteOff();
    advance(f, static_cast<int>(0.07 * fs));
    f.noteOn(60, 64, 0);
    advance(f, 1);
    EXPECT_NEAR(envelopeValue(f), 2.0 - 1.5 * ka, 1e-12);
}

TEST(MonoFilter, VelocityScalesTheEnvelopePeakAndDuration)
{
    // From the start level 1.0 one attack time covers 1 - 1/e of the way to
    // the peak: 2.0 at velocity 127, 0.5 at velocity 1.
    for (int velocity : {127, 1}) {
        MonoFilter f = makeSection(1, 1000.0);
        f.setEnvPeak(0.0);
        f.setEnvPeakByVel(12.0);
        f.setEnvAttack(0.01);
        f.noteOn(60, velocity, 0);
        advance(f, 441);
        const double peak = velocity == 127 ? 2.0 : 0.5;
        EXPECT_NEAR(envelopeValue(f), peak + (1.0 - peak) * std::exp(-1.0), 1e-9) << velocity;
    }

    // Duration by velocity 1 at velocity 1: twice as fast.
    MonoFilter slow = makeSection(1, 1000.0);
    MonoFilter fast = makeSection(1, 1000.0);
    for (MonoFilter* g : {&slow, &fast}) {
        g->setEnvStart(0.0);
        g->setEnvPeak(12.0);
        g->setEnvAttack(0.02);
        g->setEnvDecay(1.0);
    }
    fast.setEnvDurByVel(1.0);
    slow.noteOn(60, 64, 0);
    fast.noteOn(60, 1, 0); // speed 2^(63/63) = 2
    advance(slow, 200);
    advance(fast, 100);
    EXPECT_NEAR(envelopeValue(fast), envelopeValue(slow), 1e-9);
}

TEST(MonoFilter, LowpassModesRemoveTheUpperHarmonicsOfASawtooth)
{
    // 100 Hz sawtooth, cutoff 400 Hz: the biquad (measured against its analog
    // prototype), the two ladders and the tanh ladder all keep the
    // fundamental and take the upper harmonics away.
    std::vector<double> input;
    for (int n = 22050; n < 22050 + 44100; ++n)
        input.push_back(saw(n));
    for (double mode : {1.0, 10.0, 11.0, 12.0, 40.0}) {
        MonoFilter f = makeSection(mode, 400.0);
        f.setResonance(mode <= 9 ? 0.7071 : 0.0);
        f.setNumStages(mode <= 9 ? 2.0 : 4.0);
        f.noteOn(60, 64, 0);
        const std::vector<double> out = filteredSaw(f);
        SCOPED_TRACE(testing::Message() << "mode " << mode);
        EXPECT_GT(harmonic(out, 1) / harmonic(input, 1), 0.85);
        EXPECT_LT(harmonic(out, 20) / harmonic(input, 20), 0.01);
        if (mode == 1.0) {
            for (int k : {2, 4, 8}) {
                const double omega = std::tan(pi * 100.0 * k / fs) / std::tan(pi * 400.0 / fs);
                const std::complex<double> s(0.0, omega);
                const double stage = std::abs(1.0 / (s * s + s / 0.7071 + 1.0));
                EXPECT_NEAR(harmonic(out, k) / harmonic(input, k), stage * stage, 2e-3) << k;
            }
        }
    }
    // And the highpass the other way round.
    MonoFilter hp = makeSection(2, 1000.0);
    hp.noteOn(60, 64, 0);
    const std::vector<double> out = filteredSaw(hp);
    EXPECT_LT(harmonic(out, 1) / harmonic(input, 1), 0.02);
    EXPECT_GT(harmonic(out, 40) / harmonic(input, 40), 0.9);
}

TEST(MonoFilter, DcOffsetAndDriveReachOnlyTheLadders)
{
    for (double mode : {1.0, 10.0, 11.0, 12.0}) {
        MonoFilter f = makeSection(mode, 2000.0);
        f.setResonance(mode <= 9 ? 0.7071 : 0.0);
        f.setDcOffset(0.5);
        f.setDrive(-6.0);
        f.noteOn(60, 64, 0);
        const double settled = advance(f, 20000, 0.0);
        EXPECT_NEAR(settled, mode <= 9 ? 0.0 : 0.5 * 0.501187, 1e-6) << mode;
    }
    MonoFilter clamped = makeSection(10, 2000.0);
    clamped.setResonance(0.0);
    clamped.setDcOffset(5.0); // limited to 2
    clamped.noteOn(60, 64, 0);
    EXPECT_NEAR(advance(clamped, 20000, 0.0), 2.0, 1e-6);
}

TEST(MonoFilter, ResetClearsTheFiltersForAFreshNote)
{
    for (double mode : {1.0, 10.0, 12.0}) {
        MonoFilter f = makeSection(mode, 100.0);
        f.noteOn(60, 64, 0);
        advance(f, 3000, 1.0);
        f.reset();
        // Only the ladders' anti-alias tail may remain after a few samples.
        EXPECT_LT(std::abs(advance(f, 100, 0.0)), 1e-9) << mode;
    }
}

TEST(MonoFilter, AnyModeAndAnySettingKeepTheOutputFinite)
{
    const double garbage[] = {std::nan(""), std::numeric_limits<double>::infinity(),
                              -std::numeric_limits<double>::infinity(), 1e308, -1e308, 1e-320, -3.0};
    using Setter = void (MonoFilter::*)(double);
    const Setter setters[] = {
        &MonoFilter::setNumStages,        &MonoFilter::setDryWet,           &MonoFilter::setDryWetByVel,
        &MonoFilter::setCutoff,           &MonoFilter::setFreqByVel,        &MonoFilter::setKeytrack,
        &MonoFilter::setRefKey,           &MonoFilter::setCutoffModByInput, &MonoFilter::setCutoffModByOutput,
        &MonoFilter::setResonance,        &MonoFilter::setResoByVel,        &MonoFilter::setResoModByInput,
        &MonoFilter::setResoModByOutput,  &MonoFilter::setResoByCutoff,     &MonoFilter::setGain,
        &MonoFilter::setDrive,            &MonoFilter::setDcOffset,         &MonoFilter::setOversampling,
        &MonoFilter::setEnvStart,         &MonoFilter::setEnvPeak,          &MonoFilter::setEnvEnd,
        &MonoFilter::setEnvPeakByVel,     &MonoFilter::setEnvDurByVel,      &MonoFilter::setEnvHold,
        &MonoFilter::setEnvAttack,        &MonoFilter::setEnvDecay,         &MonoFilter::setEnvRelease,
        &MonoFilter::setPitchBend,        &MonoFilter::setSlideTime,        &MonoFilter::setEnvSlope,
        &MonoFilter::setAccent,           &MonoFilter::setSampleRate,
    };
    for (double mode : {-5.0, 1.0, 3.0, 7.0, 9.0, 10.0, 11.0, 12.0, 127.0, 1e12}) {
        for (double g : garbage) {
            MonoFilter f = makeSection(mode, 1000.0);
            f.setResonance(8.0);
            f.setCutoffModByInput(100.0);
            f.setResoModByOutput(-100.0);
            for (Setter s : setters)
                (f.*s)(g);
            f.noteOn(127, 127, 127);
            f.glideTo(0, 1, -128);
            for (int n = 0; n < 3000; ++n) {
                const double y = f.processSample(saw(n) * 2.0);
                ASSERT_TRUE(std::isfinite(y)) << "mode " << mode << " value " << g << " sample " << n;
            }
        }
    }
}
