#pragma once

#include "dsp/Complex.h"

#include <cstdint>

// Digital Butterworth designer (orders 1..12; lowpass, highpass, bandpass,
// bandstop) by the pole-zero route: unit-circle analog prototype, prewarped
// edges, analog frequency transformation, bilinear transform, gain
// normalisation at a reference point and expansion into polynomials in z^-1.
// The setters only store; getCoefficients designs from the values in force.
class IirDesigner {
public:
    enum IirDesignMode : std::int64_t { lowpass = 1, highpass = 2, bandpass = 3, bandstop = 4 };

    static constexpr std::int64_t maxOrder = 12;
    // Band modes double the order.
    static constexpr int maxRoots = 2 * maxOrder;

    virtual ~IirDesigner() = default;

    // An edge at or above half the rate has no prewarped frequency (the
    // tangent runs through its pole at pi/2); the designer meets one when the
    // rate drops below twice an edge accepted earlier. Such an edge is
    // designed at 0.45 of the rate, so the result stays a stable filter of
    // the requested kind.
    static double fittingEdge(double hz, double rate);

    // Finite rates above 0 only (subnormal rates are refused as well).
    virtual void setSampleRate(double rate);
    virtual void setMode(std::int64_t m);
    virtual void setOrder(std::int64_t n);
    // Edges from 0 up to half the rate in force at the call.
    virtual void setLowerFrequency(double hz);
    virtual void setUpperFrequency(double hz);

    // Designs and writes count values of each polynomial (index k is the
    // coefficient of z^-k, a[0] = 1), count = digital poles + 1. The result is
    // normalised to unity gain at DC (lowpass, bandstop), at half the rate
    // (highpass) or at the geometric mean of the edges (bandpass).
    virtual std::int64_t getCoefficients(double* bOut, double* aOut);

private:
    void prewarp();
    void transformPrototype();
    void bilinear();
    void normaliseGain();
    void expand();

    double sampleRate = 44100.0;
    double lowerFrequency = 4410.0;
    double upperFrequency = 8820.0;
    std::int64_t mode = bandstop;
    std::int64_t order = 4;
    int analogPoleCount = 0;
    int analogZeroCount = 0;
    int digitalCount = 0;
    // Edges as fractions of the rate; analog quantities in units of 2 fs.
    double designLower = 0.0;
    double designUpper = 0.0;
    double omega1 = 0.0;
    double omega2 = 0.0;
    double warped1 = 0.0;
    double warped2 = 0.0;
    double warpedCentre = 0.0;
    double bandwidth = 0.0;
    double gainInv = 1.0;
    Complex analogPoles[maxRoots];
    Complex analogZeros[maxRoots];
    Complex digitalPoles[maxRoots];
    Complex digitalZeros[maxRoots];
    double b[maxRoots + 1] = {};
    double a[maxRoots + 1] = {};
};
