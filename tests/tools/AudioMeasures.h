#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

// Measurements on interleaved stereo renders, left channel.

inline double rmsOf(const std::vector<float>& stereo, int64_t from, int64_t count)
{
    double sum = 0.0;
    for (int64_t i = from; i < from + count; ++i)
        sum += static_cast<double>(stereo[static_cast<size_t>(2 * i)]) * stereo[static_cast<size_t>(2 * i)];
    return std::sqrt(sum / static_cast<double>(count));
}

// The fundamental by normalised autocorrelation between 40 Hz and 2 kHz: the
// shortest lag whose peak comes within 10 % of the best one (so a multiple
// of the period is not taken for it), refined by a parabola through its
// neighbours.
inline double pitchOf(const std::vector<float>& stereo, double sampleRate, int64_t from, int64_t count)
{
    std::vector<double> x(static_cast<size_t>(count));
    for (int64_t i = 0; i < count; ++i)
        x[static_cast<size_t>(i)] = stereo[static_cast<size_t>(2 * (from + i))];
    const auto shortest = static_cast<size_t>(sampleRate / 2000.0);
    const auto longest = static_cast<size_t>(sampleRate / 40.0);
    std::vector<double> r(longest + 2, 0.0);
    const size_t span = x.size() - longest - 1;
    for (size_t lag = shortest - 1; lag <= longest + 1; ++lag) {
        double product = 0.0, first = 0.0, second = 0.0;
        for (size_t i = 0; i < span; ++i) {
            product += x[i] * x[i + lag];
            first += x[i] * x[i];
            second += x[i + lag] * x[i + lag];
        }
        r[lag] = first > 0.0 && second > 0.0 ? product / std::sqrt(first * second) : 0.0;
    }
    double best = 0.0;
    for (size_t lag = shortest; lag <= longest; ++lag)
        best = std::max(best, r[lag]);
    for (size_t lag = shortest; lag <= longest; ++lag)
        if (r[lag] >= 0.9 * best && r[lag] >= r[lag - 1] && r[lag] >= r[lag + 1]) {
            const double curvature = r[lag - 1] - 2.0 * r[lag] + r[lag + 1];
            const double shift = curvature != 0.0 ? 0.5 * (r[lag - 1] - r[lag + 1]) / curvature : 0.0;
            return sampleRate / (static_cast<double>(lag) + shift);
        }
    return 0.0;
}
