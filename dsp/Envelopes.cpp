#include "dsp/Envelopes.h"

#include <cmath>
#include <limits>

EnvelopeStages::EnvelopeStages(double start, double sustain, double releaseTarget)
    : startLevel(start), sustainLevel(sustain), releaseLevel(releaseTarget)
{
    updateCoefficients();
}

EnvelopeStages::OnePole EnvelopeStages::poleFor(double& storedTime, double time) const
{
    if (!(time > 0.0)) {
        storedTime = 0.0;
        return {};
    }
    storedTime = time;
    // Overflow of the product gives retain 1 (a frozen stage), underflow
    // retain 0 (a jump); neither produces NaN.
    const double retain = std::exp(-1.0 / (time * rate * timeScale / timeUnit));
    return {1.0 - retain, retain};
}

void EnvelopeStages::setAttack(double time)
{
    attackPole = poleFor(attackTime, time);
    updateMarks();
}

void EnvelopeStages::setDecay(double time)
{
    decayPole = poleFor(decayTime, time);
    updateMarks();
}

void EnvelopeStages::setRelease(double time)
{
    releasePole = poleFor(releaseTime, time);
    updateMarks();
}

void EnvelopeStages::setHold(double time)
{
    if (time >= 0.0)
        holdTime = time;
    updateMarks();
}

void EnvelopeStages::updateMarks()
{
    mark1 = holdTime + attackTime;
    mark2 = mark1 + decayTime;
    mark3 = mark2 + releaseTime;
}

void EnvelopeStages::updateCoefficients()
{
    setAttack(attackTime);
    setDecay(decayTime);
    setRelease(releaseTime);
}

void EnvelopeStages::setRate(double newRate)
{
    if (newRate > 0.0 && std::isfinite(newRate))
        rate = newRate;
    timeStep = timeUnit / rate;
    updateCoefficients();
}

void EnvelopeStages::setTimeUnit(double unitsPerSecond)
{
    if (unitsPerSecond > 0.0 && std::isfinite(unitsPerSecond))
        timeUnit = unitsPerSecond;
    timeStep = timeUnit / rate;
    updateCoefficients();
}

void EnvelopeStages::setTimeScale(double factor)
{
    if (factor > 0.0 && std::isfinite(factor))
        timeScale = factor;
    updateCoefficients();
}

void EnvelopeStages::storeLevel(double& level, double value)
{
    if (std::isfinite(value))
        level = value;
}

void EnvelopeStages::hold()
{
    held = true;
    clock = 0.0;
}

void EnvelopeStages::release()
{
    held = false;
    clock = mark2 + timeStep;
}

AmpEnvRc::AmpEnvRc() : EnvelopeStages(0.0, 0.5, 1e-50) {}

void AmpEnvRc::setSampleRate(double newRate)
{
    if (std::isfinite(newRate))
        AudioModule::setSampleRate(newRate);
    setRate(sampleRate);
}

void AmpEnvRc::setStart(double dB)
{
    storeLevel(startLevel, std::pow(10.0, dB * 0.05));
}

void AmpEnvRc::setPeak(double dB)
{
    storeLevel(peakLevel, std::pow(10.0, dB * 0.05));
}

void AmpEnvRc::setSustain(double dB)
{
    storeLevel(sustainLevel, std::pow(10.0, dB * 0.05));
}

void AmpEnvRc::setReleaseFloor(double dB)
{
    storeLevel(releaseLevel, std::pow(10.0, dB * 0.05));
}

void AmpEnvRc::trigger()
{
    hold();
    finished = false;
}

// Before its first note the envelope counts as having run out its release,
// so the first note starts from the start level like any later note after a
// completed release.
PitchEnvRC::PitchEnvRC() : EnvelopeStages(1.0, 1.0, 1.0)
{
    clock = std::numeric_limits<double>::infinity();
}

void PitchEnvRC::noteOn()
{
    if (clock >= attackTime + decayTime + releaseTime)
        output = startLevel;
    hold();
}

