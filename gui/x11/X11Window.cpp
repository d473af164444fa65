#include "gui/Frame.h"
#include "gui/Platform.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// The frame's window on its own connection to the X server: the host gives
// only the parent window's id, not its Display. Everything happens on the GUI
// thread, in idle, which also reads this connection's events.
class X11Window : public CPlatformWindow {
public:
    X11Window(Display* display, Window parent, CFrame& frame)
        : display(display)
        , frame(frame)
        , scale(frame.getScale())
    {
        const CRect& at = frame.getViewSize();
        const int width = frame.image().width(), height = frame.image().height();
        window = XCreateSimpleWindow(display, parent, at.left * scale, at.top * scale, unsigned(width),
            unsigned(height), 0, 0, 0);
        XSelectInput(display, window,
            ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask);
        gc = XCreateGC(display, window, 0, nullptr);
        XWindowAttributes attributes;
        XGetWindowAttributes(display, window, &attributes);
        const Visual* v = attributes.visual;
        // The frame's pixels are 0x00RRGGBB words: what a 24- or 32-bit
        // true-colour visual takes without conversion.
        if (attributes.depth >= 24 && v->red_mask == 0xff0000 && v->green_mask == 0xff00 && v->blue_mask == 0xff) {
            auto* pixels = const_cast<uint32_t*>(frame.image().data());
            image = XCreateImage(display, attributes.visual, unsigned(attributes.depth), ZPixmap, 0,
                reinterpret_cast<char*>(pixels), unsigned(width), unsigned(height), 32, width * 4);
            if (image)
                image->byte_order = LSBFirst;
        }
        XMapWindow(display, window);
        XFlush(display);
    }

    ~X11Window() override
    {
        if (image) {
            image->data = nullptr; // the frame's, not Xlib's to free
            XDestroyImage(image);
        }
        XFreeGC(display, gc);
        XDestroyWindow(display, window);
        XCloseDisplay(display);
    }

    void pumpEvents() override
    {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            handle(event);
        }
    }

    void present(const CRect& r) override
    {
        const CRect shown = r.intersect(frame.bounds());
        const CRect area { shown.left * scale, shown.top * scale, shown.right * scale, shown.bottom * scale };
        if (!image || area.isEmpty())
            return;
        XPutImage(display, window, gc, image, area.left, area.top, area.left, area.top, unsigned(area.width()),
            unsigned(area.height()));
        XFlush(display);
    }

    void* nativeHandle() const override { return reinterpret_cast<void*>(window); }

private:
    static int buttons(unsigned state, unsigned button)
    {
        int b = 0;
        if ((state & Button1Mask) || button == Button1)
            b |= kLButton;
        if ((state & Button3Mask) || button == Button3)
            b |= kRButton;
        if (state & ShiftMask)
            b |= kShift;
        if (state & ControlMask)
            b |= kControl;
        if (state & Mod1Mask)
            b |= kAlt;
        return b;
    }

    // The frame's coordinates of a point of the window.
    CPoint toFrame(int x, int y) const { return { x / scale, y / scale }; }

    void handle(const XEvent& event)
    {
        switch (event.type) {
        case Expose: {
            // What the redraw changed must be shown too: its dirty marks are gone.
            const XExposeEvent& e = event.xexpose;
            const CRect exposed { e.x / scale, e.y / scale, (e.x + e.width + scale - 1) / scale,
                (e.y + e.height + scale - 1) / scale };
            present(frame.redraw().unite(exposed));
            break;
        }
        case ButtonPress: {
            const XButtonEvent& b = event.xbutton;
            // Buttons 4 and 5 are the wheel turned up and down.
            if (b.button <= Button3)
                frame.onMouseDown(toFrame(b.x, b.y), buttons(b.state, b.button), uint32_t(b.time));
            else if (b.button == Button4 || b.button == Button5)
                frame.onMouseWheel(toFrame(b.x, b.y), b.button == Button4 ? 1.0f : -1.0f, buttons(b.state, 0));
            break;
        }
        case ButtonRelease:
            if (event.xbutton.button <= Button3)
                frame.onMouseUp(toFrame(event.xbutton.x, event.xbutton.y), buttons(event.xbutton.state, 0));
            break;
        case MotionNotify:
            frame.onMouseMoved(toFrame(event.xmotion.x, event.xmotion.y), buttons(event.xmotion.state, 0));
            break;
        default:
            break;
        }
    }

    Display* display;
    CFrame& frame;
    int scale;
    Window window = 0;
    GC gc = nullptr;
    XImage* image = nullptr;
};

} // namespace

std::unique_ptr<CPlatformWindow> createPlatformWindow(void* parent, CFrame& frame)
{
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return nullptr;
    return std::make_unique<X11Window>(display, Window(reinterpret_cast<uintptr_t>(parent)), frame);
}

namespace {

// The dots per inch that the desktop asks applications to draw at: the
// Xft.dpi resource, as GTK and Qt read it; 0 when none is set.
double desktopDpi(Display* display)
{
    const char* resources = XResourceManagerString(display);
    if (!resources)
        return 0.0;
    static constexpr char kName[] = "Xft.dpi:";
    for (const char* line = resources; *line;) {
        if (std::strncmp(line, kName, sizeof kName - 1) == 0)
            return std::strtod(line + sizeof kName - 1, nullptr);
        const char* next = std::strchr(line, '\n');
        if (!next)
            break;
        line = next + 1;
    }
    return 0.0;
}

} // namespace

int displayScale(void*)
{
    if (const int requested = requestedScale())
        return requested;
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return 1;
    // Twice the usual 96 dpi from 144 on, where twice the size is nearer.
    const int scale = desktopDpi(display) >= 144.0 ? 2 : 1;
    XCloseDisplay(display);
    return scale;
}
