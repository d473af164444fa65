#include "tests/editor/EditorFixture.h"

#include "plugin/ParameterText.h"
#include "plugin/Parameters.h"

#include <cctype>
#include <cmath>
#include <map>
#include <set>
#include <thread>
#include <tuple>

namespace {

enum Page { kOverview, kOscillators, kModulations, kFilter, kAmpAndDist };

class EditorValues : public EditorFixture {
protected:
    // Every page's shown texts and values, read-outs included.
    std::vector<std::tuple<int, int, float, std::string>> snapshot()
    {
        const int page = editor().getPage();
        std::vector<std::tuple<int, int, float, std::string>> all;
        for (int p = 0; p < ZarvexPlugEditor::kNumPages; ++p) {
            showPage(p);
            for (CView* view : shown()) {
                auto* display = dynamic_cast<CParamDisplay*>(view);
                all.emplace_back(p, static_cast<CControl*>(view)->getTag(), static_cast<CControl*>(view)->getValue(),
                    display ? display->getText() : "");
            }
        }
        showPage(page);
        return all;
    }
    // The menus of the shown page, the page selector aside.
    std::vector<COptionMenu*> menus()
    {
        std::vector<COptionMenu*> found;
        for (CView* view : shown())
            if (auto* m = dynamic_cast<COptionMenu*>(view); m && m->getTag() != ZarvexPlugEditor::kPageSelectorTag)
                found.push_back(m);
        return found;
    }
};

} // namespace

// Changes from another thread wait for the GUI thread's idle, which the
// platform timer brings; the newest value of each wins, and indices out of
// range are dropped.
TEST_F(EditorValues, ChangesOffTheGuiThreadShowAtIdle)
{
    CControl* depth = all<CAnimKnob>(kVibDepth).at(0);
    CControl* volume = all<CAnimKnob>(kVolume).at(0);
    std::thread([&] {
        for (auto [index, value] : { std::pair { int(kVibDepth), 0.25f }, { int(kVolume), 0.5f },
                 { int(kVibDepth), 0.6125f }, { -1, 1.0f }, { AEffGUIEditor::kMaxRecordedParameters, 1.0f } })
            plug->setParameter(index, value);
    }).join();
    EXPECT_NE(depth->getValue(), 0.6125f);
    frame().onTimer();
    EXPECT_EQ(depth->getValue(), 0.6125f);
    EXPECT_EQ(volume->getValue(), 0.5f);
}

// Wherever the read-out and the host's text show the same quantity, they
// agree: at every exact host step of 96, 127 and 128 and across the range.
TEST_F(EditorValues, ReadoutsAgreeWithTheHostDisplay)
{
    std::vector<float> values;
    for (int steps : { 96, 127, 128 })
        for (int k = 0; k <= steps; ++k)
            values.push_back(float(k) / float(steps));
    for (int k = 0; k <= 1000; k += 7)
        values.push_back(float(k) / 1000.0f);
    int compared = 0;
    for (int index = 0; index < kNumParameters; ++index) {
        const ParameterInfo& info = *parameterInfo(index);
        // The host shows the dB of these as a factor: another quantity.
        if (info.readout == Readout::none || info.text == ValueText::decibelFactor)
            continue;
        const double scale = info.readout == Readout::percent ? 100.0 : 1.0;
        for (float v : values) {
            plug->setParameter(index, v);
            const std::string shown = valueText(), host = hostDisplay(index);
            SCOPED_TRACE(testing::Message() << "parameter " << index << " at " << v << ": " << shown << " / " << host);
            if (info.text == ValueText::noteName) {
                char name[8];
                getNoteName(std::stoi(shown), name);
                EXPECT_EQ(name, host);
            } else if (!host.empty() && (std::isdigit(host[0]) || host[0] == '-')) { // not "bypass"
                // The host's eight characters are cut, the read-out's two decimals rounded.
                const size_t point = host.find('.');
                const double cut = point == std::string::npos ? 1.0 : std::pow(10.0, -double(host.size() - point - 1));
                EXPECT_NEAR(std::stod(shown), scale * std::stod(host), 0.005 + scale * cut + 1e-6);
            } else {
                continue;
            }
            ++compared;
        }
    }
    EXPECT_GT(compared, 50000);
}

// Every page, the last too, shows the strip's controls and its own where the
// layout puts them, at their stored values, none overlapping another, each
// drawing something over the page's background. Knobs and sliders follow
// the host; a knob's value display shows what the read-out shows.
TEST_F(EditorValues, EveryPageShowsItsControlsInPlaceAtTheirValues)
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
            int atRightEnd = 0; // a slider's track reaches its right end
            for (int y = r.top; y < r.bottom; ++y)
                atRightEnd += frame().image().pixel(r.right - 4, y) != bare.image().pixel(r.right - 4, y);
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
            if (!displays.empty()) {
                EXPECT_EQ(displays[0]->getViewSize(), layout::valueDisplayRect(p)) << tag;
            }
            const bool menu = p.kind == layout::Kind::OptionMenu;
            EXPECT_EQ(typeid(*views[i]) == typeid(COptionMenu), menu) << tag;
            if (menu)
                continue;
            EXPECT_FLOAT_EQ(control->getValue(), plug->getParameter(tag)) << tag;
            for (float v : { 0.0f, 0.3f, 1.0f }) {
                plug->setParameter(tag, v);
                EXPECT_FLOAT_EQ(control->getValue(), v) << tag;
                if (p.kind == layout::Kind::LargeKnob) {
                    EXPECT_EQ(displays[0]->getText(), valueText()) << tag;
                }
            }
        }
        EXPECT_TRUE(wanted.empty()) << wanted.size() << " controls missing, the first for " << wanted.begin()->first;
        for (const CRect& readout : { layout::kNameDisplay, layout::kValueReadout, layout::kUnitDisplay })
            textAt(readout);
    }
}

// Parameters without a control touch only the read-outs, menu parameters not even those.
TEST_F(EditorValues, ParametersWithoutControlsTouchOnlyTheReadoutsAndMenusNotEvenThose)
{
    plug->setParameter(kVolume, 0.5f);
    const auto before = snapshot();
    for (int index : { int(kMonoPoly), int(kDCBlock), int(kOversampling), int(kO1DetRndFrq), -1, 158, 1000 })
        plug->setParameter(index, 0.3f);
    EXPECT_EQ(snapshot(), before) << "an inert parameter changed the editor";

    // Menu parameters show on their menus only.
    plug->setParameter(kUnused110, 0.3f);
    plug->setParameter(kVibWave, 3.0f / 512.0f);
    EXPECT_EQ(menu(kVibWave)->getText(), "Sine");
    EXPECT_EQ(nameText(), "ParamTag unknown");
}

// Every entry of every menu, from the first to the last, chosen with the
// mouse reaches the host as a mode of its own, and the plug-in's value shows
// that entry again.
TEST_F(EditorValues, EveryMenuEntryReachesTheHostAsAModeOfItsOwn)
{
    int entries = 0;
    for (int page = 0; page < ZarvexPlugEditor::kNumPages; ++page) {
        showPage(page);
        for (COptionMenu* m : menus()) {
            const int param = m->getTag(), count = m->getNbEntries();
            SCOPED_TRACE(testing::Message() << "page " << page << " menu " << param);
            std::set<std::string> modes;
            for (int entry = 0; entry < count; ++entry) {
                choose(m, entry);
                EXPECT_EQ(lastAutomation.index, param);
                EXPECT_EQ(m->getCurrent(), entry);
                modes.insert(hostDisplay(param));
            }
            EXPECT_EQ(modes.size(), size_t(count));
            entries += count;
        }
    }
    EXPECT_GT(entries, 150);

    // The entries name their modes, to the last of them.
    for (auto [page, param, entry, text, host] : { std::tuple { kOscillators, kO3Wave, 16, "BrownNoiseCycle", "BrownNoiseCycle" },
             { kModulations, kSyncToOsc1, 3, "Osc 2 & 3", "osc 2&3" }, { kFilter, kFilterMode, 11, "303 LPF (Kelmori)", "303 LPF" } }) {
        showPage(page);
        choose(menu(param), entry);
        EXPECT_EQ(menu(param)->getText(), text);
        EXPECT_EQ(hostDisplay(param), host);
    }
}

// The filter mode, from the menu or from the host, relabels the stages and
// keeps their choice; a mode only automation reaches leaves them no entries.
// A value whose mode no entry names selects none.
TEST_F(EditorValues, FilterModeRelabelsTheStagesAndValuesWithoutAnEntrySelectNone)
{
    showPage(kOscillators);
    EXPECT_EQ(menu(kO1Wave)->getText(), "") << "the oscillator 1 default, waveform 1536";
    showPage(kFilter);
    COptionMenu* stages = menu(kStages);
    plug->setParameter(kStages, 1.0f); // five stages
    EXPECT_EQ(stages->getText(), "");
    plug->setParameter(kStages, 0.625f);
    EXPECT_EQ(stages->getText(), "0 dB/oct");
    choose(menu(kFilterMode), 6);
    EXPECT_EQ(stages->getCurrent(), 2);
    EXPECT_EQ(stages->getText(), "540\xB0 @ Freq");
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
