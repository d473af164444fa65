#include "tools/render/ProgressBar.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <sys/ioctl.h>
#include <unistd.h>

namespace {

constexpr int narrowestBar = 10;
constexpr int defaultColumns = 80;
constexpr auto showAfter = std::chrono::seconds(1);
constexpr auto redrawEvery = std::chrono::milliseconds(100);

int terminalColumns()
{
    winsize size {};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    const char* columns = std::getenv("COLUMNS");
    const int given = columns ? std::atoi(columns) : 0;
    return given > 0 ? given : defaultColumns;
}

std::string clock(double seconds)
{
    const auto whole = static_cast<long>(std::max(0.0, seconds));
    char text[32];
    if (whole >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", whole / 3600, whole / 60 % 60, whole % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    return text;
}

} // namespace

ProgressBar::ProgressBar(std::ostream& out, bool enabled, double sampleRate)
    : out(out)
    , enabled(enabled)
    , sampleRate(sampleRate)
{
}

ProgressBar::~ProgressBar() { finish(); }

void ProgressBar::update(int64_t framesDone, int64_t framesExpected)
{
    const auto now = Clock::now();
    if (!enabled || now - started < showAfter || now - lastDrawn < redrawEvery || framesExpected <= 0)
        return;
    lastDrawn = now;
    shown = true;
    const double fraction = std::clamp(static_cast<double>(framesDone) / static_cast<double>(framesExpected), 0.0, 1.0);
    const double elapsed = std::chrono::duration<double>(now - started).count();
    const double audio = static_cast<double>(framesDone) / sampleRate;
    const double speed = audio / elapsed;
    const double left = speed > 0.0 ? static_cast<double>(framesExpected - framesDone) / sampleRate / speed : 0.0;
    char figures[96];
    std::snprintf(figures, sizeof figures, " %3d%%  %s  %.1fx  %s left", static_cast<int>(fraction * 100.0),
        clock(elapsed).c_str(), speed, clock(left).c_str());
    // The line never reaches the last column, where a terminal would wrap it.
    columns = terminalColumns() - 1;
    const int room = columns - static_cast<int>(sizeof "[]" - 1) - static_cast<int>(std::string(figures).size());
    std::string line;
    if (room >= narrowestBar) {
        const int filled = static_cast<int>(fraction * room);
        line = "[" + std::string(static_cast<size_t>(filled), '#')
            + std::string(static_cast<size_t>(room - filled), '.') + "]" + figures;
    } else {
        line = std::string(figures).substr(1, static_cast<size_t>(std::max(0, columns)));
    }
    out << '\r' << line << std::flush;
}

void ProgressBar::finish()
{
    if (!shown)
        return;
    out << '\r' << std::string(static_cast<size_t>(std::max(0, columns)), ' ') << '\r' << std::flush;
    shown = false;
}
