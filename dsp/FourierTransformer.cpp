#include "dsp/FourierTransformer.h"

#include <cmath>
#include <numbers>
#include <utility>

void FourierTransformer::setLength(std::int64_t n)
{
    const bool powerOfTwo = n >= 2 && n <= maxLength && (n & (n - 1)) == 0;
    if (!powerOfTwo || n == length)
        return;
    length = n;
    invLength = 1.0 / static_cast<double>(n);
    twiddleLength = 0;
}

void FourierTransformer::transformRealSignal(const double* in, double* spectrum)
{
    forward(in);
    const std::int64_t half = length / 2;
    spectrum[0] = work[0];
    spectrum[1] = work[2 * half];
    for (std::int64_t k = 1; k < half; ++k) {
        spectrum[2 * k] = 2.0 * work[2 * k];
        spectrum[2 * k + 1] = 2.0 * work[2 * k + 1];
    }
}

void FourierTransformer::transformToPolar(const double* in, double* magnitudes, double* phases)
{
    transformToMagnitudes(in, magnitudes);
    const std::int64_t half = length / 2;
    phases[0] = work[2 * half];
    for (std::int64_t k = 1; k < half; ++k) {
        const double re = work[2 * k];
        const double im = work[2 * k + 1];
        // atan2 of a signed zero pair would give +-pi
        phases[k] = (re == 0.0 && im == 0.0) ? 0.0 : std::atan2(im, re);
    }
}

void FourierTransformer::transformToMagnitudes(const double* in, double* magnitudes)
{
    forward(in);
    const std::int64_t half = length / 2;
    magnitudes[0] = work[0];
    for (std::int64_t k = 1; k < half; ++k)
        magnitudes[k] = 2.0 * std::hypot(work[2 * k], work[2 * k + 1]);
}

void FourierTransformer::transformSpectrum(const double* spectrum, double* out)
{
    const std::int64_t half = length / 2;
    for (std::int64_t k = 1; k < half; ++k) {
        work[2 * k] = 0.5 * spectrum[2 * k];
        work[2 * k + 1] = 0.5 * spectrum[2 * k + 1];
    }
    work[0] = spectrum[0];
    work[1] = 0.0;
    work[2 * half] = spectrum[1];
    work[2 * half + 1] = 0.0;
    inverse(out);
}

void FourierTransformer::transformFromPolar(const double* magnitudes, const double* phases, double* out)
{
    const std::int64_t half = length / 2;
    for (std::int64_t k = 1; k < half; ++k) {
        work[2 * k] = 0.5 * magnitudes[k] * std::cos(phases[k]);
        work[2 * k + 1] = 0.5 * magnitudes[k] * std::sin(phases[k]);
    }
    work[0] = magnitudes[0];
    work[1] = 0.0;
    work[2 * half] = phases[0];
    work[2 * half + 1] = 0.0;
    inverse(out);
}

// The N real inputs are read as N/2 complex points (even samples real, odd
// samples imaginary); one half-size transform and a split step give the
// harmonics 0 ... N/2, left in complex slots 0 ... N/2 of the work buffer.
void FourierTransformer::forward(const double* in)
{
    const std::int64_t half = length / 2;
    for (std::int64_t i = 0; i < length; ++i)
        work[i] = in[i];
    prepareTwiddles();
    complexTransform(false);

    const double z0r = work[0];
    const double z0i = work[1];
    for (std::int64_t k = 1; k <= half / 2; ++k) {
        const std::int64_t j = half - k;
        const double ar = work[2 * k], ai = work[2 * k + 1];
        const double br = work[2 * j], bi = work[2 * j + 1];
        // even part E and odd part O of harmonic k
        const double er = 0.5 * (ar + br), ei = 0.5 * (ai - bi);
        const double orr = 0.5 * (ai + bi), oi = 0.5 * (br - ar);
        const double wr = twiddles[2 * k], wi = twiddles[2 * k + 1];
        const double wor = wr * orr - wi * oi;
        const double woi = wr * oi + wi * orr;
        work[2 * k] = er + wor;
        work[2 * k + 1] = ei + woi;
        // harmonic N/2 - k is conj(E - W^k O)
        work[2 * j] = er - wor;
        work[2 * j + 1] = woi - ei;
    }
    work[0] = z0r + z0i;
    work[1] = 0.0;
    work[2 * half] = z0r - z0i;
    work[2 * half + 1] = 0.0;
}

// Inverse of forward: harmonics 0 ... N/2 in complex slots 0 ... N/2 are
// folded into N/2 complex points (twice their size, which the final 1/N
// turns into the exact 2/N of the half-size transform).
void FourierTransformer::inverse(double* out)
{
    const std::int64_t half = length / 2;
    prepareTwiddles();
    const double dc = work[0];
    const double nyquist = work[2 * half];
    for (std::int64_t k = 1; k <= half / 2; ++k) {
        const std::int64_t j = half - k;
        const double ar = work[2 * k], ai = work[2 * k + 1];
        const double br = work[2 * j], bi = work[2 * j + 1];
        const double er = ar + br, ei = ai - bi;
        const double fr = ar - br, fi = ai + bi;
        const double wr = twiddles[2 * k], wi = twiddles[2 * k + 1];
        const double or2 = fr * wr + fi * wi;
        const double oi2 = fi * wr - fr * wi;
        work[2 * k] = er - oi2;
        work[2 * k + 1] = ei + or2;
        work[2 * j] = er + oi2;
        work[2 * j + 1] = or2 - ei;
    }
    work[0] = dc + nyquist;
    work[1] = dc - nyquist;
    complexTransform(true);
    for (std::int64_t i = 0; i < length; ++i)
        out[i] = work[i] * invLength;
}

// In-place radix-2 transform of the N/2 complex points in the work buffer.
void FourierTransformer::complexTransform(bool positiveExponent)
{
    const std::int64_t points = length / 2;
    for (std::int64_t i = 1, j = 0; i < points; ++i) {
        std::int64_t bit = points >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j) {
            std::swap(work[2 * i], work[2 * j]);
            std::swap(work[2 * i + 1], work[2 * j + 1]);
        }
    }
    const double sign = positiveExponent ? -1.0 : 1.0;
    double* z = work.data();
    const double* tw = twiddles.data();
    for (std::int64_t span = 1; span < points; span *= 2) {
        const std::int64_t stride = 2 * (length / (2 * span));
        for (std::int64_t start = 0; start < points; start += 2 * span) {
            double* pa = z + 2 * start;
            double* pb = pa + 2 * span;
            for (std::int64_t k = 0; k < span; ++k) {
                const double wr = tw[k * stride];
                const double wi = sign * tw[k * stride + 1];
                const double br = pb[2 * k], bi = pb[2 * k + 1];
                const double tr = wr * br - wi * bi;
                const double ti = wr * bi + wi * br;
                const double ar = pa[2 * k], ai = pa[2 * k + 1];
                pb[2 * k] = ar - tr;
                pb[2 * k + 1] = ai - ti;
                pa[2 * k] = ar + tr;
                pa[2 * k + 1] = ai + ti;
            }
        }
    }
}

void FourierTransformer::prepareTwiddles()
{
    if (twiddleLength == length)
        return;
    for (std::int64_t k = 0; k < length / 2; ++k) {
        const double angle = 2.0 * std::numbers::pi * static_cast<double>(k) / static_cast<double>(length);
        twiddles[2 * k] = std::cos(angle);
        twiddles[2 * k + 1] = -std::sin(angle);
    }
    twiddleLength = length;
}
