#include "editor/ZarvexPlugEditor.h"

#include "gui/Frame.h"
#include "gui/Platform.h"
#include "plugin/ParameterText.h"
#include "plugin/Parameters.h"
#include "vst2/AudioEffect.h"

#include <initializer_list>
#include <new>
#include <string>

namespace {

constexpr int kKnobFrames = 101;
// Shift makes a drag or a wheel notch ten times finer.
constexpr float kFineAdjust = 10.0f;

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

// A control resets to its parameter's default.
float defaultOf(int param)
{
    const ParameterInfo* info = parameterInfo(param);
    return info ? info->defaultValue : 0.0f;
}

// Selects the entry of the value's mode, or none where no entry has that mode.
void selectEntry(COptionMenu& menu, int param, float value)
{
    const int32_t entry = menuEntry(param, value);
    menu.setMin(-1.0f);
    menu.setValue(entry >= 0 && entry < menu.getNbEntries() ? float(entry) : -1.0f);
}

// The quantity the plug-in keeps for a menu parameter, as an integer mode.
int modeOf(int param, float value) { return saturateToInt32(displayQuantity(param, value)); }

} // namespace

ZarvexPlugEditor::ZarvexPlugEditor(AudioEffect* effect)
    : AEffGUIEditor(effect)
{
    rect = { 0, 0, int16_t(layout::kFrameHeight), int16_t(layout::kFrameWidth) };
    auto placeAll = [](std::vector<PlacedControl>& controls, const layout::PageLayout& page) {
        controls.reserve(page.places.size());
        for (const layout::Place& place : page.places)
            controls.push_back({ &place, page.compactMenus });
    };
    placeAll(strip, layout::kGlobalStrip);
    for (int page = 0; page < kNumPages; ++page)
        placeAll(pages[size_t(page)], layout::kPages[page]);
    effect->setEditor(this);
}

AEffEditor* ZarvexPlugEditor::create(AudioEffect* effect) { return new (std::nothrow) ZarvexPlugEditor(effect); }

// Closing first ends a gesture in progress while this editor can still report it.
ZarvexPlugEditor::~ZarvexPlugEditor()
{
    if (frame)
        close();
}

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
    frame = new CFrame({ 0, 0, layout::kFrameWidth, layout::kFrameHeight }, parentWindow, this,
        displayScale(parentWindow));
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
            for (const char* entry : placed.entries())
                menu->addEntry(entry);
            styleDisplay(*menu);
            placed.control = menu;
            break;
        }
        }
        if (!placed.isMenu()) {
            placed.control->setDefaultValue(defaultOf(place.param));
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
    if (placed.isMenu()) {
        selectEntry(*static_cast<COptionMenu*>(placed.control), param, value);
        return;
    }
    placed.control->setValue(value);
    if (placed.display)
        placed.display->setValue(
            placed.place->kind == layout::Kind::Slider ? value : float(readoutValue(param, value)));
}

void ZarvexPlugEditor::showReadouts(int index, float value)
{
    nameDisplay->setValue(float(index));
    valueReadout->setValue(float(readoutValue(index, value)));
    unitDisplay->setValue(float(parameterInfo(index)->unit));
}

void ZarvexPlugEditor::relabelStages(int filterMode)
{
    const float stages = effect->getParameter(kStages);
    forEachControl(kStages, [&](const PlacedControl& placed) {
        auto* menu = static_cast<COptionMenu*>(placed.control);
        menu->removeAllEntry();
        for (const char* text : stageEntries(filterMode))
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
    if (parameterInfo(index)->readout != Readout::none)
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
    const float value = placed->isMenu() ? menuValue(tag, static_cast<COptionMenu*>(control)->getCurrent())
                                         : control->getValue();
    effect->setParameterAutomated(tag, value);
}

void ZarvexPlugEditor::controlBeginEdit(CControl* control)
{
    if (find(control))
        effect->beginEdit(control->getTag());
}

void ZarvexPlugEditor::controlEndEdit(CControl* control)
{
    if (find(control))
        effect->endEdit(control->getTag());
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
