#pragma once

#include "dsp/AudioModule.h"

// Linear congruential noise source, 15-bit output (0 ... 32767). Each thread
// has its own state, so reseeding only affects the calling thread's sequence
// and instances running on different threads never share anything.
int nextRandom();
void reseed(unsigned seed);

// One draw scaled to [-1, 32767/16384 - 1].
double nextWhiteNoise();

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
