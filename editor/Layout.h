#pragma once

#include "gui/Geometry.h"
#include "plugin/Parameters.h"

#include <cstdint>
#include <span>

// Where every control of the editor sits, page by page. The bitmap tool paints
// the page backgrounds (boxes, titles, captions, control labels) from these
// numbers and the editor places its controls with them, so the two line up.
//
// Geometry of a place at (x, y) by kind (see the functions below):
// - LargeKnob: the knob is 32 x 32 at (x, y); its value display, width pixels
//   wide and 16 high, is centred under it at y + 40; the label is centred
//   above the knob on baseline y - 4.
// - SmallKnob: 24 x 24 at (x, y), the "...by Vel" knob beside a large knob,
//   labelled on baseline y - 3.
// - OptionMenu: width x 16 at (x, y); a label stands left of it.
// - Slider: width x 16 at (x, y); its value display (48 x 16) follows on the
//   right, the label stands above it.
// Boxes carry their title at the top left; captions name a group of knobs on
// a baseline with a rule below it.
namespace layout {

inline constexpr int kFrameWidth = 856;
inline constexpr int kFrameHeight = 456;
inline constexpr int kLargeKnob = 32;
inline constexpr int kSmallKnob = 24;
inline constexpr int kControlHeight = 16;
inline constexpr int kDisplayWidth = 48;
inline constexpr int kKnobDisplayGap = 8;

enum class Kind : uint8_t { LargeKnob, SmallKnob, OptionMenu, Slider };

struct Box {
    const char* title;
    CRect rect;
};

struct Caption {
    const char* text;
    int16_t left;
    int16_t right;
    int16_t baseline;
};

struct Place {
    ParameterIndex param; // the control's tag
    Kind kind;
    int16_t x;
    int16_t y;
    int16_t width; // of the value display (knobs) or of the control
    const char* label;
};

struct PageLayout {
    const char* name;
    int backgroundId;
    bool compactMenus; // its menus show their compact entries, where they have them
    std::span<const Box> boxes;
    std::span<const Caption> captions;
    std::span<const Place> places;
};

constexpr CRect controlRect(const Place& p)
{
    switch (p.kind) {
    case Kind::LargeKnob:
        return { p.x, p.y, p.x + kLargeKnob, p.y + kLargeKnob };
    case Kind::SmallKnob:
        return { p.x, p.y, p.x + kSmallKnob, p.y + kSmallKnob };
    case Kind::OptionMenu:
    case Kind::Slider:
        break;
    }
    return { p.x, p.y, p.x + p.width, p.y + kControlHeight };
}

// The value display that belongs to the control; empty for menus and small knobs.
constexpr CRect valueDisplayRect(const Place& p)
{
    if (p.kind == Kind::LargeKnob) {
        const int centre = p.x + kLargeKnob / 2;
        const int top = p.y + kLargeKnob + kKnobDisplayGap;
        return { centre - p.width / 2, top, centre + p.width / 2, top + kControlHeight };
    }
    if (p.kind == Kind::Slider)
        return { p.x + p.width + 4, p.y, p.x + p.width + 4 + kDisplayWidth, p.y + kControlHeight };
    return {};
}

// The global strip that every page shows.
inline constexpr CRect kPageSelector { 84, 48, 240, 64 };
inline constexpr CRect kNameDisplay { 84, 68, 240, 84 };
inline constexpr CRect kValueReadout { 84, 84, 140, 100 };
inline constexpr CRect kUnitDisplay { 140, 84, 240, 100 };
inline constexpr CPoint kLogoBaseline { 10, 36 };

inline constexpr Box kGlobalBoxes[] = {
    { "Page", { 80, 4, 244, 118 } },
    { "Master", { 248, 4, 508, 118 } },
    { "Vibrato", { 544, 4, 662, 118 } },
    { "PWM", { 720, 4, 838, 118 } },
};
inline constexpr Place kGlobalPlaces[] = {
    { kVolume, Kind::LargeKnob, 260, 60, 48, "Volume" },
    { kVolByVel, Kind::SmallKnob, 293, 76, 24, "vel" },
    { kSlideTime, Kind::LargeKnob, 336, 60, 48, "Slide" },
    { kAccent, Kind::LargeKnob, 392, 60, 48, "Accent" },
    { kEnvSlope, Kind::LargeKnob, 448, 60, 48, "Env Slope" },
    { kVibWave, Kind::OptionMenu, 551, 32, 104, "" },
    { kVibDepth, Kind::LargeKnob, 559, 60, 48, "Depth" },
    { kVibSpeed, Kind::LargeKnob, 615, 60, 48, "Speed" },
    { kPWMWave, Kind::OptionMenu, 727, 32, 104, "" },
    { kPWMDepth, Kind::LargeKnob, 735, 60, 48, "Depth" },
    { kPWMSpeed, Kind::LargeKnob, 791, 60, 48, "Speed" },
};
inline constexpr Box kOverviewBoxes[] = {
    { "Osc 1", { 4, 122, 172, 216 } },
    { "Osc 2", { 176, 122, 344, 216 } },
    { "Osc 3", { 348, 122, 516, 216 } },
    { "Filter", { 520, 122, 852, 216 } },
    { "Modulation", { 4, 230, 556, 324 } },
    { "Filter Envelope", { 560, 230, 852, 324 } },
    { "Amp Envelope 1", { 12, 338, 304, 432 } },
    { "Distortion", { 308, 338, 548, 432 } },
    { "Amp Envelope 2", { 552, 338, 844, 432 } },
};
inline constexpr Place kOverviewPlaces[] = {
    { kO1VolEnd, Kind::LargeKnob, 20, 156, 48, "Level" },
    { kO1Density, Kind::LargeKnob, 72, 156, 48, "Density" },
    { kO1DetEnd, Kind::LargeKnob, 124, 156, 48, "Detune" },
    { kO1Wave, Kind::OptionMenu, 56, 124, 110, "" },
    { kO2VolEnd, Kind::LargeKnob, 192, 156, 48, "Level" },
    { kO2CoarseTune, Kind::LargeKnob, 244, 156, 48, "Coarse" },
    { kO2FineTune, Kind::LargeKnob, 296, 156, 48, "Fine" },
    { kO2Wave, Kind::OptionMenu, 228, 124, 110, "" },
    { kO3VolEnd, Kind::LargeKnob, 364, 156, 48, "Level" },
    { kO3CoarseTune, Kind::LargeKnob, 416, 156, 48, "Coarse" },
    { kO3FineTune, Kind::LargeKnob, 468, 156, 48, "Fine" },
    { kO3Wave, Kind::OptionMenu, 400, 124, 110, "" },
    { kDryWet, Kind::LargeKnob, 536, 156, 48, "Mix" },
    { kFilterDryWetByVel, Kind::SmallKnob, 569, 172, 24, "vel" },
    { kCutoff, Kind::LargeKnob, 608, 156, 48, "Cutoff" },
    { kFilterFreqByVel, Kind::SmallKnob, 641, 172, 24, "vel" },
    { kReso, Kind::LargeKnob, 680, 156, 48, "Reso" },
    { kResonanceByVelocity, Kind::SmallKnob, 713, 172, 24, "vel" },
    { kGain, Kind::LargeKnob, 752, 156, 48, "Gain" },
    { kFilterDrive, Kind::LargeKnob, 804, 156, 48, "Drive" },
    { kFilterMode, Kind::OptionMenu, 570, 124, 150, "" },
    { kAMbyO2End, Kind::LargeKnob, 20, 264, 48, "AM 2>1" },
    { kAMbyO3End, Kind::LargeKnob, 72, 264, 48, "AM 3>1" },
    { kFMbyO1End, Kind::LargeKnob, 186, 264, 48, "FM 1>1" },
    { kFMbyO2End, Kind::LargeKnob, 238, 264, 48, "FM 2>1" },
    { kFMbyO3End, Kind::LargeKnob, 290, 264, 48, "FM 3>1" },
    { kRM12End, Kind::LargeKnob, 404, 264, 48, "RM 1*2" },
    { kRM13End, Kind::LargeKnob, 456, 264, 48, "RM 1*3" },
    { kRM23End, Kind::LargeKnob, 508, 264, 48, "RM 2*3" },
    { kModulation, Kind::OptionMenu, 88, 232, 90, "" },
    { kSyncToOsc1, Kind::OptionMenu, 218, 232, 96, "sync" },
    { kFiltAttack, Kind::LargeKnob, 576, 264, 48, "Attack" },
    { kFiltPeak, Kind::LargeKnob, 628, 264, 48, "Peak" },
    { kFiltEnvPeakByVel, Kind::SmallKnob, 661, 280, 24, "vel" },
    { kFiltHold, Kind::LargeKnob, 700, 264, 48, "Hold" },
    { kFiltDecay, Kind::LargeKnob, 752, 264, 48, "Decay" },
    { kFiltRelease, Kind::LargeKnob, 804, 264, 48, "Release" },
    { kAmp1Attack, Kind::LargeKnob, 28, 372, 48, "Attack" },
    { kAmp1Peak, Kind::LargeKnob, 80, 372, 48, "Peak" },
    { kAmpEnv1PeakByVel, Kind::SmallKnob, 113, 388, 24, "vel" },
    { kAmp1Decay, Kind::LargeKnob, 152, 372, 48, "Decay" },
    { kAmp1Sustain, Kind::LargeKnob, 204, 372, 48, "Sustain" },
    { kAmp1Release, Kind::LargeKnob, 256, 372, 48, "Release" },
    { kDistMix, Kind::LargeKnob, 324, 372, 48, "Mix" },
    { kDistDryWetByVel, Kind::SmallKnob, 357, 388, 24, "vel" },
    { kDistDrive, Kind::LargeKnob, 396, 372, 48, "Drive" },
    { kDCOffset, Kind::LargeKnob, 448, 372, 48, "DC" },
    { kRectify, Kind::LargeKnob, 500, 372, 48, "Rectify" },
    { kDistMode, Kind::OptionMenu, 380, 340, 150, "" },
    { kAmp2Attack, Kind::LargeKnob, 568, 372, 48, "Attack" },
    { kAmp2Peak, Kind::LargeKnob, 620, 372, 48, "Peak" },
    { kAmpEnv2PeakByVel, Kind::SmallKnob, 653, 388, 24, "vel" },
    { kAmp2Decay, Kind::LargeKnob, 692, 372, 48, "Decay" },
    { kAmp2Sustain, Kind::LargeKnob, 744, 372, 48, "Sustain" },
    { kAmp2Release, Kind::LargeKnob, 796, 372, 48, "Release" },
};
inline constexpr Box kOscillatorsBoxes[] = {
    { "Oscillator 1", { 4, 122, 376, 452 } },
    { "Oscillator 2", { 380, 122, 616, 452 } },
    { "Oscillator 3", { 620, 122, 852, 452 } },
};
inline constexpr Caption kOscillatorsCaptions[] = {
    { "Amp Ramp", 13, 183, 179 },
    { "Pitch Ramp", 197, 367, 179 },
    { "Filters", 13, 163, 265 },
    { "Pulse", 177, 223, 265 },
    { "Detune Ramp", 13, 163, 351 },
    { "Spread", 177, 275, 351 },
    { "Spacing", 289, 367, 351 },
    { "Amp Ramp", 385, 555, 179 },
    { "Pulse", 561, 607, 179 },
    { "Pitch Ramp", 385, 555, 265 },
    { "Tune", 561, 607, 265 },
    { "Filters", 385, 535, 351 },
    { "Tune", 561, 607, 351 },
    { "Amp Ramp", 625, 795, 179 },
    { "Pulse", 801, 847, 179 },
    { "Pitch Ramp", 625, 795, 265 },
    { "Tune", 801, 847, 265 },
    { "Filters", 625, 775, 351 },
    { "Tune", 801, 847, 351 },
};
inline constexpr Place kOscillatorsPlaces[] = {
    { kO1Wave, Kind::OptionMenu, 94, 124, 120, "" },
    { kO1Phase, Kind::Slider, 72, 152, 244, "Start Phase" },
    { kO1VolStart, Kind::LargeKnob, 20, 196, 48, "Start" },
    { kOsc1AmpRampStartByVel, Kind::SmallKnob, 53, 212, 24, "vel" },
    { kO1VolTime, Kind::LargeKnob, 92, 196, 48, "Time" },
    { kO1VolEnd, Kind::LargeKnob, 144, 196, 48, "End" },
    { kO1PitchStart, Kind::LargeKnob, 204, 196, 48, "Start" },
    { kOsc1PitchRampStartByVel, Kind::SmallKnob, 237, 212, 24, "vel" },
    { kO1PitchTime, Kind::LargeKnob, 276, 196, 48, "Time" },
    { kO1PitchEnd, Kind::LargeKnob, 328, 196, 48, "End" },
    { kO1LPF, Kind::LargeKnob, 20, 282, 48, "LPF" },
    { kO1HPF, Kind::LargeKnob, 72, 282, 48, "HPF" },
    { kO1APF, Kind::LargeKnob, 124, 282, 48, "APF" },
    { kO1PW, Kind::LargeKnob, 184, 282, 48, "Width" },
    { kO1DetStart, Kind::LargeKnob, 20, 368, 48, "Start" },
    { kO1DetTime, Kind::LargeKnob, 72, 368, 48, "Time" },
    { kO1DetEnd, Kind::LargeKnob, 124, 368, 48, "End" },
    { kO1Density, Kind::LargeKnob, 184, 368, 48, "Voices" },
    { kO1DetRnd, Kind::LargeKnob, 236, 368, 48, "Random" },
    { kO1DetSpacing, Kind::OptionMenu, 286, 376, 84, "" },
    { kO2Wave, Kind::OptionMenu, 470, 124, 120, "" },
    { kO2Phase, Kind::Slider, 443, 152, 112, "Start Phase" },
    { kO2VolStart, Kind::LargeKnob, 392, 196, 48, "Start" },
    { kOsc2AmpRampStartByVel, Kind::SmallKnob, 425, 212, 24, "vel" },
    { kO2VolTime, Kind::LargeKnob, 464, 196, 48, "Time" },
    { kO2VolEnd, Kind::LargeKnob, 516, 196, 48, "End" },
    { kO2PW, Kind::LargeKnob, 568, 196, 48, "Width" },
    { kO2PitchStart, Kind::LargeKnob, 392, 282, 48, "Start" },
    { kOsc2PitchRampStartByVel, Kind::SmallKnob, 425, 298, 24, "vel" },
    { kO2PitchTime, Kind::LargeKnob, 464, 282, 48, "Time" },
    { kO2PitchEnd, Kind::LargeKnob, 516, 282, 48, "End" },
    { kO2CoarseTune, Kind::LargeKnob, 568, 282, 48, "Coarse" },
    { kO2LPF, Kind::LargeKnob, 392, 368, 48, "LPF" },
    { kO2HPF, Kind::LargeKnob, 444, 368, 48, "HPF" },
    { kO2APF, Kind::LargeKnob, 496, 368, 48, "APF" },
    { kO2FineTune, Kind::LargeKnob, 568, 368, 48, "Fine" },
    { kO3Wave, Kind::OptionMenu, 710, 124, 120, "" },
    { kO3Phase, Kind::Slider, 683, 152, 112, "Start Phase" },
    { kO3VolStart, Kind::LargeKnob, 632, 196, 48, "Start" },
    { kOsc3AmpRampStartByVel, Kind::SmallKnob, 665, 212, 24, "vel" },
    { kO3VolTime, Kind::LargeKnob, 704, 196, 48, "Time" },
    { kO3VolEnd, Kind::LargeKnob, 756, 196, 48, "End" },
    { kO3PW, Kind::LargeKnob, 808, 196, 48, "Width" },
    { kO3PitchStart, Kind::LargeKnob, 632, 282, 48, "Start" },
    { kOsc3PitchRampStartByVel, Kind::SmallKnob, 665, 298, 24, "vel" },
    { kO3PitchTime, Kind::LargeKnob, 704, 282, 48, "Time" },
    { kO3PitchEnd, Kind::LargeKnob, 756, 282, 48, "End" },
    { kO3CoarseTune, Kind::LargeKnob, 808, 282, 48, "Coarse" },
    { kO3LPF, Kind::LargeKnob, 632, 368, 48, "LPF" },
    { kO3HPF, Kind::LargeKnob, 684, 368, 48, "HPF" },
    { kO3APF, Kind::LargeKnob, 736, 368, 48, "APF" },
    { kO3FineTune, Kind::LargeKnob, 808, 368, 48, "Fine" },
};
inline constexpr Box kModulationsBoxes[] = {
    { "Amplitude Modulation", { 4, 122, 380, 228 } },
    { "Modes", { 386, 122, 852, 228 } },
    { "Frequency Modulation", { 146, 232, 710, 338 } },
    { "Ring Modulation", { 146, 342, 710, 448 } },
};
inline constexpr Caption kModulationsCaptions[] = {
    { "Osc 2 -> 1", 13, 183, 151 },
    { "Osc 3 -> 1", 201, 371, 151 },
    { "Osc 1 -> 1", 155, 325, 261 },
    { "Osc 2 -> 1", 343, 513, 261 },
    { "Osc 3 -> 1", 531, 701, 261 },
    { "Osc 1 * 2", 155, 325, 371 },
    { "Osc 1 * 3", 343, 513, 371 },
    { "Osc 2 * 3", 531, 701, 371 },
};
inline constexpr Place kModulationsPlaces[] = {
    { kAMbyO2Start, Kind::LargeKnob, 20, 168, 48, "Start" },
    { kAM21RampStartByVel, Kind::SmallKnob, 53, 184, 24, "vel" },
    { kAMbyO2Time, Kind::LargeKnob, 92, 168, 48, "Time" },
    { kAMbyO2End, Kind::LargeKnob, 144, 168, 48, "End" },
    { kAMbyO3Start, Kind::LargeKnob, 208, 168, 48, "Start" },
    { kAM31RampStartByVel, Kind::SmallKnob, 241, 184, 24, "vel" },
    { kAMbyO3Time, Kind::LargeKnob, 280, 168, 48, "Time" },
    { kAMbyO3End, Kind::LargeKnob, 332, 168, 48, "End" },
    { kModulation, Kind::OptionMenu, 500, 156, 130, "Modulation" },
    { kSyncToOsc1, Kind::OptionMenu, 500, 184, 130, "Sync to Osc 1" },
    { kFMbyO1Start, Kind::LargeKnob, 162, 278, 48, "Start" },
    { kFM11RampStartByVel, Kind::SmallKnob, 195, 294, 24, "vel" },
    { kFMbyO1Time, Kind::LargeKnob, 234, 278, 48, "Time" },
    { kFMbyO1End, Kind::LargeKnob, 286, 278, 48, "End" },
    { kFMbyO2Start, Kind::LargeKnob, 350, 278, 48, "Start" },
    { kFM21RampStartByVel, Kind::SmallKnob, 383, 294, 24, "vel" },
    { kFMbyO2Time, Kind::LargeKnob, 422, 278, 48, "Time" },
    { kFMbyO2End, Kind::LargeKnob, 474, 278, 48, "End" },
    { kFMbyO3Start, Kind::LargeKnob, 538, 278, 48, "Start" },
    { kFM31RampStartByVel, Kind::SmallKnob, 571, 294, 24, "vel" },
    { kFMbyO3Time, Kind::LargeKnob, 610, 278, 48, "Time" },
    { kFMbyO3End, Kind::LargeKnob, 662, 278, 48, "End" },
    { kRM12Start, Kind::LargeKnob, 162, 388, 48, "Start" },
    { kRM12RampStartByVel, Kind::SmallKnob, 195, 404, 24, "vel" },
    { kRM12Time, Kind::LargeKnob, 234, 388, 48, "Time" },
    { kRM12End, Kind::LargeKnob, 286, 388, 48, "End" },
    { kRM13Start, Kind::LargeKnob, 350, 388, 48, "Start" },
    { kRM13RampStartByVel, Kind::SmallKnob, 383, 404, 24, "vel" },
    { kRM13Time, Kind::LargeKnob, 422, 388, 48, "Time" },
    { kRM13End, Kind::LargeKnob, 474, 388, 48, "End" },
    { kRM23Start, Kind::LargeKnob, 538, 388, 48, "Start" },
    { kRM23RampStartByVel, Kind::SmallKnob, 571, 404, 24, "vel" },
    { kRM23Time, Kind::LargeKnob, 610, 388, 48, "Time" },
    { kRM23End, Kind::LargeKnob, 662, 388, 48, "End" },
};
inline constexpr Box kFilterBoxes[] = {
    { "Filter", { 42, 122, 814, 228 } },
    { "Filter Envelope", { 204, 240, 652, 334 } },
};
inline constexpr Caption kFilterCaptions[] = {
    { "Cutoff", 51, 325, 151 },
    { "Resonance", 343, 565, 151 },
    { "Output", 583, 805, 151 },
};
inline constexpr Place kFilterPlaces[] = {
    { kCutoff, Kind::LargeKnob, 58, 168, 48, "Freq" },
    { kFilterFreqByVel, Kind::SmallKnob, 91, 184, 24, "vel" },
    { kKeyTrack, Kind::LargeKnob, 130, 168, 48, "KeyTrack" },
    { kRefKey, Kind::LargeKnob, 182, 168, 48, "RefKey" },
    { kFilterFMByInput, Kind::LargeKnob, 234, 168, 48, "by Input" },
    { kFilterFMByOutput, Kind::LargeKnob, 286, 168, 48, "by Output" },
    { kReso, Kind::LargeKnob, 350, 168, 48, "Amount" },
    { kResonanceByVelocity, Kind::SmallKnob, 383, 184, 24, "vel" },
    { kResoModByInput, Kind::LargeKnob, 422, 168, 48, "by Input" },
    { kResoModByOutput, Kind::LargeKnob, 474, 168, 48, "by Output" },
    { kResoByCutoff, Kind::LargeKnob, 526, 168, 48, "by Cutoff" },
    { kDryWet, Kind::LargeKnob, 590, 168, 48, "Dry/Wet" },
    { kFilterDryWetByVel, Kind::SmallKnob, 623, 184, 24, "vel" },
    { kGain, Kind::LargeKnob, 662, 168, 48, "Gain" },
    { kFilterDrive, Kind::LargeKnob, 714, 168, 48, "Drive" },
    { kDC, Kind::LargeKnob, 766, 168, 48, "DC" },
    { kFilterMode, Kind::OptionMenu, 102, 124, 200, "" },
    { kStages, Kind::OptionMenu, 342, 124, 110, "Stages" },
    { kFiltStart, Kind::LargeKnob, 220, 274, 48, "Start" },
    { kFiltAttack, Kind::LargeKnob, 272, 274, 48, "Attack" },
    { kFiltPeak, Kind::LargeKnob, 324, 274, 48, "Peak" },
    { kFiltEnvPeakByVel, Kind::SmallKnob, 357, 290, 24, "vel" },
    { kFiltHold, Kind::LargeKnob, 396, 274, 48, "Hold" },
    { kFiltDecay, Kind::LargeKnob, 448, 274, 48, "Decay" },
    { kFiltRelease, Kind::LargeKnob, 500, 274, 48, "Release" },
    { kFiltEndFreq, Kind::LargeKnob, 552, 274, 48, "End" },
    { kFiltEnvDurByVel, Kind::LargeKnob, 604, 274, 48, "Dur by Vel" },
};
inline constexpr Box kAmpDistBoxes[] = {
    { "Amp Envelope 1", { 28, 122, 424, 216 } },
    { "Amp Envelope 2", { 432, 122, 828, 216 } },
    { "Distortion", { 134, 236, 722, 342 } },
};
inline constexpr Caption kAmpDistCaptions[] = {
    { "Main", 143, 365, 265 },
    { "Threshold", 383, 481, 265 },
    { "Saturation", 499, 597, 265 },
    { "Clamp", 615, 713, 265 },
};
inline constexpr Place kAmpDistPlaces[] = {
    { kAmp1Start, Kind::LargeKnob, 44, 156, 48, "Start" },
    { kAmp1Attack, Kind::LargeKnob, 96, 156, 48, "Attack" },
    { kAmp1Peak, Kind::LargeKnob, 148, 156, 48, "Peak" },
    { kAmpEnv1PeakByVel, Kind::SmallKnob, 181, 172, 24, "vel" },
    { kAmp1Hold, Kind::LargeKnob, 220, 156, 48, "Hold" },
    { kAmp1Decay, Kind::LargeKnob, 272, 156, 48, "Decay" },
    { kAmp1Sustain, Kind::LargeKnob, 324, 156, 48, "Sustain" },
    { kAmp1Release, Kind::LargeKnob, 376, 156, 48, "Release" },
    { kAmp2Start, Kind::LargeKnob, 448, 156, 48, "Start" },
    { kAmp2Attack, Kind::LargeKnob, 500, 156, 48, "Attack" },
    { kAmp2Peak, Kind::LargeKnob, 552, 156, 48, "Peak" },
    { kAmpEnv2PeakByVel, Kind::SmallKnob, 585, 172, 24, "vel" },
    { kAmp2Hold, Kind::LargeKnob, 624, 156, 48, "Hold" },
    { kAmp2Decay, Kind::LargeKnob, 676, 156, 48, "Decay" },
    { kAmp2Sustain, Kind::LargeKnob, 728, 156, 48, "Sustain" },
    { kAmp2Release, Kind::LargeKnob, 780, 156, 48, "Release" },
    { kDistMix, Kind::LargeKnob, 150, 282, 48, "Dry/Wet" },
    { kDistDryWetByVel, Kind::SmallKnob, 183, 298, 24, "vel" },
    { kDistDrive, Kind::LargeKnob, 222, 282, 48, "Drive" },
    { kDCOffset, Kind::LargeKnob, 274, 282, 48, "DC Offset" },
    { kRectify, Kind::LargeKnob, 326, 282, 48, "Rectify" },
    { kLowThresh, Kind::LargeKnob, 390, 282, 48, "Low" },
    { kHighThresh, Kind::LargeKnob, 442, 282, 48, "High" },
    { kLowSat, Kind::LargeKnob, 506, 282, 48, "Low" },
    { kHighSat, Kind::LargeKnob, 558, 282, 48, "High" },
    { kLowClamp, Kind::LargeKnob, 622, 282, 48, "Low" },
    { kHighClamp, Kind::LargeKnob, 674, 282, 48, "High" },
    { kDistMode, Kind::OptionMenu, 214, 238, 130, "" },
};

inline constexpr PageLayout kGlobalStrip { "", 0, false, kGlobalBoxes, {}, kGlobalPlaces };

inline constexpr PageLayout kPages[] = {
    { "Overview", 128, true, kOverviewBoxes, {}, kOverviewPlaces },
    { "Oscillators", 129, false, kOscillatorsBoxes, kOscillatorsCaptions, kOscillatorsPlaces },
    { "Modulations", 130, false, kModulationsBoxes, kModulationsCaptions, kModulationsPlaces },
    { "Filter", 131, false, kFilterBoxes, kFilterCaptions, kFilterPlaces },
    { "Amp and Dist", 132, false, kAmpDistBoxes, kAmpDistCaptions, kAmpDistPlaces },
};

} // namespace layout
