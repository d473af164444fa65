#include "dsp/FourierTransformer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <random>
#include <vector>

namespace {

constexpr double twoPi = 2.0 * std::numbers::pi;

std::vector<double> randomSignal(std::int64_t n, unsigned seed)
{
    std::mt19937 engine(seed);
    std::uniform_real_distribution<double> dist(-1.0, 1.0);
    std::vector<double> x(n);
    for (double& v : x)
        v = dist(engine);
    return x;
}

// Textbook O(N^2) DFT with the negative exponent.
std::complex<double> naiveHarmonic(const std::vector<double>& x, std::int64_t k)
{
    std::complex<double> sum = 0.0;
    const auto n = static_cast<std::int64_t>(x.size());
    for (std::int64_t j = 0; j < n; ++j)
        sum += x[j] * std::polar(1.0, -twoPi * double((j * k) % n) / double(n));
    return sum;
}

// Real signal synthesised directly from a packed spectrum.
std::vector<double> naiveSynthesis(const std::vector<double>& packed)
{
    const auto n = static_cast<std::int64_t>(packed.size());
    std::vector<double> x(n);
    for (std::int64_t j = 0; j < n; ++j) {
        double sum = packed[0] + packed[1] * (j % 2 ? -1.0 : 1.0);
        for (std::int64_t k = 1; k < n / 2; ++k) {
            const double angle = twoPi * double((j * k) % n) / double(n);
            sum += packed[2 * k] * std::cos(angle) - packed[2 * k + 1] * std::sin(angle);
        }
        x[j] = sum / double(n);
    }
    return x;
}

class FourierSizes : public ::testing::TestWithParam<std::int64_t> {};

} // namespace

TEST_P(FourierSizes, PackedAndPolarLayoutsMatchTheNaiveDft)
{
    const std::int64_t n = GetParam();
    FourierTransformer fft;
    fft.setLength(n);
    const auto x = randomSignal(n, 7u);
    std::vector<double> packed(n), magnitudes(n / 2), phases(n / 2), magnitudesOnly(n / 2);
    fft.transformRealSignal(x.data(), packed.data());
    fft.transformToPolar(x.data(), magnitudes.data(), phases.data());
    fft.transformToMagnitudes(x.data(), magnitudesOnly.data());

    const double tol = 1e-12 * double(n);
    EXPECT_NEAR(packed[0], naiveHarmonic(x, 0).real(), tol);
    EXPECT_NEAR(packed[1], naiveHarmonic(x, n / 2).real(), tol);
    EXPECT_NEAR(magnitudes[0], naiveHarmonic(x, 0).real(), tol);
    EXPECT_NEAR(phases[0], naiveHarmonic(x, n / 2).real(), tol);
    EXPECT_NEAR(magnitudesOnly[0], naiveHarmonic(x, 0).real(), tol);
    for (std::int64_t k = 1; k < n / 2; ++k) {
        const auto expected = naiveHarmonic(x, k);
        EXPECT_NEAR(packed[2 * k], 2.0 * expected.real(), tol) << "k=" << k;
        EXPECT_NEAR(packed[2 * k + 1], 2.0 * expected.imag(), tol) << "k=" << k;
        EXPECT_NEAR(magnitudes[k], 2.0 * std::abs(expected), tol) << "k=" << k;
        EXPECT_NEAR(magnitudesOnly[k], 2.0 * std::abs(expected), tol) << "k=" << k;
        EXPECT_NEAR(std::remainder(phases[k] - std::arg(expected), twoPi), 0.0, 1e-9) << "k=" << k;
    }
}

TEST_P(FourierSizes, InverseMatchesNaiveSynthesisAndRoundTripsInPlace)
{
    const std::int64_t n = GetParam();
    FourierTransformer fft;
    fft.setLength(n);
    const auto packed = randomSignal(n, 11u);
    std::vector<double> out(n);
    fft.transformSpectrum(packed.data(), out.data());
    const auto expected = naiveSynthesis(packed);
    for (std::int64_t j = 0; j < n; ++j)
        EXPECT_NEAR(out[j], expected[j], 1e-13 * double(n)) << "j=" << j;

    // Both layouts, with input and output in the same array.
    const auto x = randomSignal(n, 13u);
    auto buffer = x;
    fft.transformRealSignal(buffer.data(), buffer.data());
    fft.transformSpectrum(buffer.data(), buffer.data());
    std::vector<double> magnitudes(n / 2), phases(n / 2), polarOut(n);
    fft.transformToPolar(x.data(), magnitudes.data(), phases.data());
    fft.transformFromPolar(magnitudes.data(), phases.data(), polarOut.data());
    for (std::int64_t j = 0; j < n; ++j) {
        EXPECT_NEAR(buffer[j], x[j], 1e-13 * double(n));
        EXPECT_NEAR(polarOut[j], x[j], 1e-13 * double(n));
    }
}

INSTANTIATE_TEST_SUITE_P(PowersOfTwo, FourierSizes, ::testing::Values(2, 4, 8, 64, 512));

TEST(FourierTransformer, ScalingOfConstantsCosinesAndSinesAtFullSize)
{
    const std::int64_t n = 8192;
    FourierTransformer fft;
    fft.setLength(n);
    std::vector<double> x(n, 0.75), spectrum(n);
    fft.transformRealSignal(x.data(), spectrum.data());
    EXPECT_NEAR(spectrum[0], 0.75 * n, 1e-9);
    for (std::int64_t i = 1; i < n; ++i)
        ASSERT_NEAR(spectrum[i], 0.0, 1e-9) << i;

    const std::int64_t k = 37;
    for (std::int64_t j = 0; j < n; ++j)
        x[j] = std::cos(twoPi * double(k * j % n) / n) - 0.5 * std::sin(twoPi * double(3 * k * j % n) / n);
    fft.transformRealSignal(x.data(), spectrum.data());
    EXPECT_NEAR(spectrum[2 * k], double(n), 1e-8);
    EXPECT_NEAR(spectrum[2 * k + 1], 0.0, 1e-8);
    EXPECT_NEAR(spectrum[6 * k], 0.0, 1e-8);
    EXPECT_NEAR(spectrum[6 * k + 1], 0.5 * n, 1e-8);

    std::vector<double> magnitudes(n / 2), phases(n / 2);
    fft.transformToPolar(x.data(), magnitudes.data(), phases.data());
    // Twice the unnormalised modulus, like the packed values.
    EXPECT_NEAR(magnitudes[k], double(n), 1e-8);
    EXPECT_NEAR(magnitudes[3 * k], 0.5 * n, 1e-8);
    EXPECT_NEAR(phases[k], 0.0, 1e-9);
    EXPECT_NEAR(phases[3 * k], std::numbers::pi / 2.0, 1e-9);
}

TEST(FourierTransformer, TruncatedSpectrumLosesExactlyTheZeroedHarmonics)
{
    const std::int64_t n = 8192;
    FourierTransformer fft;
    fft.setLength(n);
    auto spectrum = randomSignal(n, 3u);
    const std::int64_t cut = 100;
    for (std::int64_t i = 2 * cut; i < n; ++i)
        spectrum[i] = 0.0;
    spectrum[1] = 0.0;
    std::vector<double> signal(n), again(n);
    fft.transformSpectrum(spectrum.data(), signal.data());
    fft.transformRealSignal(signal.data(), again.data());
    for (std::int64_t i = 0; i < n; ++i)
        ASSERT_NEAR(again[i], spectrum[i], 1e-9) << i;

    std::fill(spectrum.begin(), spectrum.end(), 0.0);
    fft.transformSpectrum(spectrum.data(), signal.data());
    for (double v : signal)
        ASSERT_EQ(v, 0.0);
}

TEST(FourierTransformer, LengthsOutsideTheSupportedPowersOfTwoAreIgnored)
{
    FourierTransformer fft;
    EXPECT_EQ(fft.getLength(), 4);
    for (std::int64_t bad : std::initializer_list<std::int64_t> { 0, -8, 1, 100, 16384, std::int64_t(1) << 40 })
        fft.setLength(bad);
    EXPECT_EQ(fft.getLength(), 4);
    fft.setLength(16);
    fft.setLength(12);
    EXPECT_EQ(fft.getLength(), 16);

    // The transform still works at the kept length.
    std::vector<double> x(16, 0.0), spectrum(16);
    x[0] = 1.0;
    fft.transformRealSignal(x.data(), spectrum.data());
    EXPECT_DOUBLE_EQ(spectrum[0], 1.0);
    EXPECT_DOUBLE_EQ(spectrum[1], 1.0);
    for (std::int64_t k = 1; k < 8; ++k)
        EXPECT_NEAR(spectrum[2 * k], 2.0, 1e-15);
}
