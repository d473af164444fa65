#include "dsp/ExponentialRamp.h"

#include <gtest/gtest.h>

#include <cmath>

TEST(ExponentialRamp, FreshRampSitsAtItsEndValue)
{
    ExponentialRamp ramp;
    EXPECT_DOUBLE_EQ(ramp.getSample(), 1.0);
    EXPECT_DOUBLE_EQ(ramp.getSample(), 1.0);
}

TEST(ExponentialRamp, ZeroTimeJumpsToTheEndAfterTrigger)
{
    ExponentialRamp ramp;
    ramp.setStart(-7.0);
    ramp.setEnd(0.25);
    ramp.setTime(0.0);
    ramp.trigger();
    EXPECT_DOUBLE_EQ(ramp.getSample(), 0.25);
    ramp.setTime(-3.0);
    ramp.trigger();
    EXPECT_DOUBLE_EQ(ramp.getSample(), 0.25);
    ramp.setTime(std::nan(""));
    ramp.trigger();
    EXPECT_DOUBLE_EQ(ramp.getSample(), 0.25);
}

TEST(ExponentialRamp, OneTimeConstantLeavesOneOverE)
{
    ExponentialRamp ramp;
    ramp.setStart(0.0);
    ramp.setEnd(1.0);
    ramp.setTime(1.0);
    EXPECT_NEAR(ramp.getDecayCoeff(), std::exp(-1.0 / 44.1), 1e-15);
    ramp.trigger();
    double value = 0.0;
    for (int i = 0; i < 44; ++i)
        value = ramp.getSample();
    // 44 of the 44.1 samples of one time constant.
    EXPECT_NEAR(value, 1.0 - std::exp(-44.0 / 44.1), 1e-12);
    EXPECT_NEAR(value, 0.632, 0.002);
}

TEST(ExponentialRamp, TimeScaleStretchesAndRejectsNonPositiveFactors)
{
    ExponentialRamp ramp;
    ramp.setTime(1.0);
    ramp.setTimeScale(2.0);
    EXPECT_NEAR(ramp.getDecayCoeff(), std::exp(-1.0 / 88.2), 1e-15);
    ramp.setTimeScale(0.0);
    EXPECT_NEAR(ramp.getDecayCoeff(), std::exp(-1.0 / 88.2), 1e-15);
    ramp.setTimeScale(-1.0);
    EXPECT_NEAR(ramp.getDecayCoeff(), std::exp(-1.0 / 88.2), 1e-15);
}

TEST(ExponentialRamp, NewEndContinuesFromTheCurrentValue)
{
    ExponentialRamp ramp;
    ramp.setStart(0.0);
    ramp.setEnd(1.0);
    ramp.setTime(2.0);
    ramp.trigger();
    for (int i = 0; i < 50; ++i)
        ramp.getSample();
    const double before = ramp.getCurrentValue();
    ramp.setEnd(-1.0);
    const double d = ramp.getDecayCoeff();
    EXPECT_NEAR(ramp.getSample(), (1.0 - d) * -1.0 + d * before, 1e-15);
}

TEST(ExponentialRamp, RateChangesKeepTheOldRateButRecompute)
{
    ExponentialRamp ramp;
    ramp.setTime(1.0);
    ramp.setSampleRate(0.0);
    EXPECT_DOUBLE_EQ(ramp.getSampleRate(), 44100.0);
    ramp.setSampleRate(88200.0);
    EXPECT_NEAR(ramp.getDecayCoeff(), std::exp(-1.0 / 88.2), 1e-15);
    ramp.setSampleRate(std::nan(""));
    EXPECT_DOUBLE_EQ(ramp.getSampleRate(), 88200.0);
}
