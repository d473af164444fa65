#include "dsp/IirDesigner.h"

#include <cmath>
#include <numbers>

namespace {

// Bilinear transform of an analog root given in units of 2 fs.
Complex toDigital(const Complex& s)
{
    const Complex one(1.0, 0.0);
    return (one + s) / (one - s);
}

} // namespace

double IirDesigner::fittingEdge(double hz, double rate)
{
    return hz < 0.5 * rate ? hz : 0.45 * rate;
}

void IirDesigner::setSampleRate(double rate)
{
    if (rate > 0.0 && std::isnormal(rate))
        sampleRate = rate;
}

void IirDesigner::setMode(std::int64_t m)
{
    if (m >= lowpass && m <= bandstop)
        mode = m;
}

void IirDesigner::setOrder(std::int64_t n)
{
    if (n >= 1 && n <= maxOrder)
        order = n;
}

void IirDesigner::setLowerFrequency(double hz)
{
    if (hz >= 0.0 && hz <= 0.5 * sampleRate)
        lowerFrequency = hz;
}

void IirDesigner::setUpperFrequency(double hz)
{
    if (hz >= 0.0 && hz <= 0.5 * sampleRate)
        upperFrequency = hz;
}

std::int64_t IirDesigner::getCoefficients(double* bOut, double* aOut)
{
    prewarp();
    transformPrototype();
    bilinear();
    normaliseGain();
    expand();
    const int count = digitalCount + 1;
    for (int k = 0; k < count; ++k) {
        bOut[k] = b[k];
        aOut[k] = a[k];
    }
    return count;
}

void IirDesigner::prewarp()
{
    // Analog frequencies are kept in units of 2 fs (s' = s / (2 fs)), which
    // leaves the design independent of the magnitude of the rate.
    designLower = fittingEdge(lowerFrequency, sampleRate) / sampleRate;
    designUpper = fittingEdge(upperFrequency, sampleRate) / sampleRate;
    omega1 = 2.0 * std::numbers::pi * designLower;
    omega2 = 2.0 * std::numbers::pi * designUpper;
    warped1 = std::tan(0.5 * omega1);
    warped2 = std::tan(0.5 * omega2);
    warpedCentre = std::sqrt(warped1 * warped2);
    bandwidth = warped2 - warped1;
}

void IirDesigner::transformPrototype()
{
    const int n = static_cast<int>(order);
    const Complex centreSquared(warpedCentre * warpedCentre, 0.0);
    analogPoleCount = (mode == bandpass || mode == bandstop) ? 2 * n : n;
    analogZeroCount = 0;
    for (int k = 0; k < n; ++k) {
        // Unit-cutoff Butterworth poles on the left half of the unit circle.
        const double theta = (2.0 * k + 1.0) * std::numbers::pi / (2.0 * n);
        const Complex p(-std::sin(theta), std::cos(theta));
        switch (mode) {
        case lowpass:
            analogPoles[k] = p * warped1;
            break;
        case highpass:
            analogPoles[k] = Complex(warped1, 0.0) / p;
            analogZeros[analogZeroCount++] = Complex();
            break;
        case bandpass: {
            const Complex h = p * (0.5 * bandwidth);
            const Complex r = (h * h - centreSquared).sqrt();
            analogPoles[k] = h + r;
            analogPoles[2 * n - 1 - k] = h - r;
            analogZeros[analogZeroCount++] = Complex();
            break;
        }
        default: {
            const Complex h = Complex(0.5 * bandwidth, 0.0) / p;
            const Complex r = (h * h - centreSquared).sqrt();
            analogPoles[k] = h + r;
            analogPoles[2 * n - 1 - k] = h - r;
            break;
        }
        }
    }
    if (mode == bandstop) {
        for (int k = 0; k < n; ++k) {
            analogZeros[k] = Complex(0.0, warpedCentre);
            analogZeros[n + k] = Complex(0.0, -warpedCentre);
        }
        analogZeroCount = 2 * n;
    }
}

void IirDesigner::bilinear()
{
    digitalCount = analogPoleCount;
    for (int i = 0; i < digitalCount; ++i) {
        digitalPoles[i] = toDigital(analogPoles[i]);
        // Zero places without an analog zero go to half the rate.
        digitalZeros[i] = i < analogZeroCount ? toDigital(analogZeros[i]) : Complex(-1.0, 0.0);
    }
}

void IirDesigner::normaliseGain()
{
    Complex z0(1.0, 0.0);
    if (mode == highpass)
        z0 = Complex(-1.0, 0.0);
    else if (mode == bandpass)
        z0 = Complex(0.0, 2.0 * std::numbers::pi * std::sqrt(designLower * designUpper)).exp();
    Complex numerator(1.0, 0.0);
    Complex denominator(1.0, 0.0);
    for (int i = 0; i < digitalCount; ++i) {
        numerator = numerator * (z0 - digitalZeros[i]);
        denominator = denominator * (z0 - digitalPoles[i]);
    }
    gainInv = 1.0 / (numerator / denominator).magnitude();
}

void IirDesigner::expand()
{
    // Multiplies out prod(1 - root * z^-1); the product of conjugate pairs is real.
    auto multiplyOut = [this](const Complex* roots, double scale, double* out) {
        Complex poly[maxRoots + 1];
        poly[0] = Complex(1.0, 0.0);
        for (int i = 0; i < digitalCount; ++i)
            for (int k = i + 1; k >= 1; --k)
                poly[k] = poly[k] - roots[i] * poly[k - 1];
        for (int k = 0; k <= digitalCount; ++k)
            out[k] = scale * poly[k].re;
    };
    multiplyOut(digitalPoles, 1.0, a);
    multiplyOut(digitalZeros, gainInv, b);
}
