// The Win32 window layer in a real window system (wine, with a display where
// there is one).

#include "gui/Bitmap.h"
#include "gui/Frame.h"
#include "gui/Platform.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// The window takes no keys: its messages need no translating.
void pumpMessages(int milliseconds)
{
    for (const DWORD end = GetTickCount() + static_cast<DWORD>(milliseconds); GetTickCount() < end; Sleep(5))
        for (MSG message; PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);)
            DispatchMessageW(&message);
}

// How many of the window's pixels differ from the image's, copied into a
// top-down 32-bit DIB.
int differingPixels(HWND window, const CImage& image, int width, int height)
{
    BITMAPINFO info {};
    info.bmiHeader = { DWORD(sizeof info.bmiHeader), width, -height, 1, 32, BI_RGB };
    uint32_t* pixels = nullptr;
    HDC windowDc = GetDC(window);
    HDC memoryDc = CreateCompatibleDC(windowDc);
    HBITMAP bitmap
        = CreateDIBSection(memoryDc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&pixels), nullptr, 0);
    HGDIOBJ old = SelectObject(memoryDc, bitmap);
    BitBlt(memoryDc, 0, 0, width, height, windowDc, 0, 0, SRCCOPY);
    GdiFlush();
    int differing = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            differing += ((pixels[y * width + x] ^ image.pixel(x, y)) & 0x00FFFFFFu) != 0;
    SelectObject(memoryDc, old);
    DeleteObject(bitmap);
    DeleteDC(memoryDc);
    ReleaseDC(window, windowDc);
    return differing;
}

} // namespace

// The scale comes from the environment where it asks for one, else from the
// DPI. At either scale the child window shows the frame's image at its size
// and meets the mouse where it draws; closed, it leaves nothing behind.
TEST(Win32Window, ChildWindowShowsTheFrameAtEitherScaleAndMeetsTheMouse)
{
    HWND parent = CreateWindowExW(0, L"STATIC", L"host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 900, 520, nullptr,
        nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!parent)
        GTEST_SKIP() << "no window system to open a window in";
    _putenv("ZARVEX_UI_SCALE=2");
    EXPECT_EQ(displayScale(parent), 2);
    _putenv("ZARVEX_UI_SCALE=");
    EXPECT_EQ(displayScale(parent), 1) << "wine's desktop draws at 96 dpi";

    for (int scale : { 1, 2 }) {
        SCOPED_TRACE(scale);
        CFrame frame({ 0, 0, 856, 456 }, parent, nullptr, scale);
        frame.setBackground(CBitmap(128));
        ASSERT_TRUE(frame.getBackground().isLoaded()) << "the page background comes from the resources";
        frame.addView(new CParamDisplay({ 84, 84, 140, 100 }));
        auto* knob = new CAnimKnob({ 260, 60, 292, 92 }, nullptr, 0, 101, 32, CBitmap(133));
        frame.addView(knob);
        frame.idle();
        pumpMessages(300);
        HWND child = GetWindow(parent, GW_CHILD);
        ASSERT_NE(child, nullptr);
        RECT client {};
        GetClientRect(child, &client);
        EXPECT_EQ(client.right, scale * 856);
        EXPECT_EQ(client.bottom, scale * 456);
        // What the host window lets show of it.
        EXPECT_EQ(differingPixels(child, frame.image(), 800, 400), 0);

        SendMessageW(child, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(scale * 276, scale * 76));
        SendMessageW(child, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(scale * 276, scale * 46));
        SendMessageW(child, WM_LBUTTONUP, 0, MAKELPARAM(scale * 276, scale * 46));
        EXPECT_NEAR(knob->getValue(), 0.2f, 1e-6);
        // The wheel comes in screen coordinates: one notch up.
        POINT onScreen { scale * 276, scale * 76 };
        ClientToScreen(child, &onScreen);
        SendMessageW(child, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(onScreen.x, onScreen.y));
        EXPECT_NEAR(knob->getValue(), 0.22f, 1e-6);
    }
    for (int i = 0; i < 100; ++i) {
        CFrame frame({ 0, 0, 856, 456 }, parent);
        frame.idle();
    }
    pumpMessages(50);
    EXPECT_EQ(GetWindow(parent, GW_CHILD), nullptr);
    DestroyWindow(parent);
}
