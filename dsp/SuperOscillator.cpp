#include "dsp/SuperOscillator.h"

#include <cmath>

void SuperOscillator::setSampleRate(double sr)
{
    Oscillator::setSampleRate(sr);
    voiceIncrementFirstHalf[0] = incrementFirstHalf;
    voiceIncrementSecondHalf[0] = incrementSecondHalf;
    updateRandomInterval();
}

double SuperOscillator::getSample()
{
    return readVoices(false);
}

double SuperOscillator::getSampleAntiAliased()
{
    return readVoices(true);
}

void SuperOscillator::waveformAdopted()
{
    if (waveform < firstTableWaveform)
        cycleWrapped = false;
}

// Non-finite frequencies are ignored; any finite one, negative included, is
// taken (a negative one runs the phases backwards).
void SuperOscillator::setFrequency(double hz)
{
    if (!std::isfinite(hz))
        return;
    frequency = hz;
    increment = tableLength * invSampleRate * hz;
    const double first = firstHalfFactor * increment;
    const double second = secondHalfFactor * increment;
    voiceIncrementFirstHalf[0] = first;
    voiceIncrementSecondHalf[0] = second;
    if (density <= 2)
        return;
    const std::int64_t pairs = (density - 1) / 2;
    if (!linearSpacing) {
        // The outermost pair sits detuneSemitones above and below the centre.
        const double ratio = std::pow(detuneFactor, 1.0 / static_cast<double>(pairs));
        const double inverse = 1.0 / ratio;
        double up = 1.0;
        double down = 1.0;
        for (std::int64_t j = 1; j <= pairs; ++j) {
            up *= ratio;
            down *= inverse;
            voiceIncrementFirstHalf[2 * j - 1] = first * up;
            voiceIncrementSecondHalf[2 * j - 1] = second * up;
            voiceIncrementFirstHalf[2 * j] = first * down;
            voiceIncrementSecondHalf[2 * j] = second * down;
        }
        return;
    }
    // Equal steps in hertz: the lowest voice lands detuneSemitones below the
    // centre, the highest as far above in hertz.
    const double step = (hz - hz / detuneFactor) / static_cast<double>(pairs) * tableLength * invSampleRate;
    for (std::int64_t v = 1; v < density; ++v) {
        const double previousFirst = voiceIncrementFirstHalf[v > 2 ? v - 2 : 0];
        const double previousSecond = voiceIncrementSecondHalf[v > 2 ? v - 2 : 0];
        const double signedStep = v % 2 ? step : -step;
        voiceIncrementFirstHalf[v] = previousFirst + signedStep;
        voiceIncrementSecondHalf[v] = previousSecond + signedStep;
    }
}

void SuperOscillator::setPulseWidth(double pw)
{
    if (pw > 0.0 && pw < 1.0)
        pulseWidth = pw;
    updateHalfFactors();
}

void SuperOscillator::resetPhase()
{
    for (std::int64_t v = 0; v < density; ++v)
        voicePhase[v] = startPhase;
    sampleCounter = 0;
}

// Voice counts above the size of the voice arrays are refused like even ones.
void SuperOscillator::setDensity(std::int64_t n)
{
    if (n > 0 && n % 2 == 1 && n <= maxVoices)
        density = n;
    voiceGain = 1.0 / std::sqrt(static_cast<double>(density));
}

void SuperOscillator::setSpacing(bool linear)
{
    linearSpacing = linear;
}

void SuperOscillator::setDetuneRandom(double percent)
{
    if (percent >= 0.0 && percent <= 100.0)
        randomAmount = percent * 0.01;
}

void SuperOscillator::setDetuneRandomRate(double hz)
{
    if (hz >= 0.01 && hz <= 100.0)
        randomRate = hz;
    updateRandomInterval();
}

void SuperOscillator::setDetune(double semitones)
{
    if (semitones >= 0.0 && std::isfinite(semitones))
        detuneSemitones = semitones;
    detuneFactor = std::exp2(detuneSemitones / 12.0);
}

double SuperOscillator::readVoices(bool bandLimited)
{
    adoptPreparedWaveform();
    if (waveform < firstTableWaveform)
        return liveNoise();

    double step = voicePhase[0] >= halfTable ? voiceIncrementSecondHalf[0] : voiceIncrementFirstHalf[0];
    const double* table = bandLimited ? bandLimitedTable(step, 1) : getTable(0);
    cycleWrapped = advancePhase(voicePhase[0], step);
    double sum = interpolate(table, voicePhase[0]);

    // All side voices redraw in the same read, in voice order.
    const bool redraw = bandLimited && sampleCounter % randomInterval == 0;
    for (std::int64_t v = 1; v < density; ++v) {
        step = voicePhase[v] >= halfTable ? voiceIncrementSecondHalf[v] : voiceIncrementFirstHalf[v];
        if (bandLimited) {
            if (redraw)
                voiceRandom[v] = noise->nextWhite();
            step *= 1.0 + voiceRandom[v] * randomAmount;
            // one step more band-limited than the centre voice
            table = bandLimitedTable(step, 2);
        }
        advancePhase(voicePhase[v], step);
        sum += interpolate(table, voicePhase[v]);
    }
    if (bandLimited)
        ++sampleCounter;
    return sum * voiceGain;
}

// At least one read between redraws, whatever the rates.
void SuperOscillator::updateRandomInterval()
{
    const double interval = std::trunc(sampleRate / randomRate);
    randomInterval = interval >= 1.0 ? static_cast<std::int64_t>(std::fmin(interval, 1e15)) : 1;
}
