// The editor as a host sees it: opened through the plug-in's VST 2 interface in
// a window of an X server (under xvfb-run; skipped without one), driven by mouse
// events and host changes, checked by what the host hears and the screen shows.
#include "editor/Layout.h"
#include "plugin/Parameters.h"
#include "tests/gui/X11Support.h"
#include "tests/host/PluginHarness.h"

#include <X11/Xatom.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <regex>
#include <stdexcept>
#include <tuple>

namespace {

// Where the control for param, or with display its value display, stands.
CRect rectOf(const layout::PageLayout& page, int param, bool display = false)
{
    for (const layout::Place& p : page.places)
        if (p.param == param)
            return display ? layout::valueDisplayRect(p) : layout::controlRect(p);
    throw std::invalid_argument("no such control");
}

class EditorWindow : public X11HostTest {
protected:
    void TearDown() override
    {
        harness->dispatch(effEditClose);
        X11HostTest::TearDown();
    }

    void openEditor()
    {
        ASSERT_EQ(harness->dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(parent)), 1);
        idle();
        ASSERT_NE(editorWindow(), 0u);
    }
    void idle()
    {
        harness->dispatch(effEditIdle);
        XSync(display, False);
    }
    Window editorWindow()
    {
        const auto c = children();
        return c.size() == 1 ? c[0] : 0;
    }

    // Whether the screen shows the text as a display or menu of the editor
    // draws it: white on black, the display font, no frame, at the scale given.
    bool screenShowsText(const CRect& r, const std::string& text, bool menu = false, int scale = 1)
    {
        CFrame frame({ 0, 0, layout::kFrameWidth, layout::kFrameHeight }, nullptr, nullptr, scale);
        CParamDisplay* shown = menu ? new COptionMenu(r, nullptr, 0) : new CParamDisplay(r);
        if (menu)
            static_cast<COptionMenu*>(shown)->addEntry(text);
        else
            shown->setStringConvert([text](float) { return text; });
        shown->setFont(kFontDisplay);
        shown->setFontColor(kWhiteCColor);
        shown->setBackColor(kBlackCColor);
        shown->setStyle(kNoFrame);
        frame.addView(shown);
        frame.redraw();
        const CRect onScreen { r.left * scale, r.top * scale, r.right * scale, r.bottom * scale };
        return screenShows(editorWindow(), frame.image(), onScreen, [&] { idle(); });
    }
    bool readoutsShow(const std::string& name, const std::string& value, const std::string& unit)
    {
        return screenShowsText(layout::kNameDisplay, name) && screenShowsText(layout::kValueReadout, value)
            && screenShowsText(layout::kUnitDisplay, unit);
    }

    void mouse(int type, CPoint at, unsigned state = 0, unsigned button = Button1, Time gap = 1000)
    {
        send(editorWindow(), type, at, state, button, gap);
        idle();
    }
    void drag(CPoint from, CPoint to, unsigned modifiers = 0)
    {
        mouse(ButtonPress, from, modifiers);
        mouse(MotionNotify, to, modifiers | Button1Mask);
        mouse(ButtonRelease, to, modifiers | Button1Mask);
    }
    // A press and release; of button 4 or 5, a wheel notch.
    void click(CPoint at, unsigned modifiers = 0, unsigned button = Button1, Time gap = 1000)
    {
        mouse(ButtonPress, at, modifiers, button, gap);
        mouse(ButtonRelease, at, modifiers | (button == Button1 ? Button1Mask : 0), button, gap / 2);
    }
    // Clicks the menu open and then its entry's line in the list below it.
    void chooseEntry(const CRect& menu, int entry)
    {
        click(centre(menu));
        click({ menu.left + 8, menu.bottom + 1 + entry * CFrame::kMenuEntryHeight + CFrame::kMenuEntryHeight / 2 });
    }
    void showPage(int page) { chooseEntry(layout::kPageSelector, page); }

    // The host heard gestures on the parameter: each a beginEdit, automation
    // and an endEdit, at least one of them with a change.
    ::testing::AssertionResult balancedGestures(int index)
    {
        std::string seen; // B, A, E: begin, automation, end
        for (const auto& call : harness->callsAbout(index, { audioMasterBeginEdit, audioMasterAutomate, audioMasterEndEdit }))
            seen += call.opcode == audioMasterBeginEdit ? 'B' : call.opcode == audioMasterEndEdit ? 'E' : 'A';
        const bool balanced = std::regex_match(seen, std::regex("(BA*E)+")) && seen.find('A') != std::string::npos;
        return (balanced ? ::testing::AssertionSuccess() : ::testing::AssertionFailure()) << seen;
    }

    std::unique_ptr<PluginHarness> harness = PluginHarness::opened();
};

} // namespace

TEST_F(EditorWindow, HostChangesFromAnyThreadReachTheScreen)
{
    openEditor();
    EXPECT_TRUE(readoutsShow("Volume", "0.00", "dB"));
    const CRect vibDepth = rectOf(layout::kGlobalStrip, kVibDepth, true);
    // From another thread the changes show after idle.
    std::thread([&] { harness->setParameter(kVibDepth, 0.5f); }).join();
    EXPECT_TRUE(readoutsShow("Vibrato Depth", "50.00", "%"));
    // A change on the GUI thread while an exposure of another corner is queued:
    // the exposure's redraw draws it, so it must put it on the screen too.
    harness->setParameter(kVibDepth, 0.25f);
    XEvent e {};
    e.xexpose = { Expose, 0, True, display, editorWindow(), 0, 0, 10, 10, 0 };
    XSendEvent(display, editorWindow(), False, ExposureMask, &e);
    XSync(display, False);
    EXPECT_TRUE(screenShowsText(vibDepth, "25.00"));

    // MIDI controllers and automation from other threads while the editor draws.
    std::atomic<int> running { 2 };
    std::jthread audio([&] {
        for (int value = 0; value <= 127; ++value)
            harness->renderBlock(32,
                { makeMidiEvent(0, 0xB0, 7, uint8_t(value)), makeMidiEvent(3, 0xB0, 74, uint8_t(value)) });
        --running;
    });
    std::jthread automation([&] {
        for (int i = 0; i <= 500; ++i)
            harness->setParameter(kVibDepth, float(i) / 500.0f);
        --running;
    });
    while (running > 0)
        idle();
    EXPECT_TRUE(screenShowsText(rectOf(layout::kGlobalStrip, kVolume, true), "24.00"));
    EXPECT_TRUE(screenShowsText(rectOf(layout::kPages[0], kCutoff, true), "20000.00"));
    EXPECT_TRUE(screenShowsText(vibDepth, "100.00"));
    EXPECT_EQ(harness->callsAbout(kCutoff, { audioMasterAutomate }).size(), 128u);

    // A slider's display shows the phase, the read-out its number.
    showPage(1);
    const CRect phase = rectOf(layout::kPages[1], kO1Phase, true);
    harness->setParameter(kO1Phase, 1.0f);
    EXPECT_TRUE(screenShowsText(phase, "free"));
    EXPECT_TRUE(readoutsShow("Osc1 Start-Phase", "360.00", "degrees"));
    harness->setParameter(kO1Phase, std::nextafter(359.99f / 360.0f, 0.0f));
    EXPECT_TRUE(screenShowsText(phase, "359.99"));

    // Closed on the last page, calls are ignored; reopened, the first page shows.
    showPage(4);
    EXPECT_TRUE(screenShowsText(layout::kPageSelector, "Amp and Dist", true));
    harness->dispatch(effEditClose);
    harness->setParameter(kVibDepth, 0.9f);
    harness->dispatch(effEditIdle);
    openEditor();
    EXPECT_TRUE(screenShowsText(layout::kPageSelector, "Overview", true));
    EXPECT_TRUE(screenShowsText(vibDepth, "90.00"));
}

// Resets go to a fresh plug-in's value, the default of the parameter table;
// every expected value differs from the start, so each gesture must act.
// A drag cut short by closing the editor or by a page change still ends.
TEST_F(EditorWindow, EveryGestureIsOneBalancedEditForTheHost)
{
    using Gesture = std::function<void(const CRect&)>;
    // Upwards from the centre with Shift: a hundredth of the range.
    const Gesture fineDrag
        = [this](const CRect& r) { drag(centre(r), { centre(r).x, centre(r).y - 30 }, ShiftMask); };
    // Clicks on the centre, gap milliseconds apart; of button 4 or 5, wheel notches.
    auto clicks = [this](unsigned modifiers, unsigned button = Button1, int count = 1, Time gap = 1000) {
        return Gesture([=, this](const CRect& r) {
            for (int i = 0; i < count; ++i)
                click(centre(r), modifiers, button, gap);
        });
    };
    // From the handle at the left end, a quarter of the travel.
    const Gesture slide = [this](const CRect& r) {
        drag({ r.left + 4, centre(r).y }, { r.left + 4 + (r.width() - 8) / 4, centre(r).y });
    };
    constexpr float kDefault = -1.0f;
    struct Case {
        const char* what;
        int page, param; // page -1: the global strip
        Gesture act;
        float start, expected;
    };
    const Case cases[] = {
        { "Shift-drag, ten times finer", -1, kVibSpeed, fineDrag, 0.5f, 0.52f },
        { "slider drag", 1, kO1Phase, slide, 0.0f, 0.25f },
        { "Ctrl-click resets", -1, kVolume, clicks(ControlMask), 0.3f, kDefault },
        { "double-click resets", 1, kO2Phase, clicks(0, Button1, 2, 100), 0.5f, kDefault },
        { "double-click resets a knob", 0, kAmp2Release, clicks(0, Button1, 2, 100), 0.5f, kDefault },
        { "wheel up on a knob", -1, kPWMDepth, clicks(0, Button4), 0.0f, 0.02f },
        { "wheel down on a slider", 1, kO3Phase, clicks(0, Button5), 0.5f, 0.48f },
        { "wheel down on a menu", -1, kVibWave, clicks(0, Button5), 3.5f / 512, 4.5f / 512 },
        { "menu choice", 0, kFilterMode, [this](const CRect& r) { chooseEntry(r, 6); }, 0.0f, 6.5f / 128 },
    };
    std::map<int, float> fresh;
    for (const Case& c : cases)
        fresh[c.param] = harness->getParameter(c.param);
    openEditor();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.page >= 0)
            showPage(c.page);
        harness->setParameter(c.param, c.start);
        idle();
        harness->clearCalls();
        const CRect r = rectOf(c.page < 0 ? layout::kGlobalStrip : layout::kPages[c.page], c.param);
        c.act(r);
        const float expected = c.expected == kDefault ? fresh[c.param] : c.expected;
        EXPECT_NEAR(harness->getParameter(c.param), expected, 1e-5);
        EXPECT_TRUE(balancedGestures(c.param));
    }

    const CPoint at = centre(rectOf(layout::kGlobalStrip, kVibDepth));
    for (bool closing : { true, false }) {
        harness->clearCalls();
        mouse(ButtonPress, at);
        mouse(MotionNotify, { at.x, at.y - 15 }, Button1Mask);
        closing ? void(harness->dispatch(effEditClose)) : showPage(2);
        EXPECT_TRUE(balancedGestures(kVibDepth)) << closing;
        if (closing)
            openEditor();
    }
    EXPECT_TRUE(screenShowsText(layout::kPageSelector, "Modulations", true));
}

// The window has the editor's size at the scale the desktop or the environment
// asks for, draws at it and meets the mouse there; closed, it leaves no window
// or file behind. Without a server the editor still opens, offscreen.
TEST_F(EditorWindow, OpensAtTheScaleAskedForAndClosesWithoutLeftovers)
{
    const int files = openFiles();
    const Window root = DefaultRootWindow(display);
    // The desktop's resources (as xrdb leaves them on the root window), ZARVEX_UI_SCALE, the scale.
    for (auto [resources, requested, scale] : { std::tuple<const char*, const char*, int> {
             "Xcursor.size:\t24\nXft.dpi:\t192\n", nullptr, 2 }, { "Xft.dpi: 120\n", nullptr, 1 },
             { "Xft.dpi:\t192\n", "1", 1 }, { nullptr, "2", 2 } }) {
        SCOPED_TRACE(scale);
        resources ? XChangeProperty(display, root, XA_RESOURCE_MANAGER, XA_STRING, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(resources), int(std::strlen(resources)))
                  : XDeleteProperty(display, root, XA_RESOURCE_MANAGER);
        XSync(display, False);
        requested ? setenv("ZARVEX_UI_SCALE", requested, 1) : unsetenv("ZARVEX_UI_SCALE");

        ERect* rect = nullptr; // asked before the editor opens
        ASSERT_EQ(harness->dispatch(effEditGetRect, 0, 0, &rect), 1);
        const std::pair size { layout::kFrameWidth * scale, layout::kFrameHeight * scale };
        EXPECT_EQ(std::pair(rect->right - rect->left, rect->bottom - rect->top), size);
        openEditor();
        XWindowAttributes attributes;
        XGetWindowAttributes(display, editorWindow(), &attributes);
        EXPECT_EQ(std::pair(attributes.width, attributes.height), size);

        harness->setParameter(kVibDepth, 0.0f);
        const CPoint at = centre(rectOf(layout::kGlobalStrip, kVibDepth));
        const CPoint from { at.x * scale, at.y * scale };
        drag(from, { from.x, from.y - 30 * scale });
        EXPECT_NEAR(harness->getParameter(kVibDepth), 0.2f, 1e-6);
        EXPECT_TRUE(screenShowsText(layout::kValueReadout, "20.00", false, scale));
        harness->dispatch(effEditClose);
    }
    XDeleteProperty(display, root, XA_RESOURCE_MANAGER);
    unsetenv("ZARVEX_UI_SCALE");
    XSync(display, False);
    EXPECT_TRUE(children().empty());
    EXPECT_EQ(openFiles(), files);

    const std::string server = DisplayString(display);
    setenv("DISPLAY", ":9999", 1);
    EXPECT_EQ(harness->dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(parent)), 1);
    harness->dispatch(effEditIdle);
    setenv("DISPLAY", server.c_str(), 1);
    EXPECT_TRUE(children().empty());
}
