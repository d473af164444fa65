#pragma once

#include <algorithm>
#include <cstdint>

// Points, rectangles and colours of the widget toolkit. Rectangles are
// half-open: a rectangle holds the pixels left <= x < right, top <= y < bottom.
struct CPoint {
    int x = 0;
    int y = 0;

    constexpr bool operator==(const CPoint&) const = default;
};

struct CRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    constexpr CRect() = default;
    constexpr CRect(int left, int top, int right, int bottom)
        : left(left)
        , top(top)
        , right(right)
        , bottom(bottom)
    {
    }

    constexpr int width() const { return right - left; }
    constexpr int height() const { return bottom - top; }
    constexpr bool isEmpty() const { return right <= left || bottom <= top; }
    constexpr bool contains(CPoint p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
    constexpr bool operator==(const CRect&) const = default;

    constexpr CRect offset(int dx, int dy) const { return { left + dx, top + dy, right + dx, bottom + dy }; }
    constexpr CRect intersect(const CRect& o) const
    {
        CRect r { std::max(left, o.left), std::max(top, o.top), std::min(right, o.right), std::min(bottom, o.bottom) };
        return r.isEmpty() ? CRect {} : r;
    }
    // The smallest rectangle holding both; an empty rectangle adds nothing.
    constexpr CRect unite(const CRect& o) const
    {
        if (isEmpty())
            return o;
        if (o.isEmpty())
            return *this;
        return { std::min(left, o.left), std::min(top, o.top), std::max(right, o.right), std::max(bottom, o.bottom) };
    }
};

// An 8-bit colour with straight (not premultiplied) alpha.
struct CColor {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    uint8_t alpha = 255;

    constexpr bool operator==(const CColor&) const = default;

    // Pixels are stored as 0xAARRGGBB words, which in little-endian memory is
    // the B, G, R, A byte order that both X11 and GDI take as it is.
    constexpr uint32_t pixel() const
    {
        return (uint32_t(alpha) << 24) | (uint32_t(red) << 16) | (uint32_t(green) << 8) | uint32_t(blue);
    }
    static constexpr CColor fromPixel(uint32_t p)
    {
        return { uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p), uint8_t(p >> 24) };
    }
};

constexpr CColor kBlackCColor { 0, 0, 0, 255 };
constexpr CColor kWhiteCColor { 255, 255, 255, 255 };
