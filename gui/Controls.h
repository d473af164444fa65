#pragma once

#include "gui/Bitmap.h"
#include "gui/Font.h"

#include <functional>
#include <string>
#include <vector>

class CFrame;
class CControl;

// Mouse buttons and modifier keys of a mouse event.
enum CButtonState : int {
    kLButton = 1 << 0,
    kRButton = 1 << 1,
    kShift = 1 << 2,
    kControl = 1 << 3,
    kAlt = 1 << 4,
    kDoubleClick = 1 << 5,
};

// Anything the frame shows. A view draws only its own rectangle and is drawn
// again only after it was marked dirty.
class CView {
public:
    explicit CView(const CRect& size);
    virtual ~CView() = default;
    CView(const CView&) = delete;
    CView& operator=(const CView&) = delete;

    const CRect& getViewSize() const { return size; }
    void setViewSize(const CRect& r);
    void setDirty(bool state = true) { dirty = state; }
    bool isDirty() const { return dirty; }
    CFrame* getFrame() const { return frame; }

    virtual void draw(CDrawContext& context) = 0;
    // Returns true to receive the moves and the release that follow.
    virtual bool onMouseDown(CPoint where, int buttons) { return false; }
    virtual void onMouseMoved(CPoint where, int buttons) { }
    virtual void onMouseUp(CPoint where, int buttons) { }
    // The drag that this view captured ends without a release: the view is
    // taken off the frame, the frame closes or another press arrives first.
    virtual void onMouseCancel() { }
    // A turn of the mouse wheel, notches up (positive) or down. Returns
    // whether the view used it.
    virtual bool onWheel(CPoint where, float notches, int buttons) { return false; }

protected:
    CRect size;

private:
    friend class CFrame;
    bool dirty = true;
    CFrame* frame = nullptr;
};

// Hears a control's changes. Every change a user makes falls within one
// gesture, opened by controlBeginEdit and closed by controlEndEdit: a drag, a
// reset, a menu choice, a wheel notch.
class CControlListener {
public:
    virtual ~CControlListener() = default;
    virtual void valueChanged(CControl* control) = 0;
    virtual void controlBeginEdit(CControl* control) { }
    virtual void controlEndEdit(CControl* control) { }
};

// A view with a value (0..1 unless the control says otherwise), a tag that
// names it to its listener, and a default value for the reset gesture.
class CControl : public CView {
public:
    CControl(const CRect& size, CControlListener* listener, int tag);

    int getTag() const { return tag; }
    void setTag(int newTag) { tag = newTag; }
    void setListener(CControlListener* newListener) { listener = newListener; }

    // Clamped to min..max; NaN is ignored. Marks the control dirty if it changes.
    virtual void setValue(float newValue);
    float getValue() const { return value; }
    void setMin(float v);
    void setMax(float v);
    float getMin() const { return vmin; }
    float getMax() const { return vmax; }
    void setDefaultValue(float v) { defaultValue = v; }
    float getDefaultValue() const { return defaultValue; }
    // Dragging (and turning the wheel) with Shift moves the value this many
    // times slower.
    void setZoomFactor(float factor);
    float getZoomFactor() const { return zoomFactor; }

    // A gesture's bounds; each is told to the listener once, however often called.
    void beginEdit();
    void endEdit();

    void onMouseUp(CPoint where, int buttons) override { endEdit(); }
    void onMouseCancel() override { endEdit(); }

protected:
    // The reset gesture, a double-click or a click with Ctrl: sets the default
    // value and reports it as one gesture. Returns whether the click was one.
    bool checkDefaultValue(int buttons);
    // One wheel notch is a gesture of its own: steps notches of the range
    // apart from the value (Shift: zoom factor times finer).
    bool wheelStep(float notches, float steps, int buttons);
    // Sets the value and reports it to the listener if it changed.
    void changeValue(float newValue);
    void notify();
    // How far a drag of pixels moves the value when travel pixels cover the range.
    float dragStep(int pixels, float travel, int buttons) const;

private:
    CControlListener* listener;
    int tag;
    float value = 0.0f;
    float vmin = 0.0f;
    float vmax = 1.0f;
    float defaultValue = 0.5f;
    float zoomFactor = 1.0f;
    bool editing = false;
};

// A knob drawn from a film strip: subPixmaps frames of heightOfOneImage pixels
// stacked top to bottom, frame 0 for the minimum. Dragging up turns it up.
class CAnimKnob : public CControl {
public:
    // Pixels of vertical drag, and wheel notches, that sweep the whole range.
    static constexpr float kDragTravel = 150.0f;
    static constexpr float kWheelSteps = 50.0f;

    CAnimKnob(const CRect& size, CControlListener* listener, int tag, int subPixmaps, int heightOfOneImage,
        const CBitmap& bitmap, CPoint offset = {});

    int currentFrame() const;
    void draw(CDrawContext& context) override;
    bool onMouseDown(CPoint where, int buttons) override;
    void onMouseMoved(CPoint where, int buttons) override;
    bool onWheel(CPoint where, float notches, int buttons) override;

private:
    CBitmap bitmap;
    CPoint offset;
    int subPixmaps;
    int heightOfOneImage;
    int lastY = 0;
};

// A handle bitmap that slides over a background bitmap. A click on the
// background moves the handle's centre there; the handle then follows the mouse.
class CHorizontalSlider : public CControl {
public:
    CHorizontalSlider(const CRect& size, CControlListener* listener, int tag, const CBitmap& handle,
        const CBitmap& background, CPoint offset = {});

    CRect handleRect() const;
    void draw(CDrawContext& context) override;
    bool onMouseDown(CPoint where, int buttons) override;
    void onMouseMoved(CPoint where, int buttons) override;
    bool onWheel(CPoint where, float notches, int buttons) override;

private:
    float travel() const;
    float handleLeft() const;

    CBitmap handle;
    CBitmap background;
    CPoint offset;
    int lastX = 0;
    float grab = 0.0f; // mouse x minus handle left while dragging
};

enum CDisplayStyle : int {
    kNoFrame = 1 << 0,
};

// Shows its value as text through a string conversion ("%.2f" without one).
// Its value is not limited to 0..1.
class CParamDisplay : public CControl {
public:
    using StringConvert = std::function<std::string(float value)>;

    explicit CParamDisplay(const CRect& size, CControlListener* listener = nullptr, int tag = -1);

    void setStringConvert(StringConvert convert);
    void setFont(int fontId);
    void setFontColor(CColor color);
    void setBackColor(CColor color);
    void setFrameColor(CColor color);
    void setStyle(int styleBits);
    void setHoriAlign(CHoriAlign align);
    int getFont() const { return fontId; }
    CColor getFontColor() const { return fontColor; }
    CColor getBackColor() const { return backColor; }
    int getStyle() const { return style; }

    // The text that draw shows.
    virtual std::string getText() const;
    void draw(CDrawContext& context) override;

protected:
    void drawBox(CDrawContext& context, const CRect& textArea);

private:
    StringConvert convert;
    int fontId = kFontDisplay;
    CColor fontColor = kWhiteCColor;
    CColor backColor = kBlackCColor;
    CColor frameColor = { 128, 128, 128, 255 };
    int style = 0;
    CHoriAlign align = CHoriAlign::center;
};

// Shows its selected entry; a click opens the list of entries over the frame
// and a click on an entry selects it. Its value is the selected index.
class COptionMenu : public CParamDisplay {
public:
    COptionMenu(const CRect& size, CControlListener* listener, int tag);

    // Inserts before index, or appends when index is out of range.
    void addEntry(const std::string& text, int index = -1);
    void removeAllEntry();
    int getNbEntries() const { return int(entries.size()); }
    // The entry's text; empty when there is none.
    std::string getEntry(int index) const;
    void setCurrent(int index) { setValue(float(index)); }
    int getCurrent() const { return int(getValue()); }
    // Selects the entry the user chose in the open list and reports it.
    void chooseEntry(int index);

    std::string getText() const override;
    void draw(CDrawContext& context) override;
    bool onMouseDown(CPoint where, int buttons) override;
    // The wheel steps through the entries, up towards the first.
    bool onWheel(CPoint where, float notches, int buttons) override;

private:
    void entriesChanged();

    std::vector<std::string> entries;
};
