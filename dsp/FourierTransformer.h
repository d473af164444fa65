#pragma once

#include <array>
#include <cstdint>

// Real-signal FFT of up to 8192 points with two spectrum layouts.
//
// Packed (N doubles): [0] = DC, [1] = Nyquist (both unscaled real parts),
// [2k], [2k+1] = 2 x real and 2 x imaginary part of harmonic k.
// Polar (two arrays of N/2): magnitudes [0] = DC, [k] = 2|X[k]|;
// phases [0] = Nyquist, [k] = arg X[k].
// So a cosine of amplitude A at harmonic k has magnitude A.
//
// Every operation copies its input into the work buffer before writing any
// output, so input and output may be the same array. Not reentrant.
class FourierTransformer {
public:
    static constexpr std::int64_t maxLength = 8192;

    virtual ~FourierTransformer() = default;

    // Accepts powers of two from 2 to maxLength; anything else is ignored.
    virtual void setLength(std::int64_t n);
    virtual void transformRealSignal(const double* in, double* spectrum);
    virtual void transformToPolar(const double* in, double* magnitudes, double* phases);
    virtual void transformToMagnitudes(const double* in, double* magnitudes);
    virtual void transformSpectrum(const double* spectrum, double* out);
    virtual void transformFromPolar(const double* magnitudes, const double* phases, double* out);

    std::int64_t getLength() const { return length; }

private:
    void forward(const double* in);
    void inverse(double* out);
    void complexTransform(bool positiveExponent);
    void prepareTwiddles();

    // N real samples are transformed as N/2 complex points; harmonics
    // 0 ... N/2 of the result occupy complex slots 0 ... N/2.
    std::array<double, 2 * maxLength> work {};
    std::int64_t length = 4;
    double invLength = 0.25;
    std::int64_t twiddleLength = 0;  // length the table was built for; 0 = none
    // cos and -sin of 2 pi k / N for k < N/2, interleaved.
    std::array<double, maxLength> twiddles {};
};
