#pragma once

#include "dsp/AudioModule.h"

// One-pole glide from a start value towards an end value; after the time
// constant the remaining distance has fallen to 1/e. It has no end state.
class ExponentialRamp : public AudioModule {
public:
    ExponentialRamp() { setTime(0.0); }

    void setSampleRate(double rate) override;
    double getSample() override
    {
        currentValue = feedCoeff * endValue + decayCoeff * currentValue;
        return currentValue;
    }

    void setStart(double v) { startValue = v; }
    virtual void setTime(double ms);
    void setEnd(double v) { endValue = v; }
    void setTimeScale(double factor);
    void trigger() { currentValue = startValue; }

    double getCurrentValue() const { return currentValue; }
    double getDecayCoeff() const { return decayCoeff; }

private:
    double startValue = 1.0;
    double timeMs = 0.0;
    double endValue = 1.0;
    double timeScale = 1.0;
    double feedCoeff = 1.0;
    double decayCoeff = 0.0;
    double currentValue = 0.0;
};
