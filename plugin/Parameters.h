#pragma once

#include <array>
#include <span>
#include <cstdint>

class Zarvex2;

constexpr int32_t kNumParameters = 158;

enum ParameterIndex : int32_t {
    kVolume = 0,
    kVolByVel = 1,
    kMonoPoly = 2,
    kSlideTime = 3,
    kAccent = 4,
    kEnvSlope = 5,
    kVibDepth = 6,
    kVibSpeed = 7,
    kVibWave = 8,
    kPWMDepth = 9,
    kPWMSpeed = 10,
    kPWMWave = 11,
    kDCBlock = 12,
    kO1Wave = 13,
    kO1Phase = 14,
    kO1VolStart = 15,
    kOsc1AmpRampStartByVel = 16,
    kO1VolTime = 17,
    kO1VolEnd = 18,
    kO1PitchStart = 19,
    kOsc1PitchRampStartByVel = 20,
    kO1PitchTime = 21,
    kO1PitchEnd = 22,
    kO1LPF = 23,
    kO1HPF = 24,
    kO1PW = 25,
    kO1Density = 26,
    kO1DetStart = 27,
    kO1DetTime = 28,
    kO1DetEnd = 29,
    kO1DetSpacing = 30,
    kAMbyO2Start = 31,
    kAM21RampStartByVel = 32,
    kAMbyO2Time = 33,
    kAMbyO2End = 34,
    kAMbyO3Start = 35,
    kAM31RampStartByVel = 36,
    kAMbyO3Time = 37,
    kAMbyO3End = 38,
    kFMbyO1Start = 39,
    kFM11RampStartByVel = 40,
    kFMbyO1Time = 41,
    kFMbyO1End = 42,
    kFMbyO2Start = 43,
    kFM21RampStartByVel = 44,
    kFMbyO2Time = 45,
    kFMbyO2End = 46,
    kFMbyO3Start = 47,
    kFM31RampStartByVel = 48,
    kFMbyO3Time = 49,
    kFMbyO3End = 50,
    kModulation = 51,
    kSyncToOsc1 = 52,
    kO2Wave = 53,
    kO2Phase = 54,
    kO2VolStart = 55,
    kOsc2AmpRampStartByVel = 56,
    kO2VolTime = 57,
    kO2VolEnd = 58,
    kO2PitchStart = 59,
    kOsc2PitchRampStartByVel = 60,
    kO2PitchTime = 61,
    kO2PitchEnd = 62,
    kO2LPF = 63,
    kO2HPF = 64,
    kO2PW = 65,
    kO2CoarseTune = 66,
    kO2FineTune = 67,
    kO3Wave = 68,
    kO3Phase = 69,
    kO3VolStart = 70,
    kOsc3AmpRampStartByVel = 71,
    kO3VolTime = 72,
    kO3VolEnd = 73,
    kO3PitchStart = 74,
    kOsc3PitchRampStartByVel = 75,
    kO3PitchTime = 76,
    kO3PitchEnd = 77,
    kO3LPF = 78,
    kO3HPF = 79,
    kO3PW = 80,
    kO3CoarseTune = 81,
    kO3FineTune = 82,
    kRM12Start = 83,
    kRM12RampStartByVel = 84,
    kRM12Time = 85,
    kRM12End = 86,
    kRM13Start = 87,
    kRM13RampStartByVel = 88,
    kRM13Time = 89,
    kRM13End = 90,
    kRM23Start = 91,
    kRM23RampStartByVel = 92,
    kRM23Time = 93,
    kRM23End = 94,
    kFilterMode = 95,
    kStages = 96,
    kDryWet = 97,
    kFilterDryWetByVel = 98,
    kCutoff = 99,
    kFilterFreqByVel = 100,
    kFilterFMByInput = 101,
    kFilterFMByOutput = 102,
    kReso = 103,
    kResonanceByVelocity = 104,
    kResoModByInput = 105,
    kResoModByOutput = 106,
    kResoByCutoff = 107,
    kGain = 108,
    kFilterDrive = 109,
    kUnused110 = 110,
    kFatness = 111,
    kKeyTrack = 112,
    kRefKey = 113,
    kOversampling = 114,
    kFiltStart = 115,
    kFiltAttack = 116,
    kFiltPeak = 117,
    kFiltEnvPeakByVel = 118,
    kFiltHold = 119,
    kFiltDecay = 120,
    kFiltRelease = 121,
    kFiltEndFreq = 122,
    kFiltEnvDurByVel = 123,
    kAmp1Start = 124,
    kAmp1Attack = 125,
    kAmp1Peak = 126,
    kAmpEnv1PeakByVel = 127,
    kAmp1Hold = 128,
    kAmp1Decay = 129,
    kAmp1Sustain = 130,
    kAmp1Release = 131,
    kDistMode = 132,
    kDistMix = 133,
    kDistDryWetByVel = 134,
    kDistDrive = 135,
    kDCOffset = 136,
    kLowThresh = 137,
    kHighThresh = 138,
    kLowSat = 139,
    kHighSat = 140,
    kLowClamp = 141,
    kHighClamp = 142,
    kRectify = 143,
    kAmp2Start = 144,
    kAmp2Attack = 145,
    kAmp2Peak = 146,
    kAmpEnv2PeakByVel = 147,
    kAmp2Hold = 148,
    kAmp2Decay = 149,
    kAmp2Sustain = 150,
    kAmp2Release = 151,
    kO1APF = 152,
    kO2APF = 153,
    kO3APF = 154,
    kO1DetRnd = 155,
    kO1DetRndFrq = 156,
    kDC = 157,
};

// How a normalised value v becomes the parameter's quantity q. v is widened
// to double and the constants are applied in the order the formula shows.
enum class Conversion : uint8_t {
    inert,       // no quantity: the index stores nothing
    affine,      // v*scale + offset
    reciprocal,  // 1 / (v*scale + offset)
    exponential, // scale * 1000^v + offset
    decades,     // 10^(v*scale)
    floored,     // step * floor(v*scale rounded to float) + offset, an integer
    truncated,   // v*scale truncated toward zero, an integer
};

struct Mapping {
    Conversion conversion = Conversion::inert;
    double scale = 0.0;
    double offset = 0.0;
    double step = 1.0;
};

// Which text getParameterDisplay makes of the quantity.
enum class ValueText : uint8_t {
    number,         // the 8-character number
    waveform,       // waveform name
    lowpass,        // "bypass" from 20000 Hz up
    highpass,       // "bypass" at 0 Hz
    spacing,        // "lin" or "exp"
    modulationMode, // modulation mode name, empty beyond
    syncMode,       // sync mode name, empty beyond
    filterMode,     // filter mode name, the number beyond
    decibelFactor,  // the factor 10^(q/20)
    powerOfTwo,     // the factor 2^q
    noteName,       // MIDI note name
    none,           // no text
};

// The unit word the editor shows beside a parameter's read-out, numbered as
// convertUnit numbers them.
enum class Unit : uint8_t { none, decibel, milliseconds, semitones, hertz, percent, cents, fmIndex, degrees };

// What the editor's value read-out and a knob's value display show of the
// quantity q.
enum class Readout : uint8_t {
    none,       // nothing: a menu shows the parameter, or no control does
    quantity,   // q
    percent,    // 100 q
    powerOfTwo, // the factor 2^q
};

// A parameter chosen from a menu: its entries, in the order of the modes they
// name, and how the entries span the normalised value.
struct ParameterMenu {
    std::span<const char* const> entries; // empty: they depend on another parameter
    std::span<const char* const> compactEntries; // for narrow places; empty: the entries
    double steps; // entry e sends the middle of its span, (e + firstMode + 0.5) / steps
    int32_t firstMode; // the mode of entry 0
};

// Hands a parameter's quantity q (or its normalised value v, where that is
// what the engine takes) to the engine, through its setters.
using Receiver = void (*)(Zarvex2& engine, double q, float v);

struct ParameterInfo {
    ParameterIndex index;
    const char* shortName; // nullptr: the index has none
    const char* longName;
    const char* label; // nullptr: the index has none
    float defaultValue; // also the editor's reset value; 0 for the indices the constructor leaves alone
    Mapping mapping;
    Receiver receive; // nullptr: nothing to do on the audio thread
    Unit unit;
    Readout readout;
    ValueText text = ValueText::number;
    // Work done on the setting thread before the change is queued: the
    // waveforms build their tables there, never on the audio thread.
    Receiver prepare = nullptr;
    const ParameterMenu* menu = nullptr; // nullptr: a knob or slider, or no control
};

// The entry of an index, or nullptr outside 0..157.
const ParameterInfo* parameterInfo(int32_t index);

// True for the indices that keep a value (every index but the inert ones).
bool isStoredParameter(int32_t index);

// The quantity the display shows for the normalised value v. Integer
// quantities saturate at the 32-bit range.
double displayQuantity(int32_t index, float v);

// The number the editor's read-out shows for the normalised value v.
double readoutValue(int32_t index, float v);

// The menu entry that names the mode of v, or -1 where no entry does (or the
// parameter has no menu). Entries beyond the menu's count are the caller's to check.
int32_t menuEntry(int32_t index, float v);
// The normalised value a menu entry sends.
float menuValue(int32_t index, int32_t entry);

// The conversion of every integer quantity: truncates toward zero and
// saturates at the 32-bit range; NaN gives 0.
int32_t saturateToInt32(double x);

// Converts v into its engine quantity and hands it to its receiver. A
// non-finite v never reaches the engine. Audio thread.
void applyParameter(Zarvex2& engine, int32_t index, float v);

// The part of a change that is done on the thread that sets it, before it is
// queued for the audio thread. Safe on any thread but the audio thread.
void prepareParameter(Zarvex2& engine, int32_t index, float v);

// The indices the constructor sets, in the order it sets them, and their defaults.
struct ParameterDefault {
    int32_t index;
    float value;
};
constexpr int32_t kConstructorDefaultCount = 153;
extern const std::array<ParameterDefault, kConstructorDefaultCount> kConstructorDefaults;

// Every index with an audio-thread receiver, in the order a full refresh applies them.
std::span<const int32_t> engineRefreshOrder();
