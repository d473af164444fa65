#include "tests/gui/GuiSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <tuple>

// The value picks the film frame laid over the background, the first and the
// last at the ends of the range; out of range is clamped, NaN ignored; nothing
// is drawn outside the knob. Drags stop at the ends, each change reported; a
// double-click (not one too slow or too far apart) resets to the default.
TEST(Controls, KnobShowsItsFilmFrameFollowsDragsAndResets)
{
    const CRect knobRect { 100, 200, 132, 232 };
    CFrame frame { { 0, 0, 856, 456 } };
    Recorder listener;
    const CBitmap strip { 133 };
    auto* knob = new CAnimKnob(knobRect, &listener, 7, 101, 32, strip);
    frame.setBackground(CBitmap(128));
    knob->setDefaultValue(0.8f);
    frame.addView(knob);
    const CImage& bg = frame.getBackground().image();
    auto showsFrame = [&](int k) { return showsFilmFrame(frame.image(), bg, strip.image(), knobRect, k); };
    for (auto [value, k] : { std::pair { 0.0f, 0 }, { 0.333f, 33 }, { 1.0f, 100 }, { 7.0f, 100 }, { NAN, 100 } }) {
        knob->setValue(value);
        frame.redraw();
        EXPECT_TRUE(showsFrame(k)) << value;
        EXPECT_FALSE(showsFrame(k < 50 ? k + 1 : k - 1)) << value; // the check tells neighbours apart
    }

    knob->setValue(0.2f);
    frame.onMouseDown({ 110, 210 }, kLButton, 1000);
    frame.onMouseMoved({ 140, 225 }, kLButton); // sideways does nothing, 15 of 150 pixels down: -0.1
    EXPECT_NEAR(knob->getValue(), 0.1f, 1e-5);
    frame.onMouseMoved({ 140, 600 }, kLButton); // far below: stops at 0
    frame.onMouseUp({ 140, 600 }, kLButton);
    frame.onMouseMoved({ 140, 100 }, kLButton); // released: no effect
    EXPECT_EQ(knob->getValue(), 0.0f);
    EXPECT_EQ(listener.calls.size(), 2u);

    for (auto [second, at, reset] : { std::tuple { 1300u, CPoint { 112, 211 }, true },
             { 1000u + CFrame::kDoubleClickTime + 1, CPoint { 110, 210 }, false },
             { 1050u, CPoint { 120, 220 }, false } }) {
        knob->setValue(0.1f);
        frame.onMouseDown({ 110, 210 }, kLButton, 1000);
        frame.onMouseUp({ 110, 210 }, kLButton);
        frame.onMouseDown(at, kLButton, second);
        frame.onMouseUp(at, kLButton);
        EXPECT_EQ(knob->getValue(), reset ? 0.8f : 0.1f) << second;
        frame.onMouseDown({ 0, 0 }, kLButton, 3000); // ends the pair
    }
    EXPECT_EQ(listener.calls.back(), std::pair(7, 0.8f));
}

TEST(Controls, SliderJumpsToAClickAndFollowsADrag)
{
    CFrame frame({ 0, 0, 400, 100 });
    const CBitmap handle(135);
    auto* slider = new CHorizontalSlider({ 72, 40, 316, 56 }, nullptr, 14, handle, CBitmap(136));
    frame.addView(slider);
    const float travel = 244.0f - 8.0f;
    // A click at x puts the handle's centre there.
    frame.onMouseDown({ 72 + 4 + 59, 48 }, kLButton, 100);
    EXPECT_NEAR(slider->getValue(), 59 / travel, 1e-5);
    EXPECT_EQ(slider->handleRect(), CRect(72 + 59, 40, 72 + 59 + 8, 56));
    frame.onMouseMoved({ 1000, 30 }, kLButton);
    EXPECT_EQ(slider->getValue(), 1.0f);
    frame.onMouseUp({ 1000, 30 }, kLButton);

    // Grabbing the handle off-centre does not make it jump.
    slider->setValue(0.5f);
    const int grab = slider->handleRect().left + 1;
    frame.onMouseDown({ grab, 48 }, kLButton, 5000);
    frame.onMouseMoved({ grab + 10, 48 }, kLButton);
    EXPECT_NEAR(slider->getValue(), 0.5f + 10 / travel, 1e-5);
    frame.onMouseUp({ 0, 0 }, kLButton);

    slider->setValue(59 / travel);
    frame.redraw();
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 8; ++x)
            ASSERT_EQ(frame.image().pixel(72 + 59 + x, 40 + y), handle.image().pixel(x, y) | 0xff000000u);
    // Taken off, it leaves the frame's ground.
    frame.removeView(slider, false);
    frame.redraw();
    EXPECT_EQ(frame.image().pixel(72, 40), kBlackCColor.pixel());
}

// The list below a menu offers every entry, the first to the last, each on
// its line, and nothing beyond or on its border; closing it draws back what
// it covered. The wheel and out-of-range choices stop at the ends.
TEST(Controls, MenuListOffersEveryEntryFromTheFirstToTheLast)
{
    CFrame frame({ 0, 0, 400, 300 });
    Recorder listener;
    auto* menu = new COptionMenu({ 84, 48, 240, 64 }, &listener, 200);
    const std::vector<std::string> entries { "Overview", "Oscillators", "Modulations", "Filter", "Amp and Dist" };
    for (const std::string& e : entries)
        menu->addEntry(e);
    frame.addView(menu);
    frame.redraw();
    const CImage before = frame.image();
    const int last = int(entries.size()) - 1, height = CFrame::kMenuEntryHeight;
    // Each line's middle, then the lower border and a point beside the list.
    for (int row : { 64 + 1 + last * height + height / 2, 64 + 1 + height / 2, 64 + 1 + (last + 1) * height, 200 }) {
        click(frame, centre(menu->getViewSize()));
        ASSERT_EQ(frame.getOpenMenu(), menu);
        const CRect list = frame.menuListRect();
        EXPECT_EQ(list, CRect(84, 64, list.right, 64 + 2 + (last + 1) * height));
        frame.redraw();
        for (int line = 0; line <= last; ++line) { // text: more than one colour
            const int top = list.top + 1 + line * height;
            std::set<uint32_t> colours;
            for (int y = top; y < top + height; ++y)
                for (int x = list.left + 2; x < list.right - 2; ++x)
                    colours.insert(frame.image().pixel(x, y));
            EXPECT_GT(colours.size(), 1u) << "line " << line;
        }
        click(frame, { row == 200 ? 300 : 100, row });
        EXPECT_EQ(frame.getOpenMenu(), nullptr);
    }
    EXPECT_EQ(listener.calls, (std::vector<std::pair<int, float>> { { 200, float(last) }, { 200, 0.0f } }));
    frame.redraw();
    EXPECT_TRUE(std::equal(before.data(), before.data() + 400 * 300, frame.image().data())); // drawn back

    for (float notches : { 1.0f, -1.0f, -1.0f })
        frame.onMouseWheel(centre(menu->getViewSize()), notches, 0);
    EXPECT_EQ(menu->getText(), entries[2]);
    menu->setCurrent(last + 1);
    EXPECT_EQ(menu->getText(), entries[size_t(last)]);
}
