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

// Sine and cosine amplitudes of the harmonics of a table (index 0: the mean).
struct Harmonics {
    std::vector<double> sine, cosine;
    double at(int k) const { return std::hypot(sine[k], cosine[k]); }
};

Harmonics harmonicsOf(const double* table)
{
    FourierTransformer fft;
    fft.setLength(n);
    std::vector<double> packed(n);
    fft.transformRealSignal(table, packed.data());
    Harmonics h{std::vector<double>(n / 2), std::vector<double>(n / 2)};
    h.cosine[0] = packed[0] / n;
    for (int k = 1; k < n / 2; ++k) {
        h.cosine[k] = packed[2 * k] / n;
        h.sine[k] = -packed[2 * k + 1] / n;
    }
    return h;
}

// Level in dB per octave band of harmonics [first, 2 first), fitted by a line over the octaves.
double slopePerOctave(const Harmonics& h, int first, int octaves)
{
    double sx = 0.0, sy = 0.0, sxx = 0.0, sxy = 0.0;
    for (int o = 0; o < octaves; ++o) {
        double power = 0.0;
        for (int k = first << o; k < 2 * (first << o); ++k)
            power += h.at(k) * h.at(k);
        const double y = 10.0 * std::log10(power / (first << o));
        sx += o;
        sy += y;
        sxx += o * o;
        sxy += o * y;
    }
    return (octaves * sxy - sx * sy) / (octaves * sxx - sx * sx);
}

std::vector<double> play(Oscillator& osc, double hz, std::size_t count, bool antiAliased = true)
{
    osc.setFrequency(hz);
    osc.calcIncrements();
    return record([&] { return antiAliased ? osc.getSampleAntiAliased() : osc.getSample(); }, count);
}

} // namespace

TEST(Oscillator, TableSpectraMatchTheirShapes)
{
    // Sine amplitude of odd harmonic k (even ones: `even`); cosine terms are only
    // the half-sample error of the jumps.
    const struct {
        std::int64_t wave;
        double (*odd)(int k);
        double (*even)(int k);
    } shapes[] = {
        {3, [](int k) { return k == 1 ? 1.0 : 0.0; }, nullptr},
        {4, [](int k) { return 8.0 / (pi * pi * k * k) * (k % 4 == 1 ? 1 : -1); }, nullptr},
        {5, [](int k) { return 4.0 / (pi * k); }, nullptr},
        {6, [](int k) { return 2.0 / (pi * k); }, [](int k) { return -2.0 / (pi * k); }},
        {7, [](int k) { return -2.0 / (pi * k); }, [](int k) { return 2.0 / (pi * k); }},
        {11, [](int k) { return 4.0 / (pi * k) - (k == 1); }, nullptr},
    };
    Oscillator osc;
    for (const auto& s : shapes) {
        osc.setWaveform(s.wave);
        const Harmonics h = harmonicsOf(osc.getTable(0));
        for (int k = 1; k <= 9; ++k) {
            EXPECT_NEAR(h.sine[k], k % 2 ? s.odd(k) : s.even ? s.even(k) : 0.0, 1e-3) << s.wave << " " << k;
            EXPECT_NEAR(h.cosine[k], 0.0, 1e-3) << s.wave << " " << k;
        }
        // Half-wave symmetric shapes have no even harmonics at all.
        for (int k = 2; !s.even && k < 200; k += 2)
            ASSERT_LT(h.at(k), 1e-9) << s.wave << " " << k;
    }

    // Shaped and noise tables: no DC and a peak of 1.
    for (std::int64_t wave : {8, 9, 10, 12, 13, 14, 15, 16}) {
        osc.setWaveform(wave);
        const double* t = osc.getTable(0);
        EXPECT_NEAR(std::accumulate(t, t + n, 0.0) / n, 0.0, wave == 13 ? 0.01 : 1e-12) << wave;
        EXPECT_DOUBLE_EQ(peakOf(std::vector<double>(t, t + n)), 1.0) << wave;
    }
    osc.setWaveform(8);
    EXPECT_NEAR(osc.getTable(0)[8191], -0.33344, 1e-5);
    osc.setWaveform(10);
    EXPECT_NEAR(osc.getTable(0)[4096], -0.50009, 1e-5);
    EXPECT_DOUBLE_EQ(osc.getTable(0)[8191], 1.0);

    // Sine octaves halve in level up to the highest octave at or below 20 kHz,
    // read one point per sample at the rate in force when they are built.
    osc.setWaveform(12);
    Harmonics h = harmonicsOf(osc.getTable(0));
    EXPECT_NEAR(h.at(2048) / h.at(1), 1.0 / 2048.0, 1e-9);
    EXPECT_LT(h.at(3) + h.at(1000), 1e-9);
    osc.setSampleRate(88200.0);
    osc.setWaveform(13);
    osc.setWaveform(12);
    h = harmonicsOf(osc.getTable(0));
    EXPECT_NEAR(h.at(1024) / h.at(1), 1.0 / 1024.0, 1e-9);
    EXPECT_LT(h.at(2048), 1e-9);
}

TEST(Oscillator, NoiseCyclesAreWhitePinkAndBrown)
{
    Oscillator osc;
    osc.setWaveform(14);
    const std::vector<double> white(osc.getTable(0), osc.getTable(0) + n);
    EXPECT_NEAR(slopePerOctave(harmonicsOf(white.data()), 16, 7), 0.0, 0.5);
    osc.setWaveform(15);
    EXPECT_NEAR(slopePerOctave(harmonicsOf(osc.getTable(0)), 16, 7), -3.0, 0.5);
    // Brown noise is the running sum of the white cycle.
    osc.setWaveform(16);
    const double* brown = osc.getTable(0);
    const double scale = (brown[1] - brown[0]) / white[1];
    for (int i = 1; i < n; ++i)
        ASSERT_NEAR(brown[i] - brown[i - 1], scale * white[i], 1e-9) << i;
    EXPECT_NEAR(slopePerOctave(harmonicsOf(brown), 16, 7), -6.0, 0.5);

    // Rebuilt alike every time, from a source of their own.
    osc.setWaveform(3);
    osc.setWaveform(14);
    EXPECT_TRUE(std::equal(white.begin(), white.end(), osc.getTable(0)));
}

TEST(Oscillator, BandLimitedTablesStopAtTheirHighestHarmonic)
{
    Oscillator osc;
    osc.setWaveform(6);
    const Harmonics raw = harmonicsOf(osc.getTable(0));
    EXPECT_TRUE(std::equal(osc.getTable(0), osc.getTable(0) + n, osc.getTable(1)));
    for (int t = 2; t <= 12; ++t) {
        const int highest = 4096 / (1 << (t - 1)) - 1;
        const Harmonics h = harmonicsOf(osc.getTable(t));
        EXPECT_NEAR(h.cosine[0], 0.0, 1e-12) << "table " << t;
        for (int k = 1; k < n / 2; ++k)
            ASSERT_NEAR(h.at(k), k <= highest ? raw.at(k) : 0.0, 1e-9) << "table " << t << " harmonic " << k;
        EXPECT_EQ(osc.getTable(t)[n], osc.getTable(t)[0]);
    }
}

TEST(Oscillator, AntiAliasedSawKeepsItsHarmonicsAndNoAliases)
{
    Oscillator osc;
    osc.setWaveform(6);
    // 5 kHz: harmonics 1 ... 3 below 20 kHz stay; 5 ... 8 would fold back to 19.1, 14.1, 9.1 and 4.1 kHz.
    const double hz = 5000.0 * sharp;
    const auto high = play(osc, 5000.0, 44100);
    EXPECT_NEAR(magnitude(high, rate, 3 * hz) / magnitude(high, rate, hz), 1.0 / 3.0, 0.01);
    for (int k = 5; k <= 8; ++k)
        EXPECT_LT(magnitude(high, rate, rate - k * hz), 1e-4) << k;
    // 100 Hz: the 100th harmonic at 10 kHz is still there.
    const auto low = play(osc, 100.0, 44100);
    EXPECT_NEAR(magnitude(low, rate, 100 * 100.0 * sharp) / magnitude(low, rate, 100.0 * sharp), 0.01, 0.001);
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
    for (double bad : {0.0, -1.0, std::nan(""), HUGE_VAL}) {
        osc.setSampleRate(bad);
        osc.setFrequency(bad);
        osc.setPulseWidth(bad);
    }
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
    osc.setWaveform(2);
    White2PinkFilter reference;
    noise.reseed(0);
    expected.reseed(0);
    EXPECT_DOUBLE_EQ(osc.getSampleAntiAliased(), 0.25 * reference.processSample(expected.nextWhite()));
}

// Two threads prepare random waveforms while a third reads: every sample must
// come from the complete table of the waveform the reader reports.
TEST(Oscillator, PreparingOnOtherThreadsWhileReading)
{
    constexpr std::int64_t waves[] = {0, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    std::vector<std::vector<double>> reference(17);
    Oscillator single;
    for (std::int64_t wave : waves) {
        single.setWaveform(wave);
        reference[wave].assign(single.getTable(0), single.getTable(0) + n + 1);
    }

    Oscillator osc;
    osc.setFrequency(1234.5);
    osc.calcIncrements();
    // The requests go on until the reader has seen enough switches, however
    // the threads are scheduled.
    std::atomic<int> preparing{2}, changes{0};
    int wrong = 0;
    std::thread reader([&] {
        std::int64_t last = 0;
        bool more = true;
        while (more) {
            more = preparing.load() > 0; // one more read after the last request
            const double sample = osc.getSample();
            const std::int64_t wave = osc.getWaveform();
            const double p = osc.getPhase();
            const double* t = reference[wave].data();
            const double expected = wave == 0 ? 0.0 : t[int(p)] + (p - int(p)) * (t[int(p) + 1] - t[int(p)]);
            wrong += !(std::abs(sample - expected) <= 1e-12);
            changes += wave != last;
            last = wave;
        }
    });
    auto prepare = [&](unsigned seed) {
        std::mt19937 random(seed);
        // Built tables are shared, so a request is quick: each one leaves the
        // reader time to take it over.
        for (int i = 0; i < 100000 && changes.load() < 20; ++i) {
            osc.prepareWaveform(waves[random() % std::size(waves)]);
            std::this_thread::yield();
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

TEST(Oscillator, WaveformNamesNameWhatPlays)
{
    const char* names[] = {"Off", "WhiteNoise", "PinkNoise", "Sine", "Triangle", "Pulse", "SawUp", "SawDown",
        "PeakUp", "PeakDown", "MoogSaw", "EvenOnly", "SinOcts", "SawOcts", "WhiteNoiseCycle", "PinkNoiseCycle",
        "BrownNoiseCycle", "Sine"};
    char text[16];
    for (std::int64_t i = 0; i < 18; ++i) {
        getWaveformName(i, text);
        EXPECT_STREQ(text, names[i]) << i;
    }
    getWaveformName(1536, text); // oscillator 1's default plays the sine table
    EXPECT_STREQ(text, "Sine");
    getWaveformName(-1, text);
    EXPECT_STREQ(text, "Reserved");
}

TEST(Oscillator, OscillatorsShareTheTablesOfAWaveform)
{
    Oscillator a;
    Oscillator b;
    a.setWaveform(6);
    b.setWaveform(6);
    EXPECT_EQ(a.getTable(0), b.getTable(0));
    // The octave waveforms hold as many octaves as the rate leaves room for.
    b.setSampleRate(8000.0);
    a.setWaveform(13);
    b.setWaveform(13);
    EXPECT_NE(a.getTable(0), b.getTable(0));
}
