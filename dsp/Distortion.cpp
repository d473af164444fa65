#include "dsp/Distortion.h"

#include "dsp/Tanh.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace {

// A clamp level equal to the threshold would give a knee of width 0 and an
// infinite input scale; the smallest normal width keeps 1/K finite and turns
// the knee into a hard clip at T.
constexpr double smallestKnee = std::numeric_limits<double>::min();

// Gain of a dB value, or nothing when it is not finite (NaN, or a dB value so
// large that the gain overflows): the setters then keep the old value.
std::optional<double> gainOf(double dB)
{
    const double g = std::pow(10.0, dB * 0.05);
    if (!std::isfinite(g))
        return std::nullopt;
    return g;
}

} // namespace

Distortion::Distortion()
{
    setLowerThreshold(0.0);
    setUpperThreshold(0.0);
    setLowerSaturation(0.0);
    setUpperSaturation(0.0);
    setLowerClampLevel(0.0);
    setUpperClampLevel(0.0);
}

void Distortion::setSampleRate(double rate)
{
    if (std::isfinite(rate))
        AudioModule::setSampleRate(rate);
    oversampler.setBaseRate(sampleRate);
}

void Distortion::setOversampling(std::int64_t n)
{
    oversampler.setFactor(n);
}

double Distortion::processOversampled(double in)
{
    return oversampler.process(in, [this](double v) { return processSample(v); });
}

double Distortion::processSample(double in)
{
    if (mode == off)
        return in;
    const double x = drive * in + dcOffset;
    // Zero counts as positive.
    const double y = x >= 0.0 ? shape(upper, x) : -shape(lower, -x) * (1.0 - rectification);
    return dry * in + wet * y;
}

double Distortion::shape(const Half& half, double a) const
{
    return mode == tanhMapping ? half.tanhKnee(a) : half.linear(a);
}

double Distortion::Half::linear(double a) const
{
    if (a <= threshold)
        return a;
    if (hardClip || a > saturation)
        return clampLevel;
    return threshold + (a - threshold) * slope;
}

double Distortion::Half::tanhKnee(double a) const
{
    if (a <= threshold)
        return a;
    const double y = threshold + tanhScale * fastTanh((a - threshold) * tanhInputScale);
    // Rounding in T + K could land one step above the clamp level it approaches.
    return tanhScale > 0.0 ? std::min(y, clampLevel) : y;
}

void Distortion::Half::updateClipState()
{
    if (threshold == saturation) {
        hardClip = true;
        return;
    }
    const double s = (clampLevel - threshold) / (saturation - threshold);
    // A segment too narrow for its slope to be represented is a step: clip hard.
    hardClip = !std::isfinite(s);
    if (!hardClip)
        slope = s;
}

void Distortion::Half::updateKnee()
{
    // Worked out before storing: the audio thread may read the pair at any time.
    double k = clampLevel - threshold;
    if (k == 0.0)
        k = smallestKnee;
    tanhScale = k;
    tanhInputScale = 1.0 / k;
}

void Distortion::setMode(std::int64_t m)
{
    if (m >= off && m <= tanhMapping)
        mode = m;
}

void Distortion::setDryWet(double percent)
{
    if (percent >= 0.0 && percent <= 100.0) {
        wet = percent * 0.01;
        dry = 1.0 - wet;
    }
}

void Distortion::setDrive(double dB)
{
    if (const std::optional<double> g = gainOf(dB))
        drive = *g;
}

void Distortion::setDcOffset(double offset)
{
    if (std::isfinite(offset))
        dcOffset = offset;
}

void Distortion::setLevel(Half& half, double Half::*level, double dB)
{
    const std::optional<double> g = gainOf(dB);
    if (!g)
        return;
    half.*level = *g;
    half.updateClipState();
    // The saturation point plays no part in the knee.
    if (level != &Half::saturation)
        half.updateKnee();
}

void Distortion::setLowerThreshold(double dB) { setLevel(lower, &Half::threshold, dB); }
void Distortion::setUpperThreshold(double dB) { setLevel(upper, &Half::threshold, dB); }
void Distortion::setLowerSaturation(double dB) { setLevel(lower, &Half::saturation, dB); }
void Distortion::setUpperSaturation(double dB) { setLevel(upper, &Half::saturation, dB); }
void Distortion::setLowerClampLevel(double dB) { setLevel(lower, &Half::clampLevel, dB); }
void Distortion::setUpperClampLevel(double dB) { setLevel(upper, &Half::clampLevel, dB); }

void Distortion::setRectification(double v)
{
    if (v >= 0.0 && v <= 1.0)
        rectification = 2.0 * v;
}

void Distortion::reset() { oversampler.reset(); }
