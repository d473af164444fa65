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

TEST_F(EditorPages, LargeKnobsAndSlidersHaveAValueDisplayBelowOrBeside)
{
    for (int page = 0; page < ZarvexPlugEditor::kNumPages; ++page) {
        SCOPED_TRACE(page);
        showPage(page);
        for (CView* view : shown()) {
            auto* control = dynamic_cast<CControl*>(view);
            if (!control || typeid(*view) == typeid(CParamDisplay))
                continue;
            const int tag = control->getTag();
            const auto displays = all<CParamDisplay>(tag);
            const CRect& c = view->getViewSize();
            if (typeid(*view) == typeid(CAnimKnob) && c.width() == 32) {
                ASSERT_EQ(displays.size(), 1u) << tag;
                const CRect& d = displays[0]->getViewSize();
                EXPECT_EQ(d.height(), 16) << tag;
                EXPECT_TRUE(d.width() == 48 || d.width() == 64 || d.width() == 76) << tag;
                EXPECT_GE(d.top, c.bottom) << tag;
                EXPECT_EQ(d.left + d.right, c.left + c.right) << tag << " is not centred";
            } else if (typeid(*view) == typeid(CHorizontalSlider)) {
                ASSERT_EQ(displays.size(), 1u) << tag;
                EXPECT_EQ(displays[0]->getViewSize().top, c.top) << tag;
                EXPECT_GE(displays[0]->getViewSize().left, c.right) << tag;
            } else {
                EXPECT_TRUE(displays.empty()) << tag;
            }
        }
    }
}

TEST_F(EditorPages, NoControlsOverlapAndAllLieOnThePage)
{
    for (int page = 0; page < ZarvexPlugEditor::kNumPages; ++page) {
        SCOPED_TRACE(page);
        showPage(page);
        const auto views = shown();
        for (size_t i = 0; i < views.size(); ++i) {
            const CRect& a = views[i]->getViewSize();
            EXPECT_EQ(a.intersect({ 0, 0, 856, 456 }), a);
            for (size_t j = i + 1; j < views.size(); ++j)
                EXPECT_TRUE(a.intersect(views[j]->getViewSize()).isEmpty())
                    << static_cast<CControl*>(views[i])->getTag() << " overlaps "
                    << static_cast<CControl*>(views[j])->getTag();
        }
    }
}

TEST_F(EditorPages, GlobalStripAndSlidersSitWhereTheyBelong)
{
    EXPECT_EQ(menu(200)->getViewSize(), CRect(84, 48, 240, 64));
    EXPECT_EQ(knob(0)->getViewSize(), CRect(260, 60, 292, 92));
    EXPECT_EQ(knob(1)->getViewSize(), CRect(293, 76, 317, 100));
    EXPECT_EQ(knob(3)->getViewSize().left, 336);
    EXPECT_EQ(knob(4)->getViewSize().left, 392);
    EXPECT_EQ(knob(5)->getViewSize().left, 448);
    EXPECT_EQ(menu(8)->getViewSize(), CRect(551, 32, 655, 48));
    EXPECT_EQ(menu(11)->getViewSize(), CRect(727, 32, 831, 48));
    showPage(kOscillators);
    EXPECT_EQ(one<CHorizontalSlider>(14)->getViewSize(), CRect(72, 152, 316, 168));
    EXPECT_EQ(one<CHorizontalSlider>(54)->getViewSize(), CRect(443, 152, 555, 168));
    EXPECT_EQ(one<CHorizontalSlider>(69)->getViewSize(), CRect(683, 152, 795, 168));
    // The long slider runs on the long background.
    EXPECT_NE(one<CHorizontalSlider>(14)->getViewSize().width(), one<CHorizontalSlider>(54)->getViewSize().width());
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
            auto* control = dynamic_cast<CControl*>(view);
            if (typeid(*view) != typeid(CAnimKnob) && typeid(*view) != typeid(CHorizontalSlider))
                continue;
            const int tag = control->getTag();
            EXPECT_FLOAT_EQ(control->getValue(), plug->getParameter(tag)) << tag;
            EXPECT_FLOAT_EQ(control->getDefaultValue(), expectedReset(page, tag)) << tag;
            EXPECT_FLOAT_EQ(control->getZoomFactor(), 100.0f) << tag;
        }
    }
}

TEST_F(EditorPages, ResetGestureSendsThePageDefault)
{
    showPage(kOscillators);
    // A double-click on the oscillator 2 level start resets it to silence on this page.
    doubleClick(centre(knob(kO2VolStart)));
    EXPECT_EQ(lastAutomation().index, kO2VolStart);
    EXPECT_FLOAT_EQ(lastAutomation().value, 0.0f);
    EXPECT_FLOAT_EQ(plug->getParameter(kO2VolStart), 0.0f);
    // A Ctrl-click on the pitch velocity amount centres it.
    click(centre(knob(kOsc1PitchRampStartByVel)), kLButton | kControl);
    EXPECT_EQ(lastAutomation().index, kOsc1PitchRampStartByVel);
    EXPECT_FLOAT_EQ(lastAutomation().value, 0.5f);
}

TEST_F(EditorPages, PageChoiceIsForgottenWhenTheEditorCloses)
{
    showPage(kAmpAndDist);
    EXPECT_EQ(editor().getPage(), kAmpAndDist);
    EXPECT_EQ(menu(200)->getText(), "Amp and Dist");
    EXPECT_TRUE(automationsEmpty());
    editor().close();
    EXPECT_EQ(editor().getFrame(), nullptr);
    ERect* r = nullptr;
    ASSERT_TRUE(editor().getRect(&r));
    EXPECT_EQ(r->right - r->left, 856);
    EXPECT_EQ(r->bottom - r->top, 456);
    ASSERT_TRUE(editor().open(nullptr));
    EXPECT_EQ(editor().getPage(), kOverview);
    EXPECT_EQ(frame().getBackground().getResourceId(), 128);
    EXPECT_EQ(menu(200)->getText(), "Overview");
    EXPECT_EQ(menu(200)->getNbEntries(), 5);
    EXPECT_EQ(menu(200)->getEntry(2), "Modulations");
    EXPECT_EQ(menu(200)->getEntry(3), "Filter");
}

TEST_F(EditorPages, ClosedEditorIgnoresChangesAndReopensWithThem)
{
    editor().close();
    plug->setParameter(kVibDepth, 0.7f);
    editor().setParameter(kVibDepth, 0.7f);
    editor().idle();
    EXPECT_EQ(editor().getFrame(), nullptr);
    ASSERT_TRUE(editor().open(nullptr));
    EXPECT_FLOAT_EQ(knob(kVibDepth)->getValue(), 0.7f);
    EXPECT_EQ(valueDisplay(kVibDepth)->getText(), "70.00");
}

TEST_F(EditorPages, RepeatedOpeningBuildsTheSameEditor)
{
    showPage(kFilter);
    const int views = frame().getNbViews();
    for (int i = 0; i < 20; ++i) {
        editor().close();
        ASSERT_TRUE(editor().open(nullptr));
        showPage(kFilter);
        ASSERT_EQ(frame().getNbViews(), views);
    }
    // Opened again without a close, it starts over on a new frame.
    ASSERT_TRUE(editor().open(nullptr));
    EXPECT_EQ(editor().getPage(), kOverview);
    showPage(kFilter);
    EXPECT_EQ(frame().getNbViews(), views);
}
