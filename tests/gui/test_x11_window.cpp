#include "gui/Frame.h"
#include "gui/Platform.h"

// Before Xlib, whose macros (None, Bool) would break it.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

// A private X server for this test program; the tests skip where there is none.
class XvfbServer {
public:
    XvfbServer()
    {
        const char* candidates[] = { "/usr/bin/Xvfb", "/usr/local/bin/Xvfb" };
        const char* binary = nullptr;
        for (const char* c : candidates)
            if (access(c, X_OK) == 0)
                binary = c;
        if (!binary)
            return;
        int fds[2];
        if (pipe(fds) != 0)
            return;
        pid = fork();
        if (pid == 0) {
            close(fds[0]);
            const std::string fd = std::to_string(fds[1]);
            // No reset when the last client leaves: the tests connect one after another.
            execl(binary, binary, "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
                "-noreset", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        // The server writes its display number once it takes connections.
        std::string number;
        char c;
        while (read(fds[0], &c, 1) == 1 && c != '\n')
            number += c;
        close(fds[0]);
        if (!number.empty()) {
            name = ":" + number;
            setenv("DISPLAY", name.c_str(), 1);
        }
    }
    ~XvfbServer()
    {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
    bool running() const { return !name.empty(); }
    const std::string& display() const { return name; }

private:
    pid_t pid = -1;
    std::string name;
};

XvfbServer* server = nullptr;

class X11Window : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server = new XvfbServer; }
    static void TearDownTestSuite()
    {
        delete server;
        server = nullptr;
    }

    void SetUp() override
    {
        if (!server->running())
            GTEST_SKIP() << "no Xvfb";
        display = XOpenDisplay(server->display().c_str());
        ASSERT_NE(display, nullptr);
        // The host's window that the editor opens in.
        parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 900, 500, 0, 0, 0x808080);
        XMapWindow(display, parent);
        XSync(display, False);
    }
    void TearDown() override
    {
        if (display) {
            XDestroyWindow(display, parent);
            XCloseDisplay(display);
        }
    }

    void* parentHandle() const { return reinterpret_cast<void*>(parent); }

    int childCount()
    {
        Window root, up, *children = nullptr;
        unsigned count = 0;
        XQueryTree(display, parent, &root, &up, &children, &count);
        if (children)
            XFree(children);
        return int(count);
    }

    // Pixels of the window on the screen that differ from the frame's image.
    int differences(CFrame& frame)
    {
        const Window child = Window(reinterpret_cast<uintptr_t>(frame.platformWindow()->nativeHandle()));
        const CImage& image = frame.image();
        XImage* shot = XGetImage(display, child, 0, 0, unsigned(image.width()), unsigned(image.height()), AllPlanes,
            ZPixmap);
        if (!shot)
            return -1;
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if ((XGetPixel(shot, x, y) & 0xffffff) != (image.pixel(x, y) & 0xffffff))
                    ++count;
        XDestroyImage(shot);
        return count;
    }

    // The frame's connection is not ours to sync: idle until the screen shows it.
    bool screenMatches(CFrame& frame)
    {
        for (int i = 0; i < 200; ++i) {
            frame.idle();
            XSync(display, False);
            if (differences(frame) == 0)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    void send(Window w, int type, int x, int y, unsigned state, unsigned button)
    {
        XEvent e {};
        e.type = type;
        if (type == MotionNotify) {
            e.xmotion = { MotionNotify, 0, True, display, w, DefaultRootWindow(display), None, CurrentTime, x, y, x, y,
                state, NotifyNormal, True };
            XSendEvent(display, w, True, PointerMotionMask, &e);
        } else {
            e.xbutton = { type, 0, True, display, w, DefaultRootWindow(display), None, CurrentTime, x, y, x, y, state,
                button, True };
            XSendEvent(display, w, True, type == ButtonPress ? ButtonPressMask : ButtonReleaseMask, &e);
        }
        XSync(display, False);
    }

    Display* display = nullptr;
    Window parent = 0;
};

struct Recorder : CControlListener {
    int calls = 0;
    void valueChanged(CControl*) override { ++calls; }
};

int openFiles()
{
    int n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++n;
    return n;
}

} // namespace

TEST_F(X11Window, ScreenShowsTheFrameImage)
{
    CFrame frame({ 0, 0, 856, 456 }, parentHandle());
    ASSERT_NE(frame.platformWindow(), nullptr);
    EXPECT_EQ(childCount(), 1);
    frame.setBackground(CBitmap(129));
    auto* knob = new CAnimKnob({ 20, 220, 52, 252 }, nullptr, 15, 101, 32, CBitmap(133));
    knob->setValue(0.3f);
    frame.addView(knob);
    auto* display = new CParamDisplay({ 12, 260, 60, 276 });
    display->setValue(-12.5f);
    frame.addView(display);
    EXPECT_TRUE(screenMatches(frame)) << differences(frame) << " pixels differ";

    // A change shows after the next idle.
    knob->setValue(0.9f);
    display->setValue(17.0f);
    EXPECT_TRUE(screenMatches(frame)) << differences(frame) << " pixels differ";
}

TEST_F(X11Window, MouseEventsReachTheControls)
{
    CFrame frame({ 0, 0, 856, 456 }, parentHandle());
    ASSERT_NE(frame.platformWindow(), nullptr);
    Recorder listener;
    auto* knob = new CAnimKnob({ 100, 100, 132, 132 }, &listener, 1, 101, 32, CBitmap(133));
    knob->setValue(0.5f);
    frame.addView(knob);
    ASSERT_TRUE(screenMatches(frame));
    const Window w = Window(reinterpret_cast<uintptr_t>(frame.platformWindow()->nativeHandle()));
    send(w, ButtonPress, 110, 110, 0, Button1);
    send(w, MotionNotify, 110, 80, Button1Mask, 0); // 30 pixels up: +0.2
    send(w, ButtonRelease, 110, 80, Button1Mask, Button1);
    for (int i = 0; i < 200 && listener.calls == 0; ++i) {
        frame.idle();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(listener.calls, 1);
    EXPECT_NEAR(knob->getValue(), 0.7f, 1e-5);
    EXPECT_TRUE(screenMatches(frame));
}

TEST_F(X11Window, ExposureAlsoShowsChangesWaitingToBeDrawn)
{
    CFrame frame({ 0, 0, 856, 456 }, parentHandle());
    ASSERT_NE(frame.platformWindow(), nullptr);
    frame.setBackground(CBitmap(131));
    auto* knob = new CAnimKnob({ 300, 300, 332, 332 }, nullptr, 1, 101, 32, CBitmap(133));
    frame.addView(knob);
    ASSERT_TRUE(screenMatches(frame));
    // The knob changes while an exposure of another corner is queued: the
    // exposure's redraw draws the knob, so it must put it on the screen too.
    knob->setValue(1.0f);
    const Window w = Window(reinterpret_cast<uintptr_t>(frame.platformWindow()->nativeHandle()));
    XEvent e {};
    e.xexpose = { Expose, 0, True, display, w, 0, 0, 10, 10, 0 };
    XSendEvent(display, w, False, ExposureMask, &e);
    XSync(display, False);
    EXPECT_TRUE(screenMatches(frame)) << differences(frame) << " pixels differ";
}

TEST_F(X11Window, RepeatedOpenAndCloseLeavesNothingBehind)
{
    const int filesBefore = openFiles();
    for (int i = 0; i < 100; ++i) {
        auto frame = std::make_unique<CFrame>(CRect { 0, 0, 856, 456 }, parentHandle());
        ASSERT_NE(frame->platformWindow(), nullptr) << i;
        frame->addView(new CAnimKnob({ 0, 0, 32, 32 }, nullptr, 1, 101, 32, CBitmap(133)));
        frame->idle();
        XSync(display, False);
        EXPECT_EQ(childCount(), 1);
    }
    XSync(display, False);
    EXPECT_EQ(childCount(), 0);
    EXPECT_EQ(openFiles(), filesBefore);
}

TEST_F(X11Window, WithoutAServerTheFrameDrawsOffscreen)
{
    const std::string saved = server->display();
    setenv("DISPLAY", ":9999", 1);
    CFrame frame({ 0, 0, 100, 100 }, parentHandle());
    setenv("DISPLAY", saved.c_str(), 1);
    EXPECT_EQ(frame.platformWindow(), nullptr);
    frame.idle();
    EXPECT_EQ(frame.image().width(), 100);
}
