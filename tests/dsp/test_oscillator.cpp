#include "dsp/Oscillator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <thread>
#include <vector>

namespace {

constexpr int n = 8192;
constexpr double twoPi = 2.0 * std::numbers::pi;
constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();

double refSine(int i) { return std::sin(twoPi * i / n); }
double refSaw(int i) { return 2.0 * ((i + 4096) % n) / n - 1.0; }

// Peak-normalised copy.
std::vector<double> normalised(std::vector<double> v)
{
    double peak = 0.0;
    for (double x : v)
        peak = std::max(peak, std::abs(x));
    for (double& x : v)
        x /= peak;
    return v;
}

void expectTable(const Oscillator& osc, int t, const std::vector<double>& expected, double tol)
{
    const double* table = osc.getTable(t);
    for (int i = 0; i < n; ++i)
        ASSERT_NEAR(table[i], expected[i], tol) << "table " << t << " point " << i;
    EXPECT_EQ(table[n], table[0]) << "guard of table " << t;
}

std::vector<double> octaveSeries(double (*shape)(int), int terms)
{
    std::vector<double> v(n, 0.0);
    for (int i = 0; i < n; ++i)
        for (int k = 0; k < terms; ++k)
            v[i] += shape(int((std::int64_t(i) << k) % n)) / std::pow(2.0, k);
    return v;
}

// Entries 0 ... N/2: DC, 2|X[k]|, Nyquist.
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

TEST(Oscillator, PlainTablesMatchTheirShapes)
{
    Oscillator osc;
    std::vector<double> expected(n);
    auto check = [&](std::int64_t wave, auto shape) {
        osc.setWaveform(wave);
        for (int i = 0; i < n; ++i)
            expected[i] = shape(i);
        expectTable(osc, 0, expected, 1e-12);
    };
    check(0, refSine);
    check(4, [](int i) {
        const double x = double(i) / n;
        return x < 0.25 ? 4.0 * x : (x < 0.75 ? 2.0 - 4.0 * x : 4.0 * x - 4.0);
    });
    check(5, [](int i) { return i * 2 < n ? 1.0 : -1.0; });
    check(6, refSaw);
    check(7, [](int i) { return -refSaw(i); });
    check(11, [](int i) { return (i * 2 < n ? 1.0 : -1.0) - refSine(i); });
    check(99, refSine);
}

TEST(Oscillator, ShapedTablesHaveTheirLandmarks)
{
    Oscillator osc;
    osc.setWaveform(8);
    const double* peakUp = osc.getTable(0);
    EXPECT_DOUBLE_EQ(peakUp[0], 1.0);
    EXPECT_NEAR(peakUp[5000], -2048.5 / 6143.5, 1e-12);
    EXPECT_NEAR(peakUp[8191], -0.33344, 1e-5);
    const std::vector<double> up(peakUp, peakUp + n);
    osc.setWaveform(9);
    for (int i = 0; i < n; ++i)
        ASSERT_DOUBLE_EQ(osc.getTable(0)[i], -up[i]);

    osc.setWaveform(10);
    const double* moog = osc.getTable(0);
    EXPECT_NEAR(moog[0], 0.00006, 0.000005);
    EXPECT_NEAR(moog[4096], -0.50009, 0.000005);
    EXPECT_DOUBLE_EQ(moog[8191], 1.0);
    EXPECT_DOUBLE_EQ(*std::max_element(moog, moog + n), 1.0);
}

TEST(Oscillator, OctaveTablesDependOnTheRateAtTheChange)
{
    Oscillator osc;
    osc.setWaveform(12);
    const auto sines = octaveSeries(refSine, 12);  // 2^11 <= 3715 < 2^12
    EXPECT_NEAR(*std::max_element(sines.begin(), sines.end()), 1.3297, 0.0001);
    expectTable(osc, 0, normalised(sines), 1e-12);

    osc.setSampleRate(88200.0);  // octaves up to 1857: one term fewer
    osc.setWaveform(13);
    expectTable(osc, 0, normalised(octaveSeries(refSaw, 11)), 1e-12);
    osc.setWaveform(12);
    expectTable(osc, 0, normalised(octaveSeries(refSine, 11)), 1e-12);
}

TEST(Oscillator, NoiseCyclesAreRebuiltIdentically)
{
    // White: 8192 draws after reseeding with 0, without DC, peak 1.
    std::vector<double> white(n);
    std::uint32_t state = 0;
    double mean = 0.0;
    for (double& w : white) {
        state = state * 214013u + 2531011u;
        w = (int((state >> 16) & 0x7FFF) - 16384) / 16384.0;
        mean += w / n;
    }
    for (double& w : white)
        w -= mean;
    white = normalised(white);

    Oscillator osc;
    osc.setWaveform(14);
    expectTable(osc, 0, white, 1e-12);

    osc.setWaveform(16);  // brown: its steps follow the white cycle
    const double* brown = osc.getTable(0);
    const double scale = (brown[1] - brown[0]) / white[1];
    for (int i = 1; i < n; ++i)
        ASSERT_NEAR(brown[i] - brown[i - 1], scale * white[i], 1e-9);

    osc.setWaveform(15);  // pink: a settling pass, then the recorded pass
    White2PinkFilter filter;
    std::vector<double> pink(n);
    for (int pass = 0; pass < 2; ++pass)
        for (int i = 0; i < n; ++i)
            pink[i] = filter.processSample(white[i]);
    mean = 0.0;
    for (double p : pink)
        mean += p / n;
    for (double& p : pink)
        p -= mean;
    expectTable(osc, 0, normalised(pink), 1e-12);

    // Choosing the same waveform again does not rebuild (which would reseed).
    reseed(0);
    nextRandom();
    osc.setWaveform(15);
    EXPECT_EQ(nextRandom(), 7719);
}

TEST(Oscillator, BandLimitedTablesStopAtTheirHighestHarmonic)
{
    Oscillator osc;
    osc.setWaveform(6);
    const auto raw = harmonicMagnitudes(osc.getTable(0));
    for (int k = 1; k <= n / 2; ++k)  // sampled ramp; the Nyquist term is unscaled
        ASSERT_NEAR(raw[k], (k < n / 2 ? 2.0 : 1.0) / std::sin(std::numbers::pi * k / n), 1e-9 * n) << k;
    expectTable(osc, 1, std::vector<double>(osc.getTable(0), osc.getTable(0) + n), 0.0);

    for (int t = 2; t <= 12; ++t) {
        const int highest = 4096 / (1 << (t - 1)) - 1;
        const auto m = harmonicMagnitudes(osc.getTable(t));
        EXPECT_NEAR(m[0], 0.0, 1e-9) << "table " << t;
        for (int k = 1; k <= highest; ++k)
            ASSERT_NEAR(m[k], raw[k], 1e-9 * n) << "table " << t << " harmonic " << k;
        for (int k = highest + 1; k <= n / 2; ++k)
            ASSERT_NEAR(m[k], 0.0, 1e-9 * n) << "table " << t << " harmonic " << k;
        EXPECT_EQ(osc.getTable(t)[n], osc.getTable(t)[0]);
    }
}

TEST(Oscillator, IncrementsFollowFrequencyRateAndPulseWidth)
{
    Oscillator osc;
    const double at440 = 440.0 * n / 44100.0;
    EXPECT_NEAR(osc.getIncrement(), at440, 1e-12);
    osc.setPulseWidth(0.25);
    osc.setFrequency(1000.0);
    EXPECT_NEAR(osc.getIncrement(), at440, 1e-12);  // only stored so far
    osc.calcIncrements();
    EXPECT_NEAR(osc.getIncrementFirstHalf(), 2.0 * 1000.0 * n / 44100.0, 1e-12);
    EXPECT_NEAR(osc.getIncrementSecondHalf(), 2.0 / 3.0 * 1000.0 * n / 44100.0, 1e-12);
    osc.setSampleRate(88200.0);
    EXPECT_NEAR(osc.getIncrementFirstHalf(), 1000.0 * n / 44100.0, 1e-12);

    // Out-of-range settings keep the previous value.
    for (double hz : { 20000.0, 0.0, -5.0, notANumber, inf })
        osc.setFrequency(hz);
    EXPECT_EQ(osc.getFrequency(), 1000.0);
    osc.setFrequency(19999.9);
    EXPECT_EQ(osc.getFrequency(), 19999.9);
    for (double pw : { 0.99, 0.01, -1.0, notANumber })
        osc.setPulseWidth(pw);
    EXPECT_EQ(osc.getPulseWidth(), 0.25);
    osc.setPulseWidth(0.98);
    EXPECT_EQ(osc.getPulseWidth(), 0.98);
    for (double rate : { 0.0, -44100.0, notANumber, inf })
        osc.setSampleRate(rate);
    EXPECT_EQ(osc.getSampleRate(), 88200.0);
}

TEST(Oscillator, QuarterPulseWidthGivesAQuarterDutyCycle)
{
    Oscillator osc;
    osc.setWaveform(5);
    osc.setFrequency(100.0);
    osc.setPulseWidth(0.25);
    osc.calcIncrements();
    int high = 0;
    const int samples = 441000;  // 100 periods
    for (int i = 0; i < samples; ++i)
        high += osc.getSample() > 0.0;
    EXPECT_NEAR(double(high) / samples, 0.25, 0.002);
}

TEST(Oscillator, AntiAliasedReadPicksTheTableByIncrement)
{
    struct Case { double hz; int table; };
    for (const Case c : { Case { 4.0, 1 }, Case { 6.0, 2 }, Case { 440.0, 8 }, Case { 6000.0, 12 }, Case { 19999.0, 12 } }) {
        Oscillator osc;
        osc.setWaveform(6);
        osc.setFrequency(c.hz);
        osc.calcIncrements();
        const double inc = c.hz * n / 44100.0;
        const double* t = osc.getTable(c.table);
        double p = 0.0;
        for (int i = 0; i < 3000; ++i) {
            p += inc;
            if (p >= 8191.0)
                p -= 8191.0;
            const int j = int(p);
            ASSERT_NEAR(osc.getSampleAntiAliased(), t[j] + (p - j) * (t[j + 1] - t[j]), 1e-9)
                << c.hz << " Hz, sample " << i;
        }
    }
}

TEST(Oscillator, StartPhaseAndLiveNoise)
{
    Oscillator osc;
    osc.setStartPhase(90.0);
    for (double bad : { -1.0, 360.5, notANumber })
        osc.setStartPhase(bad);
    EXPECT_EQ(osc.getStartPhase(), 2048.0);
    osc.setStartPhase(360.0);
    osc.resetPhase();
    osc.setWaveform(3);
    osc.getSample();
    EXPECT_NEAR(osc.getPhase(), 1.0 + osc.getIncrement(), 1e-9);
    osc.resetPhase(-9000.0);  // a phase below 0 wraps into the period
    osc.getSample();
    EXPECT_NEAR(osc.getPhase(), 8192.0 - 9000.0 + osc.getIncrement() + 8191.0, 1e-9);
    osc.resetPhase(-1e6);  // many periods below 0
    osc.getSample();
    const double far = 8192.0 - 1e6 + osc.getIncrement();
    EXPECT_NEAR(osc.getPhase(), far - 8191.0 * std::floor(far / 8191.0), 1e-6);

    const double before = osc.getPhase();
    osc.setWaveform(0);
    EXPECT_EQ(osc.getSample(), 0.0);
    EXPECT_EQ(osc.getSampleAntiAliased(), 0.0);
    EXPECT_EQ(osc.getPhase(), before);

    osc.setWaveform(1);
    reseed(0);
    EXPECT_EQ(osc.getSample(), (38 - 16384) / 16384.0);
    EXPECT_EQ(osc.getSampleAntiAliased(), (7719 - 16384) / 16384.0);

    osc.setWaveform(2);
    White2PinkFilter reference;
    reseed(5);
    std::vector<double> white(100);
    for (double& w : white)
        w = (nextRandom() - 16384) / 16384.0;
    reseed(5);
    for (double w : white)
        ASSERT_DOUBLE_EQ(osc.getSampleAntiAliased(), 0.25 * reference.processSample(w));
}

TEST(Oscillator, HostileSettingsNeverGiveNonFiniteOutput)
{
    Oscillator osc;
    for (double rate : { 1e-310, 1e-300, 1e300, 1.0 }) {
        osc.setSampleRate(rate);
        for (std::int64_t wave : { 12, 13, 6, 3 }) {
            osc.setWaveform(wave);
            for (double offset : { notANumber, inf, -inf, -1e300, 1e300, -3.0 }) {
                osc.setFrequency(19999.0);
                osc.setPulseWidth(0.011);
                osc.calcIncrements();
                osc.resetPhase(offset);
                for (int i = 0; i < 50; ++i) {
                    ASSERT_TRUE(std::isfinite(osc.getSampleAntiAliased())) << rate << " " << wave;
                    ASSERT_TRUE(std::isfinite(osc.getSample()));
                    ASSERT_TRUE(osc.getPhase() >= 0.0 && osc.getPhase() <= 8191.0);
                }
            }
        }
    }
}

TEST(Oscillator, SeparateOscillatorsBuildTablesConcurrently)
{
    Oscillator reference;
    reference.setWaveform(13);
    const std::vector<double> expected(reference.getTable(7), reference.getTable(7) + n);
    auto worker = [](Oscillator& osc) {
        for (int round = 0; round < 20; ++round)
            osc.setWaveform(round % 2 ? 13 : 5);
    };
    Oscillator a, b;
    std::thread ta(worker, std::ref(a)), tb(worker, std::ref(b));
    ta.join();
    tb.join();
    expectTable(a, 7, expected, 0.0);
    expectTable(b, 7, expected, 0.0);
}

TEST(Oscillator, WaveformNames)
{
    const char* names[] = { "Off", "WhiteNoise", "PinkNoise", "Sine", "Triangle", "Pulse", "SawUp",
        "SawDown", "PeakUp", "PeakDown", "MoogSaw", "EvenOnly", "SinOcts", "SawOcts" };
    char text[11];
    for (std::int64_t i = 0; i < 14; ++i) {
        getWaveformName(i, text);
        EXPECT_STREQ(text, names[i]);
    }
    for (std::int64_t i : { 14, 16, 17, -1, 1 << 30 }) {
        getWaveformName(i, text);
        EXPECT_STREQ(text, "Reserved");
    }
}
