#include "gui/Controls.h"

#include "gui/Frame.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdio>

CView::CView(const CRect& size)
    : size(size)
{
}

void CView::setViewSize(const CRect& r)
{
    if (frame && !(r == size))
        frame->invalidate(size);
    size = r;
    dirty = true;
}

CControl::CControl(const CRect& size, CControlListener* listener, int tag)
    : CView(size)
    , listener(listener)
    , tag(tag)
{
}

void CControl::setValue(float newValue)
{
    if (std::isnan(newValue))
        return;
    newValue = std::clamp(newValue, vmin, vmax);
    if (newValue != value) {
        value = newValue;
        setDirty();
    }
}

void CControl::setMin(float v)
{
    if (std::isnan(v) || v > vmax)
        return;
    vmin = v;
    setValue(value);
}

void CControl::setMax(float v)
{
    if (std::isnan(v) || v < vmin)
        return;
    vmax = v;
    setValue(value);
}

void CControl::setZoomFactor(float factor)
{
    if (factor >= 1.0f && std::isfinite(factor))
        zoomFactor = factor;
}

void CControl::beginEdit()
{
    if (editing)
        return;
    editing = true;
    if (listener)
        listener->controlBeginEdit(this);
}

void CControl::endEdit()
{
    if (!editing)
        return;
    editing = false;
    if (listener)
        listener->controlEndEdit(this);
}

bool CControl::checkDefaultValue(int buttons)
{
    if (!(buttons & kLButton) || !(buttons & (kDoubleClick | kControl)))
        return false;
    beginEdit();
    setValue(defaultValue);
    notify();
    endEdit();
    return true;
}

bool CControl::wheelStep(float notches, float steps, int buttons)
{
    if (!(notches != 0.0f) || steps <= 0.0f)
        return false;
    const float step = notches * (vmax - vmin) / steps;
    beginEdit();
    changeValue(value + ((buttons & kShift) ? step / zoomFactor : step));
    endEdit();
    return true;
}

void CControl::changeValue(float newValue)
{
    const float old = value;
    setValue(newValue);
    if (value != old)
        notify();
}

void CControl::notify()
{
    if (listener)
        listener->valueChanged(this);
}

float CControl::dragStep(int pixels, float travel, int buttons) const
{
    const float step = float(pixels) * (vmax - vmin) / travel;
    return (buttons & kShift) ? step / zoomFactor : step;
}

CAnimKnob::CAnimKnob(const CRect& size, CControlListener* listener, int tag, int subPixmaps,
    int heightOfOneImage, const CBitmap& bitmap, CPoint offset)
    : CControl(size, listener, tag)
    , bitmap(bitmap)
    , offset(offset)
    , subPixmaps(std::max(subPixmaps, 1))
    , heightOfOneImage(heightOfOneImage)
{
}

int CAnimKnob::currentFrame() const
{
    const float range = getMax() - getMin();
    const float position = range > 0.0f ? (getValue() - getMin()) / range : 0.0f;
    return std::clamp(int(std::lround(position * float(subPixmaps - 1))), 0, subPixmaps - 1);
}

void CAnimKnob::draw(CDrawContext& context)
{
    bitmap.draw(context, size, { offset.x, offset.y + currentFrame() * heightOfOneImage });
}

bool CAnimKnob::onMouseDown(CPoint where, int buttons)
{
    if (!(buttons & kLButton) || checkDefaultValue(buttons))
        return false;
    beginEdit();
    lastY = where.y;
    return true;
}

bool CAnimKnob::onWheel(CPoint, float notches, int buttons) { return wheelStep(notches, kWheelSteps, buttons); }

void CAnimKnob::onMouseMoved(CPoint where, int buttons)
{
    if (!(buttons & kLButton))
        return;
    const int pixels = lastY - where.y;
    lastY = where.y;
    changeValue(getValue() + dragStep(pixels, kDragTravel, buttons));
}

CHorizontalSlider::CHorizontalSlider(const CRect& size, CControlListener* listener, int tag,
    const CBitmap& handle, const CBitmap& background, CPoint offset)
    : CControl(size, listener, tag)
    , handle(handle)
    , background(background)
    , offset(offset)
{
}

float CHorizontalSlider::travel() const
{
    return float(std::max(size.width() - handle.getWidth(), 1));
}

float CHorizontalSlider::handleLeft() const
{
    const float range = getMax() - getMin();
    const float position = range > 0.0f ? (getValue() - getMin()) / range : 0.0f;
    return float(size.left) + position * travel();
}

CRect CHorizontalSlider::handleRect() const
{
    const int left = int(std::lround(handleLeft()));
    const int top = size.top + (size.height() - handle.getHeight()) / 2;
    return { left, top, left + handle.getWidth(), top + handle.getHeight() };
}

void CHorizontalSlider::draw(CDrawContext& context)
{
    background.draw(context, size, offset);
    handle.draw(context, handleRect());
}

bool CHorizontalSlider::onMouseDown(CPoint where, int buttons)
{
    if (!(buttons & kLButton) || checkDefaultValue(buttons))
        return false;
    beginEdit();
    if (!handleRect().contains(where)) {
        const float centre = float(where.x - size.left) - 0.5f * float(handle.getWidth());
        changeValue(getMin() + (getMax() - getMin()) * centre / travel());
    }
    lastX = where.x;
    grab = float(where.x) - handleLeft();
    return true;
}

void CHorizontalSlider::onMouseMoved(CPoint where, int buttons)
{
    if (!(buttons & kLButton))
        return;
    if (buttons & kShift) {
        changeValue(getValue() + dragStep(where.x - lastX, travel(), buttons));
        grab = float(where.x) - handleLeft();
    } else {
        const float left = float(where.x) - grab - float(size.left);
        changeValue(getMin() + (getMax() - getMin()) * left / travel());
    }
    lastX = where.x;
}

bool CHorizontalSlider::onWheel(CPoint, float notches, int buttons)
{
    return wheelStep(notches, CAnimKnob::kWheelSteps, buttons);
}

CParamDisplay::CParamDisplay(const CRect& size, CControlListener* listener, int tag)
    : CControl(size, listener, tag)
{
    setMin(-FLT_MAX);
    setMax(FLT_MAX);
}

void CParamDisplay::setStringConvert(StringConvert newConvert)
{
    convert = std::move(newConvert);
    setDirty();
}

void CParamDisplay::setFont(int id)
{
    fontId = id;
    setDirty();
}

void CParamDisplay::setFontColor(CColor color)
{
    fontColor = color;
    setDirty();
}

void CParamDisplay::setBackColor(CColor color)
{
    backColor = color;
    setDirty();
}

void CParamDisplay::setFrameColor(CColor color)
{
    frameColor = color;
    setDirty();
}

void CParamDisplay::setStyle(int styleBits)
{
    style = styleBits;
    setDirty();
}

void CParamDisplay::setHoriAlign(CHoriAlign newAlign)
{
    align = newAlign;
    setDirty();
}

std::string CParamDisplay::getText() const
{
    if (convert)
        return convert(getValue());
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", double(getValue()));
    return text;
}

void CParamDisplay::drawBox(CDrawContext& context, const CRect& textArea)
{
    context.fillRect(size, backColor);
    if (!(style & kNoFrame))
        context.frameRect(size, frameColor);
    context.drawString(getText(), textArea, fontId, fontColor, align);
}

void CParamDisplay::draw(CDrawContext& context)
{
    drawBox(context, { size.left + 2, size.top, size.right - 2, size.bottom });
}

COptionMenu::COptionMenu(const CRect& size, CControlListener* listener, int tag)
    : CParamDisplay(size, listener, tag)
{
    setHoriAlign(CHoriAlign::left);
    entriesChanged();
}

void COptionMenu::addEntry(const std::string& text, int index)
{
    if (index < 0 || index >= getNbEntries())
        entries.push_back(text);
    else
        entries.insert(entries.begin() + index, text);
    entriesChanged();
}

void COptionMenu::removeAllEntry()
{
    entries.clear();
    entriesChanged();
}

void COptionMenu::entriesChanged()
{
    setMin(0.0f);
    setMax(float(std::max(getNbEntries() - 1, 0)));
    setDirty();
}

std::string COptionMenu::getEntry(int index) const
{
    return index >= 0 && index < getNbEntries() ? entries[size_t(index)] : std::string();
}

void COptionMenu::chooseEntry(int index)
{
    if (index < 0 || index >= getNbEntries())
        return;
    beginEdit();
    setCurrent(index);
    notify();
    endEdit();
}

std::string COptionMenu::getText() const
{
    return getEntry(getCurrent());
}

void COptionMenu::draw(CDrawContext& context)
{
    // Room on the right for the arrow that marks a menu.
    constexpr int kArrowWidth = 12;
    drawBox(context, { size.left + 4, size.top, size.right - kArrowWidth, size.bottom });
    const int cx = size.right - kArrowWidth / 2 - 1;
    const int cy = size.top + size.height() / 2 - 1;
    for (int row = 0; row < 3; ++row)
        context.fillRect({ cx - 3 + row, cy + row, cx + 4 - row, cy + row + 1 }, getFontColor());
}

bool COptionMenu::onWheel(CPoint, float notches, int)
{
    if (!(notches != 0.0f) || getNbEntries() == 0)
        return false;
    const int entry = std::clamp(getCurrent() + (notches > 0.0f ? -1 : 1), 0, getNbEntries() - 1);
    if (entry != getCurrent())
        chooseEntry(entry);
    return true;
}

bool COptionMenu::onMouseDown(CPoint where, int buttons)
{
    if ((buttons & kLButton) && getFrame() && getNbEntries() > 0)
        getFrame()->openMenu(this);
    return false;
}
