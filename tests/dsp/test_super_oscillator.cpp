#include "dsp/SuperOscillator.h"
#include "tests/support/Signals.h"

#include <gtest/gtest.h>

namespace {

constexpr double base = 440.0 * 8192.0 / 44100.0; // centre increment at 440 Hz

// Increments of voices 0 ... count-1 at 440 Hz against the centre, split by the pulse width.
void expectRatios(SuperOscillator& osc, std::initializer_list<double> ratios, double pulseWidth = 0.5)
{
    osc.setFrequency(440.0);
    int v = 0;
    for (double r : ratios) {
        EXPECT_NEAR(osc.getVoiceIncrementFirstHalf(v), base * r * 0.5 / pulseWidth, 1e-9) << "voice " << v;
        EXPECT_NEAR(osc.getVoiceIncrementSecondHalf(v), base * r * 0.5 / (1.0 - pulseWidth), 1e-9) << "voice " << v;
        ++v;
    }
}

} // namespace

TEST(SuperOscillator, VoiceFrequenciesForBothSpacingsAndEveryDensity)
{
    SuperOscillator osc;
    osc.setDensity(3);
    osc.setDetune(12.0);
    expectRatios(osc, {1.0, 2.0, 0.5});
    osc.setSpacing(true);
    osc.setDensity(7); // steps of a sixth of the centre frequency
    expectRatios(osc, {1.0, 7.0 / 6.0, 5.0 / 6.0, 8.0 / 6.0, 4.0 / 6.0, 1.5, 0.5});
    osc.setSpacing(false);
    osc.setDetune(3.0);
    osc.setPulseWidth(0.25);
    const double s = std::pow(2.0, 1.0 / 12.0);
    expectRatios(osc, {1.0, s, 1.0 / s, s * s, 1.0 / (s * s), s * s * s, 1.0 / (s * s * s)}, 0.25);

    // Odd counts that fit the voice arrays only.
    osc.setDensity(5);
    for (std::int64_t bad : std::initializer_list<std::int64_t>{4, 0, -3, 129, (std::int64_t(1) << 40) + 1})
        osc.setDensity(bad);
    EXPECT_EQ(osc.getDensity(), 5);
    EXPECT_DOUBLE_EQ(osc.getVoiceGain(), 1.0 / std::sqrt(5.0));
    osc.setDensity(127);
    EXPECT_EQ(osc.getDensity(), 127);
}

TEST(SuperOscillator, RandomDetuneIsRedrawnOnScheduleForSideVoicesOnly)
{
    SuperOscillator osc;
    NoiseGenerator noise;
    osc.setNoiseSource(noise);
    osc.setWaveform(3);
    osc.setDensity(3);
    osc.setDetuneRandom(10.0);
    osc.setFrequency(440.0);
    EXPECT_EQ(osc.getRandomInterval(), 2205);
    for (int i = 0; i < 100; ++i)
        osc.getSampleAntiAliased();
    osc.resetPhase(); // also restarts the redraw count
    double phase[3] = {}, previousStep[3] = {};
    int redraws = 0;
    for (int i = 0; i < 3 * 2205 + 10; ++i) {
        osc.getSampleAntiAliased();
        for (int v = 0; v < 3; ++v) {
            const double step = std::fmod(osc.getVoicePhase(v) - phase[v] + 8191.0, 8191.0); // across the wrap
            phase[v] = osc.getVoicePhase(v);
            ASSERT_LE(std::abs(step / base - 1.0), v == 0 ? 1e-9 : 0.1) << i << " voice " << v;
            if (v > 0 && i > 0) {
                const bool changed = std::abs(step - previousStep[v]) > 1e-9;
                ASSERT_EQ(changed, i % 2205 == 0) << i << " voice " << v;
                redraws += changed;
            }
            previousStep[v] = step;
        }
    }
    EXPECT_EQ(redraws, 6);
    osc.setSampleRate(1.0);
    EXPECT_EQ(osc.getRandomInterval(), 1);
}

TEST(SuperOscillator, VoicesInUnisonAddUpAndASingleVoiceReadsLikeThePlainOscillator)
{
    Oscillator plain;
    SuperOscillator super;
    auto start = [&](std::int64_t waveform, double pulseWidth, double hz) {
        for (Oscillator* osc : {&plain, static_cast<Oscillator*>(&super)}) {
            osc->setWaveform(waveform);
            osc->setPulseWidth(pulseWidth);
            osc->setFrequency(hz);
            osc->calcIncrements();
            osc->resetPhase();
        }
    };
    super.setDensity(3);
    start(6, 0.5, 440.0);
    int wraps = 0;
    for (int i = 0; i < 4000; ++i) {
        const double before = super.getVoicePhase(0);
        ASSERT_NEAR(super.getSample(), std::sqrt(3.0) * plain.getSample(), 1e-12) << i;
        ASSERT_EQ(super.getCycleWrapped(), super.getVoicePhase(0) < before) << i;
        wraps += super.getCycleWrapped();
    }
    EXPECT_EQ(wraps, int(4000 * base / 8191.0));

    // Detune of every kind moves the side voices only.
    super.setDensity(1);
    super.setDetune(12.0);
    super.setSpacing(true);
    super.setDetuneRandom(100.0);
    start(10, 0.3, 1234.5);
    for (int i = 0; i < 5000; ++i)
        ASSERT_NEAR(super.getSampleAntiAliased(), plain.getSampleAntiAliased(), 1e-9) << i;
}
