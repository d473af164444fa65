#include <gtest/gtest.h>

#include <map>

#include "tests/engine/EngineTestSupport.h"

namespace {

constexpr double fs = kRate;

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

double saw(int n) { return 2.0 * std::fmod(100.0 * n / fs, 1.0) - 1.0; }

// Gain of harmonic k of the 100 Hz sawtooth through the section, over one
// second after half a second of settling.
double harmonicGain(MonoFilter& f, int k)
{
    std::vector<double> in(66150), out(66150);
    for (int n = 0; n < 66150; ++n)
        out[n] = f.processSample(in[n] = 0.5 * saw(n));
    return magnitude(slice(out, 22050, 44100), fs, 100.0 * k) / magnitude(slice(in, 22050, 44100), fs, 100.0 * k);
}

} // namespace

TEST(MonoFilter, CutoffFollowsKeyBendVelocityAndTheOutputLimitedToOne)
{
    MonoFilter f = makeSection(1, 1000.0);
    f.setKeyTrack(1.0);
    f.setRefKey(33);
    f.noteOn(45, 64, 0);
    EXPECT_NEAR(f.getCurrentCutoff(), 2000.0, 1e-9);
    f.noteOn(21, 64, 50); // an octave down plus half a semitone of detune
    EXPECT_NEAR(f.getCurrentCutoff(), 500.0 * std::pow(2.0, 0.5 / 12.0), 1e-9);
    f.setKeyTrack(0.5);
    f.setRefKey(45);
    f.setRefKey(128.0); // refused
    f.noteOn(69, 64, 0); // two octaves up, half tracked
    EXPECT_NEAR(f.getCurrentCutoff(), 2000.0, 1e-9);
    f.setPitchBend(12.0);
    settle(through(f), 0.0, 1);
    EXPECT_NEAR(f.getLastCutoff(), 2000.0 * std::sqrt(2.0), 1e-9);

    // Velocity: +12 semitones at 127, -12 at 1, and an accent change acts at once.
    MonoFilter v = makeSection(1, 1000.0);
    v.setFreqByVel(12.0);
    v.noteOn(60, 127, 0);
    EXPECT_NEAR(v.getCurrentCutoff(), 2000.0, 1e-9);
    v.noteOn(60, 1, 0);
    v.setAccent(0.5);
    EXPECT_NEAR(v.getCurrentCutoff(), 1000.0 / std::sqrt(2.0), 1e-9);

    // Modulation by the output sees it limited to +-1.
    MonoFilter peak = makeSection(7, 1000.0); // peaking +24 dB
    peak.setGain(24.0);
    peak.setCutoffModByOutput(100.0);
    peak.setCutoffModByInput(150.0); // out of range: refused
    peak.noteOn(60, 64, 0);
    double previous = 0.0;
    double loudest = 0.0;
    for (int n = 0; n < 2000; ++n) {
        const double y = peak.processSample(0.5 * std::sin(2.0 * pi * 1000.0 * n / fs));
        ASSERT_NEAR(peak.getLastCutoff(), 1000.0 * (1.0 + std::clamp(previous, -1.0, 1.0)), 1e-9) << n;
        loudest = std::max(loudest, std::abs(y));
        previous = y;
    }
    EXPECT_GT(loudest, 2.0);
}

TEST(MonoFilter, ModesFilterASawtoothAsTheyShould)
{
    // Two biquad stages or the ladders' four poles keep the 20th harmonic far
    // down; the highpass (mode 2) takes the fundamental away.
    std::map<double, double> twentieth;
    for (double mode : {1.0, 10.0, 11.0, 12.0, 40.0}) {
        MonoFilter f = makeSection(mode, 400.0);
        f.setResonance(mode <= 9 ? 0.7071 : 0.0);
        f.setNumStages(mode <= 9 ? 2.0 : 4.0);
        f.noteOn(60, 64, 0);
        EXPECT_GT(harmonicGain(f, 1), 0.85) << mode;
        twentieth[mode] = harmonicGain(f, 20);
        EXPECT_LT(twentieth[mode], 0.01) << mode;
    }
    // The 303 ladder's fourth pole lies higher, at 11/6 of the cutoff.
    EXPECT_GT(twentieth[11.0], 1.5 * std::max(twentieth[10.0], twentieth[12.0]));
    MonoFilter hp = makeSection(2, 1000.0);
    hp.noteOn(60, 64, 0);
    EXPECT_LT(harmonicGain(hp, 1), 0.02);
}

TEST(MonoFilter, AudioRateModulationKeepsTheDesignsLevelAndARunawayIsCleared)
{
    // A resonant biquad swung across the spectrum sample by sample used to be
    // pumped up by its own history until the section cleared it; it stays
    // within a few times what its design makes of the input: the lowpass
    // peaks at about q = 7, the allpass and the flat shelf (0 dB) at 1.
    for (double mode : { 1.0, 6.0, 9.0 }) {
        MonoFilter f = makeSection(mode, 20000.0);
        f.setResonance(7.0);
        f.setCutoffModByInput(97.0);
        f.noteOn(52, 100, 0);
        double loudest = 0.0;
        for (int n = 0; n < 44100; ++n)
            loudest = std::max(loudest, std::abs(f.processSample(std::sin(2.0 * pi * 15000.0 * n / fs))));
        EXPECT_LT(loudest, 6.0 * (mode == 1.0 ? 7.0 : 1.0)) << "mode " << mode;
    }
    // Whatever still runs off is cleared at once: the section goes on as a fresh one.
    MonoFilter hit = makeSection(6, 1000.0);
    MonoFilter fresh = makeSection(6, 1000.0);
    hit.noteOn(52, 100, 0);
    fresh.noteOn(52, 100, 0);
    settle(through(fresh), 0.0, 1);
    EXPECT_EQ(hit.processSample(1e200), 0.0);
    for (int n = 0; n < 100; ++n)
        ASSERT_EQ(hit.processSample(saw(n)), fresh.processSample(saw(n))) << n;
}
