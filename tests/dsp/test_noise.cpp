#include "dsp/Noise.h"
#include "tests/support/Signals.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(NoiseSource, WhiteNoiseIsCentredWithinItsRangeAndEachSourcesOwn)
{
    // The start of the sequence every sound's noise is drawn from.
    NoiseGenerator noise, other;
    noise.reseed(0);
    EXPECT_EQ(noise.next(), 38);
    other.reseed(12345); // another source's draws leave this one's sequence alone
    other.next();
    EXPECT_EQ(noise.next(), 7719);

    const std::vector<double> white = record([&] { return noise.nextWhite(); }, 1 << 16);
    EXPECT_NEAR(std::accumulate(white.begin(), white.end(), 0.0) / white.size(), 0.0, 0.01);
    const auto [low, high] = std::minmax_element(white.begin(), white.end());
    EXPECT_TRUE(*low >= -1.0 && *low < -0.999 && *high < 1.0 && *high > 0.999) << *low << " " << *high;
}

TEST(White2PinkFilter, FallsThreeDecibelsPerOctaveAcrossTheAudioBand)
{
    White2PinkFilter filter;
    const double reference = std::abs(measureSine(through(filter), 100.0, 44100.0));
    for (double hz = 25.0; hz < 20000.0; hz *= 2.0) {
        const double dB = 20.0 * std::log10(std::abs(measureSine(through(filter), hz, 44100.0)) / reference);
        EXPECT_NEAR(dB, -3.0103 * std::log2(hz / 100.0), 0.2) << hz;
    }
}
