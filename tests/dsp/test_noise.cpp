#include "dsp/Noise.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

TEST(NoiseSource, ReseedingWithZeroGivesTheKnownSequenceForEachSource)
{
    NoiseGenerator noise;
    noise.reseed(0);
    EXPECT_EQ(noise.next(), 38);
    EXPECT_EQ(noise.next(), 7719);
    EXPECT_EQ(noise.next(), 21238);

    // The same generator written with 64-bit arithmetic and explicit moduli.
    std::uint64_t state = 0;
    noise.reseed(0);
    for (int i = 0; i < 100000; ++i) {
        state = (state * 214013ULL + 2531011ULL) % 4294967296ULL;
        ASSERT_EQ(noise.next(), int(state / 65536 % 32768)) << "draw " << i;
    }
    noise.reseed(0);
    EXPECT_DOUBLE_EQ(noise.nextWhite(), (38 - 16384) / 16384.0);

    // Another source's draws and reseeds leave this one's sequence alone.
    noise.reseed(0);
    noise.next();
    NoiseGenerator other;
    other.reseed(0);
    EXPECT_EQ(other.next(), 38);
    other.reseed(12345);
    other.next();
    EXPECT_EQ(noise.next(), 7719);
}

TEST(White2PinkFilter, ImpulseResponseIsTheSumOfItsSections)
{
    const double poles[6] = {0.99886, 0.99332, 0.969, 0.8665, 0.55, -0.7616};
    const double gains[6] = {0.0555179, 0.0750759, 0.153852, 0.3104856, 0.5329522, -0.016898};
    White2PinkFilter filter;
    filter.processSample(0.3);
    filter.clear();
    for (int n = 0; n < 3000; ++n) {
        double expected = n == 0 ? 0.5362 : (n == 1 ? 0.115926 : 0.0);
        for (int s = 0; s < 6; ++s)
            expected += gains[s] * std::pow(poles[s], n);
        ASSERT_NEAR(filter.processSample(n == 0 ? 1.0 : 0.0), expected, 1e-12) << "n=" << n;
    }
}
