#include "dsp/Oscillator.h"
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

} // namespace

TEST(Oscillator, BandLimitedSawKeepsEveryHarmonicBelow12KilohertzAndFoldsNoneBack)
{
    Oscillator osc;
    osc.setWaveform(6);
    for (double f : {100.0, 1000.0, 5000.0}) {
        osc.setFrequency(f);
        osc.calcIncrements();
        const auto x = record([&] { return osc.getSampleAntiAliased(); }, 44100);
        const double hz = f * sharp, fundamental = magnitude(x, rate, hz);
        const int kept = static_cast<int>(12000.0 / hz);
        EXPECT_NEAR(magnitude(x, rate, kept * hz) / fundamental, 1.0 / kept, 0.01 / kept) << f;
        // Harmonics above half the rate would fold back to rate - k hz.
        for (int k = static_cast<int>(rate / 2 / hz) + 1; k * hz < rate && k < 40; ++k)
            EXPECT_LT(magnitude(x, rate, rate - k * hz), 1e-4 * fundamental) << f << " " << k;
    }
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
