#pragma once

#include "editor/ZarvexPlugEditor.h"
#include "gui/Frame.h"
#include "plugin/Zarvex2Plug.h"

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <string>
#include <typeinfo>
#include <vector>

// A plug-in object with its editor open on an offscreen frame, and a host
// that records the automation it receives. Controls are found the way a user
// sees them: among the views the frame shows.
class EditorFixture : public ::testing::Test {
protected:
    struct Automation {
        int32_t index;
        float value;
    };

    static intptr_t VSTCALLBACK hostCallback(AEffect*, int32_t opcode, int32_t index, intptr_t, void*, float opt)
    {
        if (opcode == audioMasterAutomate) {
            std::lock_guard<std::mutex> lock(automationMutex());
            automations().push_back({ index, opt });
        }
        return opcode == audioMasterVersion ? 2400 : 0;
    }
    static std::vector<Automation>& automations()
    {
        static std::vector<Automation> list;
        return list;
    }
    static std::mutex& automationMutex()
    {
        static std::mutex m;
        return m;
    }

    void SetUp() override
    {
        automations().clear();
        ASSERT_NE(plug->getEditor(), nullptr);
        ASSERT_TRUE(editor().open(nullptr));
    }
    void TearDown() override { editor().close(); }

    ZarvexPlugEditor& editor() { return *static_cast<ZarvexPlugEditor*>(plug->getEditor()); }
    CFrame& frame() { return *editor().getFrame(); }

    std::vector<CView*> shown()
    {
        std::vector<CView*> views;
        for (int i = 0; i < frame().getNbViews(); ++i)
            views.push_back(frame().getView(i));
        return views;
    }

    // The shown views of exactly this type with this tag.
    template <class T> std::vector<T*> all(int tag)
    {
        std::vector<T*> found;
        for (CView* view : shown())
            if (typeid(*view) == typeid(T) && static_cast<CControl*>(view)->getTag() == tag)
                found.push_back(static_cast<T*>(view));
        return found;
    }
    template <class T> T* one(int tag)
    {
        const auto found = all<T>(tag);
        EXPECT_EQ(found.size(), 1u) << "tag " << tag << " on page " << editor().getPage();
        return found.empty() ? nullptr : found.front();
    }
    CAnimKnob* knob(int tag) { return one<CAnimKnob>(tag); }
    COptionMenu* menu(int tag) { return one<COptionMenu>(tag); }
    CParamDisplay* valueDisplay(int tag) { return one<CParamDisplay>(tag); }

    // The text display that sits exactly at r.
    CParamDisplay* displayAt(const CRect& r)
    {
        for (CView* view : shown())
            if (view->getViewSize() == r)
                if (auto* display = dynamic_cast<CParamDisplay*>(view))
                    return display;
        ADD_FAILURE() << "no display at " << r.left << "," << r.top;
        return nullptr;
    }
    std::string nameText() { return displayAt({ 84, 68, 240, 84 })->getText(); }
    std::string valueText() { return displayAt({ 84, 84, 140, 100 })->getText(); }
    std::string unitText() { return displayAt({ 140, 84, 240, 100 })->getText(); }

    // Clicks well apart in time, so that none makes a double-click.
    void click(CPoint where, int buttons = kLButton)
    {
        clock += 1000;
        frame().onMouseDown(where, buttons, clock);
        frame().onMouseUp(where, buttons);
    }
    void doubleClick(CPoint where)
    {
        click(where);
        clock += CFrame::kDoubleClickTime / 2;
        frame().onMouseDown(where, kLButton, clock);
        frame().onMouseUp(where, kLButton);
    }
    static CPoint centre(const CView* view)
    {
        const CRect& r = view->getViewSize();
        return { (r.left + r.right) / 2, (r.top + r.bottom) / 2 };
    }
    // Opens the menu's list and clicks the entry's line.
    void choose(COptionMenu* m, int entry)
    {
        ASSERT_NE(m, nullptr);
        click(centre(m));
        ASSERT_EQ(frame().getOpenMenu(), m);
        const CRect list = frame().menuListRect();
        click({ list.left + 4, list.top + 1 + entry * CFrame::kMenuEntryHeight + CFrame::kMenuEntryHeight / 2 });
        ASSERT_EQ(frame().getOpenMenu(), nullptr);
    }
    void showPage(int page) { choose(menu(ZarvexPlugEditor::kPageSelectorTag), page); }

    bool automationsEmpty()
    {
        std::lock_guard<std::mutex> lock(automationMutex());
        return automations().empty();
    }
    Automation lastAutomation()
    {
        std::lock_guard<std::mutex> lock(automationMutex());
        return automations().empty() ? Automation { -1, -1.0f } : automations().back();
    }
    std::string hostDisplay(int index)
    {
        char text[64] = {};
        plug->getParameterDisplay(index, text);
        return text;
    }

    std::unique_ptr<Zarvex2Plug> plug = std::make_unique<Zarvex2Plug>(hostCallback);
    uint32_t clock = 0;
};
