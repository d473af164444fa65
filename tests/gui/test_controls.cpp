#include "gui/Frame.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

namespace {

struct Recorder : CControlListener {
    std::vector<std::pair<int, float>> calls;
    void valueChanged(CControl* control) override { calls.emplace_back(control->getTag(), control->getValue()); }
};

uint32_t over(uint32_t dst, uint32_t src)
{
    const double a = (src >> 24) / 255.0;
    uint32_t out = 0xff000000u;
    for (int shift = 0; shift < 24; shift += 8)
        out |= uint32_t(std::lround(((src >> shift) & 0xff) * a + ((dst >> shift) & 0xff) * (1 - a))) << shift;
    return out;
}

// What the frame must show at r: the background with film frame k laid over it.
bool showsFrame(const CFrame& frame, const CRect& r, const CBitmap& strip, int k)
{
    const CImage& bg = frame.getBackground().image();
    for (int y = 0; y < r.height(); ++y)
        for (int x = 0; x < r.width(); ++x) {
            const uint32_t want = over(bg.pixel(r.left + x, r.top + y), strip.image().pixel(x, k * r.height() + y));
            if (frame.image().pixel(r.left + x, r.top + y) != want)
                return false;
        }
    return true;
}

// A view that counts how often it is drawn.
struct CountingView : CView {
    using CView::CView;
    int draws = 0;
    void draw(CDrawContext& context) override
    {
        ++draws;
        context.fillRect(size, { 9, 9, 9, 255 });
    }
};

constexpr CRect kKnobRect { 100, 200, 132, 232 };

struct KnobFixture : ::testing::Test {
    CFrame frame { { 0, 0, 856, 456 } };
    Recorder listener;
    CBitmap strip { 133 };
    CAnimKnob* knob = new CAnimKnob(kKnobRect, &listener, 7, 101, 32, strip);
    KnobFixture()
    {
        frame.setBackground(CBitmap(128));
        knob->setDefaultValue(0.8f);
        knob->setZoomFactor(100);
        frame.addView(knob);
    }
};

} // namespace

TEST_F(KnobFixture, ValueChoosesTheFilmFrame)
{
    ASSERT_TRUE(strip.isLoaded());
    for (auto [value, k] : { std::pair { 0.0f, 0 }, { 0.5f, 50 }, { 1.0f, 100 }, { 0.333f, 33 } }) {
        knob->setValue(value);
        frame.redraw();
        EXPECT_EQ(knob->currentFrame(), k);
        EXPECT_TRUE(showsFrame(frame, kKnobRect, strip, k)) << value;
        // Frames a few steps away look different: the check can tell them apart.
        EXPECT_FALSE(showsFrame(frame, kKnobRect, strip, k < 50 ? k + 4 : k - 4)) << value;
    }
}

TEST_F(KnobFixture, DragUpAndDownChangesTheValueAndReports)
{
    knob->setValue(0.2f);
    frame.onMouseDown({ 110, 210 }, kLButton, 1000);
    frame.onMouseMoved({ 110, 210 - 30 }, kLButton); // 30 of 150 pixels: +0.2
    EXPECT_NEAR(knob->getValue(), 0.4f, 1e-5);
    frame.onMouseMoved({ 140, 210 + 15 }, kLButton); // sideways does nothing, 45 down: -0.3
    EXPECT_NEAR(knob->getValue(), 0.1f, 1e-5);
    frame.onMouseMoved({ 140, 600 }, kLButton); // far below: stops at 0
    EXPECT_EQ(knob->getValue(), 0.0f);
    frame.onMouseUp({ 140, 600 }, kLButton);
    frame.onMouseMoved({ 140, 100 }, kLButton); // released: no effect
    EXPECT_EQ(knob->getValue(), 0.0f);
    ASSERT_EQ(listener.calls.size(), 3u);
    EXPECT_EQ(listener.calls[0].first, 7);
    EXPECT_NEAR(listener.calls[1].second, 0.1f, 1e-5);
    EXPECT_EQ(listener.calls[2].second, 0.0f);
}

TEST_F(KnobFixture, ShiftDragIsFinerByTheZoomFactor)
{
    knob->setValue(0.5f);
    frame.onMouseDown({ 110, 210 }, kLButton | kShift, 1000);
    frame.onMouseMoved({ 110, 60 }, kLButton | kShift); // a whole travel, a hundredth of the range
    EXPECT_NEAR(knob->getValue(), 0.51f, 1e-5);
    frame.onMouseMoved({ 110, 45 }, kLButton); // Shift let go: full speed again
    EXPECT_NEAR(knob->getValue(), 0.61f, 1e-5);
}

TEST_F(KnobFixture, DoubleClickAndCtrlClickResetToTheDefault)
{
    knob->setValue(0.1f);
    frame.onMouseDown({ 110, 210 }, kLButton, 1000);
    frame.onMouseUp({ 110, 210 }, kLButton);
    EXPECT_EQ(knob->getValue(), 0.1f);
    frame.onMouseDown({ 112, 211 }, kLButton, 1300);
    EXPECT_EQ(knob->getValue(), 0.8f);
    ASSERT_EQ(listener.calls.size(), 1u);
    EXPECT_EQ(listener.calls[0].second, 0.8f);
    frame.onMouseUp({ 112, 211 }, kLButton);

    // Too slow, or too far apart, is two single clicks.
    knob->setValue(0.1f);
    frame.onMouseDown({ 110, 210 }, kLButton, 5000);
    frame.onMouseDown({ 110, 210 }, kLButton, 5000 + CFrame::kDoubleClickTime + 1);
    frame.onMouseDown({ 120, 220 }, kLButton, 5000 + CFrame::kDoubleClickTime + 50);
    EXPECT_EQ(knob->getValue(), 0.1f);

    frame.onMouseDown({ 110, 210 }, kLButton | kControl, 9000);
    EXPECT_EQ(knob->getValue(), 0.8f);
}

TEST(Controls, ValuesAreClampedAndNaNIsIgnored)
{
    CAnimKnob knob({ 0, 0, 32, 32 }, nullptr, 1, 101, 32, CBitmap(133));
    knob.setValue(0.25f);
    knob.setValue(std::nanf(""));
    EXPECT_EQ(knob.getValue(), 0.25f);
    knob.setValue(7.0f);
    EXPECT_EQ(knob.getValue(), 1.0f);
    knob.setValue(-INFINITY);
    EXPECT_EQ(knob.getValue(), 0.0f);
    EXPECT_EQ(knob.currentFrame(), 0);

    CParamDisplay display({ 0, 0, 48, 16 });
    display.setValue(157.0f);
    EXPECT_EQ(display.getValue(), 157.0f);
    EXPECT_EQ(display.getText(), "157.00");
    display.setValue(-96.0f);
    EXPECT_EQ(display.getText(), "-96.00");
    display.setStringConvert([](float v) { return v > 359.99f ? std::string("free") : std::to_string(int(v)); });
    display.setValue(360.0f);
    EXPECT_EQ(display.getText(), "free");
}

TEST(Controls, SliderJumpsToAClickAndFollowsADrag)
{
    CFrame frame({ 0, 0, 400, 100 });
    Recorder listener;
    const CBitmap handle(135);
    auto* slider = new CHorizontalSlider({ 72, 40, 316, 56 }, &listener, 14, handle, CBitmap(136));
    slider->setDefaultValue(0.0f);
    frame.addView(slider);
    const float travel = 244.0f - 8.0f;
    // A click at x puts the handle's centre there.
    frame.onMouseDown({ 72 + 4 + 59, 48 }, kLButton, 100);
    EXPECT_NEAR(slider->getValue(), 59.0f / travel, 1e-5);
    EXPECT_EQ(slider->handleRect(), CRect(72 + 59, 40, 72 + 59 + 8, 56));
    frame.onMouseMoved({ 72 + 4 + 118, 30 }, kLButton);
    EXPECT_NEAR(slider->getValue(), 118.0f / travel, 1e-5);
    frame.onMouseMoved({ 1000, 30 }, kLButton);
    EXPECT_EQ(slider->getValue(), 1.0f);
    frame.onMouseUp({ 1000, 30 }, kLButton);
    EXPECT_EQ(listener.calls.size(), 3u);

    // Grabbing the handle off-centre does not make it jump.
    slider->setValue(0.5f);
    const CRect h = slider->handleRect();
    frame.onMouseDown({ h.left + 1, 48 }, kLButton, 5000);
    EXPECT_EQ(slider->getValue(), 0.5f);
    frame.onMouseMoved({ h.left + 1 + 10, 48 }, kLButton);
    EXPECT_NEAR(slider->getValue(), 0.5f + 10.0f / travel, 1e-5);
    frame.onMouseMoved({ h.left + 1 + 10 + 100, 48 }, kLButton | kShift);
    EXPECT_NEAR(slider->getValue(), 0.5f + 10.0f / travel + 100.0f / travel, 1e-5);
    frame.onMouseUp({ 0, 0 }, kLButton);

    frame.onMouseDown({ 100, 48 }, kLButton | kControl, 9000);
    EXPECT_EQ(slider->getValue(), 0.0f);

    frame.redraw();
    const CRect drawn = slider->handleRect();
    EXPECT_EQ(drawn.left, 72);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 8; ++x)
            ASSERT_EQ(frame.image().pixel(drawn.left + x, drawn.top + y), handle.image().pixel(x, y) | 0xff000000u);
}

TEST(Controls, MenuOpensItsListAndAClickChoosesAnEntry)
{
    CFrame frame({ 0, 0, 856, 456 });
    Recorder listener;
    auto* menu = new COptionMenu({ 84, 48, 240, 64 }, &listener, 200);
    for (const char* page : { "Overview", "Oscillators", "Modulations", "Filter", "Amp and Dist" })
        menu->addEntry(page);
    frame.addView(menu);
    frame.redraw();
    EXPECT_EQ(menu->getText(), "Overview");

    frame.onMouseDown({ 100, 55 }, kLButton, 100);
    frame.onMouseUp({ 100, 55 }, kLButton);
    ASSERT_EQ(frame.getOpenMenu(), menu);
    const CRect list = frame.menuListRect();
    EXPECT_EQ(list.top, 64);
    EXPECT_EQ(list.height(), 5 * CFrame::kMenuEntryHeight + 2);
    const CImage before = frame.image();
    EXPECT_EQ(frame.redraw(), list);
    EXPECT_NE(frame.image().pixel(list.left, list.top), before.pixel(list.left, list.top));

    // Entry 3 lies three rows down the list.
    frame.onMouseDown({ list.left + 10, list.top + 1 + 3 * CFrame::kMenuEntryHeight + 5 }, kLButton, 2000);
    EXPECT_EQ(frame.getOpenMenu(), nullptr);
    EXPECT_EQ(menu->getCurrent(), 3);
    ASSERT_EQ(listener.calls.size(), 1u);
    EXPECT_EQ(listener.calls[0], std::make_pair(200, 3.0f));
    // Closing draws the frame back as it was under the list.
    frame.redraw();
    for (int y = list.top; y < list.bottom; ++y)
        for (int x = list.left; x < list.right; ++x)
            ASSERT_EQ(frame.image().pixel(x, y), before.pixel(x, y));

    // A click beside the open list closes it and chooses nothing.
    frame.onMouseDown({ 100, 55 }, kLButton, 4000);
    ASSERT_EQ(frame.getOpenMenu(), menu);
    frame.onMouseDown({ 600, 300 }, kLButton, 6000);
    EXPECT_EQ(frame.getOpenMenu(), nullptr);
    EXPECT_EQ(listener.calls.size(), 1u);
    EXPECT_EQ(menu->getCurrent(), 3);
}

TEST(Controls, MenuEntriesCanBeReplaced)
{
    COptionMenu menu({ 0, 0, 100, 16 }, nullptr, 96);
    for (const char* s : { "12 dB/oct", "24 dB/oct", "36 dB/oct", "48 dB/oct" })
        menu.addEntry(s);
    menu.setCurrent(3);
    menu.addEntry("first", 0);
    EXPECT_EQ(menu.getEntry(0), "first");
    EXPECT_EQ(menu.getNbEntries(), 5);
    EXPECT_TRUE(menu.removeEntry(0));
    EXPECT_FALSE(menu.removeEntry(4));
    EXPECT_EQ(menu.getText(), "48 dB/oct");
    menu.removeAllEntry();
    EXPECT_EQ(menu.getCurrent(), 0);
    EXPECT_EQ(menu.getText(), "");
    for (const char* s : { "180\xb0 @ Freq", "360\xb0 @ Freq" })
        menu.addEntry(s);
    menu.setCurrent(9);
    EXPECT_EQ(menu.getCurrent(), 1);
    EXPECT_EQ(menu.getText(), "360\xb0 @ Freq");
}

TEST(Frame, ControlsRedrawOnlyWhenDirty)
{
    CFrame frame({ 0, 0, 200, 100 });
    auto* a = new CountingView({ 10, 10, 30, 30 });
    auto* b = new CountingView({ 50, 10, 70, 30 });
    frame.addView(a);
    frame.addView(b);
    EXPECT_EQ(frame.redraw(), frame.bounds());
    EXPECT_EQ(a->draws, 1);
    EXPECT_EQ(b->draws, 1);
    EXPECT_TRUE(frame.redraw().isEmpty());
    EXPECT_EQ(a->draws, 1);

    b->setDirty();
    EXPECT_EQ(frame.redraw(), CRect(50, 10, 70, 30));
    EXPECT_EQ(a->draws, 1);
    EXPECT_EQ(b->draws, 2);

    CAnimKnob* knob = new CAnimKnob({ 100, 10, 132, 42 }, nullptr, 1, 101, 32, CBitmap(133));
    frame.addView(knob);
    frame.redraw();
    knob->setValue(knob->getValue());
    EXPECT_TRUE(frame.redraw().isEmpty());
    knob->setValue(0.9f);
    EXPECT_EQ(frame.redraw(), knob->getViewSize());
    EXPECT_EQ(a->draws, 1);
}

TEST(Frame, ViewsTakenOffStayOwnedAndComeBack)
{
    CFrame frame({ 0, 0, 200, 100 });
    auto* a = new CountingView({ 10, 10, 30, 30 });
    frame.addView(a);
    frame.redraw();
    const uint32_t drawn = frame.image().pixel(15, 15);
    frame.removeAll(false);
    EXPECT_EQ(frame.getNbViews(), 0);
    EXPECT_EQ(frame.redraw(), CRect(10, 10, 30, 30));
    EXPECT_NE(frame.image().pixel(15, 15), drawn);
    frame.onMouseDown({ 15, 15 }, kLButton, 0); // not shown: not reached
    frame.addView(a);
    EXPECT_EQ(a->getFrame(), &frame);
    frame.redraw();
    EXPECT_EQ(a->draws, 2);
    EXPECT_EQ(frame.image().pixel(15, 15), drawn);
}

TEST(Frame, BackgroundFillsTheImage)
{
    CFrame frame({ 0, 0, 856, 456 });
    const CBitmap page(130);
    frame.setBackground(page);
    frame.redraw();
    for (int y = 0; y < 456; y += 7)
        for (int x = 0; x < 856; x += 5)
            ASSERT_EQ(frame.image().pixel(x, y), page.image().pixel(x, y));
}
