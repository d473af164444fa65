#include "gui/Bitmap.h"
#include "gui/Layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

using layout::Kind;
using layout::Place;

namespace {

std::set<int> range(int from, int to)
{
    std::set<int> s;
    for (int i = from; i <= to; ++i)
        s.insert(i);
    return s;
}

std::set<int> join(std::initializer_list<std::set<int>> parts)
{
    std::set<int> s;
    for (const auto& p : parts)
        s.insert(p.begin(), p.end());
    return s;
}

std::set<int> params(std::span<const Place> places, std::initializer_list<Kind> kinds)
{
    std::set<int> s;
    for (const Place& p : places)
        if (std::find(kinds.begin(), kinds.end(), p.kind) != kinds.end())
            s.insert(p.param);
    return s;
}

const Place* find(std::span<const Place> places, int param)
{
    for (const Place& p : places)
        if (p.param == param)
            return &p;
    return nullptr;
}

// Every rectangle a place takes on the page.
std::vector<CRect> footprint(const Place& p)
{
    std::vector<CRect> r { layout::controlRect(p) };
    if (!layout::valueDisplayRect(p).isEmpty())
        r.push_back(layout::valueDisplayRect(p));
    return r;
}

// The velocity amounts, which are small knobs wherever they appear.
const std::set<int> kByVelocity { 1, 16, 20, 32, 36, 40, 44, 48, 56, 60, 71, 75, 84, 88, 92, 98, 100, 104, 118, 127,
    134, 147 };

} // namespace

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

TEST(Layout, PagesHoldTheirParameters)
{
    const auto& pages = layout::kPages;
    ASSERT_EQ(std::size(pages), 5u);
    const int backgrounds[] = { 128, 129, 130, 131, 132 };
    const char* names[] = { "Overview", "Oscillators", "Modulations", "Filter", "Amp and Dist" };
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(pages[i].backgroundId, backgrounds[i]);
        EXPECT_STREQ(pages[i].name, names[i]);
    }

    const auto& global = layout::kGlobalStrip.places;
    EXPECT_EQ(params(global, { Kind::LargeKnob, Kind::SmallKnob }), (std::set<int> { 0, 1, 3, 4, 5, 6, 7, 9, 10 }));
    EXPECT_EQ(params(global, { Kind::OptionMenu }), (std::set<int> { 8, 11 }));

    const std::set<int> overviewKnobs { 18, 26, 29, 58, 66, 67, 73, 81, 82, 34, 38, 42, 46, 50, 86, 90, 94, 97, 99, 103,
        108, 109, 116, 117, 119, 120, 121, 125, 126, 129, 130, 131, 133, 135, 136, 143, 145, 146, 149, 150, 151 };
    EXPECT_EQ(params(pages[0].places, { Kind::LargeKnob }), overviewKnobs);
    EXPECT_EQ(params(pages[0].places, { Kind::SmallKnob }), (std::set<int> { 98, 100, 104, 118, 127, 134, 147 }));
    EXPECT_EQ(params(pages[0].places, { Kind::OptionMenu }), (std::set<int> { 13, 53, 68, 51, 52, 95, 132 }));

    EXPECT_EQ(params(pages[1].places, { Kind::LargeKnob, Kind::SmallKnob }),
        join({ range(15, 29), range(55, 67), range(70, 82), { 152, 153, 154, 155 } }));
    EXPECT_EQ(params(pages[1].places, { Kind::OptionMenu }), (std::set<int> { 13, 53, 68, 30 }));
    EXPECT_EQ(params(pages[1].places, { Kind::Slider }), (std::set<int> { 14, 54, 69 }));

    EXPECT_EQ(params(pages[2].places, { Kind::LargeKnob, Kind::SmallKnob }), join({ range(31, 50), range(83, 94) }));
    EXPECT_EQ(params(pages[2].places, { Kind::OptionMenu }), (std::set<int> { 51, 52 }));

    EXPECT_EQ(params(pages[3].places, { Kind::LargeKnob, Kind::SmallKnob }),
        join({ range(97, 109), { 157, 112, 113 }, range(115, 123) }));
    EXPECT_EQ(params(pages[3].places, { Kind::OptionMenu }), (std::set<int> { 95, 96 }));

    EXPECT_EQ(params(pages[4].places, { Kind::LargeKnob, Kind::SmallKnob }), join({ range(124, 131), range(133, 151) }));
    EXPECT_EQ(params(pages[4].places, { Kind::OptionMenu }), (std::set<int> { 132 }));

    for (const auto& page : pages)
        for (const Place& p : page.places) {
            if (p.kind == Kind::LargeKnob || p.kind == Kind::SmallKnob) {
                EXPECT_EQ(p.kind == Kind::SmallKnob, kByVelocity.count(p.param) == 1) << page.name << " " << p.param;
            }
        }
}

TEST(Layout, FixedPositionsAreKept)
{
    const auto& global = layout::kGlobalStrip.places;
    const std::pair<int, CRect> fixedGlobal[] = { { 0, { 260, 60, 292, 92 } }, { 1, { 293, 76, 317, 100 } },
        { 3, { 336, 60, 368, 92 } }, { 4, { 392, 60, 424, 92 } }, { 5, { 448, 60, 480, 92 } },
        { 8, { 551, 32, 655, 48 } }, { 11, { 727, 32, 831, 48 } } };
    for (const auto& [param, rect] : fixedGlobal) {
        const Place* p = find(global, param);
        ASSERT_NE(p, nullptr) << param;
        EXPECT_EQ(layout::controlRect(*p), rect) << param;
    }
    const std::pair<int, CRect> sliders[] = { { 14, { 72, 152, 316, 168 } }, { 54, { 443, 152, 555, 168 } },
        { 69, { 683, 152, 795, 168 } } };
    for (const auto& [param, rect] : sliders)
        EXPECT_EQ(layout::controlRect(*find(layout::kPages[1].places, param)), rect) << param;
    EXPECT_EQ(layout::kPageSelector, CRect(84, 48, 240, 64));
    EXPECT_EQ(layout::kNameDisplay, CRect(84, 68, 240, 84));
    EXPECT_EQ(layout::kValueReadout, CRect(84, 84, 140, 100));
    EXPECT_EQ(layout::kUnitDisplay, CRect(140, 84, 240, 100));
}

TEST(Layout, ControlsFitTheFrameAndTheirBoxesWithoutOverlapping)
{
    const CRect frame { 0, 0, layout::kFrameWidth, layout::kFrameHeight };
    for (const auto& page : layout::kPages) {
        std::vector<std::pair<int, CRect>> taken;
        std::vector<CRect> boxes;
        for (const auto* part : { &layout::kGlobalStrip, &page }) {
            for (const layout::Box& b : part->boxes)
                if (*b.title)
                    boxes.push_back(b.rect);
            for (const Place& p : part->places)
                for (const CRect& r : footprint(p))
                    taken.emplace_back(p.param, r);
        }
        for (const CRect r : { layout::kPageSelector, layout::kNameDisplay, layout::kValueReadout, layout::kUnitDisplay })
            taken.emplace_back(-1, r);
        for (size_t i = 0; i < taken.size(); ++i) {
            const CRect& r = taken[i].second;
            EXPECT_EQ(r.intersect(frame), r) << page.name << " " << taken[i].first;
            const bool boxed = std::any_of(boxes.begin(), boxes.end(), [&](const CRect& b) { return b.intersect(r) == r; });
            EXPECT_TRUE(boxed) << page.name << " " << taken[i].first;
            for (size_t j = i + 1; j < taken.size(); ++j)
                EXPECT_TRUE(r.intersect(taken[j].second).isEmpty())
                    << page.name << ": " << taken[i].first << " and " << taken[j].first;
        }
    }
}

TEST(Layout, BackgroundsCarryTheLabelsBesideTheControls)
{
    for (const auto& page : layout::kPages) {
        const CBitmap background(page.backgroundId);
        const CImage& image = background.image();
        auto plain = [&](const CRect& r) {
            const uint32_t first = image.pixel(r.left, r.top);
            for (int y = r.top; y < r.bottom; ++y)
                for (int x = r.left; x < r.right; ++x)
                    if (image.pixel(x, y) != first)
                        return false;
            return true;
        };
        for (const auto* part : { &layout::kGlobalStrip, &page })
            for (const Place& p : part->places) {
                // Nothing is painted where a control will stand.
                for (const CRect& r : footprint(p))
                    EXPECT_TRUE(plain(r)) << page.name << " " << p.param;
                if (!*p.label)
                    continue;
                const CRect c = layout::controlRect(p);
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
