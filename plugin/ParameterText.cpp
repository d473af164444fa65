#include "plugin/ParameterText.h"

#include "dsp/Oscillator.h"
#include "plugin/Parameters.h"
#include "vst2/AudioEffect.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>

namespace {

constexpr const char* kFilterModeNames[] = { "bypass", "LPF", "HPF", "BPF 1", "BPF 2", "BRF", "APF", "Peak",
    "LowShelf", "HighShelf", "Moog LPF", "303 LPF" };
constexpr const char* kModulationModeNames[] = { "off", "preFilt ", "postFilt", "postFilt&Env" };
constexpr const char* kSyncModeNames[] = { "off", "osc 2", "osc 3", "osc 2&3" };
constexpr const char* kPitchClasses[] = { "C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B" };
constexpr const char* kUnitWords[] = { "", "dB", "ms", "semitones", "Hz", "%", "cent", "FM Index", "degrees" };

// What the stages mean under each filter mode.
constexpr const char* kStagesBypass[] = { "0 dB/oct", "0 dB/oct", "0 dB/oct", "0 dB/oct" };
constexpr const char* kStagesPass[] = { "12 dB/oct", "24 dB/oct", "36 dB/oct", "48 dB/oct" };
constexpr const char* kStagesBand[] = { "2*6 dB/oct", "2*12 dB/oct", "2*18 dB/oct", "2*24 dB/oct" };
constexpr const char* kStagesAllpass[] = { "180\xB0 @ Freq", "360\xB0 @ Freq", "540\xB0 @ Freq", "720\xB0 @ Freq" };
constexpr const char* kStagesGain[] = { "Gain as it is", "Gain * 2", "Gain * 3", "Gain * 4" };
constexpr const char* kStagesLadder[] = { "6 dB/oct", "12 dB/oct", "18 dB/oct", "24 dB/oct" };
constexpr std::span<const char* const> kStageTexts[] = { kStagesBypass, kStagesPass, kStagesPass, kStagesBand,
    kStagesBand, kStagesBand, kStagesAllpass, kStagesGain, kStagesGain, kStagesGain, kStagesLadder, kStagesLadder };
static_assert(std::size(kStageTexts) == std::size(kFilterModeNames));

template <size_t count> const char* nameOf(const char* const (&names)[count], int32_t number)
{
    return number >= 0 && static_cast<size_t>(number) < count ? names[number] : nullptr;
}

// Beyond the float range a quantity shows as an infinity.
float narrow(double q)
{
    if (q > static_cast<double>(FLT_MAX))
        return INFINITY;
    if (q < -static_cast<double>(FLT_MAX))
        return -INFINITY;
    return static_cast<float>(q);
}

void writeNumber(double q, char* text) { AudioEffect::float2string(narrow(q), text); }

void writeName(const char* name, char* text) { std::strcpy(text, name ? name : ""); }

} // namespace

std::span<const char* const> stageEntries(int32_t filterMode)
{
    return filterMode >= 0 && static_cast<size_t>(filterMode) < std::size(kStageTexts) ? kStageTexts[filterMode]
                                                                                      : std::span<const char* const> {};
}

const char* filterModeName(int32_t mode) { return nameOf(kFilterModeNames, mode); }
const char* modulationModeName(int32_t mode) { return nameOf(kModulationModeNames, mode); }
const char* syncModeName(int32_t mode) { return nameOf(kSyncModeNames, mode); }

void formatParameterValue(int32_t index, double q, char* text)
{
    *text = 0;
    const ParameterInfo* info = parameterInfo(index);
    if (!info)
        return;
    switch (info->text) {
    case ValueText::number:
        writeNumber(q, text);
        break;
    case ValueText::waveform:
        getWaveformName(saturateToInt32(q), text);
        break;
    case ValueText::lowpass:
        if (q >= 20000.0)
            writeName("bypass", text);
        else
            writeNumber(q, text);
        break;
    case ValueText::highpass:
        if (q == 0.0)
            writeName("bypass", text);
        else
            writeNumber(q, text);
        break;
    case ValueText::spacing:
        writeName(q >= 0.5 ? "lin" : "exp", text);
        break;
    case ValueText::modulationMode:
        writeName(modulationModeName(saturateToInt32(q)), text);
        break;
    case ValueText::syncMode:
        writeName(syncModeName(saturateToInt32(q)), text);
        break;
    case ValueText::filterMode:
        if (const char* name = filterModeName(saturateToInt32(q)))
            writeName(name, text);
        else
            writeNumber(q, text);
        break;
    case ValueText::decibelFactor:
        writeNumber(std::pow(10.0, 0.05 * q), text);
        break;
    case ValueText::powerOfTwo:
        writeNumber(std::pow(2.0, q), text);
        break;
    case ValueText::noteName:
        getNoteName(saturateToInt32(q), text);
        break;
    case ValueText::none:
        break;
    }
}

void getNoteName(int32_t note, char* text)
{
    if (note < 0 || note > 127) {
        std::strcpy(text, "ERR ");
        return;
    }
    char name[8];
    std::snprintf(name, sizeof name, "%s%d", kPitchClasses[note % 12], note / 12 - 1);
    std::snprintf(text, 5, "%-4.4s", name);
}

void convertLongName(float value, char* text)
{
    const ParameterInfo* info = std::fabs(value) < static_cast<float>(kNumParameters)
        ? parameterInfo(static_cast<int32_t>(value))
        : nullptr;
    writeName(info ? info->longName : "ParamTag unknown", text);
}

void convertNumber(float value, char* text) { std::snprintf(text, 48, "%.2f", static_cast<double>(value)); }

void convertPhase(float value, char* text)
{
    const double degrees = static_cast<double>(value) * 360.0;
    if (degrees <= 359.99)
        std::snprintf(text, 48, "%.2f", degrees);
    else
        writeName("free", text);
}

void convertUnit(float value, char* text)
{
    const char* word = std::fabs(value) < 16.0f ? nameOf(kUnitWords, static_cast<int32_t>(value)) : nullptr;
    writeName(word ? word : "UnitTag Unknown", text);
}
