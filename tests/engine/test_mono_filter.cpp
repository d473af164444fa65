#include "engine/MonoFilter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <limits>
#include <vector>

namespace {

constexpr double fs = 44100.0;
constexpr double pi = 3.14159265358979323846;

// Flat envelope (all levels 1.0), no velocity amounts, no modulation: the
// filter sees exactly the section's current cutoff.
MonoFilter makeSection(double mode, double cutoff)
{
    MonoFilter f;
    f.setSampleRate(fs);
    f.setMode(mode);
    f.setCutoff(cutoff);
    f.setResonance(0.7071);
    f.setEnvSlope(1.0);
    return f;
}

// The envelope's ratio on the latest sample (bend and modulation neutral).
double envelope(const MonoFilter& f) { return f.getLastCutoff() / f.getCurrentCutoff(); }

double advance(MonoFilter& f, int samples, double x = 0.0)
{
    double y = 0.0;
    for (int n = 0; n < samples; ++n)
        y = f.processSample(x);
    return y;
}

double saw(int n) { return 2.0 * std::fmod(100.0 * n / fs, 1.0) - 1.0; }

// Gain of harmonic k of the 100 Hz sawtooth through the section, from one
// second (whole periods) after half a second of settling.
double harmonicGain(MonoFilter& f, int k)
{
    std::complex<double> in = 0.0;
    std::complex<double> out = 0.0;
    for (int n = 0; n < 66150; ++n) {
        const double y = f.processSample(0.5 * saw(n));
        if (n >= 22050) {
            const auto phasor = std::polar(1.0, -2.0 * pi * 100.0 * k * n / fs);
            in += 0.5 * saw(n) * phasor;
            out += y * phasor;
        }
    }
    return std::abs(out) / std::abs(in);
}

} // namespace

TEST(MonoFilter, BypassReturnsTheInputAndFreezesTheSection)
{
    MonoFilter paused = makeSection(1, 1000.0);
    paused.setEnvPeak(24.0);
    paused.setEnvAttack(0.05);
    paused.noteOn(60, 64, 0);
    advance(paused, 300, 0.3);
    MonoFilter running = paused;
    paused.setMode(0);
    for (int n = 0; n < 5000; ++n)
        ASSERT_EQ(paused.processSample(saw(n)), saw(n));
    paused.setMode(1);
    EXPECT_EQ(paused.processSample(0.3), running.processSample(0.3));
    EXPECT_EQ(paused.getLastCutoff(), running.getLastCutoff());
}

TEST(MonoFilter, KeytrackVelocityAndBendScaleTheCutoff)
{
    MonoFilter f = makeSection(1, 1000.0);
    f.setKeyTrack(1.0);
    f.setRefKey(33);
    f.noteOn(45, 64, 0);
    EXPECT_NEAR(f.getCurrentCutoff(), 2000.0, 1e-9);
    f.noteOn(21, 64, 50); // an octave down plus half a semitone of detune
    EXPECT_NEAR(f.getCurrentCutoff(), 500.0 * std::pow(2.0, 0.5 / 12.0), 1e-9);
    f.setKeyTrack(0.5);
    f.setRefKey(128.0); // refused
    f.setRefKey(45);
    f.noteOn(69, 64, 0); // two octaves up, half tracked
    EXPECT_NEAR(f.getCurrentCutoff(), 2000.0, 1e-9);
    f.setPitchBend(12.0);
    advance(f, 1);
    EXPECT_NEAR(f.getLastCutoff(), 2000.0 * std::sqrt(2.0), 1e-9);
    f.setKeyTrack(1.0); // the stored bend follows the new keytrack
    EXPECT_NEAR(f.getBendCutoffFactor(), 2.0, 1e-12);

    MonoFilter v = makeSection(1, 1000.0);
    v.setFreqByVel(12.0);
    v.noteOn(60, 127, 0);
    EXPECT_NEAR(v.getCurrentCutoff(), 2000.0, 1e-9);
    v.noteOn(60, 1, 0);
    EXPECT_NEAR(v.getCurrentCutoff(), 500.0, 1e-9);
    v.setAccent(0.5); // acts at once
    EXPECT_NEAR(v.getCurrentCutoff(), 1000.0 / std::sqrt(2.0), 1e-9);
}

TEST(MonoFilter, ResonanceFollowsVelocityCutoffAndInput)
{
    MonoFilter f = makeSection(1, 200.0);
    f.setResonance(2.0);
    f.setResoByVel(6.0);
    f.noteOn(60, 127, 0);
    EXPECT_NEAR(f.getResonance(), 2.0 * std::pow(10.0, 6.0 / 20.0), 1e-12);
    f.noteOn(60, 64, 0);
    f.setCutoff(400.0);
    advance(f, 1);
    EXPECT_NEAR(f.getLastResonance(), 2.0, 1e-12); // 0 dB/oct: independent of the cutoff
    f.setResoByCutoff(3.0);
    advance(f, 1);
    EXPECT_NEAR(20.0 * std::log10(f.getLastResonance() / 2.0), 3.0, 1e-9); // neutral at 200 Hz
    f.setResoModByInput(-50.0);
    f.processSample(0.4);
    EXPECT_NEAR(20.0 * std::log10(f.getLastResonance() / 2.0 / 0.8), 3.0, 1e-9);
}

TEST(MonoFilter, OutputModulationSeesTheOutputLimitedTheMixDoesNot)
{
    MonoFilter f = makeSection(7, 1000.0); // peaking +24 dB
    f.setGain(24.0);
    f.setCutoffModByOutput(100.0);
    f.setCutoffModByInput(150.0); // out of range: refused
    f.noteOn(60, 64, 0);
    double previous = 0.0;
    double loudest = 0.0;
    for (int n = 0; n < 2000; ++n) {
        const double y = f.processSample(0.5 * std::sin(2.0 * pi * 1000.0 * n / fs));
        ASSERT_NEAR(f.getLastCutoff(), 1000.0 * (1.0 + std::clamp(previous, -1.0, 1.0)), 1e-9) << n;
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
    for (int n = 0; n < 1000; ++n)
        ASSERT_EQ(f.processSample(saw(n)), saw(n));
    f.setDryWet(1.0);
    f.setDryWetByVel(50.0);
    for (int velocity : {127, 1}) { // limited to 1
        f.noteOn(60, velocity, 0);
        EXPECT_EQ(f.getWet(), 1.0);
    }
    f.setDryWet(0.5);
    f.setDryWetByVel(-100.0); // no lower limit
    f.noteOn(60, 127, 0);
    EXPECT_NEAR(f.getWet(), -0.5, 1e-12);
    EXPECT_NEAR(f.getDry(), 1.5, 1e-12);
    f.glideTo(62, 1, 0); // a glide keeps the mix
    EXPECT_NEAR(f.getWet(), -0.5, 1e-12);
}

TEST(MonoFilter, LegatoGlideIsExponentialAndEndsOnTheNewKey)
{
    MonoFilter f = makeSection(1, 1000.0);
    f.setKeyTrack(1.0);
    f.setSlideTime(0.1); // 4410 samples
    f.noteOn(33, 64, 0);
    f.glideTo(45, 64, 0);
    advance(f, 2205);
    EXPECT_NEAR(f.getCurrentCutoff(), 1000.0 * std::sqrt(2.0), 1e-6);
    advance(f, 2204);
    EXPECT_NEAR(f.getCurrentCutoff(), 1000.0 * std::pow(2.0, 4409.0 / 4410.0), 1e-6);
    advance(f, 1);
    EXPECT_EQ(f.getCurrentCutoff(), 2000.0);
    f.setCutoff(500.0); // recomputed from the key the glide reached
    EXPECT_NEAR(f.getCurrentCutoff(), 1000.0, 1e-9);
    f.setSlideTime(0.0);
    f.glideTo(57, 64, 0);
    EXPECT_NEAR(f.getCurrentCutoff(), 2000.0, 1e-9);

    // The glide length follows a later change of the sample rate.
    f.setSlideTime(0.5);
    f.setSampleRate(48000.0);
    f.setSampleRate(-5.0);
    f.glideTo(69, 64, 0);
    advance(f, 23999);
    EXPECT_NE(f.getCurrentCutoff(), 4000.0);
    advance(f, 1);
    EXPECT_NEAR(f.getCurrentCutoff(), 4000.0, 1e-9);
}

TEST(MonoFilter, EnvelopeShapesTheCutoffOverTime)
{
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

    f.noteOn(60, 64, 0); // the first note starts from the start level
    advance(f, 1);
    EXPECT_NEAR(envelope(f), 2.0 - 1.5 * ka, 1e-12);
    advance(f, 661); // attack and hold: clock 0 .. 661/44100 s, within 15 ms
    const double top = 2.0 - 1.5 * std::pow(ka, 662);
    EXPECT_NEAR(envelope(f), top, 1e-9);
    advance(f, 100); // decay towards the cutoff itself
    EXPECT_NEAR(envelope(f), 1.0 + (top - 1.0) * std::pow(kd, 100), 1e-9);
    advance(f, 44100); // held: still approaching 1.0
    EXPECT_NEAR(envelope(f), 1.0, 1e-9);
    f.glideTo(64, 127, 0); // a glide does not restart it
    advance(f, 1);
    EXPECT_NEAR(envelope(f), 1.0, 1e-9);

    f.noteOff();
    advance(f, 441);
    const double releasing = envelope(f);
    EXPECT_NEAR(releasing, 0.25 + 0.75 * std::pow(kr, 441), 1e-9);
    f.noteOn(60, 64, 0); // continues from the present value
    advance(f, 1);
    EXPECT_NEAR(envelope(f), 2.0 - (2.0 - releasing) * ka, 1e-9);
    f.noteOff();
    advance(f, 3087); // past attack + decay + release: from the start level again
    f.noteOn(60, 64, 0);
    advance(f, 1);
    EXPECT_NEAR(envelope(f), 2.0 - 1.5 * ka, 1e-12);

    // Velocity: peak 0 st + 12 st at 127; duration exponent 1 doubles the speed at velocity 1.
    for (int velocity : {127, 1}) {
        MonoFilter g = makeSection(1, 1000.0);
        g.setEnvPeakByVel(12.0);
        g.setEnvDurByVel(1.0);
        g.setEnvAttack(0.02);
        g.noteOn(60, velocity, 0);
        advance(g, 441);
        const double peak = velocity == 127 ? 2.0 : 0.5;
        const double speed = velocity == 127 ? 0.5 : 2.0;
        const double remaining = std::exp(-441.0 * speed / (0.02 * fs));
        EXPECT_NEAR(envelope(g), peak + (1.0 - peak) * remaining, 1e-9) << velocity;
    }
}

TEST(MonoFilter, ModesFilterASawtoothAsTheyShould)
{
    for (double mode : {1.0, 10.0, 11.0, 12.0, 40.0}) {
        MonoFilter f = makeSection(mode, 400.0);
        f.setResonance(mode <= 9 ? 0.7071 : 0.0);
        f.setNumStages(mode <= 9 ? 2.0 : 4.0);
        f.noteOn(60, 64, 0);
        EXPECT_GT(harmonicGain(f, 1), 0.85) << mode;
        EXPECT_LT(harmonicGain(f, 20), 0.01) << mode;
    }
    MonoFilter lp = makeSection(1, 400.0);
    lp.setNumStages(2);
    lp.noteOn(60, 64, 0);
    const std::complex<double> s(0.0, std::tan(pi * 200.0 / fs) / std::tan(pi * 400.0 / fs));
    EXPECT_NEAR(harmonicGain(lp, 2), std::norm(1.0 / (s * s + s / 0.7071 + 1.0)), 2e-3); // two stages
    MonoFilter hp = makeSection(2, 1000.0);
    hp.noteOn(60, 64, 0);
    EXPECT_LT(harmonicGain(hp, 1), 0.02);

    // DC offset and drive reach the ladders only.
    for (double mode : {1.0, 10.0, 12.0}) {
        MonoFilter g = makeSection(mode, 2000.0);
        g.setResonance(mode <= 9 ? 0.7071 : 0.0);
        g.setDcOffset(5.0); // limited to 2
        g.setDrive(-6.0);
        g.noteOn(60, 64, 0);
        EXPECT_NEAR(advance(g, 20000), mode <= 9 ? 0.0 : 2.0 * 0.501187, 1e-6) << mode;
        g.reset();
        g.setDcOffset(0.0);
        EXPECT_LT(std::abs(advance(g, 100)), 1e-9) << mode; // reset cleared every history
    }
}

TEST(MonoFilter, AnyModeAndAnySettingKeepTheOutputFinite)
{
    const double garbage[] = {std::nan(""), std::numeric_limits<double>::infinity(),
                              -std::numeric_limits<double>::infinity(), 1e308, -1e308, 1e-320, -3.0};
    using Setter = void (MonoFilter::*)(double);
    const Setter setters[] = {
        &MonoFilter::setNumStages,       &MonoFilter::setDryWet,           &MonoFilter::setDryWetByVel,
        &MonoFilter::setCutoff,          &MonoFilter::setFreqByVel,        &MonoFilter::setKeyTrack,
        &MonoFilter::setRefKey,          &MonoFilter::setCutoffModByInput, &MonoFilter::setCutoffModByOutput,
        &MonoFilter::setResonance,       &MonoFilter::setResoByVel,        &MonoFilter::setResoModByInput,
        &MonoFilter::setResoModByOutput, &MonoFilter::setResoByCutoff,     &MonoFilter::setGain,
        &MonoFilter::setDrive,           &MonoFilter::setDcOffset,         &MonoFilter::setOversampling,
        &MonoFilter::setEnvStart,        &MonoFilter::setEnvPeak,          &MonoFilter::setEnvEnd,
        &MonoFilter::setEnvPeakByVel,    &MonoFilter::setEnvDurByVel,      &MonoFilter::setEnvHold,
        &MonoFilter::setEnvAttack,       &MonoFilter::setEnvDecay,         &MonoFilter::setEnvRelease,
        &MonoFilter::setPitchBend,       &MonoFilter::setSlideTime,        &MonoFilter::setEnvSlope,
        &MonoFilter::setAccent,          &MonoFilter::setSampleRate,
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
            for (int n = 0; n < 3000; ++n)
                ASSERT_TRUE(std::isfinite(f.processSample(saw(n) * 2.0))) << mode << " " << g << " " << n;
        }
    }
}
