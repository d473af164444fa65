#pragma once

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <limits>
#include <numbers>
#include <vector>

inline constexpr double pi = std::numbers::pi;

// What a host may hand any setter; none of it may make an output non-finite.
inline constexpr double hostileValues[] = {std::numeric_limits<double>::quiet_NaN(),
    std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(), 1e308, -1e308, 0.0, -1.0,
    1e-320};

inline std::vector<double> hostileAnd(std::initializer_list<double> more)
{
    std::vector<double> values(std::begin(hostileValues), std::end(hostileValues));
    values.insert(values.end(), more);
    return values;
}

// A module's processSample as a callable.
template <class Module>
auto through(Module& module)
{
    return [&module](double x) { return module.processSample(x); };
}

// Last output after `samples` steps of a constant input, or of one whose sign alternates.
template <class Process>
double settle(Process&& process, double value, int samples, bool alternate = false)
{
    double y = 0.0;
    for (int n = 0; n < samples; ++n)
        y = process(alternate && n % 2 ? -value : value);
    return y;
}

// Gain and phase of a (linear) per-sample processor at one frequency, found by
// running a sine through it. After the transient, one second of output is
// correlated with sine and cosine; integer frequencies then fill that second
// with whole periods, so other components cancel exactly.
struct SineResponse {
    double gain;
    double phase; // radians, output relative to the input sine
};

template <class Process>
SineResponse measureSine(Process&& process, double hz, double rate, double amplitude = 1.0)
{
    const int settleSpan = static_cast<int>(rate / 2);
    const int span = static_cast<int>(rate);
    const double w = 2.0 * pi * hz / rate;
    for (int n = 0; n < settleSpan; ++n)
        process(amplitude * std::sin(w * n));
    double re = 0.0;
    double im = 0.0;
    for (int n = settleSpan; n < settleSpan + span; ++n) {
        const double y = process(amplitude * std::sin(w * n));
        re += y * std::sin(w * n);
        im += y * std::cos(w * n);
    }
    return {2.0 * std::hypot(re, im) / span / amplitude, std::atan2(im, re)};
}

// Textbook DFT term k of a signal made of whole periods of `period` samples.
inline std::complex<double> dftTerm(const std::vector<double>& x, std::int64_t k, std::int64_t period)
{
    std::complex<double> sum = 0.0;
    for (std::size_t j = 0; j < x.size(); ++j)
        sum += x[j] * std::polar(1.0, -2.0 * pi * double((std::int64_t(j) * k) % period) / double(period));
    return sum;
}

// The noise generator's draws, with 32-bit wrap-around instead of moduli.
struct LcgReference {
    std::uint32_t state = 0;
    int next()
    {
        state = state * 214013u + 2531011u;
        return int((state >> 16) & 0x7FFF);
    }
    double white() { return (next() - 16384) / 16384.0; }
};

// Linear interpolation between table points.
inline double lerp(const double* table, double p)
{
    const int i = int(p);
    return table[i] + (p - i) * (table[i + 1] - table[i]);
}
