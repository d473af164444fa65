#pragma once

#include <chrono>
#include <cstdint>
#include <ostream>

// A one-line bar on the terminal with the time taken, the speed (times real
// time) and the time left, as wide as the terminal. It appears only once a
// render has taken a second, so short renders print nothing, and redraws at
// most ten times a second.
class ProgressBar {
public:
    ProgressBar(std::ostream& out, bool enabled, double sampleRate);
    ~ProgressBar();

    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    void update(int64_t framesDone, int64_t framesExpected);
    // Clears the line; called before anything else is printed.
    void finish();

private:
    using Clock = std::chrono::steady_clock;
    std::ostream& out;
    bool enabled;
    double sampleRate;
    Clock::time_point started = Clock::now();
    Clock::time_point lastDrawn {};
    bool shown = false;
    int columns = 0; // of the last line drawn
};
