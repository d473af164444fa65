#include "dsp/BiQuadCasc.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double twoPi = 6.283185307179586;

// Above half the sample rate sin(w) turns negative, alpha with it, and the
// poles leave the unit circle; at low host rates the 20 kHz limit lies there.
constexpr double maxRelativeFrequency = 0.49;

// Far outside anything the synth asks for, but keeps alpha and the shelf and
// peak gains finite and the poles strictly inside the unit circle.
constexpr double minQ = 1e-6;
constexpr double maxQ = 1e6;
constexpr double maxGainDb = 120.0;

} // namespace

BiQuadCasc::BiQuadCasc()
{
    setMode(0);
    setNumStages(1);
    frequency = maxFrequency;
    q = 1.0;
    gainDb = 0.0;
    calcCoefficients();
    reset();
}

void BiQuadCasc::setSampleRate(double rate)
{
    if (std::isfinite(rate))
        AudioModule::setSampleRate(rate);
    samplePeriod = 1.0 / sampleRate;
    calcCoefficients();
}

double BiQuadCasc::processSample(double in)
{
    double x = in;
    for (std::int64_t i = 0; i < numStages; ++i) {
        const double y = b0 * x + b1 * x1[i] + b2 * x2[i] - a1 * y1[i] - a2 * y2[i];
        x2[i] = x1[i];
        x1[i] = x;
        y2[i] = y1[i];
        y1[i] = y;
        x = y;
    }
    return x;
}

void BiQuadCasc::setMode(std::int64_t newMode)
{
    mode = newMode;
    calcCoefficients();
}

void BiQuadCasc::setNumStages(std::int64_t n)
{
    if (n >= 1 && n <= maxStages)
        numStages = n;
    reset();
}

void BiQuadCasc::setFrequency(double hz)
{
    if (std::isnan(hz))
        return;
    frequency = std::clamp(hz, minFrequency, maxFrequency);
}

void BiQuadCasc::setQ(double newQ)
{
    if (newQ > 0.0)
        q = std::clamp(newQ, minQ, maxQ);
}

void BiQuadCasc::setGain(double dB)
{
    if (!std::isnan(dB))
        gainDb = std::clamp(dB, -maxGainDb, maxGainDb);
}

void BiQuadCasc::setCoefficients(double newA1, double newA2, double newB0, double newB1, double newB2)
{
    a1 = newA1;
    a2 = newA2;
    b0 = newB0;
    b1 = newB1;
    b2 = newB2;
}

void BiQuadCasc::calcCoefficients()
{
    if (mode == static_cast<std::int64_t>(BiQuadMode::bypass)) {
        a0 = 1.0;
        setCoefficients(0.0, 0.0, 1.0, 0.0, 0.0);
        return;
    }

    const double w = twoPi * std::min(frequency * samplePeriod, maxRelativeFrequency);
    const double c = std::cos(w);
    const double s = std::sin(w);
    const double alpha = s / (2.0 * q);
    // Only the peaking and shelving designs pay for the power and the root.
    const bool usesGain = mode >= static_cast<std::int64_t>(BiQuadMode::peaking)
        && mode <= static_cast<std::int64_t>(BiQuadMode::highShelf);
    const double A = usesGain ? std::pow(10.0, gainDb * 0.025) : 1.0;
    const double beta = mode > static_cast<std::int64_t>(BiQuadMode::peaking) && usesGain ? std::sqrt(A) / q : 0.0;

    double ra0 = 1.0 + alpha;
    double ra1 = -2.0 * c;
    double ra2 = 1.0 - alpha;
    double rb0, rb1, rb2;

    switch (static_cast<BiQuadMode>(mode)) {
    case BiQuadMode::highpass:
        rb0 = (1.0 + c) / 2.0;
        rb1 = -(1.0 + c);
        rb2 = (1.0 + c) / 2.0;
        break;
    case BiQuadMode::bandpassSkirt:
        rb0 = q * alpha;
        rb1 = 0.0;
        rb2 = -q * alpha;
        break;
    case BiQuadMode::bandpassPeak:
        rb0 = alpha;
        rb1 = 0.0;
        rb2 = -alpha;
        break;
    case BiQuadMode::bandReject:
        rb0 = 1.0;
        rb1 = -2.0 * c;
        rb2 = 1.0;
        break;
    case BiQuadMode::allpass:
        rb0 = 1.0 - alpha;
        rb1 = -2.0 * c;
        rb2 = 1.0 + alpha;
        break;
    case BiQuadMode::peaking:
        ra0 = 1.0 + alpha / A;
        ra2 = 1.0 - alpha / A;
        rb0 = 1.0 + alpha * A;
        rb1 = -2.0 * c;
        rb2 = 1.0 - alpha * A;
        break;
    case BiQuadMode::lowShelf:
        ra0 = (A + 1.0) + (A - 1.0) * c + beta * s;
        ra1 = -2.0 * ((A - 1.0) + (A + 1.0) * c);
        ra2 = (A + 1.0) + (A - 1.0) * c - beta * s;
        rb0 = A * ((A + 1.0) - (A - 1.0) * c + beta * s);
        rb1 = 2.0 * A * ((A - 1.0) - (A + 1.0) * c);
        rb2 = A * ((A + 1.0) - (A - 1.0) * c - beta * s);
        break;
    case BiQuadMode::highShelf:
        ra0 = (A + 1.0) - (A - 1.0) * c + beta * s;
        ra1 = 2.0 * ((A - 1.0) - (A + 1.0) * c);
        ra2 = (A + 1.0) - (A - 1.0) * c - beta * s;
        rb0 = A * ((A + 1.0) + (A - 1.0) * c + beta * s);
        rb1 = -2.0 * A * ((A - 1.0) + (A + 1.0) * c);
        rb2 = A * ((A + 1.0) + (A - 1.0) * c - beta * s);
        break;
    default: // lowpass, also for every number outside the table
        rb0 = (1.0 - c) / 2.0;
        rb1 = 1.0 - c;
        rb2 = (1.0 - c) / 2.0;
        break;
    }

    a0 = ra0;
    const double inv = 1.0 / ra0;
    setCoefficients(ra1 * inv, ra2 * inv, rb0 * inv, rb1 * inv, rb2 * inv);
}

void BiQuadCasc::reset()
{
    for (std::int64_t i = 0; i < maxStages; ++i) {
        x1[i] = 0.0;
        x2[i] = 0.0;
        y1[i] = 0.0;
        y2[i] = 0.0;
    }
}
