#pragma once

#include "dsp/AudioModule.h"

// Tone filter of one oscillator: a first-order lowpass, highpass and allpass in
// series, each tuned on its own. A lowpass or highpass frequency of 0 switches
// that section off; the allpass only turns the phase.
class LpfHpfApf : public AudioModule {
public:
    LpfHpfApf();

    void setSampleRate(double rate) override;
    double processSample(double in) override { return allpass.process(highpass.process(lowpass.process(in))); }

    // Frequencies outside 0..20000 Hz (NaN included) fall back to 20000 Hz.
    virtual void setLowpassFrequency(double hz);
    virtual void setHighpassFrequency(double hz);
    virtual void setAllpassFrequency(double hz);
    virtual void reset();

private:
    // One first-order section y = b0*x + b1*x1 + a1*y1 with its own history.
    struct Section {
        double b0 = 1.0;
        double b1 = 0.0;
        double a1 = 0.0;
        double x1 = 0.0;
        double y1 = 0.0;

        double process(double x)
        {
            const double y = b0 * x + b1 * x1 + a1 * y1;
            x1 = x;
            y1 = y;
            return y;
        }
    };

    void calcCoefficients();

    double lowpassFrequency = 20000.0;
    double highpassFrequency = 0.0;
    double allpassFrequency = 20000.0;
    Section lowpass;
    Section highpass;
    Section allpass;
    double samplePeriod = 1.0 / 44100.0;
};
