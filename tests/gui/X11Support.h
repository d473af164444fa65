#pragma once

#include "tests/gui/GuiSupport.h"

// Before Xlib, whose macros (None, Bool) would break it.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <iterator>
#include <thread>
#include <vector>

inline int openFiles()
{
    return int(std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}));
}

// A host's window on an X server for a frame to open in; skipped where no
// server answers.
class X11HostTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        display = XOpenDisplay(nullptr);
        if (!display)
            GTEST_SKIP() << "no X server";
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

    std::vector<Window> children()
    {
        Window root, up, *list = nullptr;
        unsigned count = 0;
        XQueryTree(display, parent, &root, &up, &list, &count);
        std::vector<Window> found(list, list + count);
        XFree(list);
        return found;
    }

    // A press or release of a button (4 and 5: the wheel), or a motion, gap
    // milliseconds after the last event; clicks 1000 ms apart make no double-click.
    void send(Window w, int type, CPoint at, unsigned state = 0, unsigned button = Button1, Time gap = 1000)
    {
        XEvent e {};
        eventTime += gap;
        const Window root = DefaultRootWindow(display);
        if (type == MotionNotify)
            e.xmotion = { type, 0, True, display, w, root, None, eventTime, at.x, at.y, at.x, at.y, state, NotifyNormal, True };
        else
            e.xbutton = { type, 0, True, display, w, root, None, eventTime, at.x, at.y, at.x, at.y, state, button, True };
        XSendEvent(display, w, True,
            type == MotionNotify ? PointerMotionMask : type == ButtonPress ? ButtonPressMask : ButtonReleaseMask, &e);
        XSync(display, False);
    }

    // Whether the window shows the expected pixels within r. The frame draws
    // on a connection of its own: this idles until it shows them or time runs out.
    bool screenShows(Window w, const CImage& expected, const CRect& r, const std::function<void()>& idle)
    {
        for (int attempt = 0; attempt < 200; ++attempt) {
            idle();
            XSync(display, False);
            XImage* shot = XGetImage(display, w, r.left, r.top, unsigned(r.width()), unsigned(r.height()),
                AllPlanes, ZPixmap);
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

    Display* display = nullptr;
    Window parent = 0;
    Time eventTime = 0;
};
