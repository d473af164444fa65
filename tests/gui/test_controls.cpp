#include "tests/gui/GuiSupport.h"

#include <gtest/gtest.h>

namespace {

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

    // Whether the frame shows film frame k laid over the background.
    bool showsFrame(int k)
    {
        const CImage& bg = frame.getBackground().image();
        for (int y = kKnobRect.top; y < kKnobRect.bottom; ++y)
            for (int x = kKnobRect.left; x < kKnobRect.right; ++x) {
                const uint32_t src = strip.image().pixel(x - kKnobRect.left, k * 32 + y - kKnobRect.top);
                if (frame.image().pixel(x, y) != referenceBlend(bg.pixel(x, y), src, src >> 24))
                    return false;
            }
        return true;
    }
};

} // namespace

TEST_F(KnobFixture, ValueChoosesTheFilmFrameOverTheBackground)
{
    for (auto [value, k] : { std::pair { 0.0f, 0 }, { 0.5f, 50 }, { 1.0f, 100 }, { 0.333f, 33 } }) {
        knob->setValue(value);
        frame.redraw();
        EXPECT_TRUE(showsFrame(k)) << value;
        // Frames a few steps away look different: the check can tell them apart.
        EXPECT_FALSE(showsFrame(k < 50 ? k + 4 : k - 4)) << value;
    }
    for (int y = 0; y < 456; y += 7)
        for (int x = 0; x < 856; x += 5)
            if (!kKnobRect.contains({ x, y })) {
                ASSERT_EQ(frame.image().pixel(x, y), frame.getBackground().image().pixel(x, y));
            }

    // Out of range is clamped; NaN leaves the value as it was.
    knob->setValue(std::nanf(""));
    EXPECT_EQ(knob->getValue(), 0.333f);
    knob->setValue(7.0f);
    EXPECT_EQ(knob->getValue(), 1.0f);
    knob->setValue(-INFINITY);
    EXPECT_EQ(knob->currentFrame(), 0);
}

TEST_F(KnobFixture, DragsCoarseAndFineAndReportsEachChange)
{
    knob->setValue(0.2f);
    frame.onMouseDown({ 110, 210 }, kLButton, 1000);
    frame.onMouseMoved({ 110, 180 }, kLButton); // 30 of 150 pixels up: +0.2
    EXPECT_NEAR(knob->getValue(), 0.4f, 1e-5);
    frame.onMouseMoved({ 140, 225 }, kLButton); // sideways does nothing, 45 down: -0.3
    EXPECT_NEAR(knob->getValue(), 0.1f, 1e-5);
    frame.onMouseMoved({ 140, 375 }, kLButton | kShift); // a whole travel with Shift: a hundredth
    EXPECT_NEAR(knob->getValue(), 0.09f, 1e-5);
    frame.onMouseMoved({ 140, 600 }, kLButton); // far below: stops at 0
    EXPECT_EQ(knob->getValue(), 0.0f);
    frame.onMouseUp({ 140, 600 }, kLButton);
    frame.onMouseMoved({ 140, 100 }, kLButton); // released: no effect
    EXPECT_EQ(knob->getValue(), 0.0f);
    ASSERT_EQ(listener.calls.size(), 4u);
    EXPECT_EQ(listener.calls[0].first, 7);
    EXPECT_NEAR(listener.calls[2].second, 0.09f, 1e-5);
    EXPECT_EQ(listener.calls[3].second, 0.0f);
}

TEST_F(KnobFixture, DoubleClickAndCtrlClickResetToTheDefault)
{
    knob->setValue(0.1f);
    frame.onMouseDown({ 110, 210 }, kLButton, 1000);
    frame.onMouseUp({ 110, 210 }, kLButton);
    EXPECT_EQ(knob->getValue(), 0.1f);
    frame.onMouseDown({ 112, 211 }, kLButton, 1300);
    EXPECT_EQ(knob->getValue(), 0.8f);
    EXPECT_EQ(listener.calls, (std::vector<std::pair<int, float>> { { 7, 0.8f } }));
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

TEST(Controls, SliderJumpsToAClickFollowsADragAndResets)
{
    CFrame frame({ 0, 0, 400, 100 });
    Recorder listener;
    const CBitmap handle(135);
    auto* slider = new CHorizontalSlider({ 72, 40, 316, 56 }, &listener, 14, handle, CBitmap(136));
    slider->setDefaultValue(0.0f);
    slider->setZoomFactor(10);
    frame.addView(slider);
    const float travel = 244.0f - 8.0f;
    // A click at x puts the handle's centre there.
    frame.onMouseDown({ 72 + 4 + 59, 48 }, kLButton, 100);
    EXPECT_NEAR(slider->getValue(), 59 / travel, 1e-5);
    EXPECT_EQ(slider->handleRect(), CRect(72 + 59, 40, 72 + 59 + 8, 56));
    frame.onMouseMoved({ 72 + 4 + 118, 30 }, kLButton);
    EXPECT_NEAR(slider->getValue(), 118 / travel, 1e-5);
    frame.onMouseMoved({ 1000, 30 }, kLButton);
    EXPECT_EQ(slider->getValue(), 1.0f);
    frame.onMouseUp({ 1000, 30 }, kLButton);
    EXPECT_EQ(listener.calls.size(), 3u);

    // Grabbing the handle off-centre does not make it jump; Shift drags finer.
    slider->setValue(0.5f);
    const int grab = slider->handleRect().left + 1;
    frame.onMouseDown({ grab, 48 }, kLButton, 5000);
    EXPECT_EQ(slider->getValue(), 0.5f);
    frame.onMouseMoved({ grab + 10, 48 }, kLButton);
    EXPECT_NEAR(slider->getValue(), 0.5f + 10 / travel, 1e-5);
    frame.onMouseMoved({ grab + 110, 48 }, kLButton | kShift);
    EXPECT_NEAR(slider->getValue(), 0.5f + 20 / travel, 1e-5);
    frame.onMouseUp({ 0, 0 }, kLButton);

    frame.onMouseDown({ 100, 48 }, kLButton | kControl, 9000);
    EXPECT_EQ(slider->getValue(), 0.0f);
    frame.redraw();
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 8; ++x)
            ASSERT_EQ(frame.image().pixel(72 + x, 40 + y), handle.image().pixel(x, y) | 0xff000000u);
}

TEST(Controls, MenuOpensItsListChoosesAnEntryAndChangesItsEntries)
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
    EXPECT_EQ(listener.calls, (std::vector<std::pair<int, float>> { { 200, 3.0f } }));
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

    menu->addEntry("first", 0);
    EXPECT_EQ(menu->getEntry(0), "first");
    EXPECT_TRUE(menu->removeEntry(0));
    EXPECT_FALSE(menu->removeEntry(5));
    EXPECT_EQ(menu->getText(), "Filter");
    menu->removeAllEntry();
    EXPECT_EQ(menu->getText(), "");
    for (const char* s : { "180\xb0 @ Freq", "360\xb0 @ Freq" })
        menu->addEntry(s);
    menu->setCurrent(9); // out of range: the last entry
    EXPECT_EQ(menu->getText(), "360\xb0 @ Freq");
}

TEST(Frame, RedrawsOnlyWhatChanged)
{
    CFrame frame({ 0, 0, 200, 100 });
    auto* a = new CountingView({ 10, 10, 30, 30 });
    auto* b = new CountingView({ 50, 10, 70, 30 });
    frame.addView(a);
    frame.addView(b);
    EXPECT_EQ(frame.redraw(), frame.bounds());
    EXPECT_TRUE(frame.redraw().isEmpty());
    b->setDirty();
    EXPECT_EQ(frame.redraw(), CRect(50, 10, 70, 30));
    EXPECT_EQ(a->draws, 1);
    EXPECT_EQ(b->draws, 2);

    // A control is dirty only when its value changes.
    auto* knob = new CAnimKnob({ 100, 10, 132, 42 }, nullptr, 1, 101, 32, CBitmap(133));
    frame.addView(knob);
    frame.redraw();
    knob->setValue(knob->getValue());
    EXPECT_TRUE(frame.redraw().isEmpty());
    knob->setValue(0.9f);
    EXPECT_EQ(frame.redraw(), knob->getViewSize());

    // Views taken off leave the background and come back as they were.
    const uint32_t drawn = frame.image().pixel(15, 15);
    frame.removeAll(false);
    EXPECT_EQ(frame.redraw(), CRect(10, 10, 132, 42));
    EXPECT_NE(frame.image().pixel(15, 15), drawn);
    frame.addView(a);
    frame.redraw();
    EXPECT_EQ(a->draws, 2);
    EXPECT_EQ(frame.image().pixel(15, 15), drawn);
}
