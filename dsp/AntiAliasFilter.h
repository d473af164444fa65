#pragma once

#include "dsp/AudioModule.h"
#include "dsp/IirDesigner.h"

#include <cstdint>

// Fourth-order Butterworth lowpass that an oversampled stage runs on every
// oversampled value before keeping one value in N. One direct-form-I
// recursion (not a cascade of sections), designed for the rate it runs at.
// It does not decimate by itself: the owner keeps the last output of each group.
class AntiAliasFilter : public AudioModule {
public:
    AntiAliasFilter();

    // Normal (finite, non-subnormal) rates above 0 are stored; the filter is
    // redesigned in every case and keeps its history.
    void setSampleRate(double rate) override;
    // Filters the values next(0) ... next(count - 1) in turn and returns the
    // last output (0 for no values); the history stays in registers meanwhile.
    template <class Next>
    double processSequence(std::int64_t count, Next&& next)
    {
        double x0 = x[0], x1 = x[1], x2 = x[2], x3 = x[3], x4 = x[4];
        double y0 = y[0], y1 = y[1], y2 = y[2], y3 = y[3], y4 = y[4];
        for (std::int64_t k = 0; k < count; ++k) {
            const double in = next(k);
            x4 = x3;
            x3 = x2;
            x2 = x1;
            x1 = x0;
            x0 = in;
            // The newest output enters last, so the recursion waits for one
            // product and one difference per value.
            y0 = (b[0] * x0 + ((b[1] * x1 + b[2] * x2 + b[3] * x3 + b[4] * x4) - (a[2] * y2 + a[3] * y3 + a[4] * y4)))
                - a[1] * y1;
            y4 = y3;
            y3 = y2;
            y2 = y1;
            y1 = y0;
        }
        x[0] = x0, x[1] = x1, x[2] = x2, x[3] = x3, x[4] = x4;
        y[0] = y0, y[1] = y1, y[2] = y2, y[3] = y3, y[4] = y4;
        return count > 0 ? y0 : 0.0;
    }

    double processSample(double in) override
    {
        return processSequence(1, [in](std::int64_t) { return in; });
    }

    // Finite cutoffs above 0 are stored; the filter is redesigned in every
    // case and keeps its history. A cutoff that does not fit below half the
    // rate is designed at 0.45 of the rate (the engine's 16000 Hz decimator at
    // host rates below 32 kHz), one below 1e-3 of the rate at 1e-3 of it.
    virtual void setCutoff(double hz);
    virtual void reset();

    double getCutoff() const { return cutoff; }

private:
    void design();

    IirDesigner designer;
    double cutoff = 18000.0;
    double b[5] = {};
    double a[5] = {};
    double x[5] = {};
    double y[5] = {};
};

// Oversampling shared by the ladders and the distortion. Per base-rate sample
// the input is interpolated linearly from the previous input towards the
// current one (so the stage lags one base-rate sample behind), each of the N
// interpolated values goes through the owner's step and then through an
// AntiAliasFilter running at N times the base rate, and the last filtered
// value is the result: decimation by N.
//
// Use: hold one by value next to the stage's own state, built with the
// stage's factor; forward the base rate with setBaseRate and factor changes
// with setFactor (both re-rate the lowpass); per base-rate sample call
//     return oversampler.process(in, [this](double v) { return stepOnce(v); });
// where stepOnce computes one value at the oversampled rate and returns the
// value to be filtered. getFactorInv() is 1/N for coefficients that depend on
// the oversampled rate.
class Oversampler {
public:
    // Bounds the factor as the 64-value interpolation buffers of the stages do.
    static constexpr std::int64_t maxFactor = 64;

    explicit Oversampler(std::int64_t factor);

    // Finite rates above 0 are stored; the lowpass is re-rated in every case.
    void setBaseRate(double rate);
    // Factors 1..64 are stored; the lowpass is re-rated in every case.
    void setFactor(std::int64_t n);

    // Forgets the previous input; the lowpass keeps its history.
    void clearInput() { prevInput = 0.0; }
    // Forgets the previous input and the lowpass history.
    void reset()
    {
        clearInput();
        antiAlias.reset();
    }

    template <class Step>
    double process(double in, Step&& step)
    {
        const double d = (in - prevInput) * factorInv;
        const double from = prevInput;
        prevInput = in;
        return antiAlias.processSequence(factor,
            [&](std::int64_t k) { return step(from + static_cast<double>(k) * d); });
    }

    std::int64_t getFactor() const { return factor; }
    double getFactorInv() const { return factorInv; }
    double getBaseRate() const { return baseRate; }
    const AntiAliasFilter& getAntiAlias() const { return antiAlias; }

private:
    AntiAliasFilter antiAlias;
    double baseRate = 44100.0;
    std::int64_t factor = 1;
    double factorInv = 1.0;
    double prevInput = 0.0;
};
