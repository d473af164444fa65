#pragma once

#include "dsp/AntiAliasFilter.h"
#include "dsp/AudioModule.h"

#include <cstdint>

// Waveshaper of the amplifier chain: drive and DC offset, then the positive and
// the negative half each mapped through their own curve (linear segments or a
// tanh knee) with threshold T, saturation point U and clamp level C, optional
// rectification of the negative half, and a dry/wet mix with the raw input.
// The engine runs it four times oversampled, so that the products of the
// shaping above 18 kHz are filtered out before decimation.
class Distortion : public AudioModule {
public:
    enum DistortionMode : std::int64_t { off = 0, linearMapping = 1, tanhMapping = 2 };

    Distortion();

    // Finite rates above 0 are stored; the anti-alias filter follows at the
    // oversampled rate.
    void setSampleRate(double rate) override;
    // Shapes one value at the oversampled rate; mode 0 passes it unchanged.
    double processSample(double in) override;

    // Factors 1..64; the engine keeps the default of 4.
    virtual void setOversampling(std::int64_t n);
    virtual void setMode(std::int64_t m);
    virtual void setDryWet(double percent);
    virtual void setDrive(double dB);
    virtual void setDcOffset(double offset);
    virtual void setLowerThreshold(double dB);
    virtual void setUpperThreshold(double dB);
    virtual void setLowerSaturation(double dB);
    virtual void setUpperSaturation(double dB);
    virtual void setLowerClampLevel(double dB);
    virtual void setUpperClampLevel(double dB);
    virtual void setRectification(double v);
    // One base-rate sample, interpolated, shaped and filtered at the
    // oversampled rate; it lags the input by one base-rate sample.
    virtual double processOversampled(double in);
    // Forgets the oversampler's previous input and its lowpass history.
    void reset();

private:
    // Transfer curve of one half, applied to the magnitude a >= 0.
    struct Half {
        double threshold = 1.0;
        double clampLevel = 1.0;
        double saturation = 1.0;
        double slope = 0.0;
        double tanhScale = 0.0;
        double tanhInputScale = 0.0;
        bool hardClip = true;

        double linear(double a) const;
        double tanhKnee(double a) const;
        void updateClipState();
        void updateKnee();
    };

    // Stores one level of a half from dB; gains that are not finite are refused.
    void setLevel(Half& half, double Half::*level, double dB);
    double shape(const Half& half, double a) const;

    Oversampler oversampler{4};
    std::int64_t mode = linearMapping;
    double dry = 0.0;
    double wet = 1.0;
    double drive = 1.0;
    double dcOffset = 0.0;
    Half lower;
    Half upper;
    double rectification = 0.0;
};
