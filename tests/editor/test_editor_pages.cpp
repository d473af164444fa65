#include "tests/editor/EditorFixture.h"

#include "plugin/Parameters.h"

#include <map>

namespace {

class EditorPages : public EditorFixture { };

} // namespace

// Every page, the last too, shows the strip's controls and its own where the
// layout puts them, at their stored values, none overlapping another, each
// drawing something over the page's background.
TEST_F(EditorPages, EveryPageShowsItsControlsInPlaceAtTheirValues)
{
    plug->setParameter(kO2VolStart, 0.3f);
    editor().close();
    ASSERT_TRUE(editor().open(nullptr));
    for (int page = 0; page < ZarvexPlugEditor::kNumPages; ++page) {
        SCOPED_TRACE(page);
        showPage(page);
        ASSERT_EQ(editor().getPage(), page);
        EXPECT_EQ(frame().getBackground().getResourceId(), layout::kPages[page].backgroundId);
        std::multimap<int, const layout::Place*> wanted;
        for (const auto* part : { &layout::kGlobalStrip, &layout::kPages[page] })
            for (const layout::Place& p : part->places)
                wanted.emplace(p.param, &p);

        frame().redraw();
        CFrame bare(frame().getViewSize());
        bare.setBackground(frame().getBackground());
        bare.redraw();
        const auto views = shown();
        for (size_t i = 0; i < views.size(); ++i) {
            const CRect& r = views[i]->getViewSize();
            auto* control = static_cast<CControl*>(views[i]);
            const int tag = control->getTag();
            for (size_t j = i + 1; j < views.size(); ++j)
                EXPECT_TRUE(r.intersect(views[j]->getViewSize()).isEmpty()) << tag << " overlaps a neighbour";
            int drawn = 0;
            for (int y = r.top; y < r.bottom; ++y)
                for (int x = r.left; x < r.right; ++x)
                    drawn += frame().image().pixel(x, y) != bare.image().pixel(x, y);
            EXPECT_GT(drawn, 0) << "nothing drawn for " << tag;
            if (typeid(*views[i]) == typeid(CParamDisplay) || tag == ZarvexPlugEditor::kPageSelectorTag)
                continue;
            auto at = wanted.find(tag);
            ASSERT_NE(at, wanted.end()) << tag << " is not on this page";
            const layout::Place& p = *at->second;
            wanted.erase(at);
            EXPECT_EQ(r, layout::controlRect(p)) << tag;
            const bool menu = p.kind == layout::Kind::OptionMenu;
            EXPECT_EQ(typeid(*views[i]) == typeid(COptionMenu), menu) << tag;
            const auto displays = all<CParamDisplay>(tag);
            ASSERT_EQ(displays.size(), layout::valueDisplayRect(p).isEmpty() ? 0u : 1u) << tag;
            if (!displays.empty()) {
                EXPECT_EQ(displays[0]->getViewSize(), layout::valueDisplayRect(p)) << tag;
            }
            if (!menu) {
                EXPECT_FLOAT_EQ(control->getValue(), plug->getParameter(tag)) << tag;
            }
        }
        EXPECT_TRUE(wanted.empty()) << wanted.size() << " controls missing, the first for " << wanted.begin()->first;
        for (const CRect& readout : { layout::kPageSelector, layout::kNameDisplay, layout::kValueReadout, layout::kUnitDisplay })
            textAt(readout);
    }
}
