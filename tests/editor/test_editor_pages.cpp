#include "tests/editor/EditorFixture.h"

#include "plugin/Parameters.h"

#include <map>
#include <set>
#include <utility>

namespace {

std::set<int> ids(std::initializer_list<int> singles, std::initializer_list<std::pair<int, int>> spans = {})
{
    std::set<int> s(singles);
    for (auto [first, last] : spans)
        for (int i = first; i <= last; ++i)
            s.insert(i);
    return s;
}

struct Contents {
    std::set<int> knobs, menus, sliders;
};

// What each page carries besides the global strip.
const Contents kContents[] = {
    { ids({ 18, 26, 29, 58, 66, 67, 73, 81, 82, 34, 38, 42, 46, 50, 86, 90, 94, 97, 99, 103, 108, 109, 116, 117, 119,
          120, 121, 125, 126, 129, 130, 131, 133, 135, 136, 143, 145, 146, 149, 150, 151, 98, 100, 104, 118, 127,
          134, 147 }),
        { 13, 53, 68, 51, 52, 95, 132 }, {} },
    { ids({ 152, 153, 154, 155 }, { { 15, 29 }, { 55, 67 }, { 70, 82 } }), { 13, 53, 68, 30 }, { 14, 54, 69 } },
    { ids({}, { { 31, 50 }, { 83, 94 } }), { 51, 52 }, {} },
    { ids({ 157, 112, 113 }, { { 97, 109 }, { 115, 123 } }), { 95, 96 }, {} },
    { ids({}, { { 124, 131 }, { 133, 151 } }), { 132 }, {} },
};
const Contents kStrip { { 0, 1, 3, 4, 5, 6, 7, 9, 10 }, { 8, 11, ZarvexPlugEditor::kPageSelectorTag }, {} };

// The velocity amounts, which have small knobs without a value display.
const std::set<int> kByVelocity { 1, 16, 20, 32, 36, 40, 44, 48, 56, 60, 71, 75, 84, 88, 92, 98, 100, 104, 118,
    127, 134, 147 };

// Where these controls stand, whatever page shows them.
const std::map<int, CRect> kFixedRects { { ZarvexPlugEditor::kPageSelectorTag, { 84, 48, 240, 64 } },
    { 0, { 260, 60, 292, 92 } }, { 1, { 293, 76, 317, 100 } }, { 3, { 336, 60, 368, 92 } },
    { 4, { 392, 60, 424, 92 } }, { 5, { 448, 60, 480, 92 } }, { 8, { 551, 32, 655, 48 } },
    { 11, { 727, 32, 831, 48 } }, { 14, { 72, 152, 316, 168 } }, { 54, { 443, 152, 555, 168 } },
    { 69, { 683, 152, 795, 168 } } };

class EditorPages : public EditorFixture { };

} // namespace

// Every page shows its own controls and the strip's, each in place, none
// overlapping another; large knobs and sliders with a value display; knobs
// and sliders at the stored value.
TEST_F(EditorPages, EveryPageShowsItsControlsInPlaceAtTheirValues)
{
    plug->setParameter(kO2VolStart, 0.3f);
    editor().close();
    ASSERT_TRUE(editor().open(nullptr));
    for (int page = 0; page < ZarvexPlugEditor::kNumPages; ++page) {
        SCOPED_TRACE(page);
        showPage(page);
        ASSERT_EQ(editor().getPage(), page);
        EXPECT_EQ(frame().getBackground().getResourceId(), 128 + page);

        std::set<std::pair<int, int>> knobs, wantKnobs; // tag, size
        std::set<int> menus, sliders, wantMenus = kContents[page].menus;
        const auto views = shown();
        for (size_t i = 0; i < views.size(); ++i) {
            const CRect& c = views[i]->getViewSize();
            auto* control = static_cast<CControl*>(views[i]);
            const int tag = control->getTag();
            EXPECT_EQ(c.intersect({ 0, 0, 856, 456 }), c);
            for (size_t j = i + 1; j < views.size(); ++j)
                EXPECT_TRUE(c.intersect(views[j]->getViewSize()).isEmpty()) << tag << " overlaps a neighbour";
            const std::type_info& type = typeid(*views[i]);
            if (type == typeid(CParamDisplay))
                continue;
            if (kFixedRects.count(tag)) {
                EXPECT_EQ(c, kFixedRects.at(tag)) << tag;
            }
            const bool knob = type == typeid(CAnimKnob), slider = type == typeid(CHorizontalSlider);
            if (knob)
                knobs.emplace(tag, c.width());
            else if (slider)
                sliders.insert(tag);
            else
                menus.insert(tag);
            EXPECT_EQ(all<CParamDisplay>(tag).size(), (knob && c.width() == 32) || slider ? 1u : 0u) << tag;
            if (knob || slider) {
                EXPECT_FLOAT_EQ(control->getValue(), plug->getParameter(tag)) << tag;
            }
        }
        for (const auto* c : { &kStrip, &kContents[page] })
            for (int param : c->knobs)
                wantKnobs.emplace(param, kByVelocity.count(param) ? 24 : 32);
        wantMenus.insert(kStrip.menus.begin(), kStrip.menus.end());
        EXPECT_EQ(knobs, wantKnobs);
        EXPECT_EQ(menus, wantMenus);
        EXPECT_EQ(sliders, kContents[page].sliders);
        for (const CRect& readout : { CRect(84, 68, 240, 84), CRect(84, 84, 140, 100), CRect(140, 84, 240, 100) })
            textAt(readout);
    }
}
