#include "plugin/Parameters.h"

#include "engine/Zarvex2.h"

#include <algorithm>
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

void vibratoDepth(Zarvex2& e, double q, float) { e.setVibDepth(q / 100.0); }
void vibratoSpeed(Zarvex2& e, double q, float) { e.setVibSpeed(q); }
void vibratoWave(Zarvex2& e, double q, float) { e.prepareVibWave(whole(q)); }
void pwmDepth(Zarvex2& e, double q, float) { e.setPWMDepth(q); }
void pwmSpeed(Zarvex2& e, double q, float) { e.setPWMSpeed(q); }
void pwmWave(Zarvex2& e, double q, float) { e.preparePWMWave(whole(q)); }

void wave1(Zarvex2& e, double q, float) { e.prepareO1Wave(whole(q)); }
void wave2(Zarvex2& e, double q, float) { e.prepareO2Wave(whole(q)); }
void wave3(Zarvex2& e, double q, float) { e.prepareO3Wave(whole(q)); }
void phase1(Zarvex2& e, double q, float) { e.setO1Phase(q); }
void phase2(Zarvex2& e, double q, float) { e.setO2Phase(q); }
void phase3(Zarvex2& e, double q, float) { e.setO3Phase(q); }
void pulseWidth1(Zarvex2& e, double q, float) { e.setO1PW(q); }
void pulseWidth2(Zarvex2& e, double q, float) { e.setO2PW(q); }
void pulseWidth3(Zarvex2& e, double q, float) { e.setO3PW(q); }
void coarseTune2(Zarvex2& e, double q, float) { e.setO2CoarseTune(q); }
void fineTune2(Zarvex2& e, double q, float) { e.setO2FineTune(q); }
void coarseTune3(Zarvex2& e, double q, float) { e.setO3CoarseTune(q); }
void fineTune3(Zarvex2& e, double q, float) { e.setO3FineTune(q); }
void density(Zarvex2& e, double q, float) { e.setO1Density(whole(q)); }
void spacing(Zarvex2& e, double, float v) { e.setO1DetSpacing(v >= 0.5f); }
void detuneRandom(Zarvex2& e, double q, float) { e.setO1DetRnd(q); }
void modulation(Zarvex2& e, double q, float) { e.setModulation(static_cast<int>(q)); }
void sync(Zarvex2& e, double q, float) { e.setSyncToOsc1(static_cast<int>(q)); }

// The generator converts ramp levels from their parameter units itself.
template <int ramp> void rampStart(Zarvex2& e, double q, float) { e.setRampStart(ramp, q); }
template <int ramp> void rampEnd(Zarvex2& e, double q, float) { e.setRampEnd(ramp, q); }
template <int ramp> void rampStartByVelocity(Zarvex2& e, double q, float) { e.setRampStartByVel(ramp, q); }
template <int ramp> void rampTime(Zarvex2& e, double q, float) { e.setRampTime(ramp, q); }

template <int osc> void lowpass(Zarvex2& e, double q, float) { e.setOscLowpass(osc, q); }
template <int osc> void highpass(Zarvex2& e, double q, float) { e.setOscHighpass(osc, q); }
template <int osc> void allpass(Zarvex2& e, double q, float) { e.setOscAllpass(osc, q); }

void filterMode(Zarvex2& e, double q, float) { e.setFilterMode(static_cast<int>(q)); }
// The quantity counts the stages beyond the first.
void stages(Zarvex2& e, double q, float) { e.setStages(saturateToInt32(q + 1.0)); }
void filterDryWet(Zarvex2& e, double, float v) { e.setFilterDryWet(v); }
void filterDryWetByVelocity(Zarvex2& e, double q, float) { e.setFilterDryWetByVel(q); }
void cutoff(Zarvex2& e, double q, float) { e.setCutoff(q); }
void cutoffByVelocity(Zarvex2& e, double q, float) { e.setFilterFreqByVel(q); }
void cutoffModulationByInput(Zarvex2& e, double q, float) { e.setFilterFMByInput(q); }
void cutoffModulationByOutput(Zarvex2& e, double q, float) { e.setFilterFMByOutput(q); }
void resonance(Zarvex2& e, double q, float) { e.setReso(q); }
void resonanceByVelocity(Zarvex2& e, double q, float) { e.setResonanceByVelocity(q); }
void resonanceModulationByInput(Zarvex2& e, double q, float) { e.setResoModByInput(q); }
void resonanceModulationByOutput(Zarvex2& e, double q, float) { e.setResoModByOutput(q); }
void resonanceByCutoff(Zarvex2& e, double q, float) { e.setResoByCutoff(q); }
void filterGain(Zarvex2& e, double q, float) { e.setFilterGain(q); }
void filterDrive(Zarvex2& e, double q, float) { e.setFilterDrive(q); }
void filterDcOffset(Zarvex2& e, double q, float) { e.setFilterDC(q); }
void keyTrack(Zarvex2& e, double q, float) { e.setKeyTrack(q); }
void referenceKey(Zarvex2& e, double q, float) { e.setRefKey(q); }
// The ladders keep their fixed oversampling; the factor is only shown.
void oversampling(Zarvex2& e, double q, float) { e.setOversampling(q); }
void filterEnvStart(Zarvex2& e, double q, float) { e.setFiltStart(q); }
void filterEnvAttack(Zarvex2& e, double q, float) { e.setFiltAttack(seconds(q)); }
void filterEnvPeak(Zarvex2& e, double q, float) { e.setFiltPeak(q); }
void filterEnvPeakByVelocity(Zarvex2& e, double q, float) { e.setFiltEnvPeakByVel(q); }
void filterEnvHold(Zarvex2& e, double q, float) { e.setFiltHold(seconds(q)); }
void filterEnvDecay(Zarvex2& e, double q, float) { e.setFiltDecay(seconds(q)); }
void filterEnvRelease(Zarvex2& e, double q, float) { e.setFiltRelease(seconds(q)); }
void filterEnvEnd(Zarvex2& e, double q, float) { e.setFiltEndFreq(q); }
void filterEnvDurationByVelocity(Zarvex2& e, double q, float) { e.setFiltEnvDurByVel(q); }

template <int env> void envStart(Zarvex2& e, double q, float) { e.setAmpStart(env, q); }
template <int env> void envAttack(Zarvex2& e, double q, float) { e.setAmpAttack(env, seconds(q)); }
template <int env> void envHold(Zarvex2& e, double q, float) { e.setAmpHold(env, seconds(q)); }
template <int env> void envDecay(Zarvex2& e, double q, float) { e.setAmpDecay(env, seconds(q)); }
template <int env> void envSustain(Zarvex2& e, double q, float) { e.setAmpSustain(env, q); }
template <int env> void envRelease(Zarvex2& e, double q, float) { e.setAmpRelease(env, seconds(q)); }
void ampPeak1(Zarvex2& e, double q, float) { e.setAmp1Peak(q); }
void ampPeak2(Zarvex2& e, double q, float) { e.setAmp2Peak(q); }
void ampPeakByVelocity1(Zarvex2& e, double q, float) { e.setAmpEnv1PeakByVel(q); }
void ampPeakByVelocity2(Zarvex2& e, double q, float) { e.setAmpEnv2PeakByVel(q); }

void distortionMode(Zarvex2& e, double q, float) { e.setDistMode(whole(q)); }
void distortionMix(Zarvex2& e, double q, float) { e.setDistMix(q); }
void distortionMixByVelocity(Zarvex2& e, double q, float) { e.setDistDryWetByVel(q); }
void distortionDrive(Zarvex2& e, double q, float) { e.setDistDrive(q); }
void distortionDcOffset(Zarvex2& e, double q, float) { e.setDCOffset(q); }
void lowerThreshold(Zarvex2& e, double q, float) { e.setLowThresh(q); }
void upperThreshold(Zarvex2& e, double q, float) { e.setHighThresh(q); }
void lowerSaturation(Zarvex2& e, double q, float) { e.setLowSat(q); }
void upperSaturation(Zarvex2& e, double q, float) { e.setHighSat(q); }
void lowerClampLevel(Zarvex2& e, double q, float) { e.setLowClamp(q); }
void upperClampLevel(Zarvex2& e, double q, float) { e.setHighClamp(q); }
void rectification(Zarvex2& e, double, float v) { e.setRectify(v); }

// Menu entries. The waveform menus start with "Off", so that an entry's
// place is the number of the waveform it names.
constexpr const char* kLfoWaves[] = { "Off", "White Noise", "Pink Noise", "Sine", "Triangle", "Pulse", "SawUp",
    "SawDown", "PeakUp", "PeakDown", "MoogSaw", "SqrMinusSine", "SinOcts", "SawOcts" };
constexpr const char* kOscWaves[] = { "Off", "White Noise", "Pink Noise", "Sine", "Triangle", "Pulse", "SawUp",
    "SawDown", "PeakUp", "PeakDown", "MoogSaw", "SqrMinusSine", "SinOcts", "SawOcts", "WhiteNoiseCycle",
    "PinkNoiseCycle", "BrownNoiseCycle" };
constexpr const char* kSpacings[] = { "exponential", "linear" };
constexpr const char* kModulations[] = { "pre Filter", "post Filter", "post Envelope" };
constexpr const char* kModulationsCompact[] = { "preFlt", "pstFlt", "pstEnv" };
constexpr const char* kSyncs[] = { "nothing", "Osc 2", "Osc 3", "Osc 2 & 3" };
constexpr const char* kFilterModes[] = { "Bypass", "LPF (R.B. Johnson)", "HPF (R.B. Johnson)",
    "BPF const skirt (R.B. Johnson)", "BPF const peak (R.B. Johnson)", "BRF (R.B. Johnson)",
    "Allpass (R.B. Johnson)", "Peaking (R.B. Johnson)", "Low-Shelf (R.B. Johnson)", "High-Shelf (R.B. Johnson)",
    "Moog LPF (Kelmori)", "303 LPF (Kelmori)" };
constexpr const char* kFilterModesCompact[] = { "Bypass", "LPF (R.B.J.)", "HPF (R.B.J.)", "BPF1 (R.B.J.)",
    "BPF2 (R.B.J.)", "BRF (R.B.J.)", "Allpass (R.B.J.)", "Peaking (R.B.J.)", "Low-Shelf (R.B.J.)",
    "High-Shelf (R.B.J.)", "Moog LPF (Kelmori)", "303 LPF (Kelmori)" };
constexpr const char* kDistModes[] = { "bypass", "linear mapping", "tanh mapping" };

// The spans follow each conversion's multiplier. The modulation and sync modes
// come in three spans, the last mode only at 1.0; the modulation menu has no
// entry for mode 0 (off).
constexpr ParameterMenu kLfoWaveMenu { kLfoWaves, {}, 512, 0 };
constexpr ParameterMenu kOscWaveMenu { kOscWaves, {}, 512, 0 };
constexpr ParameterMenu kSpacingMenu { kSpacings, {}, 2, 0 };
constexpr ParameterMenu kModulationMenu { kModulations, kModulationsCompact, 3, 1 };
constexpr ParameterMenu kSyncMenu { kSyncs, {}, 3, 0 };
constexpr ParameterMenu kFilterModeMenu { kFilterModes, kFilterModesCompact, 128, 0 };
constexpr ParameterMenu kStagesMenu { {}, {}, 4, 0 }; // the texts follow the filter mode
constexpr ParameterMenu kDistModeMenu { kDistModes, {}, 128, 0 };

// Index by index: identifier, short name, long name, label, default;
// conversion, receiver, the editor's unit and read-out, and (where it is not a
// plain number) the kind of value text, the preparation and the menu.
constexpr ParameterInfo kParameters[kNumParameters] = {
    { kVolume, "Volume", "Volume", "dB  ", 0.8f,
        affine(120, -96), volume, Unit::decibel, Readout::quantity },
    { kVolByVel, "VolByVel", "Volume By Velocity", "dB@127", 0,
        affine(24), volumeByVelocity, Unit::decibel, Readout::quantity },
    { kMonoPoly, "Mono/Poly", "MonoPoly", "      ", 0,
        truncated(1), nullptr, Unit::none, Readout::none },
    { kSlideTime, "Slide Time", "Slide Time", "ms  ", 0.05f,
        affine(1000), slideTime, Unit::milliseconds, Readout::quantity },
    { kAccent, "Accent", "Accent", "%   ", 1,
        affine(100), accent, Unit::percent, Readout::quantity },
    { kEnvSlope, "Env Slope", "Evelope Slope", "    ", 0.4444444f,
        reciprocal(9, 1), envelopeSlope, Unit::none, Readout::quantity },
    { kVibDepth, "Vib Depth", "Vibrato Depth", "semitones", 0,
        affine(100), vibratoDepth, Unit::percent, Readout::quantity },
    { kVibSpeed, "Vib Speed", "Vibrato Speed", "Hz  ", 0,
        affine(20), vibratoSpeed, Unit::hertz, Readout::quantity },
    { kVibWave, "Vib Wave", "Vibrato Wave", "    ", 0,
        floored(512), nullptr, Unit::none, Readout::none, ValueText::waveform, vibratoWave, &kLfoWaveMenu },
    { kPWMDepth, "PWM Depth", "PWM Depth", "    ", 0,
        affine(50), pwmDepth, Unit::percent, Readout::quantity },
    { kPWMSpeed, "PWM Speed", "PWM Speed", "Hz  ", 0,
        affine(20), pwmSpeed, Unit::hertz, Readout::quantity },
    { kPWMWave, "PWM Wave", "PWM Wave", "    ", 0,
        floored(512), nullptr, Unit::none, Readout::none, ValueText::waveform, pwmWave, &kLfoWaveMenu },
    { kDCBlock, nullptr, "DC Block", nullptr, 0,
        Mapping {}, nullptr, Unit::none, Readout::none, ValueText::none },
    { kO1Wave, "O1 Wave", "Osc1 Wave", "    ", 3,
        floored(512), nullptr, Unit::none, Readout::none, ValueText::waveform, wave1, &kOscWaveMenu },
    { kO1Phase, "O1 Phase", "Osc1 Start-Phase", "degrees", 0,
        affine(360), phase1, Unit::degrees, Readout::quantity },
    { kO1VolStart, "O1 VolStart", "Osc1 AmpRamp Start", "dB  ", 0.8f,
        affine(120, -96), rampStart<MonoGenerator::osc1AmpRamp>, Unit::decibel, Readout::quantity },
    { kOsc1AmpRampStartByVel, "...by Vel", "Osc1 AmpRamp StartByVel", "dB  ", 0,
        affine(24), rampStartByVelocity<MonoGenerator::osc1AmpRamp>, Unit::decibel, Readout::quantity },
    { kO1VolTime, "O1 VolTime", "Osc1 AmpRamp Time", "ms  ", 0,
        affine(2000), rampTime<MonoGenerator::osc1AmpRamp>, Unit::milliseconds, Readout::quantity },
    { kO1VolEnd, "O1 VolEnd", "Osc1 AmpRamp End", "dB  ", 0.8f,
        affine(120, -96), rampEnd<MonoGenerator::osc1AmpRamp>, Unit::decibel, Readout::quantity },
    { kO1PitchStart, "O1 PitchStart", "Osc1 PitchRamp Start", "semitones", 0.5f,
        affine(96, -48), rampStart<MonoGenerator::osc1PitchRamp>, Unit::semitones, Readout::quantity },
    { kOsc1PitchRampStartByVel, "...by Vel", "Osc1 PitchRampStartByVel", "semitones", 0,
        affine(48, -24), rampStartByVelocity<MonoGenerator::osc1PitchRamp>, Unit::semitones, Readout::quantity },
    { kO1PitchTime, "O1 PitchTime", "Osc1 PitchRamp Time", "ms  ", 0,
        affine(2000), rampTime<MonoGenerator::osc1PitchRamp>, Unit::milliseconds, Readout::quantity },
    { kO1PitchEnd, "O1 PitchEnd", "Osc1 PitchRamp End", "semitones", 0.5f,
        affine(96, -48), rampEnd<MonoGenerator::osc1PitchRamp>, Unit::semitones, Readout::quantity },
    { kO1LPF, "O1 LPF", "Osc1 LPF", "Hz", 1,
        exponential(0), lowpass<1>, Unit::hertz, Readout::quantity, ValueText::lowpass },
    { kO1HPF, "O1 HPF", "Osc1 HPF", "Hz", 0,
        exponential(-20), highpass<1>, Unit::hertz, Readout::quantity, ValueText::highpass },
    { kO1PW, "O1 PW", "Osc1 PulseWidth", "%", 0.5f,
        affine(98, 1), pulseWidth1, Unit::percent, Readout::quantity },
    { kO1Density, "O1 Density", "Osc1 Density", "voices", 0,
        floored(63, 1, 2), density, Unit::percent, Readout::quantity },
    { kO1DetStart, "O1 DetStart", "Osc1 DetuneRamp Start", "semitones", 0,
        affine(12), rampStart<MonoGenerator::osc1DetuneRamp>, Unit::semitones, Readout::quantity },
    { kO1DetTime, "O1 DetTime", "Osc1 DetuneRamp Time", "ms", 0,
        affine(2000), rampTime<MonoGenerator::osc1DetuneRamp>, Unit::milliseconds, Readout::quantity },
    { kO1DetEnd, "O1 DetEnd", "Osc1 DetuneRamp End", "semitones", 0,
        affine(12), rampEnd<MonoGenerator::osc1DetuneRamp>, Unit::semitones, Readout::quantity },
    { kO1DetSpacing, "O1 DetSpacing", "Osc1 Frequency Spacing", "     ", 0,
        affine(1), spacing, Unit::none, Readout::none, ValueText::spacing, nullptr, &kSpacingMenu },
    { kAMbyO2Start, "AMbyO2Start", "AM 2->1 Ramp Start", nullptr, 0,
        affine(1), rampStart<MonoGenerator::am21Ramp>, Unit::percent, Readout::percent },
    { kAM21RampStartByVel, "...by Vel", "AM 2->1 Ramp StartByVel", nullptr, 0,
        affine(1), rampStartByVelocity<MonoGenerator::am21Ramp>, Unit::percent, Readout::percent },
    { kAMbyO2Time, "AMbyO2Time", "AM 2->1 Ramp Time", nullptr, 0,
        affine(2000), rampTime<MonoGenerator::am21Ramp>, Unit::milliseconds, Readout::quantity },
    { kAMbyO2End, "AMbyO2End", "AM 2->1 Ramp End", nullptr, 0,
        affine(1), rampEnd<MonoGenerator::am21Ramp>, Unit::percent, Readout::percent },
    { kAMbyO3Start, "AMbyO3Start", "AM 3->1 Ramp Start", nullptr, 0,
        affine(1), rampStart<MonoGenerator::am31Ramp>, Unit::percent, Readout::percent },
    { kAM31RampStartByVel, "...by Vel", "AM 3->1 Ramp StartByVel", nullptr, 0,
        affine(1), rampStartByVelocity<MonoGenerator::am31Ramp>, Unit::percent, Readout::percent },
    { kAMbyO3Time, "AMbyO3Time", "AM 3->1 Ramp Time", nullptr, 0,
        affine(2000), rampTime<MonoGenerator::am31Ramp>, Unit::milliseconds, Readout::quantity },
    { kAMbyO3End, "AMbyO3End", "AM 3->1 Ramp End", nullptr, 0,
        affine(1), rampEnd<MonoGenerator::am31Ramp>, Unit::percent, Readout::percent },
    { kFMbyO1Start, "FMbyO1Start", "FM 1->1 Ramp Start", nullptr, 0,
        affine(100), rampStart<MonoGenerator::fm11Ramp>, Unit::percent, Readout::quantity },
    { kFM11RampStartByVel, "...by Vel", "FM 1->1 Ramp StartByVel", nullptr, 0,
        affine(100), rampStartByVelocity<MonoGenerator::fm11Ramp>, Unit::percent, Readout::quantity },
    { kFMbyO1Time, "FMbyO1Time", "FM 1->1 Ramp Time", nullptr, 0,
        affine(2000), rampTime<MonoGenerator::fm11Ramp>, Unit::milliseconds, Readout::quantity },
    { kFMbyO1End, "FMbyO1End", "FM 1->1 Ramp End", nullptr, 0,
        affine(100), rampEnd<MonoGenerator::fm11Ramp>, Unit::percent, Readout::quantity },
    { kFMbyO2Start, "FMbyO2Start", "FM 2->1 Ramp Start", nullptr, 0,
        affine(30), rampStart<MonoGenerator::fm21Ramp>, Unit::fmIndex, Readout::quantity },
    { kFM21RampStartByVel, "...by Vel", "FM 2->1 Ramp StartByVel", nullptr, 0,
        affine(15), rampStartByVelocity<MonoGenerator::fm21Ramp>, Unit::fmIndex, Readout::quantity },
    { kFMbyO2Time, "FMbyO2Time", "FM 2->1 Ramp Time", nullptr, 0,
        affine(2000), rampTime<MonoGenerator::fm21Ramp>, Unit::milliseconds, Readout::quantity },
    { kFMbyO2End, "FMbyO2End", "FM 2->1 Ramp End", nullptr, 0,
        affine(30), rampEnd<MonoGenerator::fm21Ramp>, Unit::fmIndex, Readout::quantity },
    { kFMbyO3Start, "FMbyO3Start", "FM 3->1 Ramp Start", nullptr, 0,
        affine(30), rampStart<MonoGenerator::fm31Ramp>, Unit::fmIndex, Readout::quantity },
    { kFM31RampStartByVel, "...by Vel", "FM 3->1 Ramp StartByVel", nullptr, 0,
        affine(15), rampStartByVelocity<MonoGenerator::fm31Ramp>, Unit::fmIndex, Readout::quantity },
    { kFMbyO3Time, "FMbyO3Time", "FM 3->1 Ramp Time", nullptr, 0,
        affine(2000), rampTime<MonoGenerator::fm31Ramp>, Unit::milliseconds, Readout::quantity },
    { kFMbyO3End, "FMbyO3End", "FM 3->1 Ramp End", nullptr, 0,
        affine(30), rampEnd<MonoGenerator::fm31Ramp>, Unit::fmIndex, Readout::quantity },
    { kModulation, "Modulation", "Modulation Mode", nullptr, 0,
        truncated(3), modulation, Unit::none, Readout::none, ValueText::modulationMode, nullptr, &kModulationMenu },
    { kSyncToOsc1, "sync to osc1:", "sync Mode", nullptr, 0,
        truncated(3), sync, Unit::none, Readout::none, ValueText::syncMode, nullptr, &kSyncMenu },
    { kO2Wave, "O2 Wave", "Osc2 Wave", "    ", 0,
        floored(512), nullptr, Unit::none, Readout::none, ValueText::waveform, wave2, &kOscWaveMenu },
    { kO2Phase, "O2 Phase", "Osc2 Start-Phase", "degrees", 0,
        affine(360), phase2, Unit::degrees, Readout::quantity },
    { kO2VolStart, "O2 VolStart", "Osc2 AmpRamp Start", "dB  ", 0.8f,
        affine(120, -96), rampStart<MonoGenerator::osc2AmpRamp>, Unit::decibel, Readout::quantity },
    { kOsc2AmpRampStartByVel, "...by Vel", "Osc2 AmpRamp StartByVel", "dB  ", 0,
        affine(24), rampStartByVelocity<MonoGenerator::osc2AmpRamp>, Unit::decibel, Readout::quantity },
    { kO2VolTime, "O2 VolTime", "Osc2 AmpRamp Time", "ms  ", 0,
        affine(2000), rampTime<MonoGenerator::osc2AmpRamp>, Unit::milliseconds, Readout::quantity },
    { kO2VolEnd, "O2 VolEnd", "Osc2 AmpRamp End", "dB  ", 0.8f,
        affine(120, -96), rampEnd<MonoGenerator::osc2AmpRamp>, Unit::decibel, Readout::quantity },
    { kO2PitchStart, "O2 PitchStart", "Osc2 PitchRamp Start", "semitones", 0.5f,
        affine(96, -48), rampStart<MonoGenerator::osc2PitchRamp>, Unit::semitones, Readout::quantity },
    { kOsc2PitchRampStartByVel, "...by Vel", "Osc2 PitchRampStartByVel", "semitones", 0,
        affine(48, -24), rampStartByVelocity<MonoGenerator::osc2PitchRamp>, Unit::semitones, Readout::quantity },
    { kO2PitchTime, "O2 PitchTime", "Osc2 PitchRamp Time", "ms  ", 0,
        affine(2000), rampTime<MonoGenerator::osc2PitchRamp>, Unit::milliseconds, Readout::quantity },
    { kO2PitchEnd, "O2 PitchEnd", "Osc2 PitchRamp End", "semitones", 0.5f,
        affine(96, -48), rampEnd<MonoGenerator::osc2PitchRamp>, Unit::semitones, Readout::quantity },
    { kO2LPF, "O2 LPF", "Osc2 LPF", "Hz", 1,
        exponential(0), lowpass<2>, Unit::hertz, Readout::quantity, ValueText::lowpass },
    { kO2HPF, "O2 HPF", "Osc2 HPF", "Hz", 0,
        exponential(-20), highpass<2>, Unit::hertz, Readout::quantity, ValueText::highpass },
    { kO2PW, "O2 PW", "Osc2 PulseWidth", "%", 0.5f,
        affine(100), pulseWidth2, Unit::percent, Readout::quantity },
    { kO2CoarseTune, "O2 CoarseTune", "Osc2 Tune Coarse", "semitones", 0.5f,
        floored(96, -48), coarseTune2, Unit::semitones, Readout::quantity },
    { kO2FineTune, "O2 FineTune", "Osc2 Tune Fine", "cents", 0.5f,
        affine(100, -50), fineTune2, Unit::cents, Readout::quantity },
    { kO3Wave, "O3 Wave", "Osc3 Wave", "    ", 0,
        floored(512), nullptr, Unit::none, Readout::none, ValueText::waveform, wave3, &kOscWaveMenu },
    { kO3Phase, "O3 Phase", "Osc3 Start-Phase", "degrees", 0,
        affine(360), phase3, Unit::degrees, Readout::quantity },
    { kO3VolStart, "O3 VolStart", "Osc3 AmpRamp Start", "dB  ", 0.8f,
        affine(120, -96), rampStart<MonoGenerator::osc3AmpRamp>, Unit::decibel, Readout::quantity },
    { kOsc3AmpRampStartByVel, "...by Vel", "Osc3 AmpRamp StartByVel", "dB  ", 0,
        affine(24), rampStartByVelocity<MonoGenerator::osc3AmpRamp>, Unit::decibel, Readout::quantity },
    { kO3VolTime, "O3 VolTime", "Osc3 AmpRamp Time", "ms  ", 0,
        affine(2000), rampTime<MonoGenerator::osc3AmpRamp>, Unit::milliseconds, Readout::quantity },
    { kO3VolEnd, "O3 VolEnd", "Osc3 AmpRamp End", "dB  ", 0.8f,
        affine(120, -96), rampEnd<MonoGenerator::osc3AmpRamp>, Unit::decibel, Readout::quantity },
    { kO3PitchStart, "O3 PitchStart", "Osc3 PitchRamp Start", "semitones", 0.5f,
        affine(96, -48), rampStart<MonoGenerator::osc3PitchRamp>, Unit::semitones, Readout::quantity },
    { kOsc3PitchRampStartByVel, "...by Vel", "Osc3 PitchRampStartByVel", "semitones", 0,
        affine(48, -24), rampStartByVelocity<MonoGenerator::osc3PitchRamp>, Unit::semitones, Readout::quantity },
    { kO3PitchTime, "O3 PitchTime", "Osc3 PitchRamp Time", "ms  ", 0,
        affine(2000), rampTime<MonoGenerator::osc3PitchRamp>, Unit::milliseconds, Readout::quantity },
    { kO3PitchEnd, "O3 PitchEnd", "Osc3 PitchRamp End", "semitones", 0.5f,
        affine(96, -48), rampEnd<MonoGenerator::osc3PitchRamp>, Unit::semitones, Readout::quantity },
    { kO3LPF, "O3 LPF", "Osc3 LPF", "Hz", 1,
        exponential(0), lowpass<3>, Unit::hertz, Readout::quantity, ValueText::lowpass },
    { kO3HPF, "O3 HPF", "Osc3 HPF", "Hz", 0,
        exponential(-20), highpass<3>, Unit::hertz, Readout::quantity, ValueText::highpass },
    { kO3PW, "O3 PW", "Osc3 PulseWidth", "%", 0.5f,
        affine(100), pulseWidth3, Unit::percent, Readout::quantity },
    { kO3CoarseTune, "O3 CoarseTune", "Osc3 Tune Coarse", "semitones", 0.5f,
        floored(96, -48), coarseTune3, Unit::semitones, Readout::quantity },
    { kO3FineTune, "O3 FineTune", "Osc3 Tune Fine", "cents", 0.5f,
        affine(100, -50), fineTune3, Unit::cents, Readout::quantity },
    { kRM12Start, "RM12 Start", "RM 1*2 Ramp Start", nullptr, 0,
        affine(120, -96), rampStart<MonoGenerator::rm12Ramp>, Unit::decibel, Readout::quantity },
    { kRM12RampStartByVel, "...by Vel", "RM 1*2 Ramp StartByVel", nullptr, 0,
        affine(24), rampStartByVelocity<MonoGenerator::rm12Ramp>, Unit::decibel, Readout::quantity },
    { kRM12Time, "RM12 Time", "RM 1*2 Ramp Time", nullptr, 0,
        affine(2000), rampTime<MonoGenerator::rm12Ramp>, Unit::milliseconds, Readout::quantity },
    { kRM12End, "RM12 End", "RM 1*2 Ramp End", nullptr, 0,
        affine(120, -96), rampEnd<MonoGenerator::rm12Ramp>, Unit::decibel, Readout::quantity },
    { kRM13Start, "RM13 Start", "RM 1*3 Ramp Start", nullptr, 0,
        affine(120, -96), rampStart<MonoGenerator::rm13Ramp>, Unit::decibel, Readout::quantity },
    { kRM13RampStartByVel, "...by Vel", "RM 1*3 Ramp StartByVel", nullptr, 0,
        affine(24), rampStartByVelocity<MonoGenerator::rm13Ramp>, Unit::decibel, Readout::quantity },
    { kRM13Time, "RM13 Time", "RM 1*3 Ramp Time", nullptr, 0,
        affine(2000), rampTime<MonoGenerator::rm13Ramp>, Unit::milliseconds, Readout::quantity },
    { kRM13End, "RM13 End", "RM 1*3 Ramp End", nullptr, 0,
        affine(120, -96), rampEnd<MonoGenerator::rm13Ramp>, Unit::decibel, Readout::quantity },
    { kRM23Start, "RM23 Start", "RM 2*3 Ramp Start", nullptr, 0,
        affine(120, -96), rampStart<MonoGenerator::rm23Ramp>, Unit::decibel, Readout::quantity },
    { kRM23RampStartByVel, "...by Vel", "RM 2*3 Ramp StartByVel", nullptr, 0,
        affine(24), rampStartByVelocity<MonoGenerator::rm23Ramp>, Unit::decibel, Readout::quantity },
    { kRM23Time, "RM23 Time", "RM 2*3 Ramp Time", nullptr, 0,
        affine(2000), rampTime<MonoGenerator::rm23Ramp>, Unit::milliseconds, Readout::quantity },
    { kRM23End, "RM23 End", "RM 2*3 Ramp End", nullptr, 0,
        affine(120, -96), rampEnd<MonoGenerator::rm23Ramp>, Unit::decibel, Readout::quantity },
    { kFilterMode, "Filter Mode", "Filter Mode", "    ", 0,
        floored(128), filterMode, Unit::none, Readout::none, ValueText::filterMode, nullptr, &kFilterModeMenu },
    { kStages, "Stages", "Filter Stages", "biquads", 0,
        floored(4), stages, Unit::none, Readout::none, ValueText::number, nullptr, &kStagesMenu },
    { kDryWet, "Dry/Wet", "Filter Dry/Wet", "% wet", 1,
        affine(100), filterDryWet, Unit::percent, Readout::quantity },
    { kFilterDryWetByVel, "...by Velo", "Filter Dry/Wet by Vel", "     ", 0,
        affine(100), filterDryWetByVelocity, Unit::percent, Readout::quantity },
    { kCutoff, "Cutoff", "Filter Frequency", "Hz  ", 1,
        exponential(0), cutoff, Unit::hertz, Readout::quantity },
    { kFilterFreqByVel, "...by Vel", "Filter Freq by Vel", "semitones@127", 0.5f,
        affine(96, -48), cutoffByVelocity, Unit::semitones, Readout::quantity },
    { kFilterFMByInput, "...by Input", "Filter-FM by Input", "\t", 0.5f,
        affine(200, -100), cutoffModulationByInput, Unit::none, Readout::quantity },
    { kFilterFMByOutput, "...by Output", "Filter-FM by Output", "\t", 0.5f,
        affine(200, -100), cutoffModulationByOutput, Unit::none, Readout::quantity },
    { kReso, "Reso", "Filter Resonance", "    ", 0,
        affine(9.9, 0.1), resonance, Unit::none, Readout::quantity },
    { kResonanceByVelocity, "...by Velo", "Resonance by Velocity", "factor@127", 0,
        affine(12), resonanceByVelocity, Unit::none, Readout::quantity, ValueText::decibelFactor },
    { kResoModByInput, "...by Input", "Reso-Mod by Input", "\t", 0.5f,
        affine(200, -100), resonanceModulationByInput, Unit::none, Readout::quantity },
    { kResoModByOutput, "...by Output", "Reso-Mod by Output", "\t", 0.5f,
        affine(200, -100), resonanceModulationByOutput, Unit::none, Readout::quantity },
    { kResoByCutoff, "...by Cutoff", "Reso by Cutoff", "factor/oct", 0,
        affine(3), resonanceByCutoff, Unit::none, Readout::quantity, ValueText::decibelFactor },
    { kGain, "Gain", "Gain (for peak & shelf)", "dB  ", 0.5f,
        affine(48, -24), filterGain, Unit::none, Readout::quantity },
    { kFilterDrive, "Drive", "Drive (for Moog & 303)", "dB", 0.5f,
        affine(96, -48), filterDrive, Unit::none, Readout::quantity },
    { kUnused110, nullptr, "ParamTag unknown", nullptr, 0,
        Mapping {}, nullptr, Unit::none, Readout::quantity, ValueText::none },
    { kFatness, "Fatness", "ParamTag unknown", nullptr, 0,
        affine(1), nullptr, Unit::none, Readout::quantity },
    { kKeyTrack, "KeyTrack", "Filter Keytrack", "oct/oct", 0.5f,
        affine(4, -2), keyTrack, Unit::none, Readout::quantity },
    { kRefKey, "RefKey", "Reference Key", "MIDI-Note ", 0.5f,
        floored(127), referenceKey, Unit::none, Readout::quantity, ValueText::noteName },
    { kOversampling, "Oversampling", "ParamTag unknown", "factor", 0,
        floored(63, 1), oversampling, Unit::none, Readout::none },
    { kFiltStart, "FiltStart", "Filt-Env Start", "semitones", 0.5f,
        affine(192, -96), filterEnvStart, Unit::semitones, Readout::quantity },
    { kFiltAttack, "FiltAttack", "Filt-Env  Attack", "ms ", 0,
        affine(2000), filterEnvAttack, Unit::milliseconds, Readout::quantity },
    { kFiltPeak, "FiltPeak", "Filt-Env  Peak", "semitones", 0.5f,
        affine(192, -96), filterEnvPeak, Unit::semitones, Readout::quantity },
    { kFiltEnvPeakByVel, "...by Vel", "Filt-Env  Peak by Vel", "semitones@127", 0,
        affine(48), filterEnvPeakByVelocity, Unit::semitones, Readout::quantity },
    { kFiltHold, "FiltHold", "Filt-Env  Hold", "ms", 0,
        affine(200), filterEnvHold, Unit::milliseconds, Readout::quantity },
    { kFiltDecay, "FiltDecay", "Filt-Env  Decay", "ms ", 0,
        affine(2000), filterEnvDecay, Unit::milliseconds, Readout::quantity },
    { kFiltRelease, "FiltRelease", "Filt-Env  Release", "ms ", 0,
        affine(2000), filterEnvRelease, Unit::milliseconds, Readout::quantity },
    { kFiltEndFreq, "FiltEndFreq", "Filt-Env  End", "semitones ", 0.5f,
        affine(192, -96), filterEnvEnd, Unit::semitones, Readout::quantity },
    { kFiltEnvDurByVel, "FiltEnvDurByVel", "Filt-Env Duration by Vel", "factor@127", 0.5f,
        affine(6, -3), filterEnvDurationByVelocity, Unit::none, Readout::powerOfTwo, ValueText::powerOfTwo },
    { kAmp1Start, "Amp1Start", "Amp-Env 1 Start", "dB ", 0.8f,
        affine(120, -96), envStart<1>, Unit::decibel, Readout::quantity },
    { kAmp1Attack, "Amp1Attack", "Amp-Env 1 Attack", "ms ", 0.001f,
        affine(2000), envAttack<1>, Unit::milliseconds, Readout::quantity },
    { kAmp1Peak, "Amp1Peak", "Amp-Env 1 Peak", "dB ", 0.8f,
        affine(120, -96), ampPeak1, Unit::decibel, Readout::quantity },
    { kAmpEnv1PeakByVel, "...by Vel", "Amp-Env 1 Peak by Vel", "dB@127", 0,
        affine(24), ampPeakByVelocity1, Unit::decibel, Readout::quantity },
    { kAmp1Hold, "Amp1Hold", "Amp-Env 1 Hold", "ms ", 0,
        affine(500), envHold<1>, Unit::milliseconds, Readout::quantity },
    { kAmp1Decay, "Amp1Decay", "Amp-Env 1 Decay", "ms ", 0,
        affine(2000), envDecay<1>, Unit::milliseconds, Readout::quantity },
    { kAmp1Sustain, "Amp1Sustain", "Amp-Env 1 Sustain", "dB ", 0.8f,
        affine(120, -96), envSustain<1>, Unit::decibel, Readout::quantity },
    { kAmp1Release, "Amp1Release", "Amp-Env 1 Release", "ms ", 0.01f,
        affine(2000), envRelease<1>, Unit::milliseconds, Readout::quantity },
    { kDistMode, "Dist Mode", "Distortion Mode", "   ", 0,
        floored(128), distortionMode, Unit::none, Readout::none, ValueText::number, nullptr, &kDistModeMenu },
    { kDistMix, "Dist Mix", "Dist Dry/Wet", "% wet", 1,
        affine(100), distortionMix, Unit::none, Readout::quantity },
    { kDistDryWetByVel, "...by Vel", "Dist Dry/Wet by Vel", "     ", 0,
        affine(100), distortionMixByVelocity, Unit::none, Readout::quantity },
    { kDistDrive, "Drive", "Dist Drive", "dB ", 0.5f,
        affine(96, -48), distortionDrive, Unit::decibel, Readout::quantity },
    { kDCOffset, "DC Offset", "ParamTag unknown", "   ", 0.5f,
        affine(4, -2), distortionDcOffset, Unit::decibel, Readout::quantity },
    { kLowThresh, "Low Thresh", "Dist Lower Threshold", "dB ", 0.5f,
        affine(48, -24), lowerThreshold, Unit::decibel, Readout::quantity },
    { kHighThresh, "High Thresh", "Dist Upper Threshold", "dB ", 0.5f,
        affine(48, -24), upperThreshold, Unit::decibel, Readout::quantity },
    { kLowSat, "Low Sat", "Dist Lower Saturation", "dB ", 0.5f,
        affine(48, -24), lowerSaturation, Unit::decibel, Readout::quantity },
    { kHighSat, "High Sat", "Dist Upper Saturation", "dB ", 0.5f,
        affine(48, -24), upperSaturation, Unit::decibel, Readout::quantity },
    { kLowClamp, "Low Clamp", "Dist Lower Clamp Level", "dB ", 0.5f,
        affine(48, -24), lowerClampLevel, Unit::decibel, Readout::quantity },
    { kHighClamp, "High Clamp", "Dist Upper Clamp Level", "dB ", 0.5f,
        affine(48, -24), upperClampLevel, Unit::decibel, Readout::quantity },
    { kRectify, "Rectify", "Dist Rectification", "   ", 0,
        affine(1), rectification, Unit::none, Readout::quantity },
    { kAmp2Start, "Amp2Start", "Amp-Env 2 Start", "dB ", 0.8f,
        affine(120, -96), envStart<2>, Unit::decibel, Readout::quantity },
    { kAmp2Attack, "Amp2Attack", "Amp-Env 2 Attack", "ms ", 0.001f,
        affine(2000), envAttack<2>, Unit::milliseconds, Readout::quantity },
    { kAmp2Peak, "Amp2Peak", "Amp-Env 2 Peak", "dB ", 0.8f,
        affine(120, -96), ampPeak2, Unit::decibel, Readout::quantity },
    { kAmpEnv2PeakByVel, "...by Velo", "Amp-Env 2 Peak by Vel", "dB@127", 0,
        affine(24), ampPeakByVelocity2, Unit::decibel, Readout::quantity },
    { kAmp2Hold, "Amp2Hold", "Amp-Env 2 Hold", "ms ", 0,
        affine(500), envHold<2>, Unit::milliseconds, Readout::quantity },
    { kAmp2Decay, "Amp2Decay", "Amp-Env 2 Decay", "ms ", 0,
        affine(2000), envDecay<2>, Unit::milliseconds, Readout::quantity },
    { kAmp2Sustain, "Amp2Sustain", "Amp-Env 2 Sustain", "dB ", 0.8f,
        affine(120, -96), envSustain<2>, Unit::decibel, Readout::quantity },
    { kAmp2Release, "Amp2Release", "Amp-Env 2 Release", "ms ", 1,
        affine(2000), envRelease<2>, Unit::milliseconds, Readout::quantity },
    { kO1APF, "O1 APF", "ParamTag unknown", "Hz", 1,
        exponential(-20), allpass<1>, Unit::hertz, Readout::quantity, ValueText::none },
    { kO2APF, "O2 APF", "ParamTag unknown", "Hz", 1,
        exponential(-20), allpass<2>, Unit::hertz, Readout::quantity, ValueText::none },
    { kO3APF, "O3 APF", "ParamTag unknown", "Hz", 1,
        exponential(-20), allpass<3>, Unit::hertz, Readout::quantity, ValueText::none },
    { kO1DetRnd, "O1 DetRnd", "ParamTag unknown", "%", 0,
        affine(100), detuneRandom, Unit::percent, Readout::quantity },
    { kO1DetRndFrq, "O1 DetRndFrq", "ParamTag unknown", "Hz", 0,
        decades(2), nullptr, Unit::none, Readout::none },
    { kDC, "DC", "ParamTag unknown", " ", 0.5f,
        affine(4, -2), filterDcOffset, Unit::none, Readout::quantity },
};

constexpr bool keyedByIndex()
{
    for (int32_t i = 0; i < kNumParameters; ++i)
        if (kParameters[i].index != i)
            return false;
    return true;
}
static_assert(keyedByIndex(), "every row stands at its own index");

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

double readoutValue(int32_t index, float v)
{
    const ParameterInfo* info = parameterInfo(index);
    if (!info)
        return 0.0;
    const double q = quantity(info->mapping, v);
    switch (info->readout) {
    case Readout::quantity:
        return q;
    case Readout::percent:
        return 100.0 * q;
    case Readout::powerOfTwo:
        return std::pow(2.0, q);
    case Readout::none:
        break;
    }
    return 0.0;
}

int32_t menuEntry(int32_t index, float v)
{
    const ParameterInfo* info = parameterInfo(index);
    if (!info || !info->menu)
        return -1;
    // The spacing is a fraction, read as its lower or upper half.
    const double q = quantity(info->mapping, v);
    const int64_t mode = info->text == ValueText::spacing ? (q >= 0.5 ? 1 : 0) : saturateToInt32(q);
    const int64_t entry = mode - info->menu->firstMode;
    return entry >= 0 && entry <= INT32_MAX ? static_cast<int32_t>(entry) : -1;
}

float menuValue(int32_t index, int32_t entry)
{
    const ParameterInfo* info = parameterInfo(index);
    if (!info || !info->menu)
        return 0.0f;
    const ParameterMenu& menu = *info->menu;
    return static_cast<float>(std::min((entry + menu.firstMode + 0.5) / menu.steps, 1.0));
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
