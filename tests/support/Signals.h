#pragma once

// Signals and measurements shared by the tests and benchmarks.

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <limits>
#include <numbers>
#include <numeric>
#include <vector>

inline constexpr double pi = std::numbers::pi;

// What a host may hand any setter; none of it may make an output non-finite.
inline constexpr double hostileValues[] = {std::numeric_limits<double>::quiet_NaN(),
    std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(), 1e308, -1e308, 0.0, -1.0,
    1e-320};

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

// Gain and phase of a (linear) per-sample processor at one frequency, as one
// complex factor (phase relative to the input sine), found by running a sine
// through it. After the transient, one second of output is correlated with
// sine and cosine; integer frequencies then fill that second with whole
// periods, so other components cancel exactly.
template <class Process>
std::complex<double> measureSine(Process&& process, double hz, double rate, double amplitude = 1.0)
{
    const int settleSpan = static_cast<int>(rate / 2);
    const int span = static_cast<int>(rate);
    const double w = 2.0 * pi * hz / rate;
    for (int n = 0; n < settleSpan; ++n)
        process(amplitude * std::sin(w * n));
    std::complex<double> sum = 0.0;
    for (int n = settleSpan; n < settleSpan + span; ++n)
        sum += process(amplitude * std::sin(w * n)) * std::complex<double>(std::sin(w * n), std::cos(w * n));
    return 2.0 * sum / double(span) / amplitude;
}

// Textbook DFT term k of a signal made of whole periods of `period` samples.
inline std::complex<double> dftTerm(const std::vector<double>& x, std::int64_t k, std::int64_t period)
{
    std::complex<double> sum = 0.0;
    for (std::size_t j = 0; j < x.size(); ++j)
        sum += x[j] * std::polar(1.0, -2.0 * pi * double((std::int64_t(j) * k) % period) / double(period));
    return sum;
}

// `count` outputs of a generator (any callable without arguments).
template <class Generate>
std::vector<double> record(Generate&& generate, std::size_t count)
{
    std::vector<double> out(count);
    for (double& s : out)
        s = generate();
    return out;
}

inline std::vector<double> slice(const std::vector<double>& x, std::size_t from, std::size_t count)
{
    return {x.begin() + static_cast<std::ptrdiff_t>(from), x.begin() + static_cast<std::ptrdiff_t>(from + count)};
}

// Hann-windowed amplitude of the component at hz, scaled so that a sine of
// amplitude A gives A; its argument is the cosine phase at the first sample.
inline std::complex<double> component(const std::vector<double>& x, double rate, double hz)
{
    std::complex<double> sum = 0.0;
    double windowSum = 0.0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        const double w = 0.5 - 0.5 * std::cos(2.0 * pi * (i + 0.5) / x.size());
        sum += w * x[i] * std::polar(1.0, -2.0 * pi * hz * i / rate);
        windowSum += w;
    }
    return 2.0 * sum / windowSum;
}

inline double magnitude(const std::vector<double>& x, double rate, double hz)
{
    return std::abs(component(x, rate, hz));
}

// Rising zero crossings, as fractional sample positions.
inline std::vector<double> risingCrossings(const std::vector<double>& x)
{
    std::vector<double> at;
    for (std::size_t i = 1; i < x.size(); ++i)
        if (x[i - 1] < 0.0 && x[i] >= 0.0)
            at.push_back(i - 1 + x[i - 1] / (x[i - 1] - x[i]));
    return at;
}

// Mean frequency over the whole periods between the first and last crossing.
inline double frequencyOf(const std::vector<double>& x, double rate)
{
    const std::vector<double> at = risingCrossings(x);
    return at.size() < 2 ? 0.0 : (at.size() - 1) * rate / (at.back() - at.front());
}

inline double peakOf(const std::vector<double>& x)
{
    return std::accumulate(x.begin(), x.end(), 0.0,
                           [](double peak, double s) { return std::max(peak, std::abs(s)); });
}
