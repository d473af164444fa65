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

TEST(SuperOscillator, VoiceFrequenciesForBothSpacings)
{
    SuperOscillator osc;
    osc.setDensity(3);
    osc.setDetune(12.0);
    expectRatios(osc, {1.0, 2.0, 0.5});
    osc.setSpacing(true);
    expectRatios(osc, {1.0, 1.5, 0.5});
    osc.setDensity(7); // steps of a sixth of the centre frequency
    expectRatios(osc, {1.0, 7.0 / 6.0, 5.0 / 6.0, 8.0 / 6.0, 4.0 / 6.0, 1.5, 0.5});
    osc.setSpacing(false);
    osc.setDetune(3.0);
    osc.setPulseWidth(0.25);
    const double s = std::pow(2.0, 1.0 / 12.0);
    expectRatios(osc, {1.0, s, 1.0 / s, s * s, 1.0 / (s * s), s * s * s, 1.0 / (s * s * s)}, 0.25);
}

TEST(SuperOscillator, DensityKeepsOddCountsThatFitTheVoiceArrays)
{
    SuperOscillator osc;
    osc.setDensity(5);
    for (std::int64_t bad : std::initializer_list<std::int64_t>{4, 0, -3, 129, (std::int64_t(1) << 40) + 1})
        osc.setDensity(bad);
    EXPECT_EQ(osc.getDensity(), 5);
    EXPECT_DOUBLE_EQ(osc.getVoiceGain(), 1.0 / std::sqrt(5.0));
    osc.setDensity(127);
    osc.setDetune(7.0);
    osc.setFrequency(440.0);
    EXPECT_NEAR(osc.getVoiceIncrementFirstHalf(125), base * std::pow(2.0, 7.0 / 12.0), 1e-9);
    EXPECT_NEAR(osc.getVoiceIncrementFirstHalf(126), base * std::pow(2.0, -7.0 / 12.0), 1e-9);
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
    noise.reseed(0);
    osc.resetPhase(); // also restarts the redraw count
    LcgReference draws; // what the side voices should see
    double factor[3] = {1.0, 1.0, 1.0}, phase[3] = {0.0, 0.0, 0.0};
    for (int i = 0; i < 3 * 2205 + 10; ++i) {
        for (int v = 1; v < 3 && i % 2205 == 0; ++v)
            factor[v] = 1.0 + 0.1 * draws.white();
        osc.getSampleAntiAliased();
        for (int v = 0; v < 3; ++v) {
            phase[v] = std::fmod(phase[v] + base * factor[v], 8191.0);
            ASSERT_NEAR(osc.getVoicePhase(v), phase[v], 1e-6) << "read " << i << " voice " << v;
        }
    }

    osc.setSampleRate(88200.0);
    osc.setDetuneRandomRate(0.005);
    EXPECT_EQ(osc.getRandomInterval(), 4410);
    osc.setDetuneRandomRate(100.0);
    EXPECT_EQ(osc.getRandomInterval(), 882);
    osc.setSampleRate(1.0);
    EXPECT_EQ(osc.getRandomInterval(), 1);
}

TEST(SuperOscillator, OutputSumsTheVoicesAndFlagsTheCentreWrap)
{
    SuperOscillator osc;
    NoiseGenerator noise;
    osc.setNoiseSource(noise);
    osc.setWaveform(6);
    osc.setDensity(3);
    osc.setFrequency(440.0);
    noise.reseed(0);
    double p = 0.0;
    for (int i = 0; i < 400; ++i) {
        p = std::fmod(p + base, 8191.0); // the plain read: the table as built
        ASSERT_NEAR(osc.getSample(), 3.0 * lerp(osc.getTable(0), p) / std::sqrt(3.0), 1e-9);
        const bool wraps = p + base >= 8191.0;
        p = std::fmod(p + base, 8191.0);
        // 440 Hz: the centre reads table 8, the side voices one step further.
        const double expected = (lerp(osc.getTable(8), p) + 2.0 * lerp(osc.getTable(9), p)) / std::sqrt(3.0);
        ASSERT_NEAR(osc.getSampleAntiAliased(), expected, 1e-9) << i;
        ASSERT_EQ(osc.getCycleWrapped(), wraps) << i;
    }
    EXPECT_EQ(noise.next(), 21238); // one redraw of two voices; the plain reads draw nothing

    // A prepared waveform reaches every voice at the next read; silence reports no wrap.
    osc.setDetune(7.0);
    while (!osc.getCycleWrapped())
        osc.getSample();
    osc.prepareWaveform(0);
    EXPECT_TRUE(osc.getCycleWrapped()); // nothing changes before the next read
    EXPECT_EQ(osc.getSample(), 0.0);
    EXPECT_EQ(osc.getSampleAntiAliased(), 0.0);
    EXPECT_FALSE(osc.getCycleWrapped());
    for (std::int64_t wave : {5, 3, 7}) // the last request wins
        osc.prepareWaveform(wave);
    const double sample = osc.getSample();
    EXPECT_DOUBLE_EQ(osc.getTable(0)[100], -100.0 / 4096.0); // saw down
    double sum = 0.0;
    for (int v = 0; v < 3; ++v)
        sum += lerp(osc.getTable(0), osc.getVoicePhase(v));
    EXPECT_NEAR(sample, sum / std::sqrt(3.0), 1e-9);
}

TEST(SuperOscillator, SingleVoiceReadsLikeThePlainOscillator)
{
    Oscillator plain;
    SuperOscillator super;
    super.setDetune(12.0);
    super.setSpacing(true);
    super.setDetuneRandom(100.0);
    for (Oscillator* osc : {&plain, static_cast<Oscillator*>(&super)}) {
        osc->setWaveform(10);
        osc->setPulseWidth(0.3);
        osc->setFrequency(1234.5);
        osc->calcIncrements();
    }
    for (int i = 0; i < 5000; ++i)
        ASSERT_NEAR(super.getSampleAntiAliased(), plain.getSampleAntiAliased(), 1e-9) << i;
}

TEST(SuperOscillator, HostileSettingsNeverGiveNonFiniteOutput)
{
    SuperOscillator osc;
    osc.setWaveform(13);
    osc.setDensity(127);
    osc.setDetuneRandom(100.0);
    for (double rate : {44100.0, 1e-310}) {
        osc.setSampleRate(rate);
        for (double value : hostileAnd({-440.0, 0.999999999})) {
            osc.setDetune(value);
            osc.setPulseWidth(value);
            osc.setFrequency(value);
            osc.setDetuneRandom(value);
            osc.setDetuneRandomRate(value);
            for (int i = 0; i < 20; ++i) {
                ASSERT_TRUE(std::isfinite(osc.getSampleAntiAliased() + osc.getSample())) << rate << " " << value;
                for (int v = 0; v < 127; ++v)
                    ASSERT_TRUE(osc.getVoicePhase(v) >= 0.0 && osc.getVoicePhase(v) <= 8191.0);
            }
        }
    }
    osc.setFrequency(100.0);
    osc.setFrequency(std::nan(""));
    EXPECT_EQ(osc.getFrequency(), 100.0);
}
