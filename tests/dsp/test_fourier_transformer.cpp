#include "dsp/FourierTransformer.h"
#include "tests/support/Signals.h"

#include <gtest/gtest.h>

#include <random>

namespace {

std::vector<double> randomSignal(std::int64_t n, unsigned seed)
{
    std::mt19937 engine(seed);
    std::uniform_real_distribution<double> dist(-1.0, 1.0);
    std::vector<double> x(n);
    for (double& v : x)
        v = dist(engine);
    return x;
}

class FourierSizes : public ::testing::TestWithParam<std::int64_t> {};

} // namespace

// The forward layouts against the naive DFT, and both inverses as round
// trips (in place for the packed one), which pins them to the forward.
TEST_P(FourierSizes, LayoutsMatchTheNaiveDftAndRoundTrip)
{
    const std::int64_t n = GetParam();
    FourierTransformer fft;
    fft.setLength(n);
    const auto x = randomSignal(n, 7u);
    std::vector<double> packed(n), magnitudes(n / 2), phases(n / 2), magnitudesOnly(n / 2), back(n);
    fft.transformRealSignal(x.data(), packed.data());
    fft.transformToPolar(x.data(), magnitudes.data(), phases.data());
    fft.transformToMagnitudes(x.data(), magnitudesOnly.data());

    const double tol = 1e-12 * double(n);
    for (double dc : {packed[0], magnitudes[0], magnitudesOnly[0]})
        EXPECT_NEAR(dc, dftTerm(x, 0, n).real(), tol);
    for (double nyquist : {packed[1], phases[0]})
        EXPECT_NEAR(nyquist, dftTerm(x, n / 2, n).real(), tol);
    for (std::int64_t k = 1; k < n / 2; ++k) {
        const auto expected = 2.0 * dftTerm(x, k, n);
        EXPECT_NEAR(packed[2 * k], expected.real(), tol) << "k=" << k;
        EXPECT_NEAR(packed[2 * k + 1], expected.imag(), tol) << "k=" << k;
        EXPECT_NEAR(magnitudes[k], std::abs(expected), tol) << "k=" << k;
        EXPECT_NEAR(magnitudesOnly[k], std::abs(expected), tol) << "k=" << k;
        EXPECT_NEAR(std::remainder(phases[k] - std::arg(expected), 2.0 * pi), 0.0, 1e-9) << "k=" << k;
    }

    fft.transformSpectrum(packed.data(), packed.data());
    fft.transformFromPolar(magnitudes.data(), phases.data(), back.data());
    for (std::int64_t j = 0; j < n; ++j) {
        EXPECT_NEAR(packed[j], x[j], 1e-14 * double(n));
        EXPECT_NEAR(back[j], x[j], 1e-14 * double(n));
    }
}

INSTANTIATE_TEST_SUITE_P(PowersOfTwo, FourierSizes, ::testing::Values(2, 4, 8, 64, 512));

TEST(FourierTransformer, LengthsOutsideThePowersOfTwoUpToTheTableSizeAreIgnored)
{
    FourierTransformer fft;
    fft.setLength(8192);
    for (std::int64_t bad : std::initializer_list<std::int64_t>{0, -8, 1, 12, 16384, std::int64_t(1) << 40})
        fft.setLength(bad);
    EXPECT_EQ(fft.getLength(), 8192);
}
