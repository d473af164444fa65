#pragma once

#include "editor/ZarvexPlugEditor.h"
#include "editor/Layout.h"
#include "plugin/Zarvex2Plug.h"
#include "tests/gui/GuiSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

struct EditorAutomation {
    int32_t index = -1;
    float value = -1.0f;
};

// A plug-in object with its editor open on an offscreen frame, and a host
// that records the last automation it receives. Controls are found the way a
// user sees them: among the views the frame shows.
class EditorFixture : public ::testing::Test {
protected:
    static inline EditorAutomation lastAutomation;

    static intptr_t VSTCALLBACK hostCallback(AEffect*, int32_t opcode, int32_t index, intptr_t, void*, float opt)
    {
        if (opcode == audioMasterAutomate)
            lastAutomation = { index, opt };
        return 0;
    }

    void SetUp() override
    {
        lastAutomation = {};
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
    COptionMenu* menu(int tag)
    {
        const auto found = all<COptionMenu>(tag);
        EXPECT_EQ(found.size(), 1u) << "menu " << tag << " on page " << editor().getPage();
        return found.empty() ? nullptr : found.front();
    }

    std::string textAt(const CRect& r)
    {
        for (CView* view : shown())
            if (view->getViewSize() == r)
                return static_cast<CParamDisplay*>(view)->getText();
        ADD_FAILURE() << "no display at " << r.left << "," << r.top;
        return {};
    }
    std::string nameText() { return textAt(layout::kNameDisplay); }
    std::string valueText() { return textAt(layout::kValueReadout); }
    std::string hostDisplay(int index)
    {
        char text[64] = {};
        plug->getParameterDisplay(index, text);
        return text;
    }

    // Clicks far apart in time make no double-click.
    void click(CPoint where)
    {
        clock += 1000;
        frame().onMouseDown(where, kLButton, clock);
        frame().onMouseUp(where, kLButton);
    }
    // Opens the menu's list and clicks the entry's line.
    void choose(COptionMenu* m, int entry)
    {
        ASSERT_NE(m, nullptr);
        click(centre(m->getViewSize()));
        ASSERT_EQ(frame().getOpenMenu(), m);
        const CRect list = frame().menuListRect();
        click({ list.left + 4, list.top + 1 + entry * CFrame::kMenuEntryHeight + CFrame::kMenuEntryHeight / 2 });
    }
    void showPage(int page) { choose(menu(ZarvexPlugEditor::kPageSelectorTag), page); }

    std::unique_ptr<Zarvex2Plug> plug = std::make_unique<Zarvex2Plug>(hostCallback, &ZarvexPlugEditor::create);
    uint32_t clock = 0;
};
