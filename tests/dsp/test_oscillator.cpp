#include "dsp/Oscillator.h"
#include "dsp/FourierTransformer.h"
#include "tests/support/Signals.h"

#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>

namespace {

constexpr int n = Oscillator::tableLength;
constexpr double rate = 44100.0;
// The tables wrap one point short of their length: every pitch runs this much sharp.
constexpr double sharp = n / (n - 1.0);

// Power of each harmonic of a table (index 0: the mean).
std::vector<double> powerOf(const double* table)
{
    FourierTransformer fft;
    fft.setLength(n);
    std::vector<double> packed(n), power(n / 2);
    fft.transformRealSignal(table, packed.data());
    power[0] = packed[0] * packed[0] / n / n;
    for (int k = 1; k < n / 2; ++k)
        power[k] = (packed[2 * k] * packed[2 * k] + packed[2 * k + 1] * packed[2 * k + 1]) / n / n;
    return power;
}

std::vector<double> play(Oscillator& osc, double hz, std::size_t count, bool antiAliased = true)
{
    osc.setFrequency(hz);
    osc.calcIncrements();
    return record([&] { return antiAliased ? osc.getSampleAntiAliased() : osc.getSample(); }, count);
}

} // namespace

TEST(Oscillator, TablesAreCentredAtFullScaleAndSymmetricShapesHaveNoEvenHarmonics)
{
    Oscillator osc;
    for (std::int64_t wave = 3; wave <= 16; ++wave) {
        osc.setWaveform(wave);
        const double* t = osc.getTable(0);
        if (wave >= 8) { // the shaped and noise tables are normalised
            EXPECT_NEAR(std::accumulate(t, t + n, 0.0) / n, 0.0, wave == 13 ? 0.01 : 1e-12) << wave;
            EXPECT_DOUBLE_EQ(peakOf(std::vector<double>(t, t + n)), 1.0) << wave;
        }
        if (wave == 3 || wave == 4 || wave == 5 || wave == 11) {
            const std::vector<double> power = powerOf(t);
            for (int k = 2; k < 200; k += 2)
                ASSERT_LT(power[k], 1e-18) << wave << " " << k;
        }
    }
    // Sine octaves halve in level up to the highest octave at or below 20 kHz,
    // read one point per sample at the rate in force when they are built.
    osc.setWaveform(12);
    std::vector<double> power = powerOf(osc.getTable(0));
    EXPECT_NEAR(std::sqrt(power[2048] / power[1]), 1.0 / 2048.0, 1e-9);
    osc.setSampleRate(88200.0);
    osc.setWaveform(13);
    osc.setWaveform(12);
    power = powerOf(osc.getTable(0));
    EXPECT_NEAR(std::sqrt(power[1024] / power[1]), 1.0 / 1024.0, 1e-9);
    EXPECT_LT(power[2048], 1e-18);
}

TEST(Oscillator, NoiseCyclesAreWhitePinkAndBrown)
{
    Oscillator osc;
    osc.setWaveform(14);
    const std::vector<double> white(osc.getTable(0), osc.getTable(0) + n);
    EXPECT_NEAR(octaveSlope(powerOf(white.data()), 16, 7), 0.0, 0.5);
    osc.setWaveform(15);
    EXPECT_NEAR(octaveSlope(powerOf(osc.getTable(0)), 16, 7), -3.0, 0.5);
    // Brown noise is the running sum of the white cycle.
    osc.setWaveform(16);
    const double* brown = osc.getTable(0);
    const double scale = (brown[1] - brown[0]) / white[1];
    for (int i = 1; i < n; ++i)
        ASSERT_NEAR(brown[i] - brown[i - 1], scale * white[i], 1e-9) << i;
    EXPECT_NEAR(octaveSlope(powerOf(brown), 16, 7), -6.0, 0.5);

    // Rebuilt alike every time, from a source of their own.
    osc.setWaveform(3);
    osc.setWaveform(14);
    EXPECT_TRUE(std::equal(white.begin(), white.end(), osc.getTable(0)));
}

TEST(Oscillator, BandLimitedSawKeepsEveryHarmonicBelow12KilohertzAndFoldsNoneBack)
{
    Oscillator osc;
    osc.setWaveform(6);
    for (double f : {100.0, 1000.0, 5000.0}) {
        const auto x = play(osc, f, 44100);
        const double hz = f * sharp, fundamental = magnitude(x, rate, hz);
        const int kept = static_cast<int>(12000.0 / hz);
        EXPECT_NEAR(magnitude(x, rate, kept * hz) / fundamental, 1.0 / kept, 0.01 / kept) << f;
        // Harmonics above half the rate would fold back to rate - k hz.
        for (int k = static_cast<int>(rate / 2 / hz) + 1; k * hz < rate && k < 40; ++k)
            EXPECT_LT(magnitude(x, rate, rate - k * hz), 1e-4 * fundamental) << f << " " << k;
    }
}

TEST(Oscillator, PitchPulseWidthAndRefusedSettings)
{
    Oscillator osc;
    osc.setWaveform(5); // the first half of the Pulse table is high
    osc.setPulseWidth(0.25);
    auto expectPulse = [&](double hz) {
        const auto x = play(osc, 100.0, 441000, false);
        EXPECT_NEAR(frequencyOf(x, rate), hz, hz * 0.005); // the split halves run a little fast
        EXPECT_NEAR(std::count_if(x.begin(), x.end(), [](double s) { return s > 0.0; }) / 441000.0, 0.25, 0.002);
    };
    expectPulse(100.0);
    osc.setFrequency(20000.0);
    osc.setPulseWidth(0.99);
    osc.setPulseWidth(0.01);
    expectPulse(100.0);
    osc.setSampleRate(88200.0);
    expectPulse(50.0);
}

TEST(Oscillator, StartPhaseAndLiveNoise)
{
    Oscillator osc;
    osc.setWaveform(3);
    osc.setStartPhase(90.0);
    for (double bad : {-1.0, 360.5, std::nan("")})
        osc.setStartPhase(bad);
    EXPECT_EQ(osc.getStartPhase(), 2048.0);
    for (double offset : {-9000.0, -1e6}) { // phases below 0 wrap into the period
        osc.resetPhase(offset);
        osc.getSample();
        const double p = 2048.0 + offset + osc.getIncrement();
        EXPECT_NEAR(osc.getPhase(), p - 8191.0 * std::floor(p / 8191.0), 1e-6);
    }

    const double before = osc.getPhase();
    osc.setWaveform(0);
    EXPECT_EQ(osc.getSample(), 0.0);
    EXPECT_EQ(osc.getSampleAntiAliased(), 0.0);
    EXPECT_EQ(osc.getPhase(), before);

    // Live noise comes from the oscillator's own source, one draw a read.
    NoiseGenerator noise, expected;
    osc.setNoiseSource(noise);
    osc.setWaveform(1);
    noise.reseed(0);
    expected.reseed(0);
    EXPECT_EQ(osc.getSample(), expected.nextWhite());
    EXPECT_EQ(osc.getSampleAntiAliased(), expected.nextWhite());
    // Building a noise cycle leaves the live sequence where it was.
    osc.setWaveform(14);
    osc.setWaveform(1);
    EXPECT_EQ(osc.getSample(), expected.nextWhite());
}

// Two threads prepare random waveforms while a third reads: every sample must
// come from the complete table of the waveform the reader reports.
TEST(Oscillator, PreparingOnOtherThreadsWhileReading)
{
    constexpr std::int64_t waves[] = {0, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    std::vector<std::vector<double>> reference(17, std::vector<double>(n + 1, 0.0));
    Oscillator osc;
    for (std::int64_t wave : waves) {
        osc.setWaveform(wave);
        if (wave > 0)
            reference[wave].assign(osc.getTable(0), osc.getTable(0) + n + 1);
    }
    osc.setWaveform(0);
    osc.setFrequency(1234.5);
    osc.calcIncrements();
    // The requests go on until the reader has seen enough switches, however
    // the threads are scheduled; one more read follows the last request.
    std::atomic<int> preparing{2}, changes{0};
    int wrong = 0;
    std::thread reader([&] {
        for (std::int64_t last = 0, more = 1; more;) {
            more = preparing.load() > 0;
            const double sample = osc.getSample();
            const double* t = reference[osc.getWaveform()].data();
            const double p = osc.getPhase();
            wrong += !(std::abs(sample - (t[int(p)] + (p - int(p)) * (t[int(p) + 1] - t[int(p)]))) <= 1e-12);
            changes += osc.getWaveform() != last;
            last = osc.getWaveform();
        }
    });
    auto prepare = [&](unsigned seed) {
        std::mt19937 random(seed);
        for (int i = 0; i < 100000 && changes.load() < 20; ++i) {
            osc.prepareWaveform(waves[random() % std::size(waves)]);
            std::this_thread::yield(); // tables are shared, so a request is quick
        }
        --preparing;
    };
    std::thread first(prepare, 1u), second(prepare, 2u);
    first.join();
    second.join();
    reader.join();
    EXPECT_EQ(wrong, 0);
    EXPECT_GE(changes.load(), 20);
}

TEST(Oscillator, WaveformsShareTheirTablesAndHigherNumbersPlayTheSine)
{
    Oscillator a;
    Oscillator b;
    a.setWaveform(6);
    b.setWaveform(6);
    EXPECT_EQ(a.getTable(0), b.getTable(0));
    a.setWaveform(3);
    b.setWaveform(1536); // oscillator 1's default
    EXPECT_TRUE(std::equal(a.getTable(0), a.getTable(0) + n, b.getTable(0)));
    char text[16];
    getWaveformName(1536, text);
    EXPECT_STREQ(text, "Sine");
    getWaveformName(-1, text);
    EXPECT_STREQ(text, "Reserved");
    // The octave waveforms hold as many octaves as the rate leaves room for.
    b.setSampleRate(8000.0);
    a.setWaveform(13);
    b.setWaveform(13);
    EXPECT_NE(a.getTable(0), b.getTable(0));
}
