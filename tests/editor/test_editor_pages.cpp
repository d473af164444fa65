#include "tests/editor/EditorFixture.h"

#include "plugin/Parameters.h"

#include <algorithm>
#include <set>
#include <utility>

namespace {

enum Page { kOverview, kOscillators, kModulations, kFilter, kAmpAndDist };

std::vector<int> range(int first, int last)
{
    std::vector<int> r;
    for (int i = first; i <= last; ++i)
        r.push_back(i);
    return r;
}
std::vector<int> join(std::initializer_list<std::vector<int>> parts)
{
    std::vector<int> all;
    for (const auto& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    std::sort(all.begin(), all.end());
    return all;
}

struct Contents {
    std::vector<int> knobs;
    std::vector<int> menus;
    std::vector<int> sliders;
};

// What each page carries besides the global strip.
const Contents kContents[] = {
    { { 18, 26, 29, 58, 66, 67, 73, 81, 82, 34, 38, 42, 46, 50, 86, 90, 94, 97, 99, 103, 108, 109, 116, 117, 119,
          120, 121, 125, 126, 129, 130, 131, 133, 135, 136, 143, 145, 146, 149, 150, 151, 98, 100, 104, 118, 127,
          134, 147 },
        { 13, 53, 68, 51, 52, 95, 132 }, {} },
    { join({ range(15, 29), { 152, 155 }, range(55, 67), { 153 }, range(70, 82), { 154 } }), { 13, 53, 68, 30 },
        { 14, 54, 69 } },
    { join({ range(31, 50), range(83, 94) }), { 51, 52 }, {} },
    { join({ range(97, 109), { 157, 112, 113 }, range(115, 123) }), { 95, 96 }, {} },
    { join({ range(124, 131), range(133, 151) }), { 132 }, {} },
};
const Contents kStrip { { 0, 1, 3, 4, 5, 6, 7, 9, 10 }, { 8, 11, ZarvexPlugEditor::kPageSelectorTag }, {} };

// The velocity amounts, which have small knobs without a value display.
const std::set<int> kByVelocity { 1, 16, 20, 32, 36, 40, 44, 48, 56, 60, 71, 75, 84, 88, 92, 98, 100, 104, 118,
    127, 134, 147 };

struct KnobReset {
    int page;
    int param;
    float value;
};
const KnobReset kResetExceptions[] = { { kOscillators, 20, 0.5f }, { kOscillators, 60, 0.5f },
    { kOscillators, 75, 0.5f }, { kOscillators, 55, 0.0f }, { kOscillators, 70, 0.0f }, { kModulations, 86, 0.8f },
    { kModulations, 90, 0.8f }, { kModulations, 94, 0.8f }, { kOverview, 127, 0.8f }, { kOverview, 147, 0.8f },
    { kOverview, 151, 0.01f }, { kOverview, 145, 0.0f }, { kOverview, 143, 0.5f }, { kAmpAndDist, 145, 0.0f },
    { kAmpAndDist, 143, 0.5f } };

float constructorDefault(int param)
{
    for (const auto& d : kConstructorDefaults)
        if (d.index == param)
            return d.value;
    return 0.0f;
}

float expectedReset(int page, int param)
{
    for (const auto& e : kResetExceptions)
        if (e.page == page && e.param == param)
            return e.value;
    return constructorDefault(param);
}

class EditorPages : public EditorFixture { };

} // namespace

TEST_F(EditorPages, EveryPageShowsItsControlsAndTheStrip)
{
    for (int page = 0; page < ZarvexPlugEditor::kNumPages; ++page) {
        SCOPED_TRACE(page);
        if (page != 0)
            showPage(page);
        ASSERT_EQ(editor().getPage(), page);
        EXPECT_EQ(frame().getBackground().getResourceId(), 128 + page);

        std::vector<std::pair<int, int>> knobs; // tag, size
        std::vector<int> menus, sliders;
        for (CView* view : shown()) {
            if (auto* k = dynamic_cast<CAnimKnob*>(view))
                knobs.emplace_back(k->getTag(), k->getViewSize().width());
            else if (auto* m = dynamic_cast<COptionMenu*>(view))
                menus.push_back(m->getTag());
            else if (auto* s = dynamic_cast<CHorizontalSlider*>(view))
                sliders.push_back(s->getTag());
        }
        std::vector<std::pair<int, int>> wantKnobs;
        for (const auto* c : { &kStrip, &kContents[page] })
            for (int param : c->knobs)
                wantKnobs.emplace_back(param, kByVelocity.count(param) ? 24 : 32);
        std::sort(knobs.begin(), knobs.end());
        std::sort(wantKnobs.begin(), wantKnobs.end());
        EXPECT_EQ(knobs, wantKnobs);
        EXPECT_EQ(join({ menus }), join({ kStrip.menus, kContents[page].menus }));
        EXPECT_EQ(join({ sliders }), join({ kContents[page].sliders }));
    }
}

// Large knobs carry a value display centred below them, sliders one beside
// them, nothing else has one; no two views overlap and all lie on the page.
TEST_F(EditorPages, ValueDisplaysSitByTheirControlsAndNothingOverlaps)
{
    for (int page = 0; page < ZarvexPlugEditor::kNumPages; ++page) {
        SCOPED_TRACE(page);
        showPage(page);
        const auto views = shown();
        for (size_t i = 0; i < views.size(); ++i) {
            const CRect& c = views[i]->getViewSize();
            const int tag = static_cast<CControl*>(views[i])->getTag();
            EXPECT_EQ(c.intersect({ 0, 0, 856, 456 }), c);
            for (size_t j = i + 1; j < views.size(); ++j)
                EXPECT_TRUE(c.intersect(views[j]->getViewSize()).isEmpty()) << tag << " overlaps a neighbour";
            if (typeid(*views[i]) == typeid(CParamDisplay))
                continue;
            const auto displays = all<CParamDisplay>(tag);
            const bool large = typeid(*views[i]) == typeid(CAnimKnob) && c.width() == 32;
            const bool slider = typeid(*views[i]) == typeid(CHorizontalSlider);
            ASSERT_EQ(displays.size(), large || slider ? 1u : 0u) << tag;
            if (large) {
                const CRect& d = displays[0]->getViewSize();
                EXPECT_EQ(d.height(), 16) << tag;
                EXPECT_TRUE(d.width() == 48 || d.width() == 64 || d.width() == 76) << tag;
                EXPECT_GE(d.top, c.bottom) << tag;
                EXPECT_EQ(d.left + d.right, c.left + c.right) << tag << " is not centred";
            } else if (slider) {
                EXPECT_EQ(displays[0]->getViewSize().top, c.top) << tag;
                EXPECT_GE(displays[0]->getViewSize().left, c.right) << tag;
            }
        }
    }
    showPage(kOscillators);
    EXPECT_EQ(one<CHorizontalSlider>(14)->getViewSize(), CRect(72, 152, 316, 168));
    EXPECT_EQ(one<CHorizontalSlider>(54)->getViewSize(), CRect(443, 152, 555, 168));
    EXPECT_EQ(one<CHorizontalSlider>(69)->getViewSize(), CRect(683, 152, 795, 168));
    showPage(kOverview);
    EXPECT_EQ(menu(200)->getViewSize(), CRect(84, 48, 240, 64));
    EXPECT_EQ(knob(0)->getViewSize(), CRect(260, 60, 292, 92));
    EXPECT_EQ(knob(1)->getViewSize(), CRect(293, 76, 317, 100));
    EXPECT_EQ(knob(5)->getViewSize().left, 448);
    EXPECT_EQ(menu(8)->getViewSize(), CRect(551, 32, 655, 48));
    EXPECT_EQ(menu(11)->getViewSize(), CRect(727, 32, 831, 48));
}

TEST_F(EditorPages, KnobsStartAtTheStoredValueAndResetToTheirDefault)
{
    plug->setParameter(kO2VolStart, 0.3f);
    editor().close();
    ASSERT_TRUE(editor().open(nullptr));
    for (int page = 0; page < ZarvexPlugEditor::kNumPages; ++page) {
        SCOPED_TRACE(page);
        showPage(page);
        for (CView* view : shown()) {
            auto* control = static_cast<CControl*>(view);
            if (typeid(*view) != typeid(CAnimKnob) && typeid(*view) != typeid(CHorizontalSlider))
                continue;
            const int tag = control->getTag();
            EXPECT_FLOAT_EQ(control->getValue(), plug->getParameter(tag)) << tag;
            EXPECT_FLOAT_EQ(control->getDefaultValue(), expectedReset(page, tag)) << tag;
            EXPECT_FLOAT_EQ(control->getZoomFactor(), 100.0f) << tag;
        }
    }
    // The reset gesture sends the page's default.
    click(centre(knob(kAmp2Attack)));
    click(centre(knob(kAmp2Attack)), CFrame::kDoubleClickTime / 2);
    EXPECT_EQ(lastAutomation.index, kAmp2Attack);
    EXPECT_FLOAT_EQ(lastAutomation.value, 0.0f);
}
