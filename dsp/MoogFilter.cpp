#include "dsp/MoogFilter.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double twoPi = 6.283185307179586;
constexpr double minCutoff = 20.0;
constexpr double maxCutoff = 20000.0;
constexpr double inputClip = 2.0;
// Ten times the parameter's reach; keeps the gain and every product with it finite.
constexpr double maxDriveDb = 480.0;

// The rules both ladders share for their settings: NaN is refused, the
// cutoff is clamped, the resonance must be finite and not negative, and the
// pole count picks the tapped stage.
double clampCutoff(double hz, double old)
{
    return std::isnan(hz) ? old : std::clamp(hz, minCutoff, maxCutoff);
}

double driveGain(double dB, double old)
{
    return std::isnan(dB) ? old : std::pow(10.0, std::clamp(dB, -maxDriveDb, maxDriveDb) * 0.05);
}

double acceptResonance(double r, double old)
{
    return r >= 0.0 && std::isfinite(r) ? r : old;
}

std::int64_t tapForPoles(std::int64_t n, std::int64_t old)
{
    return n >= 1 && n <= 4 ? n - 1 : old;
}

// Pole of a one-pole lowpass at the oversampled rate.
double onePole(double hz, double samplePeriod, double factorInv)
{
    return std::exp(-twoPi * hz * samplePeriod * factorInv);
}

} // namespace

MoogFilter::MoogFilter()
{
    // Computed once here so that a ladder never runs on undefined coefficients.
    calcCoefficients();
}

void MoogFilter::setSampleRate(double rate)
{
    if (std::isfinite(rate))
        AudioModule::setSampleRate(rate);
    samplePeriod = 1.0 / sampleRate;
    oversampler.setBaseRate(sampleRate);
}

void MoogFilter::setOversampling(std::int64_t n)
{
    oversampler.setFactor(n);
}

void MoogFilter::setMode(std::int64_t newMode)
{
    mode = newMode;
}

void MoogFilter::setNumPoles(std::int64_t n)
{
    outputTap = tapForPoles(n, outputTap);
}

void MoogFilter::setDrive(double dB)
{
    drive = driveGain(dB, drive);
}

void MoogFilter::setFrequency(double hz)
{
    cutoff = clampCutoff(hz, cutoff);
}

void MoogFilter::setResonance(double r)
{
    resonance = acceptResonance(r, resonance);
}

void MoogFilter::calcCoefficients()
{
    const double factorInv = oversampler.getFactorInv();
    const double p = onePole(cutoff, samplePeriod, factorInv);
    const std::int64_t equalStages = mode == static_cast<std::int64_t>(LadderMode::moog) ? 4
        : mode == static_cast<std::int64_t>(LadderMode::tb303)                          ? 3
                                                                                         : 1;
    for (std::int64_t i = 0; i < equalStages; ++i) {
        pole[i] = p;
        gain[i] = 1.0 - p;
    }
    if (mode == static_cast<std::int64_t>(LadderMode::tb303)) {
        const double p4 = onePole(stage4Ratio * cutoff, samplePeriod, factorInv);
        pole[3] = p4;
        gain[3] = 1.0 - p4;
    }
}

void MoogFilter::clearHistory()
{
    oversampler.clearInput();
    feedback = 0.0;
    for (double& s : stageOut)
        s = 0.0;
}

double MoogFilter::processSample(double in)
{
    return oversampler.process(in, [this](double u) { return step(u); });
}

double MoogFilter::step(double u)
{
    double s = std::clamp(u * drive - feedback * resonance, -inputClip, inputClip);
    for (int i = 0; i < 4; ++i) {
        s = pole[i] * stageOut[i] + gain[i] * s;
        stageOut[i] = s;
    }
    feedback = stageOut[3];
    return stageOut[outputTap];
}

MoogFilter2::MoogFilter2() = default;

void MoogFilter2::setSampleRate(double fs)
{
    oversampler.setBaseRate(fs);
    samplePeriod = 1.0 / oversampler.getBaseRate();
}

void MoogFilter2::setOversampling(std::int64_t n)
{
    oversampler.setFactor(n);
}

void MoogFilter2::setNumPoles(std::int64_t n)
{
    outputTap = tapForPoles(n, outputTap);
}

void MoogFilter2::setDrive(double dB)
{
    drive = driveGain(dB, drive);
}

void MoogFilter2::setFrequency(double hz)
{
    cutoff = clampCutoff(hz, cutoff);
}

void MoogFilter2::setResonance(double r)
{
    resonance = acceptResonance(r, resonance);
}

void MoogFilter2::clearHistory()
{
    oversampler.clearInput();
    for (double& w : tanhMemory)
        w = 0.0;
    for (double& y : stageOut)
        y = 0.0;
}

double MoogFilter2::processSample(double in)
{
    stageGain = 2.0 * (1.0 - onePole(cutoff, samplePeriod, oversampler.getFactorInv()));
    return oversampler.process(in, [this](double u) { return step(u); });
}

double MoogFilter2::step(double u)
{
    double* y = stageOut;
    double* w = tanhMemory;
    const double G = stageGain;
    const double a = std::tanh(0.5 * (u * drive - resonance * y[3]));
    y[0] += G * (a - w[0]);
    const double b = std::tanh(0.5 * y[0]);
    y[1] += G * (b - w[1]);
    const double c = std::tanh(0.5 * y[1]);
    y[2] += G * (c - w[2]);
    const double e = std::tanh(0.5 * y[2]);
    // The fourth stage's own tanh is taken afresh; only stages 1..3 keep theirs.
    y[3] += G * (e - std::tanh(0.5 * y[3]));
    w[0] = b;
    w[1] = c;
    w[2] = e;
    return y[outputTap];
}
