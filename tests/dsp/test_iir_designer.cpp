#include "dsp/IirDesigner.h"
#include "tests/support/Signals.h"

#include <gtest/gtest.h>

namespace {

struct Design {
    std::vector<double> b, a;
};

Design design(std::int64_t mode, std::int64_t order, double rate, double f1, double f2 = 0.0)
{
    IirDesigner d;
    d.setSampleRate(rate);
    d.setMode(mode);
    d.setOrder(order);
    d.setLowerFrequency(f1);
    d.setUpperFrequency(f2);
    Design out{std::vector<double>(25), std::vector<double>(25)};
    const auto count = static_cast<std::size_t>(d.getCoefficients(out.b.data(), out.a.data()));
    out.b.resize(count);
    out.a.resize(count);
    return out;
}

// |B(e^jw) / A(e^jw)| straight from the polynomials.
double magnitudeAt(const Design& d, double w)
{
    std::complex<double> num = 0.0, den = 0.0;
    for (std::size_t k = 0; k < d.b.size(); ++k) {
        num += d.b[k] * std::polar(1.0, -w * k);
        den += d.a[k] * std::polar(1.0, -w * k);
    }
    return std::abs(num / den);
}

// Bilinear Butterworth magnitude from the prototype variable x: 1/sqrt(1 + x^2N).
double expectedMagnitude(std::int64_t mode, std::int64_t n, double rate, double f1, double f2, double w)
{
    auto bw = [n](double x) { return 1.0 / std::sqrt(1.0 + std::pow(x * x, double(n))); };
    const double t = std::tan(w / 2.0), t1 = std::tan(pi * f1 / rate), t2 = std::tan(pi * f2 / rate);
    auto band = [&](double u) { return (u * u - t1 * t2) / (u * (t2 - t1)); };
    switch (mode) {
    case IirDesigner::lowpass: return bw(t / t1);
    case IirDesigner::highpass: return bw(t1 / t);
    case IirDesigner::bandpass: return bw(band(t)) / bw(band(std::tan(pi * std::sqrt(f1 * f2) / rate)));
    default: return bw(1.0 / band(t));
    }
}

// Largest |h[n]| of the impulse response for from <= n < to.
double impulseTail(const Design& d, int from, int to)
{
    std::vector<double> y(static_cast<std::size_t>(to), 0.0);
    double peak = 0.0;
    for (int n = 0; n < to; ++n) {
        double acc = n < int(d.b.size()) ? d.b[n] : 0.0;
        for (int k = 1; k < int(d.a.size()) && k <= n; ++k)
            acc -= d.a[k] * y[n - k];
        y[n] = acc;
        if (n >= from)
            peak = std::max(peak, std::fabs(acc));
    }
    return peak;
}

} // namespace

TEST(IirDesigner, ResponsesFollowTheButterworthMagnitude)
{
    const double rate = 44100.0, f1 = 3000.0, f2 = 6000.0;
    for (std::int64_t mode = 1; mode <= 4; ++mode) {
        // Rounding of the coefficients grows with the degree, which the band
        // modes double.
        const bool band = mode >= IirDesigner::bandpass;
        for (std::int64_t n = 1; n <= (band ? 8 : 12); ++n) {
            const Design r = design(mode, n, rate, f1, f2);
            ASSERT_EQ(r.a.size(), std::size_t((band ? 2 : 1) * n + 1));
            const double tolerance = n <= 4 ? 1e-10 : (band ? 1e-5 : 1e-7);
            for (double f = 50.0; f < rate / 2.0; f += 379.0) {
                const double w = 2.0 * pi * f / rate;
                EXPECT_NEAR(magnitudeAt(r, w), expectedMagnitude(mode, n, rate, f1, f2, w), tolerance)
                    << "mode " << mode << " order " << n << " f " << f;
            }
            if (n % 4 == 0 || n == 1) {
                EXPECT_LT(impulseTail(r, 20000, 20500), 1e-9 * impulseTail(r, 0, 200)) << mode << " " << n;
            }
        }
    }
}

TEST(IirDesigner, OutOfRangeSettingsAreIgnored)
{
    IirDesigner d;
    d.setMode(IirDesigner::lowpass);
    d.setLowerFrequency(5000.0);
    for (std::int64_t bad : {0, 5})
        d.setMode(bad);
    for (std::int64_t bad : {0, 13})
        d.setOrder(bad);
    for (double bad : {30000.0, -1.0, std::nan("")})
        d.setLowerFrequency(bad);
    for (double bad : {0.0, -44100.0, std::nan(""), HUGE_VAL, 1e-310})
        d.setSampleRate(bad);
    double b[25], a[25];
    ASSERT_EQ(d.getCoefficients(b, a), 5);
    EXPECT_EQ(std::vector<double>(a, a + 5), design(IirDesigner::lowpass, 4, 44100.0, 5000.0).a);
    // Only the ratio of edge to rate counts, even near the largest double.
    const Design s = design(IirDesigner::bandpass, 4, 44100.0, 4410.0, 8820.0);
    const Design h = design(IirDesigner::bandpass, 4, 1e300, 1e299, 2e299);
    for (std::size_t k = 0; k < s.a.size(); ++k)
        EXPECT_NEAR(h.a[k] - s.a[k] + h.b[k] - s.b[k], 0.0, 1e-12);
}

TEST(IirDesigner, EdgeLeftAtOrAboveHalfTheRateIsDesignedAtPointFourFive)
{
    // 16000 Hz is accepted at 44100 Hz, then the rate drops to 16000 Hz.
    IirDesigner d;
    d.setMode(IirDesigner::lowpass);
    d.setLowerFrequency(16000.0);
    d.setSampleRate(16000.0);
    Design r{std::vector<double>(5), std::vector<double>(5)};
    ASSERT_EQ(d.getCoefficients(r.b.data(), r.a.data()), 5);
    EXPECT_NEAR(magnitudeAt(r, 0.0), 1.0, 1e-12);
    EXPECT_NEAR(magnitudeAt(r, pi), 0.0, 1e-12);
    EXPECT_NEAR(magnitudeAt(r, 2.0 * pi * 0.45), std::sqrt(0.5), 1e-9);
    EXPECT_LT(impulseTail(r, 2000, 2500), 1e-12);
    // Exactly half the rate is degenerate as well.
    const Design h = design(IirDesigner::highpass, 3, 32000.0, 16000.0);
    EXPECT_NEAR(magnitudeAt(h, 2.0 * pi * 0.45), std::sqrt(0.5), 1e-9);
}
