#include "dsp/Noise.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <thread>

namespace {

// Same generator written with 64-bit arithmetic and an explicit modulus.
struct ReferenceLcg {
    std::uint64_t state;
    int next()
    {
        state = (state * 214013ULL + 2531011ULL) % 4294967296ULL;
        return static_cast<int>((state / 65536) % 32768);
    }
};

} // namespace

TEST(NoiseSource, ReseedingWithZeroGivesTheKnownSequence)
{
    reseed(0);
    EXPECT_EQ(nextRandom(), 38);
    EXPECT_EQ(nextRandom(), 7719);
    EXPECT_EQ(nextRandom(), 21238);

    ReferenceLcg reference { 0 };
    reseed(0);
    int lowest = 32767, highest = 0;
    for (int i = 0; i < 200000; ++i) {
        const int r = nextRandom();
        ASSERT_EQ(r, reference.next()) << "draw " << i;
        lowest = std::min(lowest, r);
        highest = std::max(highest, r);
    }
    EXPECT_EQ(lowest, 0);
    EXPECT_EQ(highest, 32767);

    reseed(0);
    EXPECT_DOUBLE_EQ(nextWhiteNoise(), (38 - 16384) / 16384.0);
}

TEST(NoiseSource, EachThreadHasItsOwnSequence)
{
    reseed(0);
    EXPECT_EQ(nextRandom(), 38);
    int otherFirst = -1;
    std::thread other([&] {
        reseed(0);
        otherFirst = nextRandom();
        reseed(12345);
        for (int i = 0; i < 1000; ++i)
            nextRandom();
    });
    other.join();
    EXPECT_EQ(otherFirst, 38);
    EXPECT_EQ(nextRandom(), 7719);
}

TEST(White2PinkFilter, ImpulseResponseIsTheSumOfItsSections)
{
    const double poles[6] = { 0.99886, 0.99332, 0.969, 0.8665, 0.55, -0.7616 };
    const double gains[6] = { 0.0555179, 0.0750759, 0.153852, 0.3104856, 0.5329522, -0.016898 };
    White2PinkFilter filter;
    for (int run = 0; run < 2; ++run) {
        for (int n = 0; n < 3000; ++n) {
            double expected = n == 0 ? 0.5362 : (n == 1 ? 0.115926 : 0.0);
            for (int s = 0; s < 6; ++s)
                expected += gains[s] * std::pow(poles[s], n);
            ASSERT_NEAR(filter.processSample(n == 0 ? 1.0 : 0.0), expected, 1e-12) << "n=" << n;
        }
        filter.processSample(5.0);
        filter.clear();
    }
    White2PinkFilter fresh;
    EXPECT_NEAR(fresh.processSample(1.0), 1.6471856, 1e-12);
    EXPECT_NEAR(fresh.processSample(0.0), 0.970067, 1e-6);
}

TEST(White2PinkFilter, SlopeIsAboutMinusThreeDecibelsPerOctave)
{
    // Gain for a sine, measured after the filter has settled.
    auto gainAt = [](double cyclesPerSample) {
        White2PinkFilter filter;
        const double w = 2.0 * 3.141592653589793 * cyclesPerSample;
        for (int i = 0; i < 20000; ++i)
            filter.processSample(std::sin(w * i));
        double peak = 0.0;
        for (int i = 20000; i < 60000; ++i)
            peak = std::max(peak, std::abs(filter.processSample(std::sin(w * i))));
        return 20.0 * std::log10(peak);
    };
    const double low = gainAt(100.0 / 44100.0);
    const double high = gainAt(6400.0 / 44100.0);
    // six octaves
    EXPECT_NEAR(high - low, -18.0, 1.0);
}
