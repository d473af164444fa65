#include "gui/Frame.h"

#include "gui/AEffGUIEditor.h"
#include "gui/Platform.h"

#include <algorithm>
#include <cstdlib>

namespace {

constexpr CColor kListBack { 36, 40, 48, 255 };
constexpr CColor kListFrame { 150, 156, 166, 255 };
constexpr CColor kListText { 220, 224, 230, 255 };
constexpr CColor kListHover { 224, 160, 64, 255 };
constexpr CColor kListHoverText { 20, 20, 24, 255 };
constexpr int kListPadding = 6;

} // namespace

CFrame::CFrame(const CRect& size, void* parentWindow, AEffGUIEditor* editor, int scale)
    : size(size)
    , editor(editor)
    , scale(scale == 2 ? 2 : 1)
    , offscreen(size.width() * this->scale, size.height() * this->scale)
{
    if (parentWindow)
        window = createPlatformWindow(parentWindow, *this);
}

// The window goes first: it may still refer to the frame's image.
CFrame::~CFrame()
{
    window.reset();
}

void CFrame::setBackground(const CBitmap& bitmap)
{
    background = bitmap;
    setDirty();
}

void CFrame::addView(CView* view)
{
    if (!view)
        return;
    const bool isOwned = std::any_of(owned.begin(), owned.end(), [view](const auto& v) { return v.get() == view; });
    if (!isOwned)
        owned.emplace_back(view);
    if (!isShown(view))
        shown.push_back(view);
    view->frame = this;
    view->setDirty();
}

void CFrame::removeView(CView* view, bool deleteView)
{
    if (!view)
        return;
    std::erase(shown, view);
    invalidate(view->getViewSize());
    if (captured == view)
        cancelCapture();
    if (menu == view)
        closeMenu();
    if (deleteView)
        std::erase_if(owned, [view](const auto& v) { return v.get() == view; });
}

void CFrame::removeAll(bool deleteViews)
{
    while (!shown.empty())
        removeView(shown.back(), deleteViews);
}

bool CFrame::isShown(const CView* view) const
{
    return std::find(shown.begin(), shown.end(), view) != shown.end();
}

CView* CFrame::getView(int index) const
{
    return index >= 0 && index < getNbViews() ? shown[size_t(index)] : nullptr;
}

void CFrame::drawArea(CDrawContext& context, const CRect& area)
{
    context.setClip(area);
    context.fillRect(area, kBlackCColor);
    background.draw(context, area, { area.left, area.top });
    for (CView* view : shown)
        if (!view->getViewSize().intersect(area).isEmpty())
            view->draw(context);
}

CRect CFrame::redraw()
{
    CDrawContext context(offscreen, scale);
    if (allDirty) {
        allDirty = false;
        invalid = {};
        for (CView* view : shown)
            view->setDirty(false);
        drawArea(context, bounds());
        drawMenuList(context);
        return bounds();
    }
    // Each dirty view's rectangle is drawn again with everything in it, so
    // overlapping views stay in order.
    std::vector<CRect> areas;
    if (!invalid.isEmpty())
        areas.push_back(invalid);
    invalid = {};
    for (CView* view : shown)
        if (view->isDirty()) {
            view->setDirty(false);
            areas.push_back(view->getViewSize().intersect(bounds()));
        }
    CRect changed;
    for (const CRect& area : areas) {
        drawArea(context, area);
        changed = changed.unite(area);
    }
    if (menu && !changed.intersect(menuRect).isEmpty())
        drawMenuList(context);
    return changed;
}

void CFrame::idle()
{
    if (window)
        window->pumpEvents();
    const CRect changed = redraw();
    if (window && !changed.isEmpty())
        window->present(changed);
}

void CFrame::onTimer()
{
    if (editor)
        editor->idle();
    else
        idle();
}

void CFrame::onMouseDown(CPoint where, int buttons, uint32_t timeMs)
{
    if (buttons & kLButton) {
        const bool near = std::abs(where.x - lastClick.x) <= kDoubleClickDistance
            && std::abs(where.y - lastClick.y) <= kDoubleClickDistance;
        if (hasLastClick && near && timeMs - lastClickTime <= kDoubleClickTime) {
            buttons |= kDoubleClick;
            hasLastClick = false; // a third click starts over
        } else {
            hasLastClick = true;
            lastClickTime = timeMs;
            lastClick = where;
        }
    }
    if (menu) {
        COptionMenu* chosenMenu = menu;
        const int entry = menuEntryAt(where);
        closeMenu();
        if (entry >= 0)
            chosenMenu->chooseEntry(entry);
        return;
    }
    // A press before the last drag's release ends that drag.
    cancelCapture();
    if (CView* view = viewAt(where))
        if (view->onMouseDown(where, buttons) && isShown(view))
            captured = view;
}

CView* CFrame::viewAt(CPoint where) const
{
    for (auto it = shown.rbegin(); it != shown.rend(); ++it)
        if ((*it)->getViewSize().contains(where))
            return *it;
    return nullptr;
}

void CFrame::onMouseWheel(CPoint where, float notches, int buttons)
{
    if (menu || captured)
        return;
    if (CView* view = viewAt(where))
        view->onWheel(where, notches, buttons);
}

void CFrame::cancelCapture()
{
    if (CView* view = captured) {
        captured = nullptr;
        view->onMouseCancel();
    }
}

void CFrame::onMouseMoved(CPoint where, int buttons)
{
    if (menu) {
        const int entry = menuEntryAt(where);
        if (entry != hoverEntry) {
            hoverEntry = entry;
            invalidate(menuRect);
        }
        return;
    }
    if (captured)
        captured->onMouseMoved(where, buttons);
}

void CFrame::onMouseUp(CPoint where, int buttons)
{
    if (CView* view = captured) {
        captured = nullptr;
        view->onMouseUp(where, buttons);
    }
}

void CFrame::openMenu(COptionMenu* owner)
{
    const CFontFace* face = CFontFace::find(owner->getFont());
    int width = owner->getViewSize().width();
    for (int i = 0; i < owner->getNbEntries(); ++i)
        if (face)
            width = std::max(width, face->stringWidth(owner->getEntry(i)) + 2 * kListPadding);
    width = std::min(width, size.width());
    const int height = std::min(owner->getNbEntries() * kMenuEntryHeight + 2, size.height());
    const CRect& at = owner->getViewSize();
    const int left = std::clamp(at.left, 0, size.width() - width);
    int top = at.bottom;
    if (top + height > size.height())
        top = at.top - height;
    if (top < 0)
        top = size.height() - height;
    closeMenu();
    menu = owner;
    menuRect = { left, top, left + width, top + height };
    hoverEntry = -1;
    invalidate(menuRect);
}

void CFrame::closeMenu()
{
    if (!menu)
        return;
    menu = nullptr;
    invalidate(menuRect);
    menuRect = {};
}

int CFrame::menuEntryAt(CPoint where) const
{
    if (!menu || !menuRect.contains(where))
        return -1;
    const int entry = (where.y - menuRect.top - 1) / kMenuEntryHeight;
    return entry >= 0 && entry < menu->getNbEntries() ? entry : -1;
}

void CFrame::drawMenuList(CDrawContext& context)
{
    if (!menu)
        return;
    context.setClip(menuRect);
    context.fillRect(menuRect, kListBack);
    context.frameRect(menuRect, kListFrame);
    for (int i = 0; i < menu->getNbEntries(); ++i) {
        const int top = menuRect.top + 1 + i * kMenuEntryHeight;
        const CRect line { menuRect.left + 1, top, menuRect.right - 1, top + kMenuEntryHeight };
        const bool hover = i == hoverEntry;
        if (hover)
            context.fillRect(line, kListHover);
        const CColor text = hover ? kListHoverText : (i == menu->getCurrent() ? kListHover : kListText);
        context.drawString(menu->getEntry(i), { line.left + kListPadding - 1, line.top, line.right, line.bottom },
            menu->getFont(), text, CHoriAlign::left);
    }
}
