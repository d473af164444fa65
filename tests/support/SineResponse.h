#pragma once

#include <cmath>

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
    constexpr double pi = 3.14159265358979323846;
    const int settle = static_cast<int>(rate / 2);
    const int span = static_cast<int>(rate);
    const double w = 2.0 * pi * hz / rate;
    for (int n = 0; n < settle; ++n)
        process(amplitude * std::sin(w * n));
    double re = 0.0;
    double im = 0.0;
    for (int n = settle; n < settle + span; ++n) {
        const double y = process(amplitude * std::sin(w * n));
        re += y * std::sin(w * n);
        im += y * std::cos(w * n);
    }
    return {2.0 * std::hypot(re, im) / span / amplitude, std::atan2(im, re)};
}
