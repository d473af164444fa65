#include "dsp/AntiAliasFilter.h"

#include <algorithm>
#include <cmath>

namespace {

// The fourth-order direct form is ill-conditioned for narrow designs:
// rounding of its coefficients moves poles outside the unit circle below
// about 2e-5 of the rate and shifts the DC gain by 6e-4 at 1e-4 of the rate.
// From 1e-3 of the rate on the DC gain stays within 1e-6.
constexpr double lowestEdgeRatio = 1e-3;

} // namespace

AntiAliasFilter::AntiAliasFilter()
{
    designer.setSampleRate(sampleRate);
    designer.setMode(IirDesigner::lowpass);
    designer.setOrder(4);
    design();
}

void AntiAliasFilter::setSampleRate(double rate)
{
    // Subnormal rates would leave the edge ratios without precision.
    if (std::isnormal(rate))
        AudioModule::setSampleRate(rate);
    designer.setSampleRate(sampleRate);
    design();
}

void AntiAliasFilter::setCutoff(double hz)
{
    if (hz > 0.0 && std::isfinite(hz))
        cutoff = hz;
    design();
}

void AntiAliasFilter::design()
{
    // The designer is always handed the filter's own cutoff, made to fit the
    // rate in force, so the design follows the cutoff whatever the order of
    // rate and cutoff changes.
    const double edge = std::max(IirDesigner::fittingEdge(cutoff, sampleRate), lowestEdgeRatio * sampleRate);
    designer.setLowerFrequency(edge);
    designer.getCoefficients(b, a);
}

void AntiAliasFilter::reset()
{
    for (int i = 0; i < 5; ++i) {
        x[i] = 0.0;
        y[i] = 0.0;
    }
}

Oversampler::Oversampler(std::int64_t n)
{
    setFactor(n);
}

void Oversampler::setBaseRate(double rate)
{
    if (rate > 0.0 && std::isfinite(rate))
        baseRate = rate;
    antiAlias.setSampleRate(static_cast<double>(factor) * baseRate);
}

void Oversampler::setFactor(std::int64_t n)
{
    if (n >= 1 && n <= maxFactor)
        factor = n;
    factorInv = 1.0 / static_cast<double>(factor);
    antiAlias.setSampleRate(static_cast<double>(factor) * baseRate);
}
