#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "tests/engine/EngineTestSupport.h"

namespace {

constexpr double kRate = 44100.0;
using G = MonoGenerator;

// Half a second of the steady part of note 69 (440 Hz) after the patch change.
std::vector<double> play(const std::function<void(Zarvex2&)>& patch, int note = 69)
{
    auto e = makeDefaultEngine(kRate);
    patch(*e);
    e->noteOn(note, 64, 0);
    return slice(render(*e, 26460), 4410, 22050);
}

void setRamp(G& g, int ramp, double value)
{
    g.setRampStart(ramp, value);
    g.setRampEnd(ramp, value);
}

// Oscillator 2 as a 110 Hz sine modulator, itself almost silent.
void quietModulator2(Zarvex2& e)
{
    e.generator.setO2Wave(3);
    e.generator.setO2CoarseTune(-24.0);
    setRamp(e.generator, G::osc2AmpRamp, -96.0);
}

void quietModulator3(Zarvex2& e)
{
    e.generator.setO3Wave(3);
    e.generator.setO3CoarseTune(-24.0);
    setRamp(e.generator, G::osc3AmpRamp, -96.0);
}

} // namespace

TEST(GeneratorWaveforms, HarmonicsMatchTheWaveShape)
{
    struct Case {
        std::int64_t waveform;
        double first, second, third; // harmonic amplitudes of the ideal shape
    };
    const double pi = std::numbers::pi;
    for (const Case c : {Case{3, 1.0, 0.0, 0.0}, Case{4, 8 / (pi * pi), 0.0, 8 / (9 * pi * pi)},
                         Case{5, 4 / pi, 0.0, 4 / (3 * pi)}, Case{6, 2 / pi, 1 / pi, 2 / (3 * pi)}}) {
        const auto x = play([&](Zarvex2& e) { e.generator.setO1Wave(c.waveform); });
        SCOPED_TRACE(c.waveform);
        EXPECT_NEAR(magnitude(x, kRate, 440.0), c.first, 0.01);
        EXPECT_NEAR(magnitude(x, kRate, 880.0), c.second, 0.01);
        EXPECT_NEAR(magnitude(x, kRate, 1320.0), c.third, 0.01);
    }
}

TEST(GeneratorWaveforms, PulseWidthSetsTheDutyCycle)
{
    // A pulse of duty d has harmonics in proportion to |sin(pi n d)| / n. (The
    // split phase runs a little fast, so the pitch is measured first.)
    const auto x = play([](Zarvex2& e) {
        e.generator.setO1Wave(5);
        e.generator.setO1PW(25.0);
    });
    const double hz = frequencyOf(x, kRate);
    const double h1 = magnitude(x, kRate, hz);
    EXPECT_NEAR(magnitude(x, kRate, 2 * hz) / h1, std::sin(std::numbers::pi / 2) / 2 / std::sin(std::numbers::pi / 4),
                0.01);
}

TEST(GeneratorWaveforms, OscillatorsTwoAndThreeFollowTheirTuning)
{
    const auto two = play([](Zarvex2& e) {
        e.generator.setO1Wave(0);
        e.generator.setO2Wave(3);
        e.generator.setO2CoarseTune(7.0);
        e.generator.setO2FineTune(30.0);
    });
    EXPECT_NEAR(frequencyOf(two, kRate), 440.0 * std::pow(2.0, 7.3 / 12.0), 0.2);
    const auto three = play([](Zarvex2& e) {
        e.generator.setO1Wave(0);
        e.generator.setO3Wave(3);
        e.generator.setO3FineTune(-50.0);
        e.generator.setO3CoarseTune(-12.0);
    });
    EXPECT_NEAR(frequencyOf(three, kRate), 440.0 * std::pow(2.0, -12.5 / 12.0), 0.1);
}

TEST(GeneratorWaveforms, AllOscillatorsOffGiveSilenceAndFreezeTheRamps)
{
    auto e = makeDefaultEngine(kRate);
    e->generator.setO1Wave(0);
    e->generator.setRampStart(G::osc1AmpRamp, -20.0);
    e->generator.ramps[G::osc1AmpRamp].setTime(100.0);
    e->noteOn(69, 64, 0);
    for (double s : render(*e, 4410))
        ASSERT_EQ(s, 0.0);
    EXPECT_DOUBLE_EQ(e->generator.ramps[G::osc1AmpRamp].getCurrentValue(), 0.1);
}

TEST(GeneratorModulation, AmplitudeModulationAddsSidebandsOfHalfTheDepth)
{
    for (int source : {2, 3}) {
        const auto x = play([&](Zarvex2& e) {
            e.generator.setModulation(1);
            if (source == 2) {
                quietModulator2(e);
                setRamp(e.generator, G::am21Ramp, 0.5);
            } else {
                quietModulator3(e);
                setRamp(e.generator, G::am31Ramp, 0.5);
            }
        });
        SCOPED_TRACE(source);
        EXPECT_NEAR(magnitude(x, kRate, 440.0), 1.0, 0.01);
        EXPECT_NEAR(magnitude(x, kRate, 330.0), 0.25, 0.005);
        EXPECT_NEAR(magnitude(x, kRate, 550.0), 0.25, 0.005);
    }
}

TEST(GeneratorModulation, FrequencyModulationFollowsTheBesselFunctions)
{
    // The depth scales the modulator's frequency, so it is the modulation index.
    const double index = 1.5;
    for (int source : {2, 3}) {
        const auto x = play([&](Zarvex2& e) {
            e.generator.setModulation(2);
            if (source == 2) {
                quietModulator2(e);
                setRamp(e.generator, G::fm21Ramp, index);
            } else {
                quietModulator3(e);
                setRamp(e.generator, G::fm31Ramp, index);
            }
        });
        SCOPED_TRACE(source);
        for (int k = 0; k <= 3; ++k) {
            const double expected = std::abs(std::cyl_bessel_j(static_cast<double>(k), index));
            EXPECT_NEAR(magnitude(x, kRate, 440.0 + 110.0 * k), expected, 0.01) << k;
            EXPECT_NEAR(magnitude(x, kRate, 440.0 - 110.0 * k), expected, 0.01) << -k;
        }
    }
}

TEST(GeneratorModulation, SelfModulationOnlyInTheUnscaledModes)
{
    for (int mode : {1, 2, 3}) {
        const auto x = play([&](Zarvex2& e) {
            e.generator.setModulation(mode);
            setRamp(e.generator, G::fm11Ramp, 40.0);
        });
        const double second = magnitude(x, kRate, 880.0) / magnitude(x, kRate, 440.0);
        if (mode == 3)
            EXPECT_LT(second, 1e-3);
        else
            EXPECT_GT(second, 0.02) << mode;
    }
}

TEST(GeneratorModulation, RingModulationGivesSumAndDifference)
{
    // Each pair plays 440 and 110 Hz; the oscillators themselves are almost
    // silent, and oscillator 1 also when it is not part of the pair.
    for (int ramp : {G::rm12Ramp, G::rm13Ramp, G::rm23Ramp}) {
        const auto x = play([&](Zarvex2& e) {
            G& g = e.generator;
            g.setModulation(1);
            setRamp(g, ramp, 0.0);
            setRamp(g, G::osc1AmpRamp, -96.0);
            if (ramp != G::rm13Ramp)
                quietModulator2(e);
            if (ramp != G::rm12Ramp)
                quietModulator3(e);
            if (ramp == G::rm23Ramp)
                g.setO3CoarseTune(0.0);
        });
        SCOPED_TRACE(ramp);
        EXPECT_NEAR(magnitude(x, kRate, 330.0), 0.5, 0.01);
        EXPECT_NEAR(magnitude(x, kRate, 550.0), 0.5, 0.01);
        EXPECT_LT(magnitude(x, kRate, 440.0), 1e-3);
        EXPECT_LT(magnitude(x, kRate, 110.0), 1e-3);
    }
}

TEST(GeneratorModulation, RingModulationAmountsKeepTheAccentOfTheirSetting)
{
    // 12 dB more start level at velocity 127, set at accent 1, then the accent
    // drops to 0: only the ring-modulation amount keeps its 12 dB.
    auto startLevel = [](int ramp, int velocity) {
        auto e = makeDefaultEngine(kRate);
        G& g = e->generator;
        e->setEnvSlope(1.0);
        g.setModulation(1);
        quietModulator2(*e);
        setRamp(g, G::rm12Ramp, ramp == G::rm12Ramp ? 0.0 : -96.0);
        setRamp(g, G::osc1AmpRamp, ramp == G::rm12Ramp ? -96.0 : 0.0);
        g.ramps[ramp].setTime(2000.0);
        g.setRampStartByVel(ramp, 12.0);
        e->setAccent(0.0);
        e->noteOn(69, velocity, 0);
        return magnitude(render(*e, 2205), kRate, ramp == G::rm12Ramp ? 330.0 : 440.0);
    };
    EXPECT_NEAR(20 * std::log10(startLevel(G::rm12Ramp, 127) / startLevel(G::rm12Ramp, 64)), 12.0, 0.2);
    EXPECT_NEAR(startLevel(G::osc1AmpRamp, 127) / startLevel(G::osc1AmpRamp, 64), 1.0, 1e-9);
}

TEST(GeneratorModulation, HardSyncLocksTheSelectedOscillatorToOscillatorOne)
{
    // Oscillator 1 at 220 Hz is silent; oscillator 2 or 3 is a saw a fifth above.
    const double fifth = 220.0 * std::pow(2.0, 7.0 / 12.0);
    for (int target : {2, 3}) {
        for (int mode : {0, 1, 2, 3}) {
            const auto x = play(
                [&](Zarvex2& e) {
                    G& g = e.generator;
                    setRamp(g, G::osc1AmpRamp, -96.0);
                    if (target == 2) {
                        g.setO2Wave(6);
                        g.setO2CoarseTune(7.0);
                    } else {
                        g.setO3Wave(6);
                        g.setO3CoarseTune(7.0);
                    }
                    g.setSyncToOsc1(mode);
                },
                57);
            const bool synced = mode == 3 || mode == target - 1;
            SCOPED_TRACE(testing::Message() << "target " << target << " mode " << mode);
            // Synced, the output repeats with oscillator 1's period and has
            // nothing left at the saw's own frequency.
            if (synced)
                EXPECT_LT(magnitude(x, kRate, fifth), 0.03);
            else
                EXPECT_NEAR(magnitude(x, kRate, fifth), 2 / std::numbers::pi, 0.01);
            EXPECT_EQ(magnitude(x, kRate, 220.0) > 0.1, synced);
        }
    }
}

TEST(GeneratorModulation, SyncToOscillatorThreeCarriesTheWrapsFraction)
{
    // At each wrap of oscillator 1, oscillator 3 restarts from its start phase
    // (90 degrees, 2048 points) plus the part of the cycle oscillator 1 has
    // already run into its next period; oscillator 2 restarts plainly.
    auto g = std::make_unique<MonoGenerator>();
    g->setSampleRate(88200.0);
    g->setO1Wave(3);
    g->setO2Wave(3);
    g->setO3Wave(3);
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

TEST(GeneratorModulation, SyncRestsWhileOscillatorOneIsOff)
{
    auto g = std::make_unique<MonoGenerator>();
    g->setSampleRate(88200.0);
    g->setO1Wave(3);
    g->setO2Wave(6);
    g->setO3Wave(0);
    g->setO2CoarseTune(7.0);
    g->setSyncToOsc1(1);
    g->noteOn(57, 64, 0);
    while (!g->osc1.getCycleWrapped())
        g->tick();
    g->setO1Wave(0);
    std::vector<double> x(8820);
    for (double& s : x)
        s = g->tick();
    EXPECT_NEAR(magnitude(x, 88200.0, 220.0 * std::pow(2.0, 7.0 / 12.0)), 2 / std::numbers::pi, 0.02);
}

TEST(GeneratorModulation, VibratoSwingsThePitchByItsDepth)
{
    auto e = makeDefaultEngine(kRate);
    e->generator.setVibWave(3);
    e->generator.vibratoLfo.setFrequency(5.0);
    e->generator.vibratoLfo.calcIncrements();
    e->generator.setVibDepth(0.02);
    e->noteOn(69, 64, 0);
    const auto crossings = risingCrossings(render(*e, 44100));
    double lowest = 1e9;
    double highest = 0.0;
    for (std::size_t i = 1; i < crossings.size(); ++i) {
        const double hz = kRate / (crossings[i] - crossings[i - 1]);
        lowest = std::min(lowest, hz);
        highest = std::max(highest, hz);
    }
    EXPECT_NEAR(highest, 440.0 * 1.02, 1.0);
    EXPECT_NEAR(lowest, 440.0 * 0.98, 1.0);
}
