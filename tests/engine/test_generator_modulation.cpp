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
void tuneOsc(G& g, int osc, std::int64_t waveform, double semitones)
{
    (g.*(osc == 2 ? &G::setO2Wave : &G::setO3Wave))(waveform);
    (g.*(osc == 2 ? &G::setO2CoarseTune : &G::setO3CoarseTune))(semitones);
}

} // namespace

TEST(GeneratorModulation, RingModulationAmountsKeepTheAccentOfTheirSetting)
{
    // 12 dB more start level at velocity 127, set at accent 1, then the accent
    // drops to 0: only the ring-modulation amount keeps its 12 dB.
    auto startLevel = [](int ramp, int velocity) {
        auto e = makeDefaultEngine(kRate);
        const bool ring = ramp == G::rm12Ramp;
        e->setEnvSlope(1.0);
        e->generator.setModulation(1);
        tuneOsc(e->generator, 2, 3, -24.0); // a sine two octaves down, itself silent
        setRamp(e->generator, G::osc2AmpRamp, -96.0);
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

TEST(GeneratorModulation, HardSyncLocksToOscillatorOneAndItsSelfModulationIsUnscaledOnly)
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

    // Oscillator 1 modulates itself in the unscaled modes only.
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
