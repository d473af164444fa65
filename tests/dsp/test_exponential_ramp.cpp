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
