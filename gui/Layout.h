#pragma once

#include "gui/Geometry.h"

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
    int16_t param; // the parameter index, the control's tag
    Kind kind;
    int16_t x;
    int16_t y;
    int16_t width; // of the value display (knobs) or of the control
    const char* label;
};

struct PageLayout {
    const char* name;
    int backgroundId;
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
    { 0, Kind::LargeKnob, 260, 60, 48, "Volume" },
    { 1, Kind::SmallKnob, 293, 76, 24, "vel" },
    { 3, Kind::LargeKnob, 336, 60, 48, "Slide" },
    { 4, Kind::LargeKnob, 392, 60, 48, "Accent" },
    { 5, Kind::LargeKnob, 448, 60, 48, "Env Slope" },
    { 8, Kind::OptionMenu, 551, 32, 104, "" },
    { 6, Kind::LargeKnob, 559, 60, 48, "Depth" },
    { 7, Kind::LargeKnob, 615, 60, 48, "Speed" },
    { 11, Kind::OptionMenu, 727, 32, 104, "" },
    { 9, Kind::LargeKnob, 735, 60, 48, "Depth" },
    { 10, Kind::LargeKnob, 791, 60, 48, "Speed" },
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
    { 18, Kind::LargeKnob, 20, 156, 48, "Level" },
    { 26, Kind::LargeKnob, 72, 156, 48, "Density" },
    { 29, Kind::LargeKnob, 124, 156, 48, "Detune" },
    { 13, Kind::OptionMenu, 56, 124, 110, "" },
    { 58, Kind::LargeKnob, 192, 156, 48, "Level" },
    { 66, Kind::LargeKnob, 244, 156, 48, "Coarse" },
    { 67, Kind::LargeKnob, 296, 156, 48, "Fine" },
    { 53, Kind::OptionMenu, 228, 124, 110, "" },
    { 73, Kind::LargeKnob, 364, 156, 48, "Level" },
    { 81, Kind::LargeKnob, 416, 156, 48, "Coarse" },
    { 82, Kind::LargeKnob, 468, 156, 48, "Fine" },
    { 68, Kind::OptionMenu, 400, 124, 110, "" },
    { 97, Kind::LargeKnob, 536, 156, 48, "Mix" },
    { 98, Kind::SmallKnob, 569, 172, 24, "vel" },
    { 99, Kind::LargeKnob, 608, 156, 48, "Cutoff" },
    { 100, Kind::SmallKnob, 641, 172, 24, "vel" },
    { 103, Kind::LargeKnob, 680, 156, 48, "Reso" },
    { 104, Kind::SmallKnob, 713, 172, 24, "vel" },
    { 108, Kind::LargeKnob, 752, 156, 48, "Gain" },
    { 109, Kind::LargeKnob, 804, 156, 48, "Drive" },
    { 95, Kind::OptionMenu, 570, 124, 150, "" },
    { 34, Kind::LargeKnob, 20, 264, 48, "AM 2>1" },
    { 38, Kind::LargeKnob, 72, 264, 48, "AM 3>1" },
    { 42, Kind::LargeKnob, 186, 264, 48, "FM 1>1" },
    { 46, Kind::LargeKnob, 238, 264, 48, "FM 2>1" },
    { 50, Kind::LargeKnob, 290, 264, 48, "FM 3>1" },
    { 86, Kind::LargeKnob, 404, 264, 48, "RM 1*2" },
    { 90, Kind::LargeKnob, 456, 264, 48, "RM 1*3" },
    { 94, Kind::LargeKnob, 508, 264, 48, "RM 2*3" },
    { 51, Kind::OptionMenu, 88, 232, 90, "" },
    { 52, Kind::OptionMenu, 218, 232, 96, "sync" },
    { 116, Kind::LargeKnob, 576, 264, 48, "Attack" },
    { 117, Kind::LargeKnob, 628, 264, 48, "Peak" },
    { 118, Kind::SmallKnob, 661, 280, 24, "vel" },
    { 119, Kind::LargeKnob, 700, 264, 48, "Hold" },
    { 120, Kind::LargeKnob, 752, 264, 48, "Decay" },
    { 121, Kind::LargeKnob, 804, 264, 48, "Release" },
    { 125, Kind::LargeKnob, 28, 372, 48, "Attack" },
    { 126, Kind::LargeKnob, 80, 372, 48, "Peak" },
    { 127, Kind::SmallKnob, 113, 388, 24, "vel" },
    { 129, Kind::LargeKnob, 152, 372, 48, "Decay" },
    { 130, Kind::LargeKnob, 204, 372, 48, "Sustain" },
    { 131, Kind::LargeKnob, 256, 372, 48, "Release" },
    { 133, Kind::LargeKnob, 324, 372, 48, "Mix" },
    { 134, Kind::SmallKnob, 357, 388, 24, "vel" },
    { 135, Kind::LargeKnob, 396, 372, 48, "Drive" },
    { 136, Kind::LargeKnob, 448, 372, 48, "DC" },
    { 143, Kind::LargeKnob, 500, 372, 48, "Rectify" },
    { 132, Kind::OptionMenu, 380, 340, 150, "" },
    { 145, Kind::LargeKnob, 568, 372, 48, "Attack" },
    { 146, Kind::LargeKnob, 620, 372, 48, "Peak" },
    { 147, Kind::SmallKnob, 653, 388, 24, "vel" },
    { 149, Kind::LargeKnob, 692, 372, 48, "Decay" },
    { 150, Kind::LargeKnob, 744, 372, 48, "Sustain" },
    { 151, Kind::LargeKnob, 796, 372, 48, "Release" },
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
    { 13, Kind::OptionMenu, 94, 124, 120, "" },
    { 14, Kind::Slider, 72, 152, 244, "Start Phase" },
    { 15, Kind::LargeKnob, 20, 196, 48, "Start" },
    { 16, Kind::SmallKnob, 53, 212, 24, "vel" },
    { 17, Kind::LargeKnob, 92, 196, 48, "Time" },
    { 18, Kind::LargeKnob, 144, 196, 48, "End" },
    { 19, Kind::LargeKnob, 204, 196, 48, "Start" },
    { 20, Kind::SmallKnob, 237, 212, 24, "vel" },
    { 21, Kind::LargeKnob, 276, 196, 48, "Time" },
    { 22, Kind::LargeKnob, 328, 196, 48, "End" },
    { 23, Kind::LargeKnob, 20, 282, 48, "LPF" },
    { 24, Kind::LargeKnob, 72, 282, 48, "HPF" },
    { 152, Kind::LargeKnob, 124, 282, 48, "APF" },
    { 25, Kind::LargeKnob, 184, 282, 48, "Width" },
    { 27, Kind::LargeKnob, 20, 368, 48, "Start" },
    { 28, Kind::LargeKnob, 72, 368, 48, "Time" },
    { 29, Kind::LargeKnob, 124, 368, 48, "End" },
    { 26, Kind::LargeKnob, 184, 368, 48, "Voices" },
    { 155, Kind::LargeKnob, 236, 368, 48, "Random" },
    { 30, Kind::OptionMenu, 286, 376, 84, "" },
    { 53, Kind::OptionMenu, 470, 124, 120, "" },
    { 54, Kind::Slider, 443, 152, 112, "Start Phase" },
    { 55, Kind::LargeKnob, 392, 196, 48, "Start" },
    { 56, Kind::SmallKnob, 425, 212, 24, "vel" },
    { 57, Kind::LargeKnob, 464, 196, 48, "Time" },
    { 58, Kind::LargeKnob, 516, 196, 48, "End" },
    { 65, Kind::LargeKnob, 568, 196, 48, "Width" },
    { 59, Kind::LargeKnob, 392, 282, 48, "Start" },
    { 60, Kind::SmallKnob, 425, 298, 24, "vel" },
    { 61, Kind::LargeKnob, 464, 282, 48, "Time" },
    { 62, Kind::LargeKnob, 516, 282, 48, "End" },
    { 66, Kind::LargeKnob, 568, 282, 48, "Coarse" },
    { 63, Kind::LargeKnob, 392, 368, 48, "LPF" },
    { 64, Kind::LargeKnob, 444, 368, 48, "HPF" },
    { 153, Kind::LargeKnob, 496, 368, 48, "APF" },
    { 67, Kind::LargeKnob, 568, 368, 48, "Fine" },
    { 68, Kind::OptionMenu, 710, 124, 120, "" },
    { 69, Kind::Slider, 683, 152, 112, "Start Phase" },
    { 70, Kind::LargeKnob, 632, 196, 48, "Start" },
    { 71, Kind::SmallKnob, 665, 212, 24, "vel" },
    { 72, Kind::LargeKnob, 704, 196, 48, "Time" },
    { 73, Kind::LargeKnob, 756, 196, 48, "End" },
    { 80, Kind::LargeKnob, 808, 196, 48, "Width" },
    { 74, Kind::LargeKnob, 632, 282, 48, "Start" },
    { 75, Kind::SmallKnob, 665, 298, 24, "vel" },
    { 76, Kind::LargeKnob, 704, 282, 48, "Time" },
    { 77, Kind::LargeKnob, 756, 282, 48, "End" },
    { 81, Kind::LargeKnob, 808, 282, 48, "Coarse" },
    { 78, Kind::LargeKnob, 632, 368, 48, "LPF" },
    { 79, Kind::LargeKnob, 684, 368, 48, "HPF" },
    { 154, Kind::LargeKnob, 736, 368, 48, "APF" },
    { 82, Kind::LargeKnob, 808, 368, 48, "Fine" },
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
    { 31, Kind::LargeKnob, 20, 168, 48, "Start" },
    { 32, Kind::SmallKnob, 53, 184, 24, "vel" },
    { 33, Kind::LargeKnob, 92, 168, 48, "Time" },
    { 34, Kind::LargeKnob, 144, 168, 48, "End" },
    { 35, Kind::LargeKnob, 208, 168, 48, "Start" },
    { 36, Kind::SmallKnob, 241, 184, 24, "vel" },
    { 37, Kind::LargeKnob, 280, 168, 48, "Time" },
    { 38, Kind::LargeKnob, 332, 168, 48, "End" },
    { 51, Kind::OptionMenu, 500, 156, 130, "Modulation" },
    { 52, Kind::OptionMenu, 500, 184, 130, "Sync to Osc 1" },
    { 39, Kind::LargeKnob, 162, 278, 48, "Start" },
    { 40, Kind::SmallKnob, 195, 294, 24, "vel" },
    { 41, Kind::LargeKnob, 234, 278, 48, "Time" },
    { 42, Kind::LargeKnob, 286, 278, 48, "End" },
    { 43, Kind::LargeKnob, 350, 278, 48, "Start" },
    { 44, Kind::SmallKnob, 383, 294, 24, "vel" },
    { 45, Kind::LargeKnob, 422, 278, 48, "Time" },
    { 46, Kind::LargeKnob, 474, 278, 48, "End" },
    { 47, Kind::LargeKnob, 538, 278, 48, "Start" },
    { 48, Kind::SmallKnob, 571, 294, 24, "vel" },
    { 49, Kind::LargeKnob, 610, 278, 48, "Time" },
    { 50, Kind::LargeKnob, 662, 278, 48, "End" },
    { 83, Kind::LargeKnob, 162, 388, 48, "Start" },
    { 84, Kind::SmallKnob, 195, 404, 24, "vel" },
    { 85, Kind::LargeKnob, 234, 388, 48, "Time" },
    { 86, Kind::LargeKnob, 286, 388, 48, "End" },
    { 87, Kind::LargeKnob, 350, 388, 48, "Start" },
    { 88, Kind::SmallKnob, 383, 404, 24, "vel" },
    { 89, Kind::LargeKnob, 422, 388, 48, "Time" },
    { 90, Kind::LargeKnob, 474, 388, 48, "End" },
    { 91, Kind::LargeKnob, 538, 388, 48, "Start" },
    { 92, Kind::SmallKnob, 571, 404, 24, "vel" },
    { 93, Kind::LargeKnob, 610, 388, 48, "Time" },
    { 94, Kind::LargeKnob, 662, 388, 48, "End" },
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
    { 99, Kind::LargeKnob, 58, 168, 48, "Freq" },
    { 100, Kind::SmallKnob, 91, 184, 24, "vel" },
    { 112, Kind::LargeKnob, 130, 168, 48, "KeyTrack" },
    { 113, Kind::LargeKnob, 182, 168, 48, "RefKey" },
    { 101, Kind::LargeKnob, 234, 168, 48, "by Input" },
    { 102, Kind::LargeKnob, 286, 168, 48, "by Output" },
    { 103, Kind::LargeKnob, 350, 168, 48, "Amount" },
    { 104, Kind::SmallKnob, 383, 184, 24, "vel" },
    { 105, Kind::LargeKnob, 422, 168, 48, "by Input" },
    { 106, Kind::LargeKnob, 474, 168, 48, "by Output" },
    { 107, Kind::LargeKnob, 526, 168, 48, "by Cutoff" },
    { 97, Kind::LargeKnob, 590, 168, 48, "Dry/Wet" },
    { 98, Kind::SmallKnob, 623, 184, 24, "vel" },
    { 108, Kind::LargeKnob, 662, 168, 48, "Gain" },
    { 109, Kind::LargeKnob, 714, 168, 48, "Drive" },
    { 157, Kind::LargeKnob, 766, 168, 48, "DC" },
    { 95, Kind::OptionMenu, 102, 124, 200, "" },
    { 96, Kind::OptionMenu, 342, 124, 110, "Stages" },
    { 115, Kind::LargeKnob, 220, 274, 48, "Start" },
    { 116, Kind::LargeKnob, 272, 274, 48, "Attack" },
    { 117, Kind::LargeKnob, 324, 274, 48, "Peak" },
    { 118, Kind::SmallKnob, 357, 290, 24, "vel" },
    { 119, Kind::LargeKnob, 396, 274, 48, "Hold" },
    { 120, Kind::LargeKnob, 448, 274, 48, "Decay" },
    { 121, Kind::LargeKnob, 500, 274, 48, "Release" },
    { 122, Kind::LargeKnob, 552, 274, 48, "End" },
    { 123, Kind::LargeKnob, 604, 274, 48, "Dur by Vel" },
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
    { 124, Kind::LargeKnob, 44, 156, 48, "Start" },
    { 125, Kind::LargeKnob, 96, 156, 48, "Attack" },
    { 126, Kind::LargeKnob, 148, 156, 48, "Peak" },
    { 127, Kind::SmallKnob, 181, 172, 24, "vel" },
    { 128, Kind::LargeKnob, 220, 156, 48, "Hold" },
    { 129, Kind::LargeKnob, 272, 156, 48, "Decay" },
    { 130, Kind::LargeKnob, 324, 156, 48, "Sustain" },
    { 131, Kind::LargeKnob, 376, 156, 48, "Release" },
    { 144, Kind::LargeKnob, 448, 156, 48, "Start" },
    { 145, Kind::LargeKnob, 500, 156, 48, "Attack" },
    { 146, Kind::LargeKnob, 552, 156, 48, "Peak" },
    { 147, Kind::SmallKnob, 585, 172, 24, "vel" },
    { 148, Kind::LargeKnob, 624, 156, 48, "Hold" },
    { 149, Kind::LargeKnob, 676, 156, 48, "Decay" },
    { 150, Kind::LargeKnob, 728, 156, 48, "Sustain" },
    { 151, Kind::LargeKnob, 780, 156, 48, "Release" },
    { 133, Kind::LargeKnob, 150, 282, 48, "Dry/Wet" },
    { 134, Kind::SmallKnob, 183, 298, 24, "vel" },
    { 135, Kind::LargeKnob, 222, 282, 48, "Drive" },
    { 136, Kind::LargeKnob, 274, 282, 48, "DC Offset" },
    { 143, Kind::LargeKnob, 326, 282, 48, "Rectify" },
    { 137, Kind::LargeKnob, 390, 282, 48, "Low" },
    { 138, Kind::LargeKnob, 442, 282, 48, "High" },
    { 139, Kind::LargeKnob, 506, 282, 48, "Low" },
    { 140, Kind::LargeKnob, 558, 282, 48, "High" },
    { 141, Kind::LargeKnob, 622, 282, 48, "Low" },
    { 142, Kind::LargeKnob, 674, 282, 48, "High" },
    { 132, Kind::OptionMenu, 214, 238, 130, "" },
};

inline constexpr PageLayout kGlobalStrip { "", 0, kGlobalBoxes, {}, kGlobalPlaces };

inline constexpr PageLayout kPages[] = {
    { "Overview", 128, kOverviewBoxes, {}, kOverviewPlaces },
    { "Oscillators", 129, kOscillatorsBoxes, kOscillatorsCaptions, kOscillatorsPlaces },
    { "Modulations", 130, kModulationsBoxes, kModulationsCaptions, kModulationsPlaces },
    { "Filter", 131, kFilterBoxes, kFilterCaptions, kFilterPlaces },
    { "Amp and Dist", 132, kAmpDistBoxes, kAmpDistCaptions, kAmpDistPlaces },
};

} // namespace layout
