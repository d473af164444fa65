#include "tools/render/ProgressBar.h"

#include <algorithm>
#include <iomanip>
#include <string>

namespace {

constexpr int barWidth = 32;
constexpr auto showAfter = std::chrono::seconds(1);
constexpr auto redrawEvery = std::chrono::milliseconds(100);

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
    const int filled = static_cast<int>(fraction * barWidth);
    out << "\rrendering [" << std::string(static_cast<size_t>(filled), '#')
        << std::string(static_cast<size_t>(barWidth - filled), '.') << "] " << std::setw(3)
        << static_cast<int>(fraction * 100.0) << "%  " << std::fixed << std::setprecision(1)
        << static_cast<double>(framesDone) / sampleRate << " s" << std::flush;
}

void ProgressBar::finish()
{
    if (!shown)
        return;
    out << '\r' << std::string(barWidth + 36, ' ') << '\r' << std::flush;
    shown = false;
}
