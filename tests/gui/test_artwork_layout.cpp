#include "gui/Bitmap.h"
#include "editor/Layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using layout::Kind;

// The page backgrounds fill the frame at either scale, each decoded once for
// every bitmap of its id; every control stands on plain ground inside a box,
// its label painted beside it. The knob strips hold 101 square frames with
// clear corners, from the strip's first pixel to its last, all different.
TEST(Artwork, BackgroundsCarryBoxesAndLabelsAroundTheControlsAndKnobStripsDistinctFrames)
{
    for (const auto& page : layout::kPages) {
        for (int scale : { 1, 2 }) {
            const CBitmap b(page.backgroundId + (scale == 2 ? kDoubleScaleIdOffset : 0));
            EXPECT_EQ(b.getWidth(), scale * layout::kFrameWidth) << page.name;
            EXPECT_EQ(b.getHeight(), scale * layout::kFrameHeight) << page.name;
            EXPECT_TRUE(b.image().isOpaque()) << page.name;
            EXPECT_EQ(&CBitmap(b.getResourceId()).image(), &b.image());
        }
        const CBitmap background(page.backgroundId);
        const CImage& image = background.image();
        auto plain = [&](const CRect& r) {
            for (int y = r.top; y < r.bottom; ++y)
                for (int x = r.left; x < r.right; ++x)
                    if (image.pixel(x, y) != image.pixel(r.left, r.top))
                        return false;
            return true;
        };
        std::vector<CRect> boxes;
        for (const auto* part : { &layout::kGlobalStrip, &page })
            for (const layout::Box& b : part->boxes)
                boxes.push_back(b.rect);
        for (const auto* part : { &layout::kGlobalStrip, &page })
            for (const layout::Place& p : part->places) {
                const CRect c = layout::controlRect(p);
                for (const CRect& r : { c, layout::valueDisplayRect(p) }) {
                    if (r.isEmpty())
                        continue;
                    EXPECT_TRUE(plain(r)) << page.name << " " << p.param;
                    const bool boxed
                        = std::any_of(boxes.begin(), boxes.end(), [&](const CRect& b) { return b.intersect(r) == r; });
                    EXPECT_TRUE(boxed) << page.name << " " << p.param << " lies outside every box";
                }
                if (!*p.label)
                    continue;
                const CRect labelArea = p.kind == Kind::OptionMenu ? CRect { c.left - 80, c.top, c.left - 2, c.bottom }
                    : p.kind == Kind::Slider ? CRect { c.left, c.top - 12, c.left + 80, c.top - 1 }
                                             : CRect { c.left - 10, c.top - 12, c.right + 10, c.top - 1 };
                EXPECT_FALSE(plain(labelArea)) << page.name << " label of " << p.param;
            }
    }
    EXPECT_FALSE(CBitmap(127).isLoaded());
    for (auto [id, size] : { std::pair { 133, layout::kLargeKnob }, { 134, layout::kSmallKnob } }) {
        const CBitmap strip(id);
        const CImage& image = strip.image();
        ASSERT_EQ(std::pair(strip.getWidth(), strip.getHeight()), std::pair(size, 101 * size));
        auto frame = [&](int k) { return std::vector<uint32_t>(image.row(k * size), image.row((k + 1) * size)); };
        for (int k = 0; k < 101; k += 10) {
            for (auto [x, y] : { std::pair { 0, 0 }, { size - 1, 0 }, { 0, size - 1 }, { size - 1, size - 1 } })
                EXPECT_EQ(image.pixel(x, y + k * size) >> 24, 0u) << id << " frame " << k;
            EXPECT_NE(frame(k), frame(k + (k < 100 ? 5 : -5))) << id << " frame " << k;
        }
    }
}
