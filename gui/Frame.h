#pragma once

#include "gui/Controls.h"

#include <cstdint>
#include <memory>
#include <vector>

class AEffGUIEditor;
class CPlatformWindow;

// The top-level view: a fixed-size offscreen image holding a background
// bitmap and the views on it, shown in a child window of the host's window
// when it is given one. It owns every view ever added to it: views taken off
// the frame without deleting them stay its own until it is deleted, so one set
// of views can be swapped in and out and none leaks.
class CFrame {
public:
    // Pixels apart, and milliseconds apart, that two clicks make a double-click.
    static constexpr int kDoubleClickDistance = 4;
    static constexpr uint32_t kDoubleClickTime = 400;
    static constexpr int kMenuEntryHeight = 16;

    // Without a parent window the frame draws only into its image. At scale 2
    // the image and the window have twice the size in each direction, for
    // screens of twice the pixel density; views keep the frame's coordinates.
    explicit CFrame(const CRect& size, void* parentWindow = nullptr, AEffGUIEditor* editor = nullptr, int scale = 1);
    ~CFrame();
    CFrame(const CFrame&) = delete;
    CFrame& operator=(const CFrame&) = delete;

    const CRect& getViewSize() const { return size; }
    CRect bounds() const { return { 0, 0, size.width(), size.height() }; }
    int getScale() const { return scale; }
    // The image's (and the window's) pixels, scale times the frame's.
    const CImage& image() const { return offscreen; }
    CPlatformWindow* platformWindow() const { return window.get(); }
    AEffGUIEditor* getEditor() const { return editor; }

    void setBackground(const CBitmap& bitmap);
    const CBitmap& getBackground() const { return background; }

    // Shows the view on top of the others and makes it the frame's own.
    void addView(CView* view);
    // Takes the view off the frame; deleteView false keeps it for a later addView.
    void removeView(CView* view, bool deleteView = true);
    void removeAll(bool deleteViews = true);
    bool isShown(const CView* view) const;
    int getNbViews() const { return int(shown.size()); }
    CView* getView(int index) const;

    // The whole frame is drawn again by the next redraw.
    void setDirty() { allDirty = true; }
    void invalidate(const CRect& r) { invalid = invalid.unite(r.intersect(bounds())); }
    // Draws what changed into the image; returns the area drawn.
    CRect redraw();
    // Handles queued window events, redraws and shows what changed.
    void idle();
    // The platform's timer: the editor's idle when there is an editor.
    void onTimer();

    // Mouse events in frame coordinates; timeMs finds double-clicks.
    void onMouseDown(CPoint where, int buttons, uint32_t timeMs);
    void onMouseMoved(CPoint where, int buttons);
    void onMouseUp(CPoint where, int buttons);
    // Notches up (positive) or down, to the view under the mouse.
    void onMouseWheel(CPoint where, float notches, int buttons);
    // Ends the drag in progress, if any, without a release.
    void cancelCapture();

    // The list of a menu's entries, open over the frame until the next click.
    void openMenu(COptionMenu* menu);
    void closeMenu();
    COptionMenu* getOpenMenu() const { return menu; }
    CRect menuListRect() const { return menuRect; }
    int menuEntryAt(CPoint where) const;

private:
    // The topmost shown view at the point.
    CView* viewAt(CPoint where) const;
    void drawArea(CDrawContext& context, const CRect& area);
    void drawMenuList(CDrawContext& context);

    CRect size;
    AEffGUIEditor* editor;
    int scale;
    CImage offscreen;
    CBitmap background;
    std::vector<std::unique_ptr<CView>> owned;
    std::vector<CView*> shown;
    bool allDirty = true;
    CRect invalid;
    CView* captured = nullptr;
    bool hasLastClick = false;
    uint32_t lastClickTime = 0;
    CPoint lastClick;
    COptionMenu* menu = nullptr;
    CRect menuRect;
    int hoverEntry = -1;
    std::unique_ptr<CPlatformWindow> window;
};
