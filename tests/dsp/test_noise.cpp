#include "dsp/Noise.h"
#include "tests/support/Signals.h"

#include <gtest/gtest.h>

#include <thread>

TEST(NoiseSource, ReseedingWithZeroGivesTheKnownSequenceOnEachThread)
{
    reseed(0);
    EXPECT_EQ(nextRandom(), 38);
    EXPECT_EQ(nextRandom(), 7719);
    EXPECT_EQ(nextRandom(), 21238);
    reseed(0);
    EXPECT_DOUBLE_EQ(nextWhiteNoise(), (38 - 16384) / 16384.0);

    // Another thread's draws and reseeds leave this thread's sequence alone.
    reseed(0);
    nextRandom();
    int otherFirst = -1;
    std::thread other([&] {
        reseed(0);
        otherFirst = nextRandom();
        reseed(12345);
        nextRandom();
    });
    other.join();
    EXPECT_EQ(otherFirst, 38);
    EXPECT_EQ(nextRandom(), 7719);
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
