#include "dsp/IirDesigner.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <limits>
#include <numbers>
#include <vector>

namespace {

constexpr double pi = std::numbers::pi;

struct Design {
    std::vector<double> b;
    std::vector<double> a;
};

Design design(IirDesigner& d)
{
    Design out{std::vector<double>(25, 0.0), std::vector<double>(25, 0.0)};
    const auto count = d.getCoefficients(out.b.data(), out.a.data());
    out.b.resize(static_cast<std::size_t>(count));
    out.a.resize(static_cast<std::size_t>(count));
    return out;
}

IirDesigner configured(std::int64_t mode, std::int64_t order, double rate, double f1, double f2 = 0.0)
{
    IirDesigner d;
    d.setSampleRate(rate);
    d.setMode(mode);
    d.setOrder(order);
    d.setLowerFrequency(f1);
    d.setUpperFrequency(f2);
    return d;
}

// |B(e^jw) / A(e^jw)| evaluated straight from the polynomials.
double magnitudeAt(const Design& d, double w)
{
    std::complex<double> num = 0.0;
    std::complex<double> den = 0.0;
    for (std::size_t k = 0; k < d.b.size(); ++k) {
        const std::complex<double> zk = std::polar(1.0, -w * static_cast<double>(k));
        num += d.b[k] * zk;
        den += d.a[k] * zk;
    }
    return std::abs(num / den);
}

// Butterworth magnitude after the bilinear transform, from the analog
// prototype variable x(w): |H|^2 = 1 / (1 + x^2N).
double butterworth(double x, std::int64_t order)
{
    return 1.0 / std::sqrt(1.0 + std::pow(x * x, static_cast<double>(order)));
}

double expectedMagnitude(std::int64_t mode, std::int64_t order, double rate, double f1, double f2, double w)
{
    const double t = std::tan(w / 2.0);
    const double t1 = std::tan(pi * f1 / rate);
    const double t2 = std::tan(pi * f2 / rate);
    const double centre2 = t1 * t2;
    const double bw = t2 - t1;
    switch (mode) {
    case IirDesigner::lowpass:
        return butterworth(t / t1, order);
    case IirDesigner::highpass:
        return butterworth(t1 / t, order);
    case IirDesigner::bandpass: {
        // Normalised to 1 at the geometric mean of the unwarped edges.
        const double tr = std::tan(pi * std::sqrt(f1 * f2) / rate);
        return butterworth((t * t - centre2) / (t * bw), order) / butterworth((tr * tr - centre2) / (tr * bw), order);
    }
    default:
        return butterworth(t * bw / (t * t - centre2), order);
    }
}

// Largest magnitude of the impulse response over [from, to).
double impulseTail(const Design& d, int from, int to)
{
    const std::size_t n = d.a.size();
    std::vector<double> x(n, 0.0);
    std::vector<double> y(n, 0.0);
    double peak = 0.0;
    for (int i = 0; i < to; ++i) {
        for (std::size_t k = n - 1; k > 0; --k) {
            x[k] = x[k - 1];
            y[k] = y[k - 1];
        }
        x[0] = i == 0 ? 1.0 : 0.0;
        double acc = 0.0;
        for (std::size_t k = 0; k < n; ++k)
            acc += d.b[k] * x[k];
        for (std::size_t k = 1; k < n; ++k)
            acc -= d.a[k] * y[k];
        y[0] = acc;
        if (i >= from)
            peak = std::max(peak, std::fabs(acc));
    }
    return peak;
}

} // namespace

TEST(IirDesigner, FourthOrderLowpassMatchesReferenceCoefficients)
{
    IirDesigner d = configured(IirDesigner::lowpass, 4, 441000.0, 18000.0);
    const Design r = design(d);
    ASSERT_EQ(r.a.size(), 5u);
    const double a[5] = {1.0, -3.330715013703814, 4.207129740137972, -2.383778604636367, 0.510523396096419};
    const double g = 0.00019746986838812403;
    const double binomial[5] = {1.0, 4.0, 6.0, 4.0, 1.0};
    // The sum of the a coefficients, which sets the gain, cancels to about
    // 3e-3, so the gain carries a relative rounding of about 1e-13.
    for (int k = 0; k < 5; ++k) {
        EXPECT_NEAR(r.a[k], a[k], 1e-14) << k;
        EXPECT_NEAR(r.b[k], g * binomial[k], 1e-12 * g * binomial[k]) << k;
    }
    EXPECT_DOUBLE_EQ(r.a[0], 1.0);
}

TEST(IirDesigner, FirstOrderLowpassAtQuarterRateHasItsPoleAtTheOrigin)
{
    IirDesigner d = configured(IirDesigner::lowpass, 1, 48000.0, 12000.0);
    const Design r = design(d);
    ASSERT_EQ(r.a.size(), 2u);
    EXPECT_NEAR(r.b[0], 0.5, 1e-15);
    EXPECT_NEAR(r.b[1], 0.5, 1e-15);
    EXPECT_DOUBLE_EQ(r.a[0], 1.0);
    EXPECT_NEAR(r.a[1], 0.0, 1e-15);
}

TEST(IirDesigner, CountIsDigitalPolesPlusOne)
{
    IirDesigner thirdOrderBand = configured(IirDesigner::bandpass, 3, 44100.0, 1000.0, 3000.0);
    EXPECT_EQ(design(thirdOrderBand).a.size(), 7u);
    for (std::int64_t n = 1; n <= 12; ++n) {
        IirDesigner lp = configured(IirDesigner::lowpass, n, 44100.0, 2000.0);
        IirDesigner hp = configured(IirDesigner::highpass, n, 44100.0, 2000.0);
        IirDesigner bp = configured(IirDesigner::bandpass, n, 44100.0, 2000.0, 4000.0);
        IirDesigner bs = configured(IirDesigner::bandstop, n, 44100.0, 2000.0, 4000.0);
        double b[25];
        double a[25];
        EXPECT_EQ(lp.getCoefficients(b, a), n + 1);
        EXPECT_EQ(hp.getCoefficients(b, a), n + 1);
        EXPECT_EQ(bp.getCoefficients(b, a), 2 * n + 1);
        EXPECT_EQ(bs.getCoefficients(b, a), 2 * n + 1);
    }
}

TEST(IirDesigner, ResponsesFollowTheButterworthMagnitudeForEveryModeAndOrder)
{
    const double rate = 44100.0;
    const double f1 = 3000.0;
    const double f2 = 6000.0;
    // Polynomials of high degree lose accuracy to the rounding of their
    // coefficients; the band modes double the degree.
    struct Case {
        std::int64_t maxOrder;
        double tolerance;
    };
    for (std::int64_t mode = 1; mode <= 4; ++mode) {
        const bool band = mode >= IirDesigner::bandpass;
        for (const Case c : {Case{4, 1e-10}, Case{band ? 8 : 12, band ? 1e-5 : 1e-7}}) {
            for (std::int64_t order = 1; order <= c.maxOrder; ++order) {
                IirDesigner d = configured(mode, order, rate, f1, f2);
                const Design r = design(d);
                for (double f = 50.0; f < rate / 2.0; f += 379.0) {
                    const double w = 2.0 * pi * f / rate;
                    EXPECT_NEAR(magnitudeAt(r, w), expectedMagnitude(mode, order, rate, f1, f2, w), c.tolerance)
                        << "mode " << mode << " order " << order << " f " << f;
                }
            }
        }
    }
}

TEST(IirDesigner, GainIsUnityAtTheReferencePoint)
{
    IirDesigner hp = configured(IirDesigner::highpass, 5, 44100.0, 800.0);
    const Design h = design(hp);
    double bAlt = 0.0, aAlt = 0.0, bSum = 0.0;
    for (std::size_t k = 0; k < h.b.size(); ++k) {
        const double sign = k % 2 ? -1.0 : 1.0;
        bAlt += sign * h.b[k];
        aAlt += sign * h.a[k];
        bSum += h.b[k];
    }
    EXPECT_NEAR(bAlt / aAlt, 1.0, 1e-12);
    EXPECT_NEAR(bSum, 0.0, 1e-12);

    IirDesigner bp = configured(IirDesigner::bandpass, 3, 44100.0, 1000.0, 4000.0);
    EXPECT_NEAR(magnitudeAt(design(bp), 2.0 * pi * 2000.0 / 44100.0), 1.0, 1e-12);

    IirDesigner bs = configured(IirDesigner::bandstop, 3, 44100.0, 1000.0, 4000.0);
    const Design s = design(bs);
    double sb = 0.0, sa = 0.0;
    for (std::size_t k = 0; k < s.b.size(); ++k) {
        sb += s.b[k];
        sa += s.a[k];
    }
    EXPECT_NEAR(sb / sa, 1.0, 1e-10);
}

TEST(IirDesigner, DesignsAreStable)
{
    for (std::int64_t mode = 1; mode <= 4; ++mode) {
        for (std::int64_t order : {1, 4, 8, 12}) {
            IirDesigner d = configured(mode, order, 44100.0, 2000.0, 9000.0);
            const Design r = design(d);
            const double early = impulseTail(r, 0, 200);
            EXPECT_LT(impulseTail(r, 20000, 20500), 1e-9 * early) << "mode " << mode << " order " << order;
        }
    }
}

TEST(IirDesigner, OutOfRangeSettingsAreIgnored)
{
    IirDesigner reference = configured(IirDesigner::lowpass, 4, 44100.0, 5000.0);
    const Design expected = design(reference);

    IirDesigner d = configured(IirDesigner::lowpass, 4, 44100.0, 5000.0);
    d.setOrder(13);
    d.setOrder(0);
    d.setMode(0);
    d.setMode(5);
    d.setLowerFrequency(30000.0);
    d.setLowerFrequency(-1.0);
    d.setLowerFrequency(std::nan(""));
    d.setSampleRate(0.0);
    d.setSampleRate(-44100.0);
    d.setSampleRate(std::nan(""));
    d.setSampleRate(std::numeric_limits<double>::infinity());
    d.setSampleRate(1e-310);
    const Design r = design(d);
    ASSERT_EQ(r.a.size(), expected.a.size());
    for (std::size_t k = 0; k < r.a.size(); ++k) {
        EXPECT_EQ(r.a[k], expected.a[k]);
        EXPECT_EQ(r.b[k], expected.b[k]);
    }
}

TEST(IirDesigner, EdgeAcceptanceUsesTheRateInForceAtTheCall)
{
    IirDesigner d = configured(IirDesigner::lowpass, 2, 44100.0, 1000.0);
    d.setLowerFrequency(22050.0 + 1e-9);
    d.setSampleRate(96000.0);
    const Design kept = design(d);
    IirDesigner at1000 = configured(IirDesigner::lowpass, 2, 96000.0, 1000.0);
    EXPECT_EQ(kept.a, design(at1000).a);
    d.setLowerFrequency(30000.0);
    IirDesigner at30000 = configured(IirDesigner::lowpass, 2, 96000.0, 30000.0);
    EXPECT_EQ(design(d).a, design(at30000).a);
}

TEST(IirDesigner, EdgeLeftAboveHalfTheRateIsDesignedAtPointFourFive)
{
    // 16000 Hz is accepted at 44100 Hz; the rate then drops to 16000 Hz.
    IirDesigner d = configured(IirDesigner::lowpass, 4, 44100.0, 16000.0);
    d.setSampleRate(16000.0);
    const Design r = design(d);
    for (double v : r.a)
        EXPECT_TRUE(std::isfinite(v));
    for (double v : r.b)
        EXPECT_TRUE(std::isfinite(v));
    EXPECT_NEAR(magnitudeAt(r, 0.0), 1.0, 1e-12);
    EXPECT_NEAR(magnitudeAt(r, pi), 0.0, 1e-12);
    EXPECT_NEAR(magnitudeAt(r, 2.0 * pi * 0.45), std::sqrt(0.5), 1e-9);
    EXPECT_LT(impulseTail(r, 2000, 2500), 1e-12);

    // Exactly half the rate is degenerate as well.
    IirDesigner half = configured(IirDesigner::highpass, 3, 32000.0, 16000.0);
    const Design h = design(half);
    EXPECT_NEAR(magnitudeAt(h, pi), 1.0, 1e-12);
    EXPECT_NEAR(magnitudeAt(h, 2.0 * pi * 0.45), std::sqrt(0.5), 1e-9);
}

TEST(IirDesigner, DesignDependsOnlyOnTheEdgeToRateRatio)
{
    IirDesigner small = configured(IirDesigner::bandpass, 4, 44100.0, 4410.0, 8820.0);
    IirDesigner huge = configured(IirDesigner::bandpass, 4, 1e300, 1e299, 2e299);
    const Design s = design(small);
    const Design h = design(huge);
    for (std::size_t k = 0; k < s.a.size(); ++k) {
        EXPECT_NEAR(h.a[k], s.a[k], 1e-12);
        EXPECT_NEAR(h.b[k], s.b[k], 1e-12);
    }
}

TEST(Complex, ArithmeticAgreesWithTheStandardLibrary)
{
    const Complex a(1.5, -2.25);
    const Complex b(-0.75, 3.0);
    const std::complex<double> sa(1.5, -2.25);
    const std::complex<double> sb(-0.75, 3.0);
    auto expectSame = [](const Complex& c, std::complex<double> s) {
        EXPECT_NEAR(c.re, s.real(), 1e-14);
        EXPECT_NEAR(c.im, s.imag(), 1e-14);
    };
    expectSame(-a, -sa);
    expectSame(a + b, sa + sb);
    expectSame(a - b, sa - sb);
    expectSame(a * b, sa * sb);
    expectSame(a / b, sa / sb);
    expectSame(a * 2.5, sa * 2.5);
    expectSame(a.exp(), std::exp(sa));
    expectSame(b.exp(), std::exp(sb));
    for (const std::complex<double> s : {sa, sb, std::complex<double>(-4.0, 0.0), std::complex<double>(0.0, -9.0)})
        expectSame(Complex(s.real(), s.imag()).sqrt(), std::sqrt(s));
    const Complex zero;
    expectSame(zero, 0.0);
    expectSame(zero.sqrt(), 0.0);
    EXPECT_DOUBLE_EQ(Complex(3.0, -4.0).magnitude(), 5.0);
}
