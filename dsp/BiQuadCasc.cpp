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

// A history may hold this many times what the design's peak gain makes of the
// input: room for the ringing a sweep leaves, and for the swing a Direct Form
// history takes when a note restarts the cutoff envelope octaves away.
constexpr double historyHeadroom = 4.0;
// The input level is its peak, remembered for about this long, so that it
// holds across a period of the lowest notes.
constexpr double inputMemorySeconds = 1.0;

// Highest magnitude response of one stage, near enough for a limit with
// headroom (A is the square root of the linear gain of designs 7..9).
double designPeakGain(BiQuadMode mode, double q, double A)
{
    switch (mode) {
    case BiQuadMode::bandpassPeak:
    case BiQuadMode::bandReject:
    case BiQuadMode::allpass:
        return 1.0;
    case BiQuadMode::bandpassSkirt:
        return std::max(1.0, q);
    case BiQuadMode::peaking:
        return std::max(1.0, A * A);
    case BiQuadMode::lowShelf:
    case BiQuadMode::highShelf:
        // A resonant shelf rises to about A q |A - 1/A| at its corner.
        return std::max({ 1.0, A * A, A * std::sqrt(1.0 + q * q * (A - 1.0 / A) * (A - 1.0 / A)) });
    default: // lowpass and highpass
        return q * q > 0.5 ? q / std::sqrt(1.0 - 0.25 / (q * q)) : 1.0;
    }
}

} // namespace

BiQuadCasc::BiQuadCasc()
{
    inputPeakDecay = std::exp(-samplePeriod / inputMemorySeconds);
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
    inputPeakDecay = std::exp(-samplePeriod / inputMemorySeconds);
    calcCoefficients();
}

double BiQuadCasc::processSample(double in)
{
    // A NaN leaves the remembered peak alone.
    inputPeak = std::max(inputPeak * inputPeakDecay, std::abs(in));
    const BiQuadCoefficients& last = lastRun.c;
    if (a1 != last.a1 || a2 != last.a2 || b1 != last.b1 || b2 != last.b2) {
        const Recursion now(getCoefficients());
        limitLiftedHistories(now);
        lastRun = now;
    }
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

BiQuadCasc::Recursion::Recursion(const BiQuadCoefficients& c)
    : c(c)
{
    // The energy of the response to silence, the sum of y_n^2 over n >= 0, is
    // a quadratic form in its first two outputs (from the Lyapunov equation
    // of the recursion). Times 2 (1 - rho^2), rho the radius of the slower
    // pole, it is the squared amplitude of a slowly decaying cosine, or twice
    // the squared start of a slow decay. 1 - a2 and (1 + a2)^2 - a1^2 are
    // positive for every stable pair of poles.
    const double d = c.a2 - 0.25 * c.a1 * c.a1;
    double rhoSq = c.a2; // a complex pair
    if (d < 0.0) {
        const double slowPole = 0.5 * std::abs(c.a1) + std::sqrt(-d);
        rhoSq = slowPole * slowPole;
    }
    const double onePlusA2 = 1.0 + c.a2;
    const double common = 2.0 * (1.0 - rhoSq) / ((1.0 - c.a2) * (onePlusA2 * onePlusA2 - c.a1 * c.a1));
    u1u1 = common * onePlusA2;
    u0u1 = 2.0 * c.a1 * c.a2 * common;
    u0u0 = 2.0 * (1.0 - rhoSq) + c.a2 * c.a2 * u1u1;
}

void BiQuadCasc::freeAmplitudesSq(const Recursion& r, double* amplitudesSq) const
{
    // Per stage, the next two outputs for zero input, u0 and u1, and the
    // energy of the response they start.
    const BiQuadCoefficients& c = r.c;
    for (std::int64_t i = 0; i < numStages; ++i) {
        const double u0 = c.b1 * x1[i] + c.b2 * x2[i] - c.a1 * y1[i] - c.a2 * y2[i];
        const double u1 = c.b2 * x1[i] - c.a2 * y1[i] - c.a1 * u0;
        amplitudesSq[i] = r.u0u0 * u0 * u0 + r.u0u1 * u0 * u1 + r.u1u1 * u1 * u1;
    }
}

void BiQuadCasc::limitLiftedHistories(const Recursion& now)
{
    double after[maxStages];
    double before[maxStages];
    bool measuredBefore = false;
    freeAmplitudesSq(now, after);
    double level = historyHeadroom * inputPeak;
    for (std::int64_t i = 0; i < numStages; ++i) {
        level *= peakGain;
        const double limit = level * level;
        if (!(after[i] > limit))
            continue;
        if (!measuredBefore) {
            freeAmplitudesSq(lastRun, before);
            measuredBefore = true;
        }
        if (after[i] > before[i]) {
            const double scale = std::sqrt(std::max(before[i], limit) / after[i]);
            x1[i] *= scale;
            x2[i] *= scale;
            y1[i] *= scale;
            y2[i] *= scale;
        }
    }
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
        peakGain = 1.0;
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

    peakGain = designPeakGain(static_cast<BiQuadMode>(mode), q, A);
    a0 = ra0;
    const double inv = 1.0 / ra0;
    setCoefficients(ra1 * inv, ra2 * inv, rb0 * inv, rb1 * inv, rb2 * inv);
}

void BiQuadCasc::reset()
{
    inputPeak = 0.0;
    for (std::int64_t i = 0; i < maxStages; ++i) {
        x1[i] = 0.0;
        x2[i] = 0.0;
        y1[i] = 0.0;
        y2[i] = 0.0;
    }
}
