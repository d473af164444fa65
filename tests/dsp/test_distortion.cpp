#include "dsp/Distortion.h"
#include "tests/support/Signals.h"

#include <gtest/gtest.h>

namespace {

constexpr std::int64_t linear = Distortion::linearMapping;
constexpr std::int64_t tanhMode = Distortion::tanhMapping;

double dB(double level) { return 20.0 * std::log10(level); }

// Every level at 0 dB, no drive, no offset, no rectification, fully wet.
Distortion plainShaper(std::int64_t mode)
{
    Distortion d;
    d.setMode(mode);
    d.setDryWet(100.0);
    d.setDrive(0.0);
    d.setDcOffset(0.0);
    d.setRectification(0.0);
    return d;
}

} // namespace

TEST(DistortionMapping, SubnormalLevelsClipInsteadOfOverflowing)
{
    Distortion d = plainShaper(linear);
    // Subnormal levels a few steps apart clip instead of overflowing.
    d.setUpperThreshold(-6300.0);
    d.setUpperSaturation(-6299.9999999);
    const double t = std::pow(10.0, -6300.0 * 0.05);
    const double u = std::pow(10.0, -6299.9999999 * 0.05);
    ASSERT_GT(u, t);
    for (double x = t; x <= u; x = std::nextafter(x, 1.0))
        ASSERT_LE(std::abs(d.processSample(x)), 1.0) << x;
}

TEST(DistortionMapping, TanhKneeStartsWithSlopeOneAndNeverExceedsItsClamp)
{
    Distortion d = plainShaper(tanhMode);
    d.setUpperThreshold(dB(0.5));
    d.setUpperSaturation(dB(0.6)); // plays no part in the knee
    EXPECT_NEAR((d.processSample(0.5 + 1e-7) - d.processSample(0.5)) / 1e-7, 1.0, 1e-6);

    for (double tDb = -40.0; tDb <= 6.0; tDb += 1.7) {
        for (double cDb = tDb; cDb <= tDb + 30.0; cDb += 2.3) {
            d.setUpperThreshold(tDb);
            d.setUpperClampLevel(cDb);
            d.setLowerThreshold(tDb);
            d.setLowerClampLevel(cDb);
            const double clamp = std::pow(10.0, cDb * 0.05);
            double previous = 0.0;
            for (double x = 1e-3; x < 1e6; x *= 1.07) {
                const double y = d.processSample(x);
                ASSERT_LE(y, clamp) << tDb << " " << cDb << " " << x;
                ASSERT_GE(y, previous) << tDb << " " << cDb << " " << x;
                ASSERT_EQ(d.processSample(-x), -y);
                previous = y;
            }
        }
    }
}
