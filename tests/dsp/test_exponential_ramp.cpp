#include "dsp/ExponentialRamp.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(ExponentialRamp, ZeroTimeJumpsAndOneTimeConstantLeavesOneOverE)
{
    ExponentialRamp ramp;
    EXPECT_DOUBLE_EQ(ramp.getSample(), 1.0); // a fresh ramp sits at its end value
    ramp.setStart(-7.0);
    ramp.setEnd(0.25);
    for (double instant : {0.0, -3.0, std::nan("")}) {
        ramp.setTime(instant);
        ramp.trigger();
        EXPECT_DOUBLE_EQ(ramp.getSample(), 0.25) << instant;
    }
    ramp.setStart(0.0);
    ramp.setEnd(1.0);
    ramp.setTime(1.0);
    ramp.trigger();
    double value = 0.0;
    for (int i = 0; i < 44; ++i)
        value = ramp.getSample();
    // 44 of the 44.1 samples of one time constant.
    EXPECT_NEAR(value, 1.0 - std::exp(-44.0 / 44.1), 1e-12);

    // A new end continues from the current value.
    ramp.setEnd(-1.0);
    EXPECT_NEAR(ramp.getSample(), -1.0 + (value + 1.0) * std::exp(-1.0 / 44.1), 1e-15);
}

TEST(ExponentialRamp, TimeScaleAndRateStretchTheTimeConstant)
{
    // One time constant of 1 ms scaled by 2: 88.2 samples at 44100 Hz, 176.4 at 88200 Hz.
    ExponentialRamp ramp;
    ramp.setTime(1.0);
    ramp.setTimeScale(2.0);
    ramp.setStart(0.0);
    ramp.setEnd(1.0);
    for (double rate : {44100.0, 88200.0}) {
        ramp.setSampleRate(rate);
        ramp.trigger();
        double value = 0.0;
        for (int i = 0; i < 88; ++i)
            value = ramp.getSample();
        EXPECT_NEAR(value, 1.0 - std::exp(-88.0 / (rate / 500.0)), 1e-12) << rate;
    }
}
