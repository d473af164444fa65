#include "dsp/LpfHpfApf.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double maxFrequency = 20000.0;

// Above half the rate the tangent of the allpass tuning wraps round and puts the
// pole outside the unit circle, so the allpass is never tuned above this
// fraction of the rate. At 44100 Hz and above the 20000 Hz limit stays below it.
constexpr double maxAllpassRatio = 0.49;

double acceptedFrequency(double hz)
{
    return (hz >= 0.0 && hz <= maxFrequency) ? hz : maxFrequency;
}

} // namespace

LpfHpfApf::LpfHpfApf()
{
    calcCoefficients();
}

void LpfHpfApf::setSampleRate(double rate)
{
    AudioModule::setSampleRate(rate);
    samplePeriod = 1.0 / sampleRate;
    calcCoefficients();
}

void LpfHpfApf::setLowpassFrequency(double hz)
{
    lowpassFrequency = acceptedFrequency(hz);
    calcCoefficients();
}

void LpfHpfApf::setHighpassFrequency(double hz)
{
    highpassFrequency = acceptedFrequency(hz);
    calcCoefficients();
}

void LpfHpfApf::setAllpassFrequency(double hz)
{
    allpassFrequency = acceptedFrequency(hz);
    calcCoefficients();
}

void LpfHpfApf::reset()
{
    for (Section* s : {&lowpass, &highpass, &allpass}) {
        s->x1 = 0.0;
        s->y1 = 0.0;
    }
}

void LpfHpfApf::calcCoefficients()
{
    constexpr double pi = std::numbers::pi;

    if (lowpassFrequency == 0.0) {
        lowpass.b0 = 1.0;
        lowpass.a1 = 0.0;
    } else {
        const double p = std::exp(-2.0 * pi * lowpassFrequency * samplePeriod);
        lowpass.b0 = 1.0 - p;
        lowpass.a1 = p;
    }
    lowpass.b1 = 0.0;

    if (highpassFrequency == 0.0) {
        highpass.b0 = 1.0;
        highpass.b1 = 0.0;
        highpass.a1 = 0.0;
    } else {
        const double p = std::exp(-2.0 * pi * highpassFrequency * samplePeriod);
        highpass.b0 = 0.5 * (1.0 + p);
        highpass.b1 = -highpass.b0;
        highpass.a1 = p;
    }

    // Written so that a zero frequency never meets an infinite period (0 * inf).
    const double ratio = allpassFrequency > 0.0
        ? std::min(allpassFrequency * samplePeriod, maxAllpassRatio)
        : 0.0;
    const double t = std::tan(pi * ratio);
    const double c = (t - 1.0) / (t + 1.0);
    allpass.b0 = c;
    allpass.b1 = 1.0;
    allpass.a1 = -c;
}
