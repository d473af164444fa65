#pragma once

#include "gui/Frame.h"

#include <cmath>
#include <utility>
#include <vector>

// Records every change a control reports, as (tag, value).
struct Recorder : CControlListener {
    std::vector<std::pair<int, float>> calls;
    void valueChanged(CControl* control) override { calls.emplace_back(control->getTag(), control->getValue()); }
};

inline CPoint centre(const CRect& r)
{
    return { (r.left + r.right) / 2, (r.top + r.bottom) / 2 };
}

// A click a second after the last one: no double-click.
inline void click(CFrame& frame, CPoint where)
{
    static uint32_t clock = 0;
    frame.onMouseDown(where, kLButton, clock += 1000);
    frame.onMouseUp(where, kLButton);
}

// Source-over with straight alpha a, worked in doubles.
inline uint32_t referenceBlend(uint32_t dst, uint32_t src, unsigned a)
{
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const double v = (((src >> shift) & 0xff) * double(a) + ((dst >> shift) & 0xff) * (255.0 - a)) / 255.0;
        out |= uint32_t(std::lround(v)) << shift;
    }
    const double alpha = a + (dst >> 24) * (255.0 - a) / 255.0;
    return out | (uint32_t(std::lround(alpha)) << 24);
}

// Whether the image shows film frame k of the strip laid over the background
// bg within r, and bg elsewhere; all in the image's pixels.
inline bool showsFilmFrame(const CImage& image, const CImage& bg, const CImage& film, const CRect& r, int k)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const auto src = r.contains({ x, y }) ? film.pixel(x - r.left, y - r.top + k * r.height()) : 0;
            if (image.pixel(x, y) != referenceBlend(bg.pixel(x, y), src, src >> 24))
                return false;
        }
    return true;
}
