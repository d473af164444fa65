#pragma once

#include "editor/Layout.h"
#include "gui/AEffGUIEditor.h"
#include "gui/Bitmap.h"
#include "gui/Controls.h"
#include "plugin/Parameters.h"

#include <array>
#include <span>
#include <vector>

// The plug-in's editor: five pages of controls under a global strip (page
// selector, read-outs of the parameter last changed, master, vibrato and PWM
// controls). Every page's controls exist from open to close; showing a page
// swaps the frame's views without deleting them. Each gesture on a control
// (drag, reset, wheel notch, menu choice) reaches the host as one edit:
// beginEdit, the automated changes, endEdit.
//
// It runs on the host's GUI thread only: the plug-in hands parameter changes
// from other threads over through postParameter.
class ZarvexPlugEditor : public AEffGUIEditor, public CControlListener {
public:
    static constexpr int kNumPages = 5;
    static constexpr int kPageSelectorTag = 200;

    // Registers itself as the plug-in's editor.
    explicit ZarvexPlugEditor(AudioEffect* effect);
    // The plug-in's editor factory: a new editor, or nullptr when there is no memory for one.
    static AEffEditor* create(AudioEffect* effect);
    ~ZarvexPlugEditor() override;

    bool open(void* parentWindow) override;
    void close() override;
    void valueChanged(CControl* control) override;
    void controlBeginEdit(CControl* control) override;
    void controlEndEdit(CControl* control) override;
    // Shows the parameter's stored value on every control of it and, for
    // parameters other than the menu ones, in the three read-outs.
    void setParameter(int index, float value) override;

    int getPage() const { return currentPage; }

private:
    // A control of the strip or of one page, with its value display if it has one.
    struct PlacedControl {
        const layout::Place* place;
        bool compact; // a menu with compact entries, where its parameter has them
        CControl* control = nullptr;
        CParamDisplay* display = nullptr;

        bool isMenu() const { return place->kind == layout::Kind::OptionMenu; }
        // A menu's entries; the stage menu's follow the filter mode instead.
        std::span<const char* const> entries() const
        {
            const ParameterMenu* menu = parameterInfo(place->param)->menu;
            return compact && !menu->compactEntries.empty() ? menu->compactEntries : menu->entries;
        }
    };

    void createControls(std::vector<PlacedControl>& controls);
    void showPage(int page);
    void addToFrame(const std::vector<PlacedControl>& controls);
    void showValue(const PlacedControl& placed, float value);
    void showReadouts(int index, float value);
    // Refills the stage menus with the texts of the filter mode.
    void relabelStages(int filterMode);
    // Every created control of the parameter (of all parameters for -1), strip and pages.
    void forEachControl(int param, auto&& action);
    const PlacedControl* find(const CControl* control);
    std::array<CParamDisplay*, 4> stripDisplays() const
    {
        return { pageSelector, nameDisplay, valueReadout, unitDisplay };
    }

    std::array<CBitmap, kNumPages> backgrounds;
    CBitmap largeKnob;
    CBitmap smallKnob;
    CBitmap sliderHandle;
    CBitmap sliderLong;
    CBitmap sliderShort;

    int currentPage = 0;
    COptionMenu* pageSelector = nullptr;
    CParamDisplay* nameDisplay = nullptr;
    CParamDisplay* valueReadout = nullptr;
    CParamDisplay* unitDisplay = nullptr;
    std::vector<PlacedControl> strip;
    std::array<std::vector<PlacedControl>, kNumPages> pages;
    // Set once open has made every control; setParameter waits for it.
    bool controlsReady = false;
};
