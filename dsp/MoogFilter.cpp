#include "dsp/MoogFilter.h"

#include "dsp/Tanh.h"

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

// What both ladders share after their oversampled steps: the tapped
// stage is the output, and the stages go back into the ladder's state.
double tappedStage(std::int64_t tap, double s0, double s1, double s2, double s3)
{
    return tap == 0 ? s0 : tap == 1 ? s1 : tap == 2 ? s2 : s3;
}

void storeStages(double (&to)[4], double s0, double s1, double s2, double s3)
{
    to[0] = s0;
    to[1] = s1;
    to[2] = s2;
    to[3] = s3;
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
    coefficientsCutoff = notWorkedOut;
}

void MoogFilter::setOversampling(std::int64_t n)
{
    oversampler.setFactor(n);
    coefficientsCutoff = notWorkedOut;
}

void MoogFilter::setMode(std::int64_t newMode)
{
    mode = newMode;
    coefficientsCutoff = notWorkedOut;
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
    // The cutoff is usually the one of the sample before.
    if (cutoff == coefficientsCutoff)
        return;
    coefficientsCutoff = cutoff;
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

// The ladder's state stays in registers through the oversampled steps.
double MoogFilter::processSample(double in)
{
    double s0 = stageOut[0];
    double s1 = stageOut[1];
    double s2 = stageOut[2];
    double s3 = stageOut[3];
    double fed = feedback;
    // Each stage's new value written out from the old states and the input,
    // so that the feedback loop waits for one product and one sum per step
    // instead of four stages in turn.
    const double g01 = gain[1] * gain[0];
    const double g012 = gain[2] * g01;
    const double g0123 = gain[3] * g012;
    const double g1p0 = gain[1] * pole[0];
    const double g2p1 = gain[2] * pole[1];
    const double g21p0 = gain[2] * g1p0;
    const double g3p2 = gain[3] * pole[2];
    const double g32p1 = gain[3] * g2p1;
    const double g321p0 = gain[3] * g21p0;
    const double out = oversampler.process(in, [&](double u) {
        const double s = std::clamp(u * drive - fed * resonance, -inputClip, inputClip);
        const double n0 = pole[0] * s0 + gain[0] * s;
        const double n1 = (pole[1] * s1 + g1p0 * s0) + g01 * s;
        const double n2 = ((pole[2] * s2 + g2p1 * s1) + g21p0 * s0) + g012 * s;
        const double n3 = ((pole[3] * s3 + g3p2 * s2) + (g32p1 * s1 + g321p0 * s0)) + g0123 * s;
        s0 = n0;
        s1 = n1;
        s2 = n2;
        s3 = n3;
        fed = s3;
        return tappedStage(outputTap, s0, s1, s2, s3);
    });
    storeStages(stageOut, s0, s1, s2, s3);
    feedback = fed;
    return out;
}

MoogFilter2::MoogFilter2() = default;

void MoogFilter2::setSampleRate(double fs)
{
    oversampler.setBaseRate(fs);
    samplePeriod = 1.0 / oversampler.getBaseRate();
    stageGainCutoff = notWorkedOut;
}

void MoogFilter2::setOversampling(std::int64_t n)
{
    oversampler.setFactor(n);
    stageGainCutoff = notWorkedOut;
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
    if (cutoff != stageGainCutoff) {
        stageGainCutoff = cutoff;
        stageGain = 2.0 * (1.0 - onePole(cutoff, samplePeriod, oversampler.getFactorInv()));
    }
    // The ladder's state stays in registers through the oversampled steps.
    double y0 = stageOut[0];
    double y1 = stageOut[1];
    double y2 = stageOut[2];
    double y3 = stageOut[3];
    double w0 = tanhMemory[0];
    double w1 = tanhMemory[1];
    double w2 = tanhMemory[2];
    const double G = stageGain;
    const double out = oversampler.process(in, [&](double u) {
        const double a = fastTanhOfHalf(u * drive - resonance * y3);
        y0 += G * (a - w0);
        const double b = fastTanhOfHalf(y0);
        y1 += G * (b - w1);
        const double c = fastTanhOfHalf(y1);
        y2 += G * (c - w2);
        const double e = fastTanhOfHalf(y2);
        // The fourth stage's own tanh is taken afresh; only stages 1..3 keep theirs.
        y3 += G * (e - fastTanhOfHalf(y3));
        w0 = b;
        w1 = c;
        w2 = e;
        return tappedStage(outputTap, y0, y1, y2, y3);
    });
    storeStages(stageOut, y0, y1, y2, y3);
    tanhMemory[0] = w0;
    tanhMemory[1] = w1;
    tanhMemory[2] = w2;
    return out;
}
