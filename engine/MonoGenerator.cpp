#include "engine/MonoGenerator.h"

#include <algorithm>
#include <cmath>

#include "engine/Levels.h"

namespace {

// Oscillators whose start phase is above this run freely across notes.
constexpr double kFreeRunningPhase = 359.99;

// The linear ramp values (detune spread and modulation depths) are clamped to
// this magnitude, far beyond their settings, so that products of depths stay
// finite.
constexpr double kMaxDepth = 1.0e6;

bool isPercent(double value) { return value >= 0.0 && value <= 100.0; }

// Negative indices switch a section off as 0 does; the oscillator itself
// would ignore them and keep playing.
std::int64_t waveformOrOff(std::int64_t waveform) { return waveform < 0 ? 0 : waveform; }

bool isOn(const Oscillator& osc) { return osc.getWaveform() > 0; }

void selectStartPhase(Oscillator& osc, double& kept, double degrees)
{
    if (!std::isfinite(degrees))
        return;
    kept = degrees;
    osc.setStartPhase(degrees);
}

void selectPulseWidth(Oscillator& osc, double& kept, double percent)
{
    if (percent > 0.0 && percent < 100.0)
        kept = percent / 100.0;
    osc.setPulseWidth(kept);
}

} // namespace

MonoGenerator::MonoGenerator()
{
    for (Oscillator* osc : { static_cast<Oscillator*>(&osc1), &osc2, &osc3, &vibratoLfo, &pwmLfo })
        osc->setNoiseSource(noise);
}

void MonoGenerator::setSampleRate(double rate)
{
    if (!(rate > 0.0) || !std::isfinite(rate))
        return;
    sampleRate = rate;
    osc1.setSampleRate(rate);
    osc2.setSampleRate(rate);
    osc3.setSampleRate(rate);
    vibratoLfo.setSampleRate(rate);
    pwmLfo.setSampleRate(rate);
    osc1Filter.setSampleRate(rate);
    osc2Filter.setSampleRate(rate);
    osc3Filter.setSampleRate(rate);
    for (ExponentialRamp& ramp : ramps)
        ramp.setSampleRate(rate);
    // A glide must last the slide time whatever the rate.
    slideSamples = slideTime * sampleRate;
}

void MonoGenerator::noteOn(int note, int velocity, int detune)
{
    currentPitch = targetPitch = note + detune / 100.0;
    currentFrequency = targetFrequency = pitchToFrequency(currentPitch);
    for (int r = 0; r < numRamps; ++r)
        if (rampStartUsesVelocity(r))
            ramps[r].setStart(rampValue(r, rampBaseStart[r] + rampStartByVel[r].centred(velocity)));
    for (ExponentialRamp& ramp : ramps)
        ramp.trigger();
}

void MonoGenerator::glideTo(int note, int detune)
{
    targetPitch = note + detune / 100.0;
    targetFrequency = pitchToFrequency(targetPitch);
    const double distance = targetPitch - currentPitch;
    if (slideSamples >= 1.0) {
        glidePitchStep = distance / slideSamples;
        glideFactor = std::exp2(glidePitchStep / 12.0);
    } else {
        glidePitchStep = 0.0;
        glideFactor = 1.0;
        currentFrequency = targetFrequency;
        currentPitch = targetPitch;
    }
    glideCount = 0;
}

void MonoGenerator::resetPhases()
{
    if (startPhaseDeg1 <= kFreeRunningPhase)
        osc1.resetPhase();
    if (startPhaseDeg2 <= kFreeRunningPhase)
        osc2.resetPhase();
    if (startPhaseDeg3 <= kFreeRunningPhase)
        osc3.resetPhase();
    vibratoLfo.resetPhase();
    pwmLfo.resetPhase();
}

void MonoGenerator::clearHistories()
{
    osc1Filter.reset();
    osc2Filter.reset();
    osc3Filter.reset();
    previous1 = {};
}

double MonoGenerator::tick()
{
    if (targetFrequency != currentFrequency) {
        ++glideCount;
        currentPitch += glidePitchStep;
        currentFrequency *= glideFactor;
    }
    if (glideCount >= slideSamples) {
        currentFrequency = targetFrequency;
        currentPitch = targetPitch;
    }

    // Sections that are off are not read, so waveforms prepared for them are
    // taken over here, before their waveforms decide what runs.
    osc1.adoptPreparedWaveform();
    osc2.adoptPreparedWaveform();
    osc3.adoptPreparedWaveform();
    vibratoLfo.adoptPreparedWaveform();
    pwmLfo.adoptPreparedWaveform();

    const double vib = isOn(vibratoLfo) ? vibratoLfo.getSample() * vibratoDepth : 0.0;
    const double pwm = isOn(pwmLfo) ? pwmLfo.getSample() * pwmDepth : 0.0;

    OscOutput out2;
    if (isOn(osc2))
        out2 = runModulator(osc2, osc2Filter, ramps[osc2PitchRamp], ramps[osc2AmpRamp], tuneFactor2,
                            pulseWidth2, vib, pwm, frequency2);
    OscOutput out3;
    if (isOn(osc3))
        out3 = runModulator(osc3, osc3Filter, ramps[osc3PitchRamp], ramps[osc3AmpRamp], tuneFactor3,
                            pulseWidth3, vib, pwm, frequency3);
    double ringMod = 0.0;
    const OscOutput out1 = isOn(osc1) ? runCarrier(vib, pwm, out2, out3, ringMod) : OscOutput{};
    previous1 = out1;

    if (syncOn && osc1.getCycleWrapped()) {
        if (syncMode == 1 || syncMode == 3)
            osc2.resetPhase();
        if (syncMode == 2 || syncMode == 3)
            osc3.resetPhase(osc1.getVoicePhase(0));
    }
    return out1.scaled + out3.scaled + out2.scaled + ringMod;
}

MonoGenerator::OscOutput MonoGenerator::runModulator(Oscillator& osc, LpfHpfApf& toneFilter,
                                                     ExponentialRamp& pitch, ExponentialRamp& amp,
                                                     double tuneFactor, double pulseWidth, double vib,
                                                     double pwm, double& frequency)
{
    frequency = (1.0 + vib) * pitch.getSample() * currentFrequency * tuneFactor * bendFactor;
    const double gain = amp.getSample();
    osc.setFrequency(frequency);
    osc.setPulseWidth(pulseWidth + pwm);
    osc.calcIncrements();
    OscOutput out;
    out.raw = osc.getSampleAntiAliased();
    out.filtered = toneFilter.processSample(out.raw);
    out.scaled = out.filtered * gain;
    return out;
}

MonoGenerator::OscOutput MonoGenerator::runCarrier(double vib, double pwm, const OscOutput& out2,
                                                   const OscOutput& out3, double& ringMod)
{
    double f1 = (1.0 + vib) * ramps[osc1PitchRamp].getSample() * currentFrequency * bendFactor;
    const double pw1 = pulseWidth1 + pwm;
    double a1 = ramps[osc1AmpRamp].getSample();

    double s1 = 0.0;
    double s2 = 0.0;
    double s3 = 0.0;
    bool modulate = !modulationOff;
    switch (modulationMode) {
    case 1:
        s1 = previous1.raw;
        s2 = out2.raw;
        s3 = out3.raw;
        break;
    case 2:
        s1 = previous1.filtered;
        s2 = out2.filtered;
        s3 = out3.filtered;
        break;
    case 3:
        s1 = previous1.scaled;
        s2 = out2.scaled;
        s3 = out3.scaled;
        break;
    default:
        modulate = false;
    }
    if (modulate) {
        f1 += ramps[fm21Ramp].getSample() * frequency2 * s2;
        f1 += ramps[fm31Ramp].getSample() * frequency3 * s3;
        // Mode 3 has no self-modulation; its ramp does not advance there.
        if (modulationMode != 3)
            f1 *= 1.0 + ramps[fm11Ramp].getSample() * s1;
        a1 *= 1.0 + ramps[am21Ramp].getSample() * s2;
        a1 *= 1.0 + ramps[am31Ramp].getSample() * s3;
        const double r12 = ramps[rm12Ramp].getSample() * s1 * s2;
        const double r13 = ramps[rm13Ramp].getSample() * s1 * s3;
        const double r23 = ramps[rm23Ramp].getSample() * s3 * s2;
        ringMod = r23 + r13 + r12;
    }

    osc1.setDetune(ramps[osc1DetuneRamp].getSample());
    osc1.setPulseWidth(pw1);
    osc1.setFrequency(f1);
    OscOutput out;
    out.raw = osc1.getSampleAntiAliased();
    out.filtered = osc1Filter.processSample(out.raw);
    out.scaled = out.filtered * a1;
    return out;
}

double MonoGenerator::rampValue(int ramp, double value) const
{
    switch (ramp) {
    case osc1AmpRamp:
    case osc2AmpRamp:
    case osc3AmpRamp:
    case rm12Ramp:
    case rm13Ramp:
    case rm23Ramp:
        return dbToGain(value);
    case osc1PitchRamp:
    case osc2PitchRamp:
    case osc3PitchRamp:
        return semitonesToRatio(value);
    default:
        return std::clamp(value, -kMaxDepth, kMaxDepth);
    }
}

bool MonoGenerator::rampStartUsesVelocity(int ramp) const
{
    // The detune ramp has no velocity amount; FM 1->1 keeps its amount unused.
    return ramp != osc1DetuneRamp && ramp != fm11Ramp;
}

void MonoGenerator::setAccent(double a)
{
    accent = a;
    // The ring-modulation amounts keep the accent in force when they were set.
    for (int r = 0; r < numRamps; ++r)
        if (r != rm12Ramp && r != rm13Ramp && r != rm23Ramp)
            rampStartByVel[r].applyAccent(a);
}

void MonoGenerator::setEnvSlope(double s)
{
    for (ExponentialRamp& ramp : ramps)
        ramp.setTimeScale(s);
}

void MonoGenerator::setSlideTime(double seconds)
{
    slideTime = seconds;
    slideSamples = slideTime * sampleRate;
}

void MonoGenerator::setPitchBend(double semitones) { bendFactor = semitonesToRatio(semitones); }

void MonoGenerator::setO1Wave(std::int64_t waveform) { osc1.setWaveform(waveformOrOff(waveform)); }
void MonoGenerator::setO2Wave(std::int64_t waveform) { osc2.setWaveform(waveformOrOff(waveform)); }
void MonoGenerator::setO3Wave(std::int64_t waveform) { osc3.setWaveform(waveformOrOff(waveform)); }
void MonoGenerator::setVibWave(std::int64_t waveform) { vibratoLfo.setWaveform(waveformOrOff(waveform)); }
void MonoGenerator::setPWMWave(std::int64_t waveform) { pwmLfo.setWaveform(waveformOrOff(waveform)); }
void MonoGenerator::prepareO1Wave(std::int64_t waveform) { osc1.prepareWaveform(waveformOrOff(waveform)); }
void MonoGenerator::prepareO2Wave(std::int64_t waveform) { osc2.prepareWaveform(waveformOrOff(waveform)); }
void MonoGenerator::prepareO3Wave(std::int64_t waveform) { osc3.prepareWaveform(waveformOrOff(waveform)); }
void MonoGenerator::prepareVibWave(std::int64_t waveform) { vibratoLfo.prepareWaveform(waveformOrOff(waveform)); }
void MonoGenerator::preparePWMWave(std::int64_t waveform) { pwmLfo.prepareWaveform(waveformOrOff(waveform)); }

void MonoGenerator::setVibDepth(double depth)
{
    if (std::isfinite(depth))
        vibratoDepth = depth;
}

void MonoGenerator::setPWMDepth(double percent)
{
    if (std::isfinite(percent))
        pwmDepth = percent / 100.0;
}

void MonoGenerator::setO1Phase(double degrees) { selectStartPhase(osc1, startPhaseDeg1, degrees); }
void MonoGenerator::setO2Phase(double degrees) { selectStartPhase(osc2, startPhaseDeg2, degrees); }
void MonoGenerator::setO3Phase(double degrees) { selectStartPhase(osc3, startPhaseDeg3, degrees); }

void MonoGenerator::setO1PW(double percent) { selectPulseWidth(osc1, pulseWidth1, percent); }
void MonoGenerator::setO2PW(double percent) { selectPulseWidth(osc2, pulseWidth2, percent); }
void MonoGenerator::setO3PW(double percent) { selectPulseWidth(osc3, pulseWidth3, percent); }

void MonoGenerator::setO2CoarseTune(double semitones)
{
    if (std::isfinite(semitones))
        coarseTune2 = semitones;
    updateTuneFactors();
}

void MonoGenerator::setO2FineTune(double cents)
{
    if (std::isfinite(cents))
        fineTune2 = cents;
    updateTuneFactors();
}

void MonoGenerator::setO3CoarseTune(double semitones)
{
    if (std::isfinite(semitones))
        coarseTune3 = semitones;
    updateTuneFactors();
}

void MonoGenerator::setO3FineTune(double cents)
{
    if (std::isfinite(cents))
        fineTune3 = cents;
    updateTuneFactors();
}

void MonoGenerator::updateTuneFactors()
{
    tuneFactor2 = semitonesToRatio(coarseTune2 + fineTune2 / 100.0);
    tuneFactor3 = semitonesToRatio(coarseTune3 + fineTune3 / 100.0);
}

void MonoGenerator::setModulation(int mode)
{
    modulationMode = mode;
    modulationOff = mode == 0;
}

void MonoGenerator::setSyncToOsc1(int mode)
{
    syncMode = mode;
    syncOn = mode != 0;
}

void MonoGenerator::setRampStart(int ramp, double value)
{
    if (ramp < 0 || ramp >= numRamps)
        return;
    if (ramp == fm11Ramp) {
        if (isPercent(value))
            rampBaseStart[ramp] = value / 2.0;
    } else if (std::isfinite(value)) {
        rampBaseStart[ramp] = value;
    } else {
        return;
    }
    ramps[ramp].setStart(rampValue(ramp, rampBaseStart[ramp]));
}

void MonoGenerator::setRampEnd(int ramp, double value)
{
    if (ramp < 0 || ramp >= numRamps)
        return;
    if (ramp == fm11Ramp) {
        if (isPercent(value))
            ramps[ramp].setEnd(value / 2.0);
    } else if (std::isfinite(value)) {
        ramps[ramp].setEnd(rampValue(ramp, value));
    }
}

void MonoGenerator::setRampStartByVel(int ramp, double amount)
{
    if (ramp < 0 || ramp >= numRamps)
        return;
    VelocityAmount& byVel = rampStartByVel[ramp];
    if (ramp == fm11Ramp)
        byVel.set(isPercent(amount) ? amount / 100.0 : byVel.raw, accent);
    else
        byVel.set(amount, accent);
}
