#include "dsp/Oscillator.h"
#include "dsp/FourierTransformer.h"
#include "tests/support/Signals.h"

#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>

namespace {

constexpr int n = 8192;

double refSine(int i) { return std::sin(2.0 * pi * i / n); }
double refSaw(int i) { return 2.0 * ((i + 4096) % n) / n - 1.0; }
double refPulse(int i) { return i * 2 < n ? 1.0 : -1.0; }
double refSawDown(int i) { return -refSaw(i); }

template <class Shape>
std::vector<double> sampled(Shape shape)
{
    std::vector<double> v(n);
    for (int i = 0; i < n; ++i)
        v[i] = shape(i);
    return v;
}

// Without DC (when asked) and scaled to a peak of 1.
std::vector<double> normalised(std::vector<double> v, bool removeMean)
{
    double mean = 0.0, peak = 0.0;
    for (double x : v)
        mean += removeMean ? x / n : 0.0;
    for (double x : v)
        peak = std::max(peak, std::abs(x - mean));
    for (double& x : v)
        x = (x - mean) / peak;
    return v;
}

void expectTable(const Oscillator& osc, int t, const std::vector<double>& expected, double tol = 1e-12)
{
    const double* table = osc.getTable(t);
    for (int i = 0; i < n; ++i)
        ASSERT_NEAR(table[i], expected[i], tol) << "table " << t << " point " << i;
    EXPECT_EQ(table[n], table[0]) << "guard of table " << t;
}

std::vector<double> octaveSeries(double (*shape)(int), int terms)
{
    return sampled([=](int i) {
        double sum = 0.0;
        for (int k = 0; k < terms; ++k)
            sum += shape(int((std::int64_t(i) << k) % n)) / std::pow(2.0, k);
        return sum;
    });
}

// Entries 0 ... N/2: |DC|, 2|X[k]|, |Nyquist|.
std::vector<double> harmonicMagnitudes(const double* table)
{
    FourierTransformer fft;
    fft.setLength(n);
    std::vector<double> packed(n), magnitudes(n / 2 + 1);
    fft.transformRealSignal(table, packed.data());
    magnitudes[0] = std::abs(packed[0]);
    magnitudes[n / 2] = std::abs(packed[1]);
    for (int k = 1; k < n / 2; ++k)
        magnitudes[k] = std::hypot(packed[2 * k], packed[2 * k + 1]);
    return magnitudes;
}

} // namespace

TEST(Oscillator, TablesMatchTheirShapes)
{
    Oscillator osc;
    expectTable(osc, 0, sampled(refSine));
    const std::pair<std::int64_t, double (*)(int)> cases[] = {
        {4, [](int i) { return i < 2048 ? i / 2048.0 : (i < 6144 ? 2.0 - i / 2048.0 : i / 2048.0 - 4.0); }},
        {5, refPulse}, {6, refSaw}, {7, refSawDown}, {11, [](int i) { return refPulse(i) - refSine(i); }},
        {99, refSine},
    };
    for (const auto& [wave, shape] : cases) {
        osc.setWaveform(wave);
        expectTable(osc, 0, sampled(shape));
    }

    osc.setWaveform(8);
    EXPECT_NEAR(osc.getTable(0)[8191], -0.33344, 1e-5);
    const auto peakUp = normalised(sampled([](int i) { return i < 4096 ? 1.0 - i / 4096.0 : 0.0; }), true);
    expectTable(osc, 0, peakUp);
    osc.setWaveform(9);
    expectTable(osc, 0, sampled([&](int i) { return -peakUp[i]; }));
    osc.setWaveform(10);
    EXPECT_NEAR(osc.getTable(0)[0], 0.00006, 0.000005);
    EXPECT_NEAR(osc.getTable(0)[4096], -0.50009, 0.000005);
    EXPECT_DOUBLE_EQ(osc.getTable(0)[8191], 1.0);
    EXPECT_DOUBLE_EQ(*std::max_element(osc.getTable(0), osc.getTable(0) + n), 1.0);

    // Octave sums run up to the highest octave below the rate at the change.
    osc.setWaveform(12);
    const auto sines = octaveSeries(refSine, 12); // 2^11 <= 3715 < 2^12
    EXPECT_NEAR(*std::max_element(sines.begin(), sines.end()), 1.3297, 0.0001);
    expectTable(osc, 0, normalised(sines, false));
    osc.setSampleRate(88200.0); // octaves up to 1857: one term fewer
    osc.setWaveform(13);
    expectTable(osc, 0, normalised(octaveSeries(refSaw, 11), false));
}

TEST(Oscillator, NoiseCyclesAreRebuiltIdentically)
{
    LcgReference draws;
    const auto white = normalised(sampled([&](int) { return draws.white(); }), true);
    Oscillator osc;
    osc.setWaveform(14);
    expectTable(osc, 0, white);

    osc.setWaveform(16); // brown: its steps follow the white cycle
    const double* brown = osc.getTable(0);
    const double scale = (brown[1] - brown[0]) / white[1];
    for (int i = 1; i < n; ++i)
        ASSERT_NEAR(brown[i] - brown[i - 1], scale * white[i], 1e-9);

    osc.setWaveform(15); // pink: a settling pass, then the recorded pass
    White2PinkFilter filter;
    std::vector<double> pink(n);
    for (int pass = 0; pass < 2; ++pass)
        for (int i = 0; i < n; ++i)
            pink[i] = filter.processSample(white[i]);
    expectTable(osc, 0, normalised(pink, true));

}

TEST(Oscillator, BandLimitedTablesStopAtTheirHighestHarmonic)
{
    Oscillator osc;
    osc.setWaveform(6);
    const auto raw = harmonicMagnitudes(osc.getTable(0));
    expectTable(osc, 1, std::vector<double>(osc.getTable(0), osc.getTable(0) + n), 0.0);
    for (int t = 2; t <= 12; ++t) {
        const int highest = 4096 / (1 << (t - 1)) - 1;
        const auto m = harmonicMagnitudes(osc.getTable(t));
        EXPECT_NEAR(m[0], 0.0, 1e-9) << "table " << t;
        for (int k = 1; k <= n / 2; ++k)
            ASSERT_NEAR(m[k], k <= highest ? raw[k] : 0.0, 1e-9 * n) << "table " << t << " harmonic " << k;
        EXPECT_EQ(osc.getTable(t)[n], osc.getTable(t)[0]);
    }
}

TEST(Oscillator, IncrementsPulseWidthAndRejectedSettings)
{
    Oscillator osc;
    osc.setPulseWidth(0.25);
    osc.setFrequency(100.0);
    EXPECT_NEAR(osc.getIncrement(), 440.0 * n / 44100.0, 1e-12); // only stored so far
    osc.calcIncrements();
    EXPECT_NEAR(osc.getIncrementFirstHalf(), 2.0 * 100.0 * n / 44100.0, 1e-12);
    EXPECT_NEAR(osc.getIncrementSecondHalf(), 2.0 / 3.0 * 100.0 * n / 44100.0, 1e-12);

    osc.setWaveform(5); // the first half of the Pulse table is high
    int high = 0;
    for (int i = 0; i < 441000; ++i)
        high += osc.getSample() > 0.0;
    EXPECT_NEAR(high / 441000.0, 0.25, 0.002);

    for (double bad : {0.0, -1.0, std::nan(""), HUGE_VAL}) {
        osc.setSampleRate(bad);
        osc.setFrequency(bad);
        osc.setPulseWidth(bad);
    }
    osc.setFrequency(20000.0);
    osc.setPulseWidth(0.99);
    osc.setPulseWidth(0.01);
    EXPECT_EQ(osc.getSampleRate(), 44100.0);
    EXPECT_EQ(osc.getFrequency(), 100.0);
    EXPECT_EQ(osc.getPulseWidth(), 0.25);
    osc.setSampleRate(88200.0);
    EXPECT_NEAR(osc.getIncrementFirstHalf(), 100.0 * n / 44100.0, 1e-12);
}

TEST(Oscillator, AntiAliasedReadPicksTheTableByIncrement)
{
    const std::pair<double, int> cases[] = {{4.0, 1}, {6.0, 2}, {440.0, 8}, {6000.0, 12}, {19999.0, 12}};
    for (const auto& [hz, t] : cases) {
        Oscillator osc;
        osc.setWaveform(6);
        osc.setFrequency(hz);
        osc.calcIncrements();
        double p = 0.0;
        for (int i = 0; i < 3000; ++i) {
            p = std::fmod(p + hz * n / 44100.0, 8191.0);
            ASSERT_NEAR(osc.getSampleAntiAliased(), lerp(osc.getTable(t), p), 1e-9) << hz << " Hz, sample " << i;
        }
    }
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

    LcgReference draws;
    NoiseGenerator noise;
    osc.setNoiseSource(noise);
    osc.setWaveform(1);
    noise.reseed(0);
    EXPECT_EQ(osc.getSample(), draws.white());
    EXPECT_EQ(osc.getSampleAntiAliased(), draws.white());
    // Building a noise cycle leaves the live sequence where it was.
    osc.setWaveform(14);
    osc.setWaveform(1);
    EXPECT_EQ(osc.getSample(), draws.white());
    osc.setWaveform(2);
    White2PinkFilter reference;
    noise.reseed(0);
    EXPECT_DOUBLE_EQ(osc.getSampleAntiAliased(), 0.25 * reference.processSample(LcgReference().white()));
}

TEST(Oscillator, HostileSettingsNeverGiveNonFiniteOutput)
{
    Oscillator osc;
    for (double rate : {1e-310, 1e-300, 1e300, 1.0}) {
        osc.setSampleRate(rate);
        for (std::int64_t wave : {12, 13, 6}) {
            osc.setWaveform(wave);
            osc.setFrequency(19999.0);
            osc.setPulseWidth(0.011);
            osc.calcIncrements();
            for (double offset : hostileValues) {
                osc.resetPhase(offset);
                for (int i = 0; i < 20; ++i) {
                    ASSERT_TRUE(std::isfinite(osc.getSampleAntiAliased() + osc.getSample())) << rate << " " << wave;
                    ASSERT_TRUE(osc.getPhase() >= 0.0 && osc.getPhase() <= 8191.0);
                }
            }
        }
    }
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
            const double expected = wave == 0 ? 0.0 : lerp(reference[wave].data(), osc.getPhase());
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
