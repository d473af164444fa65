#pragma once

#include "dsp/AudioModule.h"

#include <cstdint>

// Linear congruential noise source, 15-bit output (0 ... 32767). Each owner
// has its own, all seeded alike, so that a sound never depends on what else
// draws noise in the process.
class NoiseGenerator {
public:
    int next()
    {
        state = state * 214013u + 2531011u;
        return static_cast<int>((state >> 16) & 0x7FFFu);
    }
    void reseed(unsigned seed) { state = seed; }
    // One draw scaled to [-1, 32767/16384 - 1].
    double nextWhite() { return (next() - 16384) * (1.0 / 16384.0); }

private:
    std::uint32_t state = 1;
};

// Six one-pole lowpasses plus a direct and a one-sample-delayed path whose sum
// approximates a -3 dB per octave slope. The coefficients are fixed and do
// not depend on the sample rate; there is no gain normalisation (a white
// input of about +-1 gives several times that).
class White2PinkFilter : public AudioModule {
public:
    double processSample(double white) override;
    void clear();

private:
    double b0 = 0.0;
    double b1 = 0.0;
    double b2 = 0.0;
    double b3 = 0.0;
    double b4 = 0.0;
    double b5 = 0.0;
    double b6 = 0.0;
};
