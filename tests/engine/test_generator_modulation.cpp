#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "tests/engine/EngineTestSupport.h"

namespace {

using G = MonoGenerator;

// Half a second of the steady part of a note (69 is 440 Hz) after a patch change.
std::vector<double> play(const std::function<void(G&)>& patch, int note = 69)
{
    auto e = makeDefaultEngine(kRate);
    patch(e->generator);
    e->noteOn(note, 64, 0);
    return slice(render(*e, 26460), 4410, 22050);
}

void setRamp(G& g, int ramp, double value)
{
    g.setRampStart(ramp, value);
    g.setRampEnd(ramp, value);
}

// Oscillator 2 or 3 with a waveform and a tuning.
void tuneOsc(G& g, int osc, std::int64_t waveform, double semitones, double cents = 0.0)
{
    (g.*(osc == 2 ? &G::setO2Wave : &G::setO3Wave))(waveform);
    (g.*(osc == 2 ? &G::setO2CoarseTune : &G::setO3CoarseTune))(semitones);
    (g.*(osc == 2 ? &G::setO2FineTune : &G::setO3FineTune))(cents);
}

// Oscillator 2 or 3 as a sine 24 semitones below the note, almost silent itself.
void quietModulator(G& g, int osc)
{
    tuneOsc(g, osc, 3, -24.0);
    setRamp(g, G::osc1AmpRamp + osc - 1, -96.0);
}

} // namespace

TEST(GeneratorWaveforms, HarmonicsMatchTheWaveShape)
{
    // Waveform and its first three harmonic amplitudes in the ideal shape.
    for (auto [waveform, h1, h2, h3] : {std::tuple{3, 1.0, 0.0, 0.0}, {4, 8 / (pi * pi), 0.0, 8 / (9 * pi * pi)},
                                        {5, 4 / pi, 0.0, 4 / (3 * pi)}, {6, 2 / pi, 1 / pi, 2 / (3 * pi)}}) {
        const auto x = play([&](G& g) { g.setO1Wave(waveform); });
        EXPECT_NEAR(magnitude(x, kRate, 440.0), h1, 0.01) << waveform;
        EXPECT_NEAR(magnitude(x, kRate, 880.0), h2, 0.01) << waveform;
        EXPECT_NEAR(magnitude(x, kRate, 1320.0), h3, 0.01) << waveform;
    }
    // A pulse of duty d has harmonics in proportion to |sin(pi n d)| / n. (The
    // split phase runs a little fast, so the pitch is measured first.)
    const auto x = play([](G& g) {
        g.setO1Wave(5);
        g.setO1PW(25.0);
    });
    const double hz = frequencyOf(x, kRate);
    EXPECT_NEAR(magnitude(x, kRate, 2 * hz) / magnitude(x, kRate, hz), 0.5 / std::sin(pi / 4), 0.01);
    // The tone filter's lowpass at the note's frequency takes 3 dB off.
    const auto filtered = play([](G& g) { g.osc1Filter.setLowpassFrequency(440.0); });
    EXPECT_NEAR(magnitude(filtered, kRate, 440.0), std::sqrt(0.5), 0.005);
}

TEST(GeneratorWaveforms, OscillatorsTwoAndThreeFollowTheirTuning)
{
    for (auto [osc, coarse, cents] : {std::tuple{2, 7.0, 30.0}, {3, -12.0, -50.0}}) {
        const auto x = play([&](G& g) {
            g.setO1Wave(0);
            tuneOsc(g, osc, 3, coarse, cents);
        });
        EXPECT_NEAR(frequencyOf(x, kRate), 440.0 * std::exp2((coarse + cents / 100.0) / 12.0), 0.2) << osc;
    }
}

TEST(GeneratorModulation, AmplitudeAndRingModulationGiveSumAndDifference)
{
    // 440 Hz with a 110 Hz partner: AM at depth 0.5 leaves the carrier and adds
    // sidebands of 0.25; ring modulation of two almost silent oscillators
    // leaves sidebands of 0.5 only.
    struct Case {
        int ramp, osc, partner;
        double value, carrier, sideband;
    };
    for (const Case c : {Case{G::am21Ramp, 1, 2, 0.5, 1.0, 0.25}, Case{G::am31Ramp, 1, 3, 0.5, 1.0, 0.25},
                         Case{G::rm12Ramp, 1, 2, 0.0, 0.0, 0.5}, Case{G::rm13Ramp, 1, 3, 0.0, 0.0, 0.5},
                         Case{G::rm23Ramp, 3, 2, 0.0, 0.0, 0.5}}) {
        const auto x = play([&](G& g) {
            g.setModulation(1);
            setRamp(g, c.ramp, c.value);
            quietModulator(g, c.partner);
            if (c.carrier == 0.0)
                setRamp(g, G::osc1AmpRamp, -96.0);
            if (c.osc == 3) {
                quietModulator(g, 3);
                g.setO3CoarseTune(0.0);
            }
        });
        EXPECT_NEAR(magnitude(x, kRate, 440.0), c.carrier, 0.01) << c.ramp;
        EXPECT_NEAR(magnitude(x, kRate, 330.0), c.sideband, 0.01) << c.ramp;
        EXPECT_NEAR(magnitude(x, kRate, 550.0), c.sideband, 0.01) << c.ramp;
        EXPECT_LT(magnitude(x, kRate, 110.0), 1e-3) << c.ramp;
    }
}

TEST(GeneratorModulation, FrequencyModulationFollowsTheBesselFunctions)
{
    // The depth scales the modulator's frequency, so it is the modulation index.
    const double index = 1.5;
    for (int osc : {2, 3}) {
        const auto x = play([&](G& g) {
            g.setModulation(2);
            quietModulator(g, osc);
            setRamp(g, osc == 2 ? G::fm21Ramp : G::fm31Ramp, index);
        });
        for (int k = -3; k <= 3; ++k)
            EXPECT_NEAR(magnitude(x, kRate, 440.0 + 110.0 * k), std::abs(std::cyl_bessel_j(std::abs(k), index)), 0.01)
                << osc << " " << k;
    }
    // Oscillator 1 modulates itself only in the unscaled modes.
    for (int mode : {1, 2, 3}) {
        const auto x = play([&](G& g) {
            g.setModulation(mode);
            setRamp(g, G::fm11Ramp, 40.0);
        });
        const double second = magnitude(x, kRate, 880.0) / magnitude(x, kRate, 440.0);
        EXPECT_EQ(second > 0.02, mode != 3) << mode;
        EXPECT_EQ(second < 1e-3, mode == 3) << mode;
    }
}

TEST(GeneratorModulation, RingModulationAmountsKeepTheAccentOfTheirSetting)
{
    // 12 dB more start level at velocity 127, set at accent 1, then the accent
    // drops to 0: only the ring-modulation amount keeps its 12 dB.
    auto startLevel = [](int ramp, int velocity) {
        auto e = makeDefaultEngine(kRate);
        const bool ring = ramp == G::rm12Ramp;
        e->setEnvSlope(1.0);
        e->generator.setModulation(1);
        quietModulator(e->generator, 2);
        setRamp(e->generator, G::rm12Ramp, ring ? 0.0 : -96.0);
        setRamp(e->generator, G::osc1AmpRamp, ring ? -96.0 : 0.0);
        e->generator.ramps[ramp].setTime(2000.0);
        e->generator.setRampStartByVel(ramp, 12.0);
        e->setAccent(0.0);
        e->noteOn(69, velocity, 0);
        return magnitude(render(*e, 2205), kRate, ring ? 330.0 : 440.0);
    };
    EXPECT_NEAR(20 * std::log10(startLevel(G::rm12Ramp, 127) / startLevel(G::rm12Ramp, 64)), 12.0, 0.2);
    EXPECT_NEAR(startLevel(G::osc1AmpRamp, 127) / startLevel(G::osc1AmpRamp, 64), 1.0, 1e-9);
}

TEST(GeneratorModulation, HardSyncLocksTheSelectedOscillatorToOscillatorOne)
{
    // Silent oscillator 1 at 220 Hz; oscillator 2 or 3 a saw a fifth above.
    // Synced, the output repeats with oscillator 1's period and keeps nothing
    // at the saw's own frequency.
    for (int osc : {2, 3}) {
        for (int mode : {0, 1, 2, 3}) {
            const auto x = play(
                [&](G& g) {
                    setRamp(g, G::osc1AmpRamp, -96.0);
                    tuneOsc(g, osc, 6, 7.0);
                    g.setSyncToOsc1(mode);
                },
                57);
            const bool synced = mode == 3 || mode == osc - 1;
            EXPECT_EQ(magnitude(x, kRate, 220.0 * std::exp2(7.0 / 12.0)) > 0.6, !synced) << osc << mode;
            EXPECT_EQ(magnitude(x, kRate, 220.0) > 0.1, synced) << osc << mode;
        }
    }
}

TEST(GeneratorModulation, SyncCarriesTheWrapsFractionToOscillatorThreeOnly)
{
    // At each wrap of oscillator 1, oscillator 2 restarts from its start phase
    // (45 degrees, 1024 points) and oscillator 3 from its own (90 degrees)
    // plus the part of the cycle oscillator 1 has already run into the next.
    auto g = std::make_unique<G>();
    g->setSampleRate(88200.0);
    for (auto set : {&G::setO1Wave, &G::setO2Wave, &G::setO3Wave})
        (g.get()->*set)(3);
    g->setO2CoarseTune(5.0);
    g->setO3CoarseTune(7.0);
    g->setO2Phase(45.0);
    g->setO3Phase(90.0);
    g->setSyncToOsc1(3);
    g->noteOn(57, 64, 0);
    int wraps = 0;
    for (int i = 0; i < 2000; ++i) {
        g->tick();
        if (g->osc1.getCycleWrapped()) {
            ++wraps;
            EXPECT_GT(g->osc1.getVoicePhase(0), 0.0);
            EXPECT_DOUBLE_EQ(g->osc3.getPhase(), 2048.0 + g->osc1.getVoicePhase(0));
            EXPECT_DOUBLE_EQ(g->osc2.getPhase(), 1024.0);
        }
    }
    EXPECT_EQ(wraps, 4);
}
