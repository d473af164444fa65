#include "gui/Frame.h"
#include "gui/Platform.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdint>

namespace {

// The frame's window on its own connection to the X server: the host gives
// only the parent window's id, not its Display. Everything happens on the GUI
// thread, in idle, which also reads this connection's events.
class X11Window : public CPlatformWindow {
public:
    X11Window(Display* display, Window parent, CFrame& frame)
        : display(display)
        , frame(frame)
    {
        const CRect& at = frame.getViewSize();
        window = XCreateSimpleWindow(display, parent, at.left, at.top, unsigned(at.width()),
            unsigned(at.height()), 0, 0, 0);
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
                reinterpret_cast<char*>(pixels), unsigned(at.width()), unsigned(at.height()), 32, at.width() * 4);
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
        const CRect area = r.intersect(frame.bounds());
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

    void handle(const XEvent& event)
    {
        switch (event.type) {
        case Expose: {
            // What the redraw changed must be shown too: its dirty marks are gone.
            const CRect exposed { event.xexpose.x, event.xexpose.y, event.xexpose.x + event.xexpose.width,
                event.xexpose.y + event.xexpose.height };
            present(frame.redraw().unite(exposed));
            break;
        }
        case ButtonPress:
            // Buttons 4 and 5 are the wheel turned up and down.
            if (event.xbutton.button <= Button3)
                frame.onMouseDown({ event.xbutton.x, event.xbutton.y },
                    buttons(event.xbutton.state, event.xbutton.button), uint32_t(event.xbutton.time));
            else if (event.xbutton.button == Button4 || event.xbutton.button == Button5)
                frame.onMouseWheel({ event.xbutton.x, event.xbutton.y },
                    event.xbutton.button == Button4 ? 1.0f : -1.0f, buttons(event.xbutton.state, 0));
            break;
        case ButtonRelease:
            if (event.xbutton.button <= Button3)
                frame.onMouseUp({ event.xbutton.x, event.xbutton.y }, buttons(event.xbutton.state, 0));
            break;
        case MotionNotify:
            frame.onMouseMoved({ event.xmotion.x, event.xmotion.y }, buttons(event.xmotion.state, 0));
            break;
        default:
            break;
        }
    }

    Display* display;
    CFrame& frame;
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
