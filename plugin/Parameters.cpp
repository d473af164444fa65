#include "plugin/Parameters.h"

#include "engine/Zarvex2.h"

#include <cfloat>
#include <cmath>
#include <cstdint>

namespace {

constexpr Mapping affine(double scale, double offset = 0.0) { return { Conversion::affine, scale, offset }; }
constexpr Mapping reciprocal(double scale, double offset) { return { Conversion::reciprocal, scale, offset }; }
constexpr Mapping exponential(double offset) { return { Conversion::exponential, 20.0, offset }; }
constexpr Mapping decades(double scale) { return { Conversion::decades, scale, 0.0 }; }
constexpr Mapping floored(double scale, double offset = 0.0, double step = 1.0)
{
    return { Conversion::floored, scale, offset, step };
}
constexpr Mapping truncated(double scale) { return { Conversion::truncated, scale, 0.0 }; }

// Rounds a product to single precision; beyond the float range it stays at
// the largest float, which floors to a saturated integer anyway.
double roundToFloat(double x)
{
    constexpr double limit = FLT_MAX;
    return static_cast<float>(x > limit ? limit : x < -limit ? -limit : x);
}

double quantity(const Mapping& m, float value)
{
    const double v = value;
    switch (m.conversion) {
    case Conversion::inert:
        return 0.0;
    case Conversion::affine:
        return v * m.scale + m.offset;
    case Conversion::reciprocal:
        return 1.0 / (v * m.scale + m.offset);
    case Conversion::exponential:
        return m.scale * std::pow(1000.0, v) + m.offset;
    case Conversion::decades:
        return std::pow(10.0, v * m.scale);
    case Conversion::floored:
        return saturateToInt32(m.step * std::floor(roundToFloat(v * m.scale)) + m.offset);
    case Conversion::truncated:
        return saturateToInt32(v * m.scale);
    }
    return 0.0;
}

// Integer quantities arrive as doubles already saturated to 32 bits.
std::int64_t whole(double q) { return static_cast<std::int64_t>(q); }
double seconds(double ms) { return ms / 1000.0; }

// Receivers. Each hands its quantity to the engine object of its role; the
// engine and its modules check the values themselves.

void volume(Zarvex2& e, double q, float) { e.setVolume(q); }
void volumeByVelocity(Zarvex2& e, double q, float) { e.setVolByVel(q); }
void slideTime(Zarvex2& e, double, float v) { e.setSlideTime(v); }
void accent(Zarvex2& e, double q, float) { e.setAccent(q / 100.0); }
void envelopeSlope(Zarvex2& e, double q, float) { e.setEnvSlope(q); }

void vibratoDepth(Zarvex2& e, double q, float) { e.generator.setVibDepth(q / 100.0); }
void vibratoSpeed(Zarvex2& e, double q, float)
{
    e.generator.vibratoLfo.setFrequency(q);
    e.generator.vibratoLfo.calcIncrements();
}
void vibratoWave(Zarvex2& e, double q, float) { e.generator.prepareVibWave(whole(q)); }
void pwmDepth(Zarvex2& e, double q, float) { e.generator.setPWMDepth(q); }
void pwmSpeed(Zarvex2& e, double q, float)
{
    e.generator.pwmLfo.setFrequency(q);
    e.generator.pwmLfo.calcIncrements();
}
void pwmWave(Zarvex2& e, double q, float) { e.generator.preparePWMWave(whole(q)); }

void wave1(Zarvex2& e, double q, float) { e.generator.prepareO1Wave(whole(q)); }
void wave2(Zarvex2& e, double q, float) { e.generator.prepareO2Wave(whole(q)); }
void wave3(Zarvex2& e, double q, float) { e.generator.prepareO3Wave(whole(q)); }
void phase1(Zarvex2& e, double q, float) { e.generator.setO1Phase(q); }
void phase2(Zarvex2& e, double q, float) { e.generator.setO2Phase(q); }
void phase3(Zarvex2& e, double q, float) { e.generator.setO3Phase(q); }
void pulseWidth1(Zarvex2& e, double q, float) { e.generator.setO1PW(q); }
void pulseWidth2(Zarvex2& e, double q, float) { e.generator.setO2PW(q); }
void pulseWidth3(Zarvex2& e, double q, float) { e.generator.setO3PW(q); }
void coarseTune2(Zarvex2& e, double q, float) { e.generator.setO2CoarseTune(q); }
void fineTune2(Zarvex2& e, double q, float) { e.generator.setO2FineTune(q); }
void coarseTune3(Zarvex2& e, double q, float) { e.generator.setO3CoarseTune(q); }
void fineTune3(Zarvex2& e, double q, float) { e.generator.setO3FineTune(q); }
void density(Zarvex2& e, double q, float) { e.generator.osc1.setDensity(whole(q)); }
void spacing(Zarvex2& e, double, float v) { e.generator.osc1.setSpacing(v >= 0.5f); }
void detuneRandom(Zarvex2& e, double q, float) { e.generator.osc1.setDetuneRandom(q); }
void modulation(Zarvex2& e, double q, float) { e.generator.setModulation(static_cast<int>(q)); }
void sync(Zarvex2& e, double q, float) { e.generator.setSyncToOsc1(static_cast<int>(q)); }

// The generator converts ramp levels from their parameter units itself.
template <int ramp> void rampStart(Zarvex2& e, double q, float) { e.generator.setRampStart(ramp, q); }
template <int ramp> void rampEnd(Zarvex2& e, double q, float) { e.generator.setRampEnd(ramp, q); }
template <int ramp> void rampStartByVelocity(Zarvex2& e, double q, float) { e.generator.setRampStartByVel(ramp, q); }
template <int ramp> void rampTime(Zarvex2& e, double q, float) { e.generator.ramps[ramp].setTime(q); }

template <LpfHpfApf MonoGenerator::*toneFilter> void lowpass(Zarvex2& e, double q, float)
{
    (e.generator.*toneFilter).setLowpassFrequency(q);
}
template <LpfHpfApf MonoGenerator::*toneFilter> void highpass(Zarvex2& e, double q, float)
{
    (e.generator.*toneFilter).setHighpassFrequency(q);
}
template <LpfHpfApf MonoGenerator::*toneFilter> void allpass(Zarvex2& e, double q, float)
{
    (e.generator.*toneFilter).setAllpassFrequency(q);
}

void filterMode(Zarvex2& e, double q, float) { e.setFilterMode(static_cast<int>(q)); }
// The quantity counts the stages beyond the first.
void stages(Zarvex2& e, double q, float) { e.setStages(saturateToInt32(q + 1.0)); }
void filterDryWet(Zarvex2& e, double, float v) { e.filter.setDryWet(v); }
void filterDryWetByVelocity(Zarvex2& e, double q, float) { e.setFilterDryWetByVel(q); }
void cutoff(Zarvex2& e, double q, float) { e.filter.setCutoff(q); }
void cutoffByVelocity(Zarvex2& e, double q, float) { e.setFilterFreqByVel(q); }
void cutoffModulationByInput(Zarvex2& e, double q, float) { e.setFilterFMByInput(q); }
void cutoffModulationByOutput(Zarvex2& e, double q, float) { e.setFilterFMByOutput(q); }
void resonance(Zarvex2& e, double q, float) { e.setReso(q); }
void resonanceByVelocity(Zarvex2& e, double q, float) { e.setResonanceByVelocity(q); }
void resonanceModulationByInput(Zarvex2& e, double q, float) { e.setResoModByInput(q); }
void resonanceModulationByOutput(Zarvex2& e, double q, float) { e.setResoModByOutput(q); }
void resonanceByCutoff(Zarvex2& e, double q, float) { e.filter.setResoByCutoff(q); }
void filterGain(Zarvex2& e, double q, float) { e.filter.setGain(q); }
void filterDrive(Zarvex2& e, double q, float) { e.setFilterDrive(q); }
void filterDcOffset(Zarvex2& e, double q, float) { e.filter.setDcOffset(q); }
void keyTrack(Zarvex2& e, double q, float) { e.filter.setKeyTrack(q); }
void referenceKey(Zarvex2& e, double q, float) { e.filter.setRefKey(q); }
// The ladders keep their fixed oversampling; the factor is only shown.
void oversampling(Zarvex2& e, double q, float) { e.filter.setOversampling(q); }
void filterEnvStart(Zarvex2& e, double q, float) { e.filter.setEnvStart(q); }
void filterEnvAttack(Zarvex2& e, double q, float) { e.filter.setEnvAttack(seconds(q)); }
void filterEnvPeak(Zarvex2& e, double q, float) { e.filter.setEnvPeak(q); }
void filterEnvPeakByVelocity(Zarvex2& e, double q, float) { e.filter.setEnvPeakByVel(q); }
void filterEnvHold(Zarvex2& e, double q, float) { e.setFiltHold(seconds(q)); }
void filterEnvDecay(Zarvex2& e, double q, float) { e.filter.setEnvDecay(seconds(q)); }
void filterEnvRelease(Zarvex2& e, double q, float) { e.filter.setEnvRelease(seconds(q)); }
void filterEnvEnd(Zarvex2& e, double q, float) { e.filter.setEnvEnd(q); }
void filterEnvDurationByVelocity(Zarvex2& e, double q, float) { e.filter.setEnvDurByVel(q); }

template <AmpEnvRc Zarvex2::*env> void envStart(Zarvex2& e, double q, float) { (e.*env).setStart(q); }
template <AmpEnvRc Zarvex2::*env> void envAttack(Zarvex2& e, double q, float) { (e.*env).setAttack(seconds(q)); }
template <AmpEnvRc Zarvex2::*env> void envHold(Zarvex2& e, double q, float) { (e.*env).setHold(seconds(q)); }
template <AmpEnvRc Zarvex2::*env> void envDecay(Zarvex2& e, double q, float) { (e.*env).setDecay(seconds(q)); }
template <AmpEnvRc Zarvex2::*env> void envSustain(Zarvex2& e, double q, float) { (e.*env).setSustain(q); }
template <AmpEnvRc Zarvex2::*env> void envRelease(Zarvex2& e, double q, float) { (e.*env).setRelease(seconds(q)); }
void ampPeak1(Zarvex2& e, double q, float) { e.setAmp1Peak(q); }
void ampPeak2(Zarvex2& e, double q, float) { e.setAmp2Peak(q); }
void ampPeakByVelocity1(Zarvex2& e, double q, float) { e.setAmpEnv1PeakByVel(q); }
void ampPeakByVelocity2(Zarvex2& e, double q, float) { e.setAmpEnv2PeakByVel(q); }

void distortionMode(Zarvex2& e, double q, float) { e.setDistMode(whole(q)); }
void distortionMix(Zarvex2& e, double q, float) { e.setDistMix(q); }
void distortionMixByVelocity(Zarvex2& e, double q, float) { e.setDistDryWetByVel(q); }
void distortionDrive(Zarvex2& e, double q, float) { e.distortion.setDrive(q); }
void distortionDcOffset(Zarvex2& e, double q, float) { e.distortion.setDcOffset(q); }
void lowerThreshold(Zarvex2& e, double q, float) { e.distortion.setLowerThreshold(q); }
void upperThreshold(Zarvex2& e, double q, float) { e.distortion.setUpperThreshold(q); }
void lowerSaturation(Zarvex2& e, double q, float) { e.distortion.setLowerSaturation(q); }
void upperSaturation(Zarvex2& e, double q, float) { e.distortion.setUpperSaturation(q); }
void lowerClampLevel(Zarvex2& e, double q, float) { e.distortion.setLowerClampLevel(q); }
void upperClampLevel(Zarvex2& e, double q, float) { e.distortion.setUpperClampLevel(q); }
void rectification(Zarvex2& e, double, float v) { e.distortion.setRectification(v); }

// Index by index: short name, long name, label, default; conversion,
// receiver and (where it is not a plain number) the kind of value text.
constexpr ParameterInfo kParameters[kNumParameters] = {
    { "Volume", "Volume", "dB  ", 0.8f, // 0
        affine(120, -96), volume },
    { "VolByVel", "Volume By Velocity", "dB@127", 0, // 1
        affine(24), volumeByVelocity },
    { "Mono/Poly", "MonoPoly", "      ", 0, // 2
        truncated(1), nullptr },
    { "Slide Time", "Slide Time", "ms  ", 0.05f, // 3
        affine(1000), slideTime },
    { "Accent", "Accent", "%   ", 1, // 4
        affine(100), accent },
    { "Env Slope", "Evelope Slope", "    ", 0.4444444f, // 5
        reciprocal(9, 1), envelopeSlope },
    { "Vib Depth", "Vibrato Depth", "semitones", 0, // 6
        affine(100), vibratoDepth },
    { "Vib Speed", "Vibrato Speed", "Hz  ", 0, // 7
        affine(20), vibratoSpeed },
    { "Vib Wave", "Vibrato Wave", "    ", 0, // 8
        floored(512), nullptr, ValueText::waveform, vibratoWave },
    { "PWM Depth", "PWM Depth", "    ", 0, // 9
        affine(50), pwmDepth },
    { "PWM Speed", "PWM Speed", "Hz  ", 0, // 10
        affine(20), pwmSpeed },
    { "PWM Wave", "PWM Wave", "    ", 0, // 11
        floored(512), nullptr, ValueText::waveform, pwmWave },
    { nullptr, "DC Block", nullptr, 0, // 12
        Mapping {}, nullptr, ValueText::none },
    { "O1 Wave", "Osc1 Wave", "    ", 3, // 13
        floored(512), nullptr, ValueText::waveform, wave1 },
    { "O1 Phase", "Osc1 Start-Phase", "degrees", 0, // 14
        affine(360), phase1 },
    { "O1 VolStart", "Osc1 AmpRamp Start", "dB  ", 0.8f, // 15
        affine(120, -96), rampStart<MonoGenerator::osc1AmpRamp> },
    { "...by Vel", "Osc1 AmpRamp StartByVel", "dB  ", 0, // 16
        affine(24), rampStartByVelocity<MonoGenerator::osc1AmpRamp> },
    { "O1 VolTime", "Osc1 AmpRamp Time", "ms  ", 0, // 17
        affine(2000), rampTime<MonoGenerator::osc1AmpRamp> },
    { "O1 VolEnd", "Osc1 AmpRamp End", "dB  ", 0.8f, // 18
        affine(120, -96), rampEnd<MonoGenerator::osc1AmpRamp> },
    { "O1 PitchStart", "Osc1 PitchRamp Start", "semitones", 0.5f, // 19
        affine(96, -48), rampStart<MonoGenerator::osc1PitchRamp> },
    { "...by Vel", "Osc1 PitchRampStartByVel", "semitones", 0, // 20
        affine(48, -24), rampStartByVelocity<MonoGenerator::osc1PitchRamp> },
    { "O1 PitchTime", "Osc1 PitchRamp Time", "ms  ", 0, // 21
        affine(2000), rampTime<MonoGenerator::osc1PitchRamp> },
    { "O1 PitchEnd", "Osc1 PitchRamp End", "semitones", 0.5f, // 22
        affine(96, -48), rampEnd<MonoGenerator::osc1PitchRamp> },
    { "O1 LPF", "Osc1 LPF", "Hz", 1, // 23
        exponential(0), lowpass<&MonoGenerator::osc1Filter>, ValueText::lowpass },
    { "O1 HPF", "Osc1 HPF", "Hz", 0, // 24
        exponential(-20), highpass<&MonoGenerator::osc1Filter>, ValueText::highpass },
    { "O1 PW", "Osc1 PulseWidth", "%", 0.5f, // 25
        affine(98, 1), pulseWidth1 },
    { "O1 Density", "Osc1 Density", "voices", 0, // 26
        floored(63, 1, 2), density },
    { "O1 DetStart", "Osc1 DetuneRamp Start", "semitones", 0, // 27
        affine(12), rampStart<MonoGenerator::osc1DetuneRamp> },
    { "O1 DetTime", "Osc1 DetuneRamp Time", "ms", 0, // 28
        affine(2000), rampTime<MonoGenerator::osc1DetuneRamp> },
    { "O1 DetEnd", "Osc1 DetuneRamp End", "semitones", 0, // 29
        affine(12), rampEnd<MonoGenerator::osc1DetuneRamp> },
    { "O1 DetSpacing", "Osc1 Frequency Spacing", "     ", 0, // 30
        affine(1), spacing, ValueText::spacing },
    { "AMbyO2Start", "AM 2->1 Ramp Start", nullptr, 0, // 31
        affine(1), rampStart<MonoGenerator::am21Ramp> },
    { "...by Vel", "AM 2->1 Ramp StartByVel", nullptr, 0, // 32
        affine(1), rampStartByVelocity<MonoGenerator::am21Ramp> },
    { "AMbyO2Time", "AM 2->1 Ramp Time", nullptr, 0, // 33
        affine(2000), rampTime<MonoGenerator::am21Ramp> },
    { "AMbyO2End", "AM 2->1 Ramp End", nullptr, 0, // 34
        affine(1), rampEnd<MonoGenerator::am21Ramp> },
    { "AMbyO3Start", "AM 3->1 Ramp Start", nullptr, 0, // 35
        affine(1), rampStart<MonoGenerator::am31Ramp> },
    { "...by Vel", "AM 3->1 Ramp StartByVel", nullptr, 0, // 36
        affine(1), rampStartByVelocity<MonoGenerator::am31Ramp> },
    { "AMbyO3Time", "AM 3->1 Ramp Time", nullptr, 0, // 37
        affine(2000), rampTime<MonoGenerator::am31Ramp> },
    { "AMbyO3End", "AM 3->1 Ramp End", nullptr, 0, // 38
        affine(1), rampEnd<MonoGenerator::am31Ramp> },
    { "FMbyO1Start", "FM 1->1 Ramp Start", nullptr, 0, // 39
        affine(100), rampStart<MonoGenerator::fm11Ramp> },
    { "...by Vel", "FM 1->1 Ramp StartByVel", nullptr, 0, // 40
        affine(100), rampStartByVelocity<MonoGenerator::fm11Ramp> },
    { "FMbyO1Time", "FM 1->1 Ramp Time", nullptr, 0, // 41
        affine(2000), rampTime<MonoGenerator::fm11Ramp> },
    { "FMbyO1End", "FM 1->1 Ramp End", nullptr, 0, // 42
        affine(100), rampEnd<MonoGenerator::fm11Ramp> },
    { "FMbyO2Start", "FM 2->1 Ramp Start", nullptr, 0, // 43
        affine(30), rampStart<MonoGenerator::fm21Ramp> },
    { "...by Vel", "FM 2->1 Ramp StartByVel", nullptr, 0, // 44
        affine(15), rampStartByVelocity<MonoGenerator::fm21Ramp> },
    { "FMbyO2Time", "FM 2->1 Ramp Time", nullptr, 0, // 45
        affine(2000), rampTime<MonoGenerator::fm21Ramp> },
    { "FMbyO2End", "FM 2->1 Ramp End", nullptr, 0, // 46
        affine(30), rampEnd<MonoGenerator::fm21Ramp> },
    { "FMbyO3Start", "FM 3->1 Ramp Start", nullptr, 0, // 47
        affine(30), rampStart<MonoGenerator::fm31Ramp> },
    { "...by Vel", "FM 3->1 Ramp StartByVel", nullptr, 0, // 48
        affine(15), rampStartByVelocity<MonoGenerator::fm31Ramp> },
    { "FMbyO3Time", "FM 3->1 Ramp Time", nullptr, 0, // 49
        affine(2000), rampTime<MonoGenerator::fm31Ramp> },
    { "FMbyO3End", "FM 3->1 Ramp End", nullptr, 0, // 50
        affine(30), rampEnd<MonoGenerator::fm31Ramp> },
    { "Modulation", "Modulation Mode", nullptr, 0, // 51
        truncated(3), modulation, ValueText::modulationMode },
    { "sync to osc1:", "sync Mode", nullptr, 0, // 52
        truncated(3), sync, ValueText::syncMode },
    { "O2 Wave", "Osc2 Wave", "    ", 0, // 53
        floored(512), nullptr, ValueText::waveform, wave2 },
    { "O2 Phase", "Osc2 Start-Phase", "degrees", 0, // 54
        affine(360), phase2 },
    { "O2 VolStart", "Osc2 AmpRamp Start", "dB  ", 0.8f, // 55
        affine(120, -96), rampStart<MonoGenerator::osc2AmpRamp> },
    { "...by Vel", "Osc2 AmpRamp StartByVel", "dB  ", 0, // 56
        affine(24), rampStartByVelocity<MonoGenerator::osc2AmpRamp> },
    { "O2 VolTime", "Osc2 AmpRamp Time", "ms  ", 0, // 57
        affine(2000), rampTime<MonoGenerator::osc2AmpRamp> },
    { "O2 VolEnd", "Osc2 AmpRamp End", "dB  ", 0.8f, // 58
        affine(120, -96), rampEnd<MonoGenerator::osc2AmpRamp> },
    { "O2 PitchStart", "Osc2 PitchRamp Start", "semitones", 0.5f, // 59
        affine(96, -48), rampStart<MonoGenerator::osc2PitchRamp> },
    { "...by Vel", "Osc2 PitchRampStartByVel", "semitones", 0, // 60
        affine(48, -24), rampStartByVelocity<MonoGenerator::osc2PitchRamp> },
    { "O2 PitchTime", "Osc2 PitchRamp Time", "ms  ", 0, // 61
        affine(2000), rampTime<MonoGenerator::osc2PitchRamp> },
    { "O2 PitchEnd", "Osc2 PitchRamp End", "semitones", 0.5f, // 62
        affine(96, -48), rampEnd<MonoGenerator::osc2PitchRamp> },
    { "O2 LPF", "Osc2 LPF", "Hz", 1, // 63
        exponential(0), lowpass<&MonoGenerator::osc2Filter>, ValueText::lowpass },
    { "O2 HPF", "Osc2 HPF", "Hz", 0, // 64
        exponential(-20), highpass<&MonoGenerator::osc2Filter>, ValueText::highpass },
    { "O2 PW", "Osc2 PulseWidth", "%", 0.5f, // 65
        affine(100), pulseWidth2 },
    { "O2 CoarseTune", "Osc2 Tune Coarse", "semitones", 0.5f, // 66
        floored(96, -48), coarseTune2 },
    { "O2 FineTune", "Osc2 Tune Fine", "cents", 0.5f, // 67
        affine(100, -50), fineTune2 },
    { "O3 Wave", "Osc3 Wave", "    ", 0, // 68
        floored(512), nullptr, ValueText::waveform, wave3 },
    { "O3 Phase", "Osc3 Start-Phase", "degrees", 0, // 69
        affine(360), phase3 },
    { "O3 VolStart", "Osc3 AmpRamp Start", "dB  ", 0.8f, // 70
        affine(120, -96), rampStart<MonoGenerator::osc3AmpRamp> },
    { "...by Vel", "Osc3 AmpRamp StartByVel", "dB  ", 0, // 71
        affine(24), rampStartByVelocity<MonoGenerator::osc3AmpRamp> },
    { "O3 VolTime", "Osc3 AmpRamp Time", "ms  ", 0, // 72
        affine(2000), rampTime<MonoGenerator::osc3AmpRamp> },
    { "O3 VolEnd", "Osc3 AmpRamp End", "dB  ", 0.8f, // 73
        affine(120, -96), rampEnd<MonoGenerator::osc3AmpRamp> },
    { "O3 PitchStart", "Osc3 PitchRamp Start", "semitones", 0.5f, // 74
        affine(96, -48), rampStart<MonoGenerator::osc3PitchRamp> },
    { "...by Vel", "Osc3 PitchRampStartByVel", "semitones", 0, // 75
        affine(48, -24), rampStartByVelocity<MonoGenerator::osc3PitchRamp> },
    { "O3 PitchTime", "Osc3 PitchRamp Time", "ms  ", 0, // 76
        affine(2000), rampTime<MonoGenerator::osc3PitchRamp> },
    { "O3 PitchEnd", "Osc3 PitchRamp End", "semitones", 0.5f, // 77
        affine(96, -48), rampEnd<MonoGenerator::osc3PitchRamp> },
    { "O3 LPF", "Osc3 LPF", "Hz", 1, // 78
        exponential(0), lowpass<&MonoGenerator::osc3Filter>, ValueText::lowpass },
    { "O3 HPF", "Osc3 HPF", "Hz", 0, // 79
        exponential(-20), highpass<&MonoGenerator::osc3Filter>, ValueText::highpass },
    { "O3 PW", "Osc3 PulseWidth", "%", 0.5f, // 80
        affine(100), pulseWidth3 },
    { "O3 CoarseTune", "Osc3 Tune Coarse", "semitones", 0.5f, // 81
        floored(96, -48), coarseTune3 },
    { "O3 FineTune", "Osc3 Tune Fine", "cents", 0.5f, // 82
        affine(100, -50), fineTune3 },
    { "RM12 Start", "RM 1*2 Ramp Start", nullptr, 0, // 83
        affine(120, -96), rampStart<MonoGenerator::rm12Ramp> },
    { "...by Vel", "RM 1*2 Ramp StartByVel", nullptr, 0, // 84
        affine(24), rampStartByVelocity<MonoGenerator::rm12Ramp> },
    { "RM12 Time", "RM 1*2 Ramp Time", nullptr, 0, // 85
        affine(2000), rampTime<MonoGenerator::rm12Ramp> },
    { "RM12 End", "RM 1*2 Ramp End", nullptr, 0, // 86
        affine(120, -96), rampEnd<MonoGenerator::rm12Ramp> },
    { "RM13 Start", "RM 1*3 Ramp Start", nullptr, 0, // 87
        affine(120, -96), rampStart<MonoGenerator::rm13Ramp> },
    { "...by Vel", "RM 1*3 Ramp StartByVel", nullptr, 0, // 88
        affine(24), rampStartByVelocity<MonoGenerator::rm13Ramp> },
    { "RM13 Time", "RM 1*3 Ramp Time", nullptr, 0, // 89
        affine(2000), rampTime<MonoGenerator::rm13Ramp> },
    { "RM13 End", "RM 1*3 Ramp End", nullptr, 0, // 90
        affine(120, -96), rampEnd<MonoGenerator::rm13Ramp> },
    { "RM23 Start", "RM 2*3 Ramp Start", nullptr, 0, // 91
        affine(120, -96), rampStart<MonoGenerator::rm23Ramp> },
    { "...by Vel", "RM 2*3 Ramp StartByVel", nullptr, 0, // 92
        affine(24), rampStartByVelocity<MonoGenerator::rm23Ramp> },
    { "RM23 Time", "RM 2*3 Ramp Time", nullptr, 0, // 93
        affine(2000), rampTime<MonoGenerator::rm23Ramp> },
    { "RM23 End", "RM 2*3 Ramp End", nullptr, 0, // 94
        affine(120, -96), rampEnd<MonoGenerator::rm23Ramp> },
    { "Filter Mode", "Filter Mode", "    ", 0, // 95
        floored(128), filterMode, ValueText::filterMode },
    { "Stages", "Filter Stages", "biquads", 0, // 96
        floored(4), stages },
    { "Dry/Wet", "Filter Dry/Wet", "% wet", 1, // 97
        affine(100), filterDryWet },
    { "...by Velo", "Filter Dry/Wet by Vel", "     ", 0, // 98
        affine(100), filterDryWetByVelocity },
    { "Cutoff", "Filter Frequency", "Hz  ", 1, // 99
        exponential(0), cutoff },
    { "...by Vel", "Filter Freq by Vel", "semitones@127", 0.5f, // 100
        affine(96, -48), cutoffByVelocity },
    { "...by Input", "Filter-FM by Input", "\t", 0.5f, // 101
        affine(200, -100), cutoffModulationByInput },
    { "...by Output", "Filter-FM by Output", "\t", 0.5f, // 102
        affine(200, -100), cutoffModulationByOutput },
    { "Reso", "Filter Resonance", "    ", 0, // 103
        affine(9.9, 0.1), resonance },
    { "...by Velo", "Resonance by Velocity", "factor@127", 0, // 104
        affine(12), resonanceByVelocity, ValueText::decibelFactor },
    { "...by Input", "Reso-Mod by Input", "\t", 0.5f, // 105
        affine(200, -100), resonanceModulationByInput },
    { "...by Output", "Reso-Mod by Output", "\t", 0.5f, // 106
        affine(200, -100), resonanceModulationByOutput },
    { "...by Cutoff", "Reso by Cutoff", "factor/oct", 0, // 107
        affine(3), resonanceByCutoff, ValueText::decibelFactor },
    { "Gain", "Gain (for peak & shelf)", "dB  ", 0.5f, // 108
        affine(48, -24), filterGain },
    { "Drive", "Drive (for Moog & 303)", "dB", 0.5f, // 109
        affine(96, -48), filterDrive },
    { nullptr, "ParamTag unknown", nullptr, 0, // 110
        Mapping {}, nullptr, ValueText::none },
    { "Fatness", "ParamTag unknown", nullptr, 0, // 111
        affine(1), nullptr },
    { "KeyTrack", "Filter Keytrack", "oct/oct", 0.5f, // 112
        affine(4, -2), keyTrack },
    { "RefKey", "Reference Key", "MIDI-Note ", 0.5f, // 113
        floored(127), referenceKey, ValueText::noteName },
    { "Oversampling", "ParamTag unknown", "factor", 0, // 114
        floored(63, 1), oversampling },
    { "FiltStart", "Filt-Env Start", "semitones", 0.5f, // 115
        affine(192, -96), filterEnvStart },
    { "FiltAttack", "Filt-Env  Attack", "ms ", 0, // 116
        affine(2000), filterEnvAttack },
    { "FiltPeak", "Filt-Env  Peak", "semitones", 0.5f, // 117
        affine(192, -96), filterEnvPeak },
    { "...by Vel", "Filt-Env  Peak by Vel", "semitones@127", 0, // 118
        affine(48), filterEnvPeakByVelocity },
    { "FiltHold", "Filt-Env  Hold", "ms", 0, // 119
        affine(200), filterEnvHold },
    { "FiltDecay", "Filt-Env  Decay", "ms ", 0, // 120
        affine(2000), filterEnvDecay },
    { "FiltRelease", "Filt-Env  Release", "ms ", 0, // 121
        affine(2000), filterEnvRelease },
    { "FiltEndFreq", "Filt-Env  End", "semitones ", 0.5f, // 122
        affine(192, -96), filterEnvEnd },
    { "FiltEnvDurByVel", "Filt-Env Duration by Vel", "factor@127", 0.5f, // 123
        affine(6, -3), filterEnvDurationByVelocity, ValueText::powerOfTwo },
    { "Amp1Start", "Amp-Env 1 Start", "dB ", 0.8f, // 124
        affine(120, -96), envStart<&Zarvex2::ampEnv1> },
    { "Amp1Attack", "Amp-Env 1 Attack", "ms ", 0.001f, // 125
        affine(2000), envAttack<&Zarvex2::ampEnv1> },
    { "Amp1Peak", "Amp-Env 1 Peak", "dB ", 0.8f, // 126
        affine(120, -96), ampPeak1 },
    { "...by Vel", "Amp-Env 1 Peak by Vel", "dB@127", 0, // 127
        affine(24), ampPeakByVelocity1 },
    { "Amp1Hold", "Amp-Env 1 Hold", "ms ", 0, // 128
        affine(500), envHold<&Zarvex2::ampEnv1> },
    { "Amp1Decay", "Amp-Env 1 Decay", "ms ", 0, // 129
        affine(2000), envDecay<&Zarvex2::ampEnv1> },
    { "Amp1Sustain", "Amp-Env 1 Sustain", "dB ", 0.8f, // 130
        affine(120, -96), envSustain<&Zarvex2::ampEnv1> },
    { "Amp1Release", "Amp-Env 1 Release", "ms ", 0.01f, // 131
        affine(2000), envRelease<&Zarvex2::ampEnv1> },
    { "Dist Mode", "Distortion Mode", "   ", 0, // 132
        floored(128), distortionMode },
    { "Dist Mix", "Dist Dry/Wet", "% wet", 1, // 133
        affine(100), distortionMix },
    { "...by Vel", "Dist Dry/Wet by Vel", "     ", 0, // 134
        affine(100), distortionMixByVelocity },
    { "Drive", "Dist Drive", "dB ", 0.5f, // 135
        affine(96, -48), distortionDrive },
    { "DC Offset", "ParamTag unknown", "   ", 0.5f, // 136
        affine(4, -2), distortionDcOffset },
    { "Low Thresh", "Dist Lower Threshold", "dB ", 0.5f, // 137
        affine(48, -24), lowerThreshold },
    { "High Thresh", "Dist Upper Threshold", "dB ", 0.5f, // 138
        affine(48, -24), upperThreshold },
    { "Low Sat", "Dist Lower Saturation", "dB ", 0.5f, // 139
        affine(48, -24), lowerSaturation },
    { "High Sat", "Dist Upper Saturation", "dB ", 0.5f, // 140
        affine(48, -24), upperSaturation },
    { "Low Clamp", "Dist Lower Clamp Level", "dB ", 0.5f, // 141
        affine(48, -24), lowerClampLevel },
    { "High Clamp", "Dist Upper Clamp Level", "dB ", 0.5f, // 142
        affine(48, -24), upperClampLevel },
    { "Rectify", "Dist Rectification", "   ", 0, // 143
        affine(1), rectification },
    { "Amp2Start", "Amp-Env 2 Start", "dB ", 0.8f, // 144
        affine(120, -96), envStart<&Zarvex2::ampEnv2> },
    { "Amp2Attack", "Amp-Env 2 Attack", "ms ", 0.001f, // 145
        affine(2000), envAttack<&Zarvex2::ampEnv2> },
    { "Amp2Peak", "Amp-Env 2 Peak", "dB ", 0.8f, // 146
        affine(120, -96), ampPeak2 },
    { "...by Velo", "Amp-Env 2 Peak by Vel", "dB@127", 0, // 147
        affine(24), ampPeakByVelocity2 },
    { "Amp2Hold", "Amp-Env 2 Hold", "ms ", 0, // 148
        affine(500), envHold<&Zarvex2::ampEnv2> },
    { "Amp2Decay", "Amp-Env 2 Decay", "ms ", 0, // 149
        affine(2000), envDecay<&Zarvex2::ampEnv2> },
    { "Amp2Sustain", "Amp-Env 2 Sustain", "dB ", 0.8f, // 150
        affine(120, -96), envSustain<&Zarvex2::ampEnv2> },
    { "Amp2Release", "Amp-Env 2 Release", "ms ", 1, // 151
        affine(2000), envRelease<&Zarvex2::ampEnv2> },
    { "O1 APF", "ParamTag unknown", "Hz", 1, // 152
        exponential(-20), allpass<&MonoGenerator::osc1Filter>, ValueText::none },
    { "O2 APF", "ParamTag unknown", "Hz", 1, // 153
        exponential(-20), allpass<&MonoGenerator::osc2Filter>, ValueText::none },
    { "O3 APF", "ParamTag unknown", "Hz", 1, // 154
        exponential(-20), allpass<&MonoGenerator::osc3Filter>, ValueText::none },
    { "O1 DetRnd", "ParamTag unknown", "%", 0, // 155
        affine(100), detuneRandom },
    { "O1 DetRndFrq", "ParamTag unknown", "Hz", 0, // 156
        decades(2), nullptr },
    { "DC", "ParamTag unknown", " ", 0.5f, // 157
        affine(4, -2), filterDcOffset },
};

// The order in which the constructor sets the defaults: each waveform before
// the settings of its LFO, the allpass and random-detune settings next to
// their oscillators, the modulation depths after all three oscillators.
struct IndexRange {
    int32_t first;
    int32_t last;
};
constexpr IndexRange kConstructorRanges[] = {
    { kVolume, kEnvSlope }, { kVibWave, kVibWave }, { kVibDepth, kVibSpeed }, { kPWMWave, kPWMWave },
    { kPWMDepth, kPWMSpeed }, { kO1Wave, kO1HPF }, { kO1APF, kO1APF }, { kO1PW, kO1DetSpacing },
    { kO1DetRnd, kO1DetRnd }, { kO2Wave, kO2HPF }, { kO2APF, kO2APF }, { kO2PW, kO3HPF }, { kO3APF, kO3APF },
    { kO3PW, kO3FineTune }, { kAMbyO2Start, kSyncToOsc1 }, { kRM12Start, kGain }, { kDC, kDC },
    { kFilterDrive, kFilterDrive }, { kKeyTrack, kHighClamp }, { kAmp2Start, kAmp2Release },
};

constexpr size_t constructorDefaultCount()
{
    size_t n = 0;
    for (const IndexRange& range : kConstructorRanges)
        n += static_cast<size_t>(range.last - range.first + 1);
    return n;
}
static_assert(constructorDefaultCount() == kConstructorDefaultCount);

constexpr std::array<int32_t, kConstructorDefaultCount> constructorOrder()
{
    std::array<int32_t, kConstructorDefaultCount> order {};
    size_t n = 0;
    for (const IndexRange& range : kConstructorRanges)
        for (int32_t index = range.first; index <= range.last; ++index)
            order[n++] = index;
    return order;
}
constexpr std::array<int32_t, kConstructorDefaultCount> kConstructorOrder = constructorOrder();

constexpr std::array<ParameterDefault, kConstructorDefaultCount> constructorDefaults()
{
    std::array<ParameterDefault, kConstructorDefaultCount> defaults {};
    for (size_t i = 0; i < defaults.size(); ++i)
        defaults[i] = { kConstructorOrder[i], kParameters[kConstructorOrder[i]].defaultValue };
    return defaults;
}

// A full refresh follows the constructor's order, leaves out the indices that
// have nothing to do on the audio thread, and adds the rectification, which
// the constructor does not set, after the other distortion levels.
struct RefreshOrder {
    std::array<int32_t, kNumParameters> indices {};
    size_t count = 0;
};

RefreshOrder makeRefreshOrder()
{
    RefreshOrder order;
    for (int32_t index : kConstructorOrder) {
        if (kParameters[index].receive)
            order.indices[order.count++] = index;
        if (index == kHighClamp)
            order.indices[order.count++] = kRectify;
    }
    return order;
}

// Built when the library loads, so the audio thread never builds it.
const RefreshOrder kRefreshOrder = makeRefreshOrder();

} // namespace

const std::array<ParameterDefault, kConstructorDefaultCount> kConstructorDefaults = constructorDefaults();
std::span<const int32_t> engineRefreshOrder() { return { kRefreshOrder.indices.data(), kRefreshOrder.count }; }

int32_t saturateToInt32(double x)
{
    if (std::isnan(x))
        return 0;
    if (x <= static_cast<double>(INT32_MIN))
        return INT32_MIN;
    if (x >= static_cast<double>(INT32_MAX))
        return INT32_MAX;
    return static_cast<int32_t>(x);
}

const ParameterInfo* parameterInfo(int32_t index)
{
    return index >= 0 && index < kNumParameters ? &kParameters[index] : nullptr;
}

bool isStoredParameter(int32_t index)
{
    const ParameterInfo* info = parameterInfo(index);
    return info && info->mapping.conversion != Conversion::inert;
}

double displayQuantity(int32_t index, float v)
{
    const ParameterInfo* info = parameterInfo(index);
    return info ? quantity(info->mapping, v) : 0.0;
}

void applyParameter(Zarvex2& engine, int32_t index, float v)
{
    const ParameterInfo* info = parameterInfo(index);
    if (info && info->receive && std::isfinite(v))
        info->receive(engine, quantity(info->mapping, v), v);
}

void prepareParameter(Zarvex2& engine, int32_t index, float v)
{
    const ParameterInfo* info = parameterInfo(index);
    if (info && info->prepare && std::isfinite(v))
        info->prepare(engine, quantity(info->mapping, v), v);
}
