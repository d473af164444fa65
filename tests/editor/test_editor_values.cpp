#include "editor/Layout.h"
#include "editor/ZarvexPlugEditor.h"
#include "plugin/ParameterText.h"
#include "plugin/Parameters.h"
#include "plugin/Programs.h"
#include "plugin/Zarvex2Plug.h"
#include "tests/gui/GuiSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <bit>
#include <cctype>
#include <cmath>
#include <map>
#include <memory>
#include <new>
#include <set>
#include <thread>
#include <typeinfo>

namespace {

enum Page { kOverview, kOscillators, kModulations, kFilter, kAmpAndDist };

// The editor is told from the program bank by its size.
static_assert(sizeof(ZarvexPlugEditor) != sizeof(ProgramBank));

// While set, the allocation of an editor fails as it would when memory runs out.
std::atomic<bool> editorAllocationFails { false };

// A host that records the parameter it last heard automated.
int32_t automated = -1;
intptr_t VSTCALLBACK hostCallback(AEffect*, int32_t opcode, int32_t index, intptr_t, void*, float)
{
    if (opcode == audioMasterAutomate)
        automated = index;
    return 0;
}

// A plug-in object with its editor open on an offscreen frame. Controls are
// found the way a user sees them: among the views the frame shows.
class EditorValues : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(editor().open(nullptr)); }
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
    COptionMenu* menu(int tag) { return all<COptionMenu>(tag).at(0); }

    std::string textAt(const CRect& r)
    {
        for (CView* view : shown())
            if (view->getViewSize() == r)
                return static_cast<CParamDisplay*>(view)->getText();
        ADD_FAILURE() << "no display at " << r.left << "," << r.top;
        return {};
    }
    std::string valueText() { return textAt(layout::kValueReadout); }

    // Opens the menu's list and clicks the entry's line.
    void choose(COptionMenu* m, int entry)
    {
        click(frame(), centre(m->getViewSize()));
        ASSERT_EQ(frame().getOpenMenu(), m);
        const CRect list = frame().menuListRect();
        const int height = CFrame::kMenuEntryHeight;
        click(frame(), { list.left + 4, list.top + 1 + entry * height + height / 2 });
    }
    void showPage(int page) { choose(menu(ZarvexPlugEditor::kPageSelectorTag), page); }

    std::unique_ptr<Zarvex2Plug> plug = std::make_unique<Zarvex2Plug>(hostCallback, &ZarvexPlugEditor::create);

    // What the filter page shows, read-outs and stage menu included, and the value of each control.
    std::vector<uint32_t> picture()
    {
        showPage(kFilter);
        frame().redraw();
        const CImage& image = frame().image();
        std::vector<uint32_t> all(image.data(), image.data() + image.width() * image.height());
        for (CView* view : shown())
            all.push_back(std::bit_cast<uint32_t>(static_cast<CControl*>(view)->getValue()));
        return all;
    }
};

} // namespace

void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    if (editorAllocationFails && size == sizeof(ZarvexPlugEditor))
        return nullptr;
    try {
        return ::operator new(size);
    } catch (...) {
        return nullptr;
    }
}

// Wherever the read-out and the host's text show the same quantity, they
// agree: at every exact host step of 96, 127 and 128 and across the range.
TEST_F(EditorValues, ReadoutsAgreeWithTheHostDisplay)
{
    std::vector<float> values;
    for (auto [steps, stride] : { std::pair { 96, 1 }, { 127, 1 }, { 128, 1 }, { 1000, 7 } })
        for (int k = 0; k <= steps; k += stride)
            values.push_back(float(k) / float(steps));
    int compared = 0;
    for (int index = 0; index < kNumParameters; ++index) {
        const ParameterInfo& info = *parameterInfo(index);
        // The host shows the dB of these as a factor: another quantity.
        if (info.readout == Readout::none || info.text == ValueText::decibelFactor)
            continue;
        const double scale = info.readout == Readout::percent ? 100.0 : 1.0;
        for (float v : values) {
            plug->setParameter(index, v);
            char text[64] = {};
            plug->getParameterDisplay(index, text);
            const std::string shown = valueText(), host = text;
            SCOPED_TRACE(testing::Message() << "parameter " << index << " at " << v << ": " << shown << " / " << host);
            if (info.text == ValueText::noteName) {
                char name[8];
                getNoteName(std::stoi(shown), name);
                EXPECT_EQ(name, host);
                ++compared;
            } else if (!host.empty() && (std::isdigit(host[0]) || host[0] == '-')) { // not "bypass"
                // The host's eight characters are cut, the read-out's two decimals rounded.
                const size_t point = host.find('.');
                const double cut = point == std::string::npos ? 1.0 : std::pow(10.0, -double(host.size() - point - 1));
                EXPECT_NEAR(std::stod(shown), scale * std::stod(host), 0.005 + scale * cut + 1e-6);
                ++compared;
            }
        }
    }
    EXPECT_GT(compared, 50000);
}

// Every page shows the strip's controls and its own where the layout puts
// them, none overlapping another, each drawing over the page's background and
// following the host; a knob's value display shows what the read-out shows.
TEST_F(EditorValues, EveryPageShowsItsControlsInPlaceAtTheirValues)
{
    for (int page = 0; page < ZarvexPlugEditor::kNumPages; ++page) {
        SCOPED_TRACE(page);
        showPage(page);
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
            int drawn = 0, atRightEnd = 0; // a slider's track reaches its right end
            for (int y = r.top; y < r.bottom; ++y)
                for (int x = r.left; x < r.right; ++x) {
                    const bool differs = frame().image().pixel(x, y) != bare.image().pixel(x, y);
                    drawn += differs;
                    atRightEnd += differs && x == r.right - 4;
                }
            EXPECT_GT(drawn, 0) << "nothing drawn for " << tag;
            EXPECT_TRUE(typeid(*views[i]) != typeid(CHorizontalSlider) || atRightEnd > 0) << tag;
            if (typeid(*views[i]) == typeid(CParamDisplay) || tag == ZarvexPlugEditor::kPageSelectorTag)
                continue;
            auto at = wanted.find(tag);
            ASSERT_NE(at, wanted.end()) << tag << " is not on this page";
            const layout::Place& p = *at->second;
            wanted.erase(at);
            EXPECT_EQ(r, layout::controlRect(p)) << tag;
            const auto displays = all<CParamDisplay>(tag);
            ASSERT_EQ(displays.size(), layout::valueDisplayRect(p).isEmpty() ? 0u : 1u) << tag;
            EXPECT_TRUE(displays.empty() || displays[0]->getViewSize() == layout::valueDisplayRect(p)) << tag;
            auto* options = dynamic_cast<COptionMenu*>(control);
            EXPECT_EQ(options != nullptr, p.kind == layout::Kind::OptionMenu) << tag;
            if (options) { // its last entry, chosen with the mouse, reaches the host and comes back from it
                const int last = options->getNbEntries() - 1;
                choose(options, last);
                EXPECT_EQ(automated, tag);
                EXPECT_EQ(options->getCurrent(), last) << tag;
                continue;
            }
            for (float v : { 0.0f, 0.3f, 1.0f }) {
                plug->setParameter(tag, v);
                EXPECT_FLOAT_EQ(control->getValue(), v) << tag;
                EXPECT_TRUE(p.kind != layout::Kind::LargeKnob || displays[0]->getText() == valueText()) << tag;
            }
        }
        EXPECT_TRUE(wanted.empty()) << wanted.size() << " controls missing, the first for " << wanted.begin()->first;
        for (const CRect& readout : { layout::kNameDisplay, layout::kValueReadout, layout::kUnitDisplay })
            textAt(readout);
    }
}

// Parameters without a control touch only the read-outs, menu parameters not
// even those. The filter mode, from the menu or from the host, relabels the
// stages and keeps their choice; a mode only automation reaches leaves them no
// entries. A value whose mode no entry names selects none.
TEST_F(EditorValues, InertParametersChangeNothingAndMenusFollowTheirModes)
{
    plug->setParameter(kVolume, 0.5f);
    const auto before = picture();
    const int inert[] = { kMonoPoly, kDCBlock, kOversampling, kO1DetRndFrq, -1, 158, 1000,
        AEffGUIEditor::kMaxRecordedParameters };
    for (int index : inert)
        plug->setParameter(index, 0.3f);
    // Off the GUI thread changes wait for its idle, which the platform timer brings.
    std::thread([&] {
        for (int index : inert)
            plug->setParameter(index, 0.6f);
    }).join();
    frame().onTimer();
    EXPECT_TRUE(picture() == before) << "an inert parameter changed the editor";

    // Menu parameters show on their menus only.
    plug->setParameter(kUnused110, 0.3f);
    plug->setParameter(kVibWave, 3.0f / 512.0f);
    EXPECT_EQ(menu(kVibWave)->getText(), "Sine");
    EXPECT_EQ(textAt(layout::kNameDisplay), "ParamTag unknown");

    COptionMenu* stages = menu(kStages); // on the filter page, which picture() shows
    plug->setParameter(kStages, 1.0f); // five stages
    EXPECT_EQ(stages->getText(), "");
    plug->setParameter(kStages, 0.625f);
    EXPECT_EQ(stages->getText(), "0 dB/oct");
    choose(menu(kFilterMode), 6);
    EXPECT_EQ(stages->getText(), "540\xB0 @ Freq"); // the third entry, as before
    std::set<std::string> labels;
    for (int mode = 0; mode < menu(kFilterMode)->getNbEntries(); ++mode) {
        plug->setParameter(kFilterMode, menuValue(kFilterMode, mode));
        EXPECT_EQ(stages->getNbEntries(), 4);
        EXPECT_EQ(stages->getCurrent(), 2);
        labels.insert(stages->getText());
    }
    EXPECT_EQ(labels.size(), 6u) << "bypass, RBJ pass, band, allpass, gain and Kelmori stages";
    plug->setParameter(kFilterMode, 1.0f);
    EXPECT_EQ(menu(kFilterMode)->getText(), "");
    EXPECT_EQ(stages->getNbEntries(), 0);
}

// Every other test meets the plug-in with its editor; this one without.
TEST(EditorAllocation, PlugInWhoseEditorCannotBeMadeIsIncompleteButStillWorks)
{
    editorAllocationFails = true;
    auto plug = std::make_unique<Zarvex2Plug>(hostCallback, &ZarvexPlugEditor::create);
    editorAllocationFails = false;
    EXPECT_FALSE(plug->isComplete());
    EXPECT_EQ(plug->getAeffect()->flags & effFlagsHasEditor, 0);
    ERect* rect = nullptr;
    EXPECT_EQ(plug->dispatcher(effEditGetRect, 0, 0, &rect, 0.0f), 0);
    plug->setParameter(kVibDepth, 0.5f);
    EXPECT_FLOAT_EQ(plug->getParameter(kVibDepth), 0.5f);
}
