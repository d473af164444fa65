// The editor as a host sees it: opened through the plug-in's VST 2 interface
// in a window of an X server (the test runs under xvfb-run and skips where
// there is no server), driven by mouse events and host parameter changes, and
// checked by what reaches the host and what the screen shows.
#include "gui/Frame.h"
#include "gui/Layout.h"
#include "tests/host/PluginHarness.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <stdexcept>
#include <thread>

namespace {

enum Param {
    kVolume = 0,
    kVibDepth = 6,
    kO1Phase = 14,
    kFilterMode = 95,
    kStages = 96,
    kCutoff = 99,
    kUnused110 = 110,
};

const layout::Place& placeOf(const layout::PageLayout& page, int param)
{
    for (const layout::Place& p : page.places)
        if (p.param == param)
            return p;
    throw std::invalid_argument("no such control");
}

CPoint centre(const CRect& r) { return { (r.left + r.right) / 2, (r.top + r.bottom) / 2 }; }

int openFiles()
{
    int n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++n;
    return n;
}

// What a text display or menu of the editor shows for a text: white on black,
// the display font, no frame. Drawn by the toolkit in this process.
CImage expectedText(const CRect& r, const std::string& text, bool menu)
{
    CFrame frame({ 0, 0, layout::kFrameWidth, layout::kFrameHeight });
    CParamDisplay* display;
    if (menu) {
        auto* m = new COptionMenu(r, nullptr, 0);
        m->addEntry(text);
        display = m;
    } else {
        display = new CParamDisplay(r);
        display->setStringConvert([text](float) { return text; });
    }
    display->setFont(kFontDisplay);
    display->setFontColor(kWhiteCColor);
    display->setBackColor(kBlackCColor);
    display->setStyle(kNoFrame);
    frame.addView(display);
    frame.redraw();
    return frame.image();
}

class EditorWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        display = XOpenDisplay(nullptr);
        if (!display)
            GTEST_SKIP() << "no X server";
        parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 900, 500, 0, 0, 0x808080);
        XMapWindow(display, parent);
        XSync(display, False);
        harness.open();
    }
    void TearDown() override
    {
        if (!display)
            return;
        harness.dispatch(effEditClose);
        XDestroyWindow(display, parent);
        XCloseDisplay(display);
    }

    void openEditor()
    {
        ASSERT_EQ(harness.dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(parent)), 1);
        idle();
        ASSERT_NE(editorWindow(), 0u);
    }
    void idle()
    {
        harness.dispatch(effEditIdle);
        XSync(display, False);
    }

    std::vector<Window> children()
    {
        Window root, up, *list = nullptr;
        unsigned count = 0;
        XQueryTree(display, parent, &root, &up, &list, &count);
        std::vector<Window> found(list, list + count);
        if (list)
            XFree(list);
        return found;
    }
    Window editorWindow()
    {
        const auto c = children();
        return c.size() == 1 ? c[0] : 0;
    }

    // Whether the screen shows the text display (or menu) at r with this
    // text; the editor draws on its own connection, so this idles until it
    // does or time runs out.
    bool screenShowsText(const CRect& r, const std::string& text, bool menu = false)
    {
        const CImage expected = expectedText(r, text, menu);
        for (int attempt = 0; attempt < 200; ++attempt) {
            idle();
            XImage* shot = XGetImage(display, editorWindow(), r.left, r.top, unsigned(r.width()),
                unsigned(r.height()), AllPlanes, ZPixmap);
            bool same = shot != nullptr;
            for (int y = 0; same && y < r.height(); ++y)
                for (int x = 0; same && x < r.width(); ++x)
                    same = (XGetPixel(shot, x, y) & 0xffffff) == (expected.pixel(r.left + x, r.top + y) & 0xffffff);
            if (shot)
                XDestroyImage(shot);
            if (same)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
    bool readoutsShow(const std::string& name, const std::string& value, const std::string& unit)
    {
        return screenShowsText(layout::kNameDisplay, name) && screenShowsText(layout::kValueReadout, value)
            && screenShowsText(layout::kUnitDisplay, unit);
    }

    void send(int type, CPoint at, unsigned state = 0)
    {
        XEvent e {};
        const Window w = editorWindow();
        eventTime += 1000; // far apart: no double-clicks
        if (type == MotionNotify) {
            e.xmotion = { MotionNotify, 0, True, display, w, DefaultRootWindow(display), None, eventTime, at.x, at.y,
                at.x, at.y, state, NotifyNormal, True };
            XSendEvent(display, w, True, PointerMotionMask, &e);
        } else {
            e.xbutton = { type, 0, True, display, w, DefaultRootWindow(display), None, eventTime, at.x, at.y, at.x,
                at.y, state, Button1, True };
            XSendEvent(display, w, True, type == ButtonPress ? ButtonPressMask : ButtonReleaseMask, &e);
        }
        idle();
    }
    void click(CPoint at)
    {
        send(ButtonPress, at);
        send(ButtonRelease, at, Button1Mask);
    }
    // Clicks the menu open and then its entry's line in the list below it.
    void chooseEntry(const CRect& menu, int entry)
    {
        click(centre(menu));
        click({ menu.left + 8, menu.bottom + 1 + entry * CFrame::kMenuEntryHeight + CFrame::kMenuEntryHeight / 2 });
    }
    void showPage(int page) { chooseEntry(layout::kPageSelector, page); }

    std::vector<PluginHarness::HostCall> automationOf(int index)
    {
        std::vector<PluginHarness::HostCall> found;
        for (const auto& call : harness.callsWith(audioMasterAutomate))
            if (call.index == index)
                found.push_back(call);
        return found;
    }

    Display* display = nullptr;
    Window parent = 0;
    Time eventTime = 0;
    PluginHarness harness;
};

} // namespace

TEST_F(EditorWindow, OpensAtItsSizeInTheHostWindowAndClosesWithoutLeftovers)
{
    ERect* rect = nullptr;
    ASSERT_EQ(harness.dispatch(effEditGetRect, 0, 0, &rect), 1);
    EXPECT_EQ(rect->right - rect->left, 856);
    EXPECT_EQ(rect->bottom - rect->top, 456);
    openEditor();
    XWindowAttributes attributes;
    XGetWindowAttributes(display, editorWindow(), &attributes);
    EXPECT_EQ(attributes.width, 856);
    EXPECT_EQ(attributes.height, 456);
    EXPECT_TRUE(screenShowsText(layout::kPageSelector, "Overview", true));
    EXPECT_TRUE(readoutsShow("Volume", "0.00", "dB"));
    harness.dispatch(effEditClose);
    XSync(display, False);
    EXPECT_TRUE(children().empty());

    const int files = openFiles();
    for (int i = 0; i < 30; ++i) {
        openEditor();
        harness.dispatch(effEditClose);
    }
    XSync(display, False);
    EXPECT_TRUE(children().empty());
    EXPECT_EQ(openFiles(), files);
}

TEST_F(EditorWindow, KnobTurnedWithTheMouseIsAutomated)
{
    openEditor();
    const CRect knob = layout::controlRect(placeOf(layout::kGlobalStrip, kVibDepth));
    const CPoint at = centre(knob);
    send(ButtonPress, at);
    send(MotionNotify, { at.x, at.y - 30 }, Button1Mask);
    send(ButtonRelease, { at.x, at.y - 30 }, Button1Mask);
    const auto automated = automationOf(kVibDepth);
    ASSERT_EQ(automated.size(), 1u);
    EXPECT_NEAR(automated[0].opt, 0.2f, 1e-6);
    EXPECT_FLOAT_EQ(harness.getParameter(kVibDepth), automated[0].opt);
    EXPECT_TRUE(readoutsShow("Vibrato Depth", "20.00", "%"));
    EXPECT_TRUE(screenShowsText(layout::valueDisplayRect(placeOf(layout::kGlobalStrip, kVibDepth)), "20.00"));
}

TEST_F(EditorWindow, HostChangesFromAnotherThreadShowAfterIdle)
{
    openEditor();
    std::thread([&] { harness.setParameter(kVibDepth, 0.5f); }).join();
    EXPECT_TRUE(readoutsShow("Vibrato Depth", "50.00", "%"));
    EXPECT_TRUE(screenShowsText(layout::valueDisplayRect(placeOf(layout::kGlobalStrip, kVibDepth)), "50.00"));
    // No control, but a name the read-outs know nothing of.
    std::thread([&] { harness.setParameter(kUnused110, 0.25f); }).join();
    EXPECT_TRUE(readoutsShow("ParamTag unknown", "0.00", ""));
    EXPECT_TRUE(screenShowsText(layout::valueDisplayRect(placeOf(layout::kGlobalStrip, kVibDepth)), "50.00"));
}

TEST_F(EditorWindow, PhaseDisplayShowsFreeAtAFullTurn)
{
    openEditor();
    showPage(1);
    const CRect phase = layout::valueDisplayRect(placeOf(layout::kPages[1], kO1Phase));
    harness.setParameter(kO1Phase, 1.0f);
    EXPECT_TRUE(screenShowsText(phase, "free"));
    EXPECT_TRUE(readoutsShow("Osc1 Start-Phase", "360.00", "degrees"));
    harness.setParameter(kO1Phase, std::nextafter(359.99f / 360.0f, 0.0f));
    EXPECT_TRUE(screenShowsText(phase, "359.99"));
}

TEST_F(EditorWindow, ChoosingAllpassRelabelsTheStagesKeepingTheChoice)
{
    openEditor();
    showPage(3);
    EXPECT_TRUE(screenShowsText(layout::kPageSelector, "Filter", true));
    harness.setParameter(kStages, 0.625f);
    const CRect stages = layout::controlRect(placeOf(layout::kPages[3], kStages));
    EXPECT_TRUE(screenShowsText(stages, "0 dB/oct", true));
    chooseEntry(layout::controlRect(placeOf(layout::kPages[3], kFilterMode)), 6);
    const auto automated = automationOf(kFilterMode);
    ASSERT_EQ(automated.size(), 1u);
    EXPECT_FLOAT_EQ(automated[0].opt, 6 / 128.0f + 1 / 256.0f);
    EXPECT_TRUE(screenShowsText(stages, "540\xB0 @ Freq", true));
    EXPECT_TRUE(screenShowsText(layout::controlRect(placeOf(layout::kPages[3], kFilterMode)),
        "Allpass (R.B. Johnson)", true));
}

TEST_F(EditorWindow, ReopeningStartsOnTheOverviewAndClosedCallsAreIgnored)
{
    openEditor();
    showPage(4);
    EXPECT_TRUE(screenShowsText(layout::kPageSelector, "Amp and Dist", true));
    harness.dispatch(effEditClose);
    harness.setParameter(kVibDepth, 0.9f);
    harness.dispatch(effEditIdle);
    XSync(display, False);
    EXPECT_TRUE(children().empty());
    openEditor();
    EXPECT_TRUE(screenShowsText(layout::kPageSelector, "Overview", true));
    EXPECT_TRUE(screenShowsText(layout::valueDisplayRect(placeOf(layout::kGlobalStrip, kVibDepth)), "90.00"));
}

TEST_F(EditorWindow, MidiAndAutomationUpdateTheEditorWhileItDraws)
{
    openEditor();
    std::atomic<bool> running { true };
    std::thread audio([&] {
        for (int value = 0; value <= 127; ++value) {
            const VstMidiEvent volume = makeMidiEvent(0, 0xB0, 7, uint8_t(value));
            const VstMidiEvent cutoff = makeMidiEvent(3, 0xB0, 74, uint8_t(value));
            harness.renderBlock(32, { volume, cutoff });
        }
    });
    std::thread automation([&] {
        for (int i = 0; i <= 500; ++i)
            harness.setParameter(kVibDepth, float(i) / 500.0f);
    });
    std::thread done([&] {
        audio.join();
        automation.join();
        running = false;
    });
    while (running)
        idle();
    done.join();
    EXPECT_TRUE(screenShowsText(layout::valueDisplayRect(placeOf(layout::kGlobalStrip, kVolume)), "24.00"));
    EXPECT_TRUE(screenShowsText(layout::valueDisplayRect(placeOf(layout::kPages[0], kCutoff)), "20000.00"));
    EXPECT_TRUE(screenShowsText(layout::valueDisplayRect(placeOf(layout::kGlobalStrip, kVibDepth)), "100.00"));
    EXPECT_EQ(automationOf(kCutoff).size(), 128u);
}
