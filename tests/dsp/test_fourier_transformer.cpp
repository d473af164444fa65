#include "dsp/FourierTransformer.h"
#include "tests/support/Signals.h"

#include <gtest/gtest.h>

#include <random>

// The forward layouts against the naive DFT, and both inverses as round
// trips (in place for the packed one), which pins them to the forward.
TEST(FourierTransformer, LayoutsMatchTheNaiveDftAndRoundTripAtEveryPowerOfTwo)
{
    FourierTransformer fft;
    std::mt19937 random(7u);
    std::uniform_real_distribution<double> uniform(-1.0, 1.0);
    for (std::int64_t n : {2, 4, 8, 64, 512}) {
        SCOPED_TRACE(n);
        fft.setLength(n);
        std::vector<double> x(n), packed(n), magnitudes(n / 2), phases(n / 2), magnitudesOnly(n / 2), back(n);
        std::generate(x.begin(), x.end(), [&] { return uniform(random); });
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
    // Lengths outside the powers of two up to the table size are ignored.
    fft.setLength(8192);
    for (std::int64_t bad : std::initializer_list<std::int64_t>{0, -8, 1, 12, 16384, std::int64_t(1) << 40})
        fft.setLength(bad);
    EXPECT_EQ(fft.getLength(), 8192);
}
