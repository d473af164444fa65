#include "gui/Frame.h"
#include "gui/Platform.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdint>
#include <string>

namespace {

constexpr UINT_PTR kTimerId = 1;
constexpr UINT kTimerMs = 30;

// The class is registered while any frame window exists and unregistered with
// the last one, so that no class outlives the library that holds its procedure.
int windowCount = 0;

std::wstring className()
{
    return L"ZarvexFrame" + std::to_wstring(reinterpret_cast<uintptr_t>(moduleInstance()));
}

int buttons(WPARAM keys)
{
    int b = 0;
    if (keys & MK_LBUTTON)
        b |= kLButton;
    if (keys & MK_RBUTTON)
        b |= kRButton;
    if (keys & MK_SHIFT)
        b |= kShift;
    if (keys & MK_CONTROL)
        b |= kControl;
    if (GetKeyState(VK_MENU) < 0)
        b |= kAlt;
    return b;
}

CPoint pointOf(LPARAM lParam)
{
    return { int(short(LOWORD(lParam))), int(short(HIWORD(lParam))) };
}

// A child window of the host's window; the host's message loop drives it, and
// its timer lets the frame redraw between the host's idle calls.
class Win32Window : public CPlatformWindow {
public:
    Win32Window(HWND parent, CFrame& frame)
        : frame(frame)
        , scale(frame.getScale())
    {
        const HINSTANCE instance = static_cast<HINSTANCE>(moduleInstance());
        const std::wstring name = className();
        if (windowCount++ == 0) {
            WNDCLASSW wc {};
            wc.lpfnWndProc = &Win32Window::procedure;
            wc.hInstance = instance;
            wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
            wc.lpszClassName = name.c_str();
            RegisterClassW(&wc);
        }
        const CRect& at = frame.getViewSize();
        hwnd = CreateWindowExW(0, name.c_str(), L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, at.left * scale,
            at.top * scale, frame.image().width(), frame.image().height(), parent, nullptr, instance, this);
        if (hwnd)
            SetTimer(hwnd, kTimerId, kTimerMs, nullptr);
    }

    ~Win32Window() override
    {
        if (hwnd) {
            KillTimer(hwnd, kTimerId);
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            DestroyWindow(hwnd);
        }
        if (--windowCount == 0)
            UnregisterClassW(className().c_str(), static_cast<HINSTANCE>(moduleInstance()));
    }

    bool isValid() const { return hwnd != nullptr; }

    // The host's message loop delivers the events.
    void pumpEvents() override { }

    void present(const CRect& r) override
    {
        const RECT area { r.left * scale, r.top * scale, r.right * scale, r.bottom * scale };
        InvalidateRect(hwnd, &area, FALSE);
    }

    void* nativeHandle() const override { return hwnd; }

private:
    static LRESULT CALLBACK procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_NCCREATE) {
            const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* self = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (!self)
            return DefWindowProcW(hwnd, message, wParam, lParam);
        return self->handle(hwnd, message, wParam, lParam);
    }

    void paint(HWND hwnd)
    {
        // What the redraw changed joins the area painted: its dirty marks are gone.
        const CRect changed = frame.redraw();
        if (!changed.isEmpty())
            present(changed);
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        const CImage& image = frame.image();
        BITMAPINFO info {};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = image.width();
        info.bmiHeader.biHeight = -image.height(); // top-down rows
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        SetDIBitsToDevice(dc, 0, 0, DWORD(image.width()), DWORD(image.height()), 0, 0, 0, UINT(image.height()),
            image.data(), &info, DIB_RGB_COLORS);
        EndPaint(hwnd, &ps);
    }

    LRESULT handle(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        switch (message) {
        case WM_PAINT:
            paint(hwnd);
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_TIMER:
            if (wParam == kTimerId)
                frame.onTimer();
            return 0;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
            SetCapture(hwnd);
            frame.onMouseDown(toFrame(pointOf(lParam)), buttons(wParam), uint32_t(GetMessageTime()));
            return 0;
        case WM_MOUSEMOVE:
            frame.onMouseMoved(toFrame(pointOf(lParam)), buttons(wParam));
            return 0;
        case WM_MOUSEWHEEL: {
            // Screen coordinates, in notches of WHEEL_DELTA.
            POINT at { short(LOWORD(lParam)), short(HIWORD(lParam)) };
            ScreenToClient(hwnd, &at);
            const float notches = float(GET_WHEEL_DELTA_WPARAM(wParam)) / float(WHEEL_DELTA);
            frame.onMouseWheel(toFrame({ int(at.x), int(at.y) }), notches, buttons(GET_KEYSTATE_WPARAM(wParam)));
            return 0;
        }
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
            ReleaseCapture();
            frame.onMouseUp(
                toFrame(pointOf(lParam)), buttons(wParam) | (message == WM_LBUTTONUP ? kLButton : kRButton));
            return 0;
        default:
            return DefWindowProcW(hwnd, message, wParam, lParam);
        }
    }

    // The frame's coordinates of a point of the window.
    CPoint toFrame(CPoint p) const { return { p.x / scale, p.y / scale }; }

    CFrame& frame;
    int scale;
    HWND hwnd = nullptr;
};

} // namespace

std::unique_ptr<CPlatformWindow> createPlatformWindow(void* parent, CFrame& frame)
{
    auto window = std::make_unique<Win32Window>(static_cast<HWND>(parent), frame);
    if (!window->isValid())
        return nullptr;
    return window;
}

int displayScale(void* parentWindow)
{
    if (const int requested = requestedScale())
        return requested;
    // The window's own DPI where Windows keeps one per monitor (10 and later),
    // else the screen's.
    using DpiForWindow = UINT(WINAPI*)(HWND);
    const auto dpiForWindow = reinterpret_cast<DpiForWindow>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    UINT dpi = parentWindow && dpiForWindow ? dpiForWindow(static_cast<HWND>(parentWindow)) : 0;
    if (dpi == 0) {
        HDC screen = GetDC(nullptr);
        dpi = UINT(GetDeviceCaps(screen, LOGPIXELSX));
        ReleaseDC(nullptr, screen);
    }
    // Twice the usual 96 dpi from 144 on, where twice the size is nearer.
    return dpi >= 144 ? 2 : 1;
}
