#include "gui/Platform.h"
#include "tests/gui/X11Support.h"

#include <csignal>
#include <cstdlib>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A private X server for this test program, named in DISPLAY for the frames.
class XvfbServer {
public:
    XvfbServer()
    {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        pid = fork();
        if (pid == 0) {
            close(fds[0]);
            const std::string fd = std::to_string(fds[1]);
            // No reset when the last client leaves: the tests connect one after another.
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
                "-noreset", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        // The server writes its display number once it takes connections.
        char c;
        while (read(fds[0], &c, 1) == 1 && c != '\n')
            name += c;
        close(fds[0]);
        if (!name.empty()) {
            name.insert(0, ":");
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

    pid_t pid = -1;
    std::string name;
};

XvfbServer* server = nullptr;

class X11Window : public X11HostTest {
protected:
    static void SetUpTestSuite() { server = new XvfbServer; }
    static void TearDownTestSuite() { delete server; }

    void SetUp() override
    {
        if (server->name.empty())
            GTEST_SKIP() << "no Xvfb";
        X11HostTest::SetUp();
    }

    static Window windowOf(const CFrame& frame)
    {
        return Window(reinterpret_cast<uintptr_t>(frame.platformWindow()->nativeHandle()));
    }
    bool screenMatches(CFrame& frame)
    {
        return screenShows(windowOf(frame), frame.image(), frame.bounds(), [&] { frame.idle(); });
    }
};

} // namespace

TEST_F(X11Window, ScreenShowsTheFrameImageAndItsChanges)
{
    CFrame frame({ 0, 0, 856, 456 }, reinterpret_cast<void*>(parent));
    ASSERT_NE(frame.platformWindow(), nullptr);
    EXPECT_EQ(children().size(), 1u);
    frame.setBackground(CBitmap(129));
    auto* knob = new CAnimKnob({ 20, 220, 52, 252 }, nullptr, 15, 101, 32, CBitmap(133));
    knob->setValue(0.3f);
    frame.addView(knob);
    auto* text = new CParamDisplay({ 12, 260, 60, 276 });
    text->setValue(-12.5f);
    frame.addView(text);
    EXPECT_TRUE(screenMatches(frame));

    knob->setValue(0.9f);
    text->setValue(17.0f);
    EXPECT_TRUE(screenMatches(frame));
}

TEST_F(X11Window, ExposureAlsoShowsChangesWaitingToBeDrawn)
{
    CFrame frame({ 0, 0, 856, 456 }, reinterpret_cast<void*>(parent));
    ASSERT_NE(frame.platformWindow(), nullptr);
    frame.setBackground(CBitmap(131));
    auto* knob = new CAnimKnob({ 300, 300, 332, 332 }, nullptr, 1, 101, 32, CBitmap(133));
    frame.addView(knob);
    ASSERT_TRUE(screenMatches(frame));
    // The knob changes while an exposure of another corner is queued: the
    // exposure's redraw draws the knob, so it must put it on the screen too.
    knob->setValue(1.0f);
    XEvent e {};
    e.xexpose = { Expose, 0, True, display, windowOf(frame), 0, 0, 10, 10, 0 };
    XSendEvent(display, windowOf(frame), False, ExposureMask, &e);
    XSync(display, False);
    EXPECT_TRUE(screenMatches(frame));
}

TEST_F(X11Window, RepeatedOpenAndCloseLeavesNothingBehind)
{
    const int filesBefore = openFiles();
    for (int i = 0; i < 100; ++i) {
        auto frame = std::make_unique<CFrame>(CRect { 0, 0, 856, 456 }, reinterpret_cast<void*>(parent));
        ASSERT_NE(frame->platformWindow(), nullptr) << i;
        frame->addView(new CAnimKnob({ 0, 0, 32, 32 }, nullptr, 1, 101, 32, CBitmap(133)));
        frame->idle();
        XSync(display, False);
        EXPECT_EQ(children().size(), 1u);
    }
    XSync(display, False);
    EXPECT_TRUE(children().empty());
    EXPECT_EQ(openFiles(), filesBefore);
}

TEST_F(X11Window, WithoutAServerTheFrameDrawsOffscreen)
{
    setenv("DISPLAY", ":9999", 1);
    CFrame frame({ 0, 0, 100, 100 }, reinterpret_cast<void*>(parent));
    setenv("DISPLAY", server->name.c_str(), 1);
    EXPECT_EQ(frame.platformWindow(), nullptr);
    frame.idle();
    EXPECT_EQ(frame.image().width(), 100);
}
