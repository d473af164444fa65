#include "gui/Bitmap.h"
#include "editor/Layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using layout::Kind;
using layout::Place;

TEST(Artwork, BitmapsHaveTheirSizes)
{
    struct Expect {
        int id, width, height;
        bool opaque;
    };
    for (Expect e : { Expect { 128, 856, 456, true }, { 129, 856, 456, true }, { 130, 856, 456, true },
             { 131, 856, 456, true }, { 132, 856, 456, true }, { 133, 32, 3232, false }, { 134, 24, 2424, false },
             { 135, 8, 16, true }, { 136, 244, 16, true }, { 137, 112, 16, true } }) {
        const CBitmap b(e.id);
        ASSERT_TRUE(b.isLoaded()) << e.id;
        EXPECT_EQ(b.getWidth(), e.width) << e.id;
        EXPECT_EQ(b.getHeight(), e.height) << e.id;
        EXPECT_EQ(b.image().isOpaque(), e.opaque) << e.id;
        // Decoded once: every bitmap of an id shows the same pixels.
        EXPECT_EQ(&CBitmap(e.id).image(), &b.image()) << e.id;
    }
    EXPECT_FALSE(CBitmap(127).isLoaded());
    EXPECT_FALSE(CBitmap(138).isLoaded());
}

TEST(Artwork, KnobFramesDifferAndTheirCornersAreClear)
{
    for (int id : { 133, 134 }) {
        const CBitmap strip(id);
        const int size = strip.getWidth();
        auto frame = [&](int k) {
            std::vector<uint32_t> px;
            for (int y = 0; y < size; ++y)
                for (int x = 0; x < size; ++x)
                    px.push_back(strip.image().pixel(x, k * size + y));
            return px;
        };
        for (int k = 0; k < 101; k += 10) {
            EXPECT_EQ(strip.image().pixel(0, k * size) >> 24, 0u) << id << " frame " << k;
            EXPECT_NE(frame(k), frame(k + (k < 100 ? 5 : -5))) << id << " frame " << k;
        }
    }
}

// Every control stands on plain ground inside a titled box of the painted
// background, with its label painted beside it.
TEST(Layout, BackgroundsCarryTheBoxesAndLabelsAroundTheControls)
{
    for (const auto& page : layout::kPages) {
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
            for (const Place& p : part->places) {
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
                CRect labelArea;
                switch (p.kind) {
                case Kind::LargeKnob:
                case Kind::SmallKnob:
                    labelArea = { c.left - 10, c.top - 12, c.right + 10, c.top - 1 };
                    break;
                case Kind::OptionMenu:
                    labelArea = { c.left - 80, c.top, c.left - 2, c.bottom };
                    break;
                case Kind::Slider:
                    labelArea = { c.left, c.top - 12, c.left + 80, c.top - 1 };
                    break;
                }
                EXPECT_FALSE(plain(labelArea)) << page.name << " label of " << p.param;
            }
    }
}
