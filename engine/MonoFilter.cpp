#include "engine/MonoFilter.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Section cutoffs are kept between about 1e-6 Hz and 1e12 Hz before the
// envelope and the modulations act: far outside what the filters accept
// (they clamp to 20..20000 Hz) but finite and positive for every product.
constexpr double minCutoffOctaves = -20.0;
constexpr double maxCutoffOctaves = 40.0;
// The filters keep their histories near what their designs make of the
// input, however fast the modulations move them (the biquad scales back what
// a change of coefficients would lift). Should a state run off all the same,
// or turn non-finite, it is cleared once it reaches this level, which no
// sound comes near, long before it could leave the doubles.
constexpr double runawayLevel = 1e5;
// Envelope levels and velocity terms in semitones or dB stay within this
// reach, so that their powers of two or ten stay finite.
constexpr double maxLevelSemitones = 1200.0;
constexpr double maxResoDb = 400.0;
constexpr double maxBendSemitones = 12.0;
constexpr double maxKeytrack = 2.0;
constexpr double maxDcOffset = 2.0;
constexpr double maxPercent = 100.0;
constexpr double maxResoByCutoff = 3.0;
// The ladders always oversample by ten, whatever the parameter says.
constexpr std::int64_t ladderOversampling = 10;
// 20 log10(2): the dB of a doubled ratio, turning dB per octave into an exponent.
const double dbPerDoubling = 20.0 * std::log10(2.0);

bool usable(double v) { return std::isfinite(v); }

double semitoneRatio(double semitones)
{
    return std::exp2(std::clamp(semitones, -maxLevelSemitones, maxLevelSemitones) / 12.0);
}

// A double setting that stands for an integer, brought into int range first.
int toInt(double v)
{
    return static_cast<int>(std::clamp(v, static_cast<double>(std::numeric_limits<int>::min()),
                                       static_cast<double>(std::numeric_limits<int>::max())));
}

} // namespace

MonoFilter::MonoFilter()
{
    ladder.setOversampling(ladderOversampling);
    ladder2.setOversampling(ladderOversampling);
    setSampleRate(sampleRate);
}

void MonoFilter::setSampleRate(double fs)
{
    if (!(fs > 0.0) || !usable(fs))
        return;
    sampleRate = fs;
    biquad.setSampleRate(fs);
    ladder.setSampleRate(fs);
    ladder2.setSampleRate(fs);
    filterEnv.setSampleRate(fs);
    // A glide must last the slide time at whatever rate the host runs.
    slideSamples = slideTime * sampleRate;
}

double MonoFilter::cutoffForKey(double key) const
{
    // baseCutoff * kt * vf, summed as octaves so that a clamp can keep it finite.
    const double octaves = std::log2(baseCutoff) + (key - refKey) * keytrack / 12.0
        + (velocity - 64) * freqByVel / 63.0 / 12.0;
    return std::exp2(std::clamp(octaves, minCutoffOctaves, maxCutoffOctaves));
}

void MonoFilter::updateCutoffs()
{
    currentCutoff = cutoffForKey(currentKey);
    targetCutoff = static_cast<double>(glideCount) < slideSamples ? cutoffForKey(targetKey) : currentCutoff;
}

void MonoFilter::updateResonance()
{
    const double dB = std::clamp((velocity - 64) * resoByVel / 63.0, -maxResoDb, maxResoDb);
    resonance = baseResonance * std::pow(10.0, dB / 20.0);
}

void MonoFilter::updateEffectiveAmounts()
{
    wetByVel = wetByVelRaw * accent / 100.0;
    freqByVel = freqByVelRaw * accent;
    resoByVel = resoByVelRaw * accent;
    envPeakByVel = envPeakByVelRaw * accent;
    envDurByVel = envDurByVelRaw * accent;
}

void MonoFilter::noteOn(int note, int newVelocity, int detune)
{
    velocity = newVelocity;
    currentKey = targetKey = note + detune / 100.0;
    currentCutoff = targetCutoff = cutoffForKey(currentKey);
    updateResonance();

    filterEnv.setPeak(semitoneRatio(envPeakSt + (velocity - 64) / 63.0 * envPeakByVel));
    const double speed = std::exp2((64 - velocity) * envDurByVel / 63.0);
    if (speed > 0.0 && usable(speed))
        filterEnv.setSpeed(speed);

    wet = std::min(wetBase + velocity * wetByVel / 127.0, 1.0);
    dry = 1.0 - wet;

    filterEnv.noteOn();
}

void MonoFilter::glideTo(int note, int newVelocity, int detune)
{
    velocity = newVelocity;
    targetKey = note + detune / 100.0;
    targetCutoff = cutoffForKey(targetKey);
    updateResonance();
    if (slideSamples >= 1.0) {
        const double semitones = 12.0 * std::log2(targetCutoff / currentCutoff);
        glideFactor = std::exp2(semitones / slideSamples / 12.0);
    } else {
        glideFactor = 1.0;
        currentCutoff = targetCutoff;
        currentKey = targetKey;
    }
    glideCount = 0;
}

void MonoFilter::noteOff()
{
    filterEnv.noteOff();
}

void MonoFilter::reset()
{
    ladder.clearHistory();
    ladder2.clearHistory();
    biquad.reset();
    lastOutput = 0.0;
}

double MonoFilter::processSample(double x)
{
    // Bypass: nothing of the section moves.
    if (mode == 0)
        return x;

    if (targetCutoff != currentCutoff) {
        ++glideCount;
        currentCutoff *= glideFactor;
    }
    // A glide ends when its time is up, or at once when there is no distance
    // to cover; either way the section now sits at the target key.
    if (static_cast<double>(glideCount) >= slideSamples || targetCutoff == currentCutoff) {
        currentCutoff = targetCutoff;
        currentKey = targetKey;
    }

    const double e = filterEnv.getSample();
    const double cutoff = e * currentCutoff * bendCutoffFactor * (1.0 + cutoffModIn * x)
        * (1.0 + cutoffModOut * lastOutput);
    // Neutral at 200 Hz; each octave above adds the reso-by-cutoff amount in dB.
    // A power of 0 is 1 whatever the base: no pow for the usual setting.
    const double byCutoff = resoExponent == 0.0 ? 1.0 : std::pow(cutoff * 0.005, resoExponent);
    const double reso = byCutoff * resonance * (1.0 + resoModIn * x)
        * (1.0 + resoModOut * lastOutput);
    lastCutoff = cutoff;
    lastResonance = reso;

    double y = runFilter(x, cutoff, reso);
    if (!(std::abs(y) <= runawayLevel)) {
        reset();
        y = 0.0;
    }
    lastOutput = std::clamp(y, -1.0, 1.0);
    return dry * x + wet * y;
}

double MonoFilter::runFilter(double x, double cutoff, double reso)
{
    if (mode <= 9) {
        biquad.setFrequency(cutoff);
        biquad.setQ(reso);
        biquad.calcCoefficients();
        return biquad.processSample(x);
    }
    if (mode <= 11) {
        ladder.setFrequency(cutoff);
        ladder.setResonance(reso);
        ladder.calcCoefficients();
        return ladder.processSample(x + dcOffset);
    }
    ladder2.setFrequency(cutoff);
    ladder2.setResonance(reso);
    return ladder2.processSample(x + dcOffset);
}

void MonoFilter::setPitchBend(double semitones)
{
    if (!usable(semitones))
        return;
    bendSemitones = std::clamp(semitones, -maxBendSemitones, maxBendSemitones);
    bendCutoffFactor = std::exp2(bendSemitones * keytrack / 12.0);
}

void MonoFilter::setSlideTime(double seconds)
{
    if (!(seconds >= 0.0) || !usable(seconds))
        return;
    slideTime = seconds;
    slideSamples = slideTime * sampleRate;
}

void MonoFilter::setEnvSlope(double slope)
{
    if (slope > 0.0 && usable(slope))
        filterEnv.setTimeScale(slope);
}

void MonoFilter::setAccent(double amount)
{
    if (!usable(amount))
        return;
    accent = std::clamp(amount, 0.0, 1.0);
    updateEffectiveAmounts();
    updateCutoffs();
    updateResonance();
}

void MonoFilter::setMode(double newMode)
{
    if (std::isnan(newMode))
        return;
    mode = toInt(newMode);
    if (mode <= 9)
        biquad.setMode(mode);
    else
        ladder.setMode(static_cast<std::int64_t>(mode) - 9);
}

void MonoFilter::setNumStages(double n)
{
    if (std::isnan(n))
        return;
    // Counts outside 1..5 are refused by every filter alike.
    const auto stages = static_cast<std::int64_t>(std::clamp(n, 0.0, 6.0));
    biquad.setNumStages(stages);
    ladder.setNumPoles(stages);
    ladder2.setNumPoles(stages);
}

void MonoFilter::setDryWet(double value)
{
    if (!usable(value))
        return;
    wetBase = wet = std::clamp(value, 0.0, 1.0);
    dry = 1.0 - wet;
}

void MonoFilter::setDryWetByVel(double percent)
{
    if (!usable(percent))
        return;
    wetByVelRaw = std::clamp(percent, -maxPercent, maxPercent);
    updateEffectiveAmounts();
}

void MonoFilter::setCutoff(double hz)
{
    if (!(hz > 0.0) || !usable(hz))
        return;
    baseCutoff = hz;
    updateCutoffs();
}

void MonoFilter::setFreqByVel(double semitones)
{
    if (!usable(semitones))
        return;
    freqByVelRaw = semitones;
    updateEffectiveAmounts();
    updateCutoffs();
}

void MonoFilter::setKeyTrack(double octavesPerOctave)
{
    if (!usable(octavesPerOctave))
        return;
    keytrack = std::clamp(octavesPerOctave, -maxKeytrack, maxKeytrack);
    bendCutoffFactor = std::exp2(bendSemitones * keytrack / 12.0);
    updateCutoffs();
}

void MonoFilter::setRefKey(double key)
{
    if (!(key >= 0.0 && key <= 127.0))
        return;
    refKey = toInt(key);
    updateCutoffs();
}

void MonoFilter::setCutoffModByInput(double percent)
{
    if (std::abs(percent) <= maxPercent)
        cutoffModIn = percent / 100.0;
}

void MonoFilter::setCutoffModByOutput(double percent)
{
    if (std::abs(percent) <= maxPercent)
        cutoffModOut = percent / 100.0;
}

void MonoFilter::setResonance(double value)
{
    if (!usable(value))
        return;
    baseResonance = value;
    updateResonance();
}

void MonoFilter::setResoByVel(double dB)
{
    if (!usable(dB))
        return;
    resoByVelRaw = dB;
    updateEffectiveAmounts();
    updateResonance();
}

void MonoFilter::setResoModByInput(double percent)
{
    if (std::abs(percent) <= maxPercent)
        resoModIn = percent / 100.0;
}

void MonoFilter::setResoModByOutput(double percent)
{
    if (std::abs(percent) <= maxPercent)
        resoModOut = percent / 100.0;
}

void MonoFilter::setResoByCutoff(double dBPerOctave)
{
    if (!usable(dBPerOctave))
        return;
    resoExponent = std::clamp(dBPerOctave, 0.0, maxResoByCutoff) / dbPerDoubling;
}

void MonoFilter::setGain(double dB)
{
    biquad.setGain(dB);
}

void MonoFilter::setDrive(double dB)
{
    if (!usable(dB))
        return;
    ladder.setDrive(dB);
    ladder2.setDrive(dB);
}

void MonoFilter::setDcOffset(double offset)
{
    if (usable(offset))
        dcOffset = std::clamp(offset, -maxDcOffset, maxDcOffset);
}

void MonoFilter::setOversampling(double)
{
    ladder.setOversampling(ladderOversampling);
    ladder2.setOversampling(ladderOversampling);
}

void MonoFilter::setEnvStart(double semitones)
{
    if (usable(semitones))
        filterEnv.setStart(semitoneRatio(semitones));
}

void MonoFilter::setEnvPeak(double semitones)
{
    if (!usable(semitones))
        return;
    envPeakSt = std::clamp(semitones, -maxLevelSemitones, maxLevelSemitones);
    filterEnv.setPeak(semitoneRatio(envPeakSt));
}

void MonoFilter::setEnvEnd(double semitones)
{
    if (usable(semitones))
        filterEnv.setEnd(semitoneRatio(semitones));
}

void MonoFilter::setEnvPeakByVel(double semitones)
{
    if (!usable(semitones))
        return;
    envPeakByVelRaw = std::clamp(semitones, -maxLevelSemitones, maxLevelSemitones);
    updateEffectiveAmounts();
}

void MonoFilter::setEnvDurByVel(double exponent)
{
    if (!usable(exponent))
        return;
    envDurByVelRaw = exponent;
    updateEffectiveAmounts();
}

void MonoFilter::setEnvHold(double seconds)
{
    if (usable(seconds))
        filterEnv.setHold(seconds);
}

void MonoFilter::setEnvAttack(double seconds)
{
    if (usable(seconds))
        filterEnv.setAttack(seconds);
}

void MonoFilter::setEnvDecay(double seconds)
{
    if (usable(seconds))
        filterEnv.setDecay(seconds);
}

void MonoFilter::setEnvRelease(double seconds)
{
    if (usable(seconds))
        filterEnv.setRelease(seconds);
}
