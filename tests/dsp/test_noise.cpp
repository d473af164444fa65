#include "dsp/Noise.h"
#include "tests/support/Signals.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(NoiseSource, ReseedingWithZeroGivesTheKnownSequenceForEachSource)
{
    NoiseGenerator noise;
    noise.reseed(0);
    EXPECT_EQ(noise.next(), 38);
    EXPECT_EQ(noise.next(), 7719);
    EXPECT_EQ(noise.next(), 21238);

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

TEST(White2PinkFilter, FallsThreeDecibelsPerOctaveAcrossTheAudioBand)
{
    White2PinkFilter filter;
    const double reference = measureSine(through(filter), 100.0, 44100.0).gain;
    for (double hz = 25.0; hz < 20000.0; hz *= 2.0) {
        const double dB = 20.0 * std::log10(measureSine(through(filter), hz, 44100.0).gain / reference);
        EXPECT_NEAR(dB, -3.0103 * std::log2(hz / 100.0), 0.2) << hz;
    }
}
