#include "dsp/ExponentialRamp.h"

#include <cmath>

void ExponentialRamp::setSampleRate(double rate)
{
    AudioModule::setSampleRate(rate);
    setTime(timeMs);
}

void ExponentialRamp::setTime(double ms)
{
    if (!(ms > 0.0)) {
        timeMs = 0.0;
        decayCoeff = 0.0;
        feedCoeff = 1.0;
        return;
    }
    timeMs = ms;
    const double samples = ms * sampleRate * 0.001 * timeScale;
    decayCoeff = std::exp(-1.0 / samples);
    feedCoeff = 1.0 - decayCoeff;
}

void ExponentialRamp::setTimeScale(double factor)
{
    if (factor > 0.0)
        timeScale = factor;
    setTime(timeMs);
}
