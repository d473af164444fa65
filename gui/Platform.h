#pragma once

#include "gui/Drawing.h"

#include <memory>

class CFrame;

// The module instance handle (the HINSTANCE on Windows), stored by the
// plug-in library's attach routine; Windows bitmaps are loaded through it.
void* moduleInstance();
void setModuleInstance(void* instance);

// The bitmap resource with this id; an empty image if there is none.
CImage loadResourceImage(int id);

// The scale (1 or 2) at which to draw a frame for the screen of the host's
// window (null: the default screen): 2 on screens of about twice the usual
// pixel density, or whatever the environment variable ZARVEX_UI_SCALE (1 or 2) says.
int displayScale(void* parentWindow);
// The scale ZARVEX_UI_SCALE asks for, or 0 when it asks for none.
int requestedScale();

// The window of the host's window system that shows one frame. It lives and
// is used on the GUI thread only.
class CPlatformWindow {
public:
    virtual ~CPlatformWindow() = default;
    // Handles the mouse and exposure events the window system has queued.
    virtual void pumpEvents() = 0;
    // Copies the frame's image in r to the screen.
    virtual void present(const CRect& r) = 0;
    // The X window id or HWND.
    virtual void* nativeHandle() const = 0;
};

// A child window of parent (an X window id or an HWND) at the frame's size;
// null when the window system cannot be reached.
std::unique_ptr<CPlatformWindow> createPlatformWindow(void* parent, CFrame& frame);
