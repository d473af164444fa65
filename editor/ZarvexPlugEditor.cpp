#include "editor/ZarvexPlugEditor.h"

#include "gui/Frame.h"
#include "plugin/ParameterText.h"
#include "plugin/Parameters.h"
#include "vst2/AudioEffect.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <string>

namespace {

enum Page : int { kOverview = 0, kOscillators = 1, kModulations = 2, kFilter = 3, kAmpAndDist = 4 };

constexpr int kKnobFrames = 101;
constexpr float kFineAdjust = 100.0f;

// Every text display: font 3, white on black, no frame.
void styleDisplay(CParamDisplay& display)
{
    display.setFont(kFontDisplay);
    display.setFontColor(kWhiteCColor);
    display.setBackColor(kBlackCColor);
    display.setStyle(kNoFrame);
}

template <void (*convert)(float, char*)> std::string asText(float value)
{
    char text[64];
    convert(value, text);
    return text;
}

// Menu texts. The waveform menus start with "Off" so that every entry's index
// is the number of the waveform it names.
constexpr const char* kLfoWaves[] = { "Off", "White Noise", "Pink Noise", "Sine", "Triangle", "Pulse", "SawUp",
    "SawDown", "PeakUp", "PeakDown", "MoogSaw", "SqrMinusSine", "SinOcts", "SawOcts" };
constexpr const char* kOscWaves[] = { "Off", "White Noise", "Pink Noise", "Sine", "Triangle", "Pulse", "SawUp",
    "SawDown", "PeakUp", "PeakDown", "MoogSaw", "SqrMinusSine", "SinOcts", "SawOcts", "WhiteNoiseCycle",
    "PinkNoiseCycle", "BrownNoiseCycle" };
constexpr const char* kOsc1Waves[] = { "Off", "White Noise", "Pink Noise", "Sine", "Triangle", "Pulse", "SawUp",
    "SawDown", "PeakUp", "PeakDown", "MoogSaw", "SqrMinusSin", "SinOcts", "SawOcts", "WhiteNoiseCycle",
    "PinkNoiseCycle", "BrownNoiseCycle" };
constexpr const char* kSpacings[] = { "exponential", "linear" };
constexpr const char* kModulationsShort[] = { "preFlt", "pstFlt", "pstEnv" };
constexpr const char* kModulationsLong[] = { "pre Filter", "post Filter", "post Envelope" };
constexpr const char* kSyncs[] = { "nothing", "Osc 2", "Osc 3", "Osc 2 & 3" };
constexpr const char* kFilterModesShort[] = { "Bypass", "LPF (R.B.J.)", "HPF (R.B.J.)", "BPF1 (R.B.J.)",
    "BPF2 (R.B.J.)", "BRF (R.B.J.)", "Allpass (R.B.J.)", "Peaking (R.B.J.)", "Low-Shelf (R.B.J.)",
    "High-Shelf (R.B.J.)", "Moog LPF (Kelmori)", "303 LPF (Kelmori)" };
constexpr const char* kFilterModesLong[] = { "Bypass", "LPF (R.B. Johnson)", "HPF (R.B. Johnson)",
    "BPF const skirt (R.B. Johnson)", "BPF const peak (R.B. Johnson)", "BRF (R.B. Johnson)",
    "Allpass (R.B. Johnson)", "Peaking (R.B. Johnson)", "Low-Shelf (R.B. Johnson)", "High-Shelf (R.B. Johnson)",
    "Moog LPF (Kelmori)", "303 LPF (Kelmori)" };
constexpr const char* kDistModes[] = { "bypass", "linear mapping", "tanh mapping" };

constexpr ZarvexPlugEditor::MenuSpec kMenus[] = {
    { ZarvexPlugEditor::kStripPage, kVibWave, kLfoWaves },
    { ZarvexPlugEditor::kStripPage, kPWMWave, kLfoWaves },
    { kOverview, kO1Wave, kOscWaves },
    { kOverview, kO2Wave, kOscWaves },
    { kOverview, kO3Wave, kOscWaves },
    { kOverview, kModulation, kModulationsShort },
    { kOverview, kSyncToOsc1, kSyncs },
    { kOverview, kFilterMode, kFilterModesShort },
    { kOverview, kDistMode, kDistModes },
    { kOscillators, kO1Wave, kOsc1Waves },
    { kOscillators, kO2Wave, kOscWaves },
    { kOscillators, kO3Wave, kOscWaves },
    { kOscillators, kO1DetSpacing, kSpacings },
    { kModulations, kModulation, kModulationsLong },
    { kModulations, kSyncToOsc1, kSyncs },
    { kFilter, kFilterMode, kFilterModesLong },
    { kFilter, kStages, {} },
    { kAmpAndDist, kDistMode, kDistModes },
};

// The stage menu's texts for each filter mode that has a menu entry.
constexpr const char* kStagesBypass[] = { "0 dB/oct", "0 dB/oct", "0 dB/oct", "0 dB/oct" };
constexpr const char* kStagesPass[] = { "12 dB/oct", "24 dB/oct", "36 dB/oct", "48 dB/oct" };
constexpr const char* kStagesBand[] = { "2*6 dB/oct", "2*12 dB/oct", "2*18 dB/oct", "2*24 dB/oct" };
constexpr const char* kStagesAllpass[] = { "180\xB0 @ Freq", "360\xB0 @ Freq", "540\xB0 @ Freq", "720\xB0 @ Freq" };
constexpr const char* kStagesGain[] = { "Gain as it is", "Gain * 2", "Gain * 3", "Gain * 4" };
constexpr const char* kStagesLadder[] = { "6 dB/oct", "12 dB/oct", "18 dB/oct", "24 dB/oct" };
constexpr std::span<const char* const> kStageTexts[] = { kStagesBypass, kStagesPass, kStagesPass, kStagesBand,
    kStagesBand, kStagesBand, kStagesAllpass, kStagesGain, kStagesGain, kStagesGain, kStagesLadder, kStagesLadder };

// Knobs whose reset value differs from the parameter's default.
struct KnobDefault {
    int page;
    int param;
    float value;
};
constexpr KnobDefault kKnobDefaults[] = {
    { kOscillators, kOsc1PitchRampStartByVel, 0.5f },
    { kOscillators, kOsc2PitchRampStartByVel, 0.5f },
    { kOscillators, kOsc3PitchRampStartByVel, 0.5f },
    { kOscillators, kO2VolStart, 0.0f },
    { kOscillators, kO3VolStart, 0.0f },
    { kModulations, kRM12End, 0.8f },
    { kModulations, kRM13End, 0.8f },
    { kModulations, kRM23End, 0.8f },
    { kOverview, kAmpEnv1PeakByVel, 0.8f },
    { kOverview, kAmpEnv2PeakByVel, 0.8f },
    { kOverview, kAmp2Release, 0.01f },
    { kOverview, kAmp2Attack, 0.0f },
    { kOverview, kRectify, 0.5f },
    { kAmpAndDist, kAmp2Attack, 0.0f },
    { kAmpAndDist, kRectify, 0.5f },
};

const ZarvexPlugEditor::MenuSpec* findMenu(int page, int param)
{
    for (const auto& menu : kMenus)
        if (menu.page == page && menu.param == param)
            return &menu;
    return nullptr;
}

float knobDefault(int page, int param)
{
    for (const auto& knob : kKnobDefaults)
        if (knob.page == page && knob.param == param)
            return knob.value;
    const ParameterInfo* info = parameterInfo(param);
    return info ? info->defaultValue : 0.0f;
}

// How a menu parameter's normalised value spans its modes: an entry sends the
// middle of its mode's span, so the plug-in decodes exactly that mode.
struct MenuScale {
    double steps;
    int firstMode; // the mode of entry 0
};

MenuScale menuScale(int param)
{
    switch (param) {
    case kO1DetSpacing:
        return { 2, 0 };
    // The plug-in reads three spans, the last mode only at 1.0. The
    // modulation menu has no entry for mode 0 (off).
    case kModulation:
        return { 3, 1 };
    case kSyncToOsc1:
        return { 3, 0 };
    case kStages:
        return { 4, 0 };
    case kFilterMode:
    case kDistMode:
        return { 128, 0 };
    default: // the waveforms
        return { 512, 0 };
    }
}

float menuValue(int param, int entry)
{
    const MenuScale scale = menuScale(param);
    return static_cast<float>(std::min((entry + scale.firstMode + 0.5) / scale.steps, 1.0));
}

// The mode the plug-in plays for a menu parameter's value: its integer
// quantity, except for the spacing, which the plug-in reads as a fraction.
int modeOf(int param, float value)
{
    if (param == kO1DetSpacing)
        return value >= 0.5f ? 1 : 0;
    return saturateToInt32(displayQuantity(param, value));
}

// Selects the entry of the value's mode, or none where no entry has that mode.
void selectEntry(COptionMenu& menu, int param, float value)
{
    const int64_t entry = int64_t(modeOf(param, value)) - menuScale(param).firstMode;
    menu.setMin(-1.0f);
    menu.setValue(entry >= 0 && entry < menu.getNbEntries() ? float(entry) : -1.0f);
}

// The number the knob displays and the value read-out show, by parameter.
struct DisplayFormula {
    enum class Shape : uint8_t { none, affine, floored, power, reciprocal };
    Shape shape = Shape::none;
    double a = 0.0;
    double b = 0.0;
    double c = 1.0;
    double d = 0.0;
    double base = 0.0;

    double operator()(double x) const
    {
        switch (shape) {
        case Shape::affine:
            return a * x + b;
        case Shape::floored:
            return c * std::floor(a * x + b) + d;
        case Shape::power:
            return c * std::pow(base, a * x + b) + d;
        case Shape::reciprocal:
            return 1.0 / (a * x + b);
        case Shape::none:
            break;
        }
        return 0.0;
    }
};

constexpr DisplayFormula affine(double a, double b = 0.0) { return { DisplayFormula::Shape::affine, a, b }; }
constexpr DisplayFormula floored(double a, double b, double c = 1.0, double d = 0.0)
{
    return { DisplayFormula::Shape::floored, a, b, c, d };
}
constexpr DisplayFormula power(double base, double a, double b, double c = 1.0, double d = 0.0)
{
    return { DisplayFormula::Shape::power, a, b, c, d, base };
}

constexpr auto kDisplayFormulas = [] {
    std::array<DisplayFormula, kNumParameters> f {};
    auto set = [&f](DisplayFormula formula, std::initializer_list<int> indices) {
        for (int i : indices)
            f[size_t(i)] = formula;
    };
    set(affine(120, -96), { 0, 15, 18, 55, 58, 70, 73, 83, 86, 87, 90, 91, 94, 124, 126, 130, 144, 146, 150 });
    set(affine(24), { 1, 16, 56, 71, 84, 88, 92, 127, 147 });
    set(affine(2000), { 17, 21, 28, 33, 37, 41, 45, 49, 57, 61, 72, 76, 85, 89, 93, 116, 120, 121, 125, 129, 131,
                          145, 149, 151 });
    set(affine(1000), { 3 });
    set(affine(500), { 128, 148 });
    set(affine(200), { 119 });
    set(affine(100), { 4, 6, 31, 32, 34, 35, 36, 38, 39, 40, 42, 97, 98, 133, 134, 155 });
    set(affine(50), { 9 });
    set(affine(30), { 43, 46, 47, 50 });
    set(affine(20), { 7, 10 });
    set(affine(15), { 44, 48 });
    set(affine(12), { 27, 29, 104 });
    set(affine(3), { 107 });
    set(affine(96, -48), { 19, 22, 59, 62, 74, 77, 100, 109, 135 });
    set(affine(48, -24), { 20, 60, 75, 108, 137, 138, 139, 140, 141, 142 });
    set(affine(48), { 118 });
    set(affine(192, -96), { 115, 117, 122 });
    set(affine(200, -100), { 101, 102, 105, 106 });
    set(affine(100, -50), { 67, 82 });
    set(affine(4, -2), { 112, 136, 157 });
    set(affine(9.9, 0.1), { 103 });
    set(affine(98, 1), { 25, 65, 80 });
    set(floored(63, 0, 2, 1), { 26 });
    set(floored(96, -48), { 66, 81 });
    set(floored(127, 0), { 113 });
    set(power(1000, 1, 0, 20), { 23, 63, 78, 99, 152, 153, 154 });
    set(power(1000, 1, 0, 20, -20), { 24, 64, 79 });
    set(power(2, 6, -3), { 123 });
    set({ DisplayFormula::Shape::reciprocal, 9, 1 }, { 5 });
    set(affine(360), { 14, 54, 69 });
    set(affine(1), { 110, 111, 143 });
    return f;
}();

// The unit word shown beside the value read-out, by parameter; -1 where the
// read-outs never show the parameter.
constexpr auto kUnitTags = [] {
    std::array<int8_t, kNumParameters> u {};
    u.fill(-1);
    auto set = [&u](int8_t tag, std::initializer_list<int> indices) {
        for (int i : indices)
            u[size_t(i)] = tag;
    };
    set(1, { 0, 1, 15, 16, 18, 55, 56, 58, 70, 71, 73, 83, 84, 86, 87, 88, 90, 91, 92, 94, 124, 126, 127, 130, 135,
               136, 137, 138, 139, 140, 141, 142, 144, 146, 147, 150 });
    set(2, { 3, 17, 21, 28, 33, 37, 41, 45, 49, 57, 61, 72, 76, 85, 89, 93, 116, 119, 120, 121, 125, 128, 129, 131,
               145, 148, 149, 151 });
    set(3, { 19, 20, 22, 27, 29, 59, 60, 62, 66, 74, 75, 77, 81, 100, 115, 117, 118, 122 });
    set(4, { 7, 10, 23, 24, 63, 64, 78, 79, 99, 152, 153, 154 });
    set(5, { 4, 6, 9, 25, 26, 31, 32, 34, 35, 36, 38, 39, 40, 42, 65, 80, 97, 98, 155 });
    set(6, { 67, 82 });
    set(7, { 43, 44, 46, 47, 48, 50 });
    set(8, { 14, 54, 69 });
    set(0, { 5, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111, 112, 113, 123, 133, 134, 143, 157 });
    return u;
}();

float displayValue(int index, float value) { return float(kDisplayFormulas[size_t(index)](double(value))); }

} // namespace

ZarvexPlugEditor::ZarvexPlugEditor(AudioEffect* effect)
    : AEffGUIEditor(effect)
{
    rect = { 0, 0, int16_t(layout::kFrameHeight), int16_t(layout::kFrameWidth) };
    auto placeAll = [](std::vector<PlacedControl>& controls, int page, std::span<const layout::Place> places) {
        controls.reserve(places.size());
        for (const layout::Place& place : places) {
            const bool isMenu = place.kind == layout::Kind::OptionMenu;
            controls.push_back({ &place, isMenu ? findMenu(page, place.param) : nullptr,
                knobDefault(page, place.param) });
        }
    };
    placeAll(strip, kStripPage, layout::kGlobalStrip.places);
    for (int page = 0; page < kNumPages; ++page)
        placeAll(pages[size_t(page)], page, layout::kPages[page].places);
    effect->setEditor(this);
}

ZarvexPlugEditor::~ZarvexPlugEditor() = default;

bool ZarvexPlugEditor::open(void* parentWindow)
{
    // A host that opens twice gets one editor, in the window it gave last.
    if (frame)
        close();
    AEffGUIEditor::open(parentWindow);
    // The artwork is decoded when the first editor of the process opens.
    for (int page = 0; page < kNumPages; ++page)
        backgrounds[size_t(page)] = CBitmap(layout::kPages[page].backgroundId);
    largeKnob = CBitmap(133);
    smallKnob = CBitmap(134);
    sliderHandle = CBitmap(135);
    sliderLong = CBitmap(136);
    sliderShort = CBitmap(137);
    frame = new CFrame({ 0, 0, layout::kFrameWidth, layout::kFrameHeight }, parentWindow, this);
    frame->setBackground(backgrounds[0]);

    pageSelector = new COptionMenu(layout::kPageSelector, this, kPageSelectorTag);
    for (const auto& page : layout::kPages)
        pageSelector->addEntry(page.name);
    nameDisplay = new CParamDisplay(layout::kNameDisplay);
    nameDisplay->setStringConvert(asText<convertLongName>);
    valueReadout = new CParamDisplay(layout::kValueReadout);
    valueReadout->setStringConvert(asText<convertNumber>);
    unitDisplay = new CParamDisplay(layout::kUnitDisplay);
    unitDisplay->setStringConvert(asText<convertUnit>);
    // The frame owns every control from now on, shown or not.
    for (CParamDisplay* display : stripDisplays()) {
        styleDisplay(*display);
        frame->addView(display);
    }
    createControls(strip);
    for (auto& page : pages)
        createControls(page);

    relabelStages(modeOf(kFilterMode, effect->getParameter(kFilterMode)));
    forEachControl(-1, [this](const PlacedControl& placed) {
        showValue(placed, effect->getParameter(placed.place->param));
    });
    // The read-outs start on the master volume.
    showReadouts(kVolume, effect->getParameter(kVolume));
    pageSelector->setCurrent(0);
    showPage(0);
    controlsReady = true;
    return true;
}

void ZarvexPlugEditor::close()
{
    controlsReady = false;
    AEffGUIEditor::close();
    pageSelector = nullptr;
    nameDisplay = nullptr;
    valueReadout = nullptr;
    unitDisplay = nullptr;
    forEachControl(-1, [](PlacedControl& placed) {
        placed.control = nullptr;
        placed.display = nullptr;
    });
    currentPage = 0;
}

void ZarvexPlugEditor::createControls(std::vector<PlacedControl>& controls)
{
    for (PlacedControl& placed : controls) {
        const layout::Place& place = *placed.place;
        const CRect area = layout::controlRect(place);
        switch (place.kind) {
        case layout::Kind::LargeKnob:
            placed.control = new CAnimKnob(area, this, place.param, kKnobFrames, layout::kLargeKnob, largeKnob);
            placed.display = new CParamDisplay(layout::valueDisplayRect(place), nullptr, place.param);
            placed.display->setStringConvert(asText<convertNumber>);
            break;
        case layout::Kind::SmallKnob:
            placed.control = new CAnimKnob(area, this, place.param, kKnobFrames, layout::kSmallKnob, smallKnob);
            break;
        case layout::Kind::Slider:
            placed.control = new CHorizontalSlider(area, this, place.param, sliderHandle,
                place.width == sliderLong.getWidth() ? sliderLong : sliderShort);
            placed.display = new CParamDisplay(layout::valueDisplayRect(place), nullptr, place.param);
            placed.display->setStringConvert(asText<convertPhase>);
            break;
        case layout::Kind::OptionMenu: {
            auto* menu = new COptionMenu(area, this, place.param);
            if (placed.menu)
                for (const char* entry : placed.menu->entries)
                    menu->addEntry(entry);
            styleDisplay(*menu);
            placed.control = menu;
            break;
        }
        }
        if (!placed.menu) {
            placed.control->setDefaultValue(placed.defaultValue);
            placed.control->setZoomFactor(kFineAdjust);
        }
        frame->addView(placed.control);
        if (placed.display) {
            styleDisplay(*placed.display);
            frame->addView(placed.display);
        }
    }
}

void ZarvexPlugEditor::showPage(int page)
{
    if (!frame || page < 0 || page >= kNumPages)
        return;
    currentPage = page;
    frame->removeAll(false);
    frame->setBackground(backgrounds[size_t(page)]);
    for (CParamDisplay* display : stripDisplays())
        frame->addView(display);
    addToFrame(strip);
    addToFrame(pages[size_t(page)]);
    frame->setDirty();
}

void ZarvexPlugEditor::addToFrame(const std::vector<PlacedControl>& controls)
{
    for (const PlacedControl& placed : controls) {
        frame->addView(placed.control);
        frame->addView(placed.display);
    }
}

void ZarvexPlugEditor::showValue(const PlacedControl& placed, float value)
{
    const int param = placed.place->param;
    if (placed.menu) {
        selectEntry(*static_cast<COptionMenu*>(placed.control), param, value);
        return;
    }
    placed.control->setValue(value);
    if (placed.display)
        placed.display->setValue(placed.place->kind == layout::Kind::Slider ? value : displayValue(param, value));
}

void ZarvexPlugEditor::showReadouts(int index, float value)
{
    nameDisplay->setValue(float(index));
    valueReadout->setValue(displayValue(index, value));
    unitDisplay->setValue(float(kUnitTags[size_t(index)]));
}

void ZarvexPlugEditor::relabelStages(int filterMode)
{
    const bool named = filterMode >= 0 && filterMode < int(std::size(kStageTexts));
    const float stages = effect->getParameter(kStages);
    forEachControl(kStages, [&](const PlacedControl& placed) {
        auto* menu = static_cast<COptionMenu*>(placed.control);
        menu->removeAllEntry();
        if (named)
            for (const char* text : kStageTexts[filterMode])
                menu->addEntry(text);
        selectEntry(*menu, kStages, stages);
    });
}

void ZarvexPlugEditor::setParameter(int index, float)
{
    // The stored value is read back: a change recorded off the GUI thread may
    // have been overtaken by a newer one since.
    if (!controlsReady || !frame || !parameterInfo(index))
        return;
    const float value = effect->getParameter(index);
    forEachControl(index, [&](const PlacedControl& placed) { showValue(placed, value); });
    // A new filter mode relabels the stages, whether it came from the menu or from the host.
    if (index == kFilterMode)
        relabelStages(modeOf(kFilterMode, value));
    // Menu parameters and those without a control of their own leave the read-outs.
    if (kDisplayFormulas[size_t(index)].shape != DisplayFormula::Shape::none)
        showReadouts(index, value);
}

void ZarvexPlugEditor::valueChanged(CControl* control)
{
    const int tag = control->getTag();
    if (tag == kPageSelectorTag) {
        showPage(pageSelector->getCurrent());
        return;
    }
    const PlacedControl* placed = find(control);
    if (!placed)
        return;
    const float value = placed->menu ? menuValue(tag, static_cast<COptionMenu*>(control)->getCurrent())
                                     : control->getValue();
    effect->setParameterAutomated(tag, value);
}

void ZarvexPlugEditor::forEachControl(int param, auto&& action)
{
    for (auto* controls : { &strip, &pages[0], &pages[1], &pages[2], &pages[3], &pages[4] })
        for (PlacedControl& placed : *controls)
            if ((param < 0 || placed.place->param == param) && placed.control)
                action(placed);
}

const ZarvexPlugEditor::PlacedControl* ZarvexPlugEditor::find(const CControl* control)
{
    const PlacedControl* found = nullptr;
    forEachControl(-1, [&](const PlacedControl& placed) {
        if (placed.control == control)
            found = &placed;
    });
    return found;
}
