#pragma once

#include "gui/Geometry.h"

#include <cstdint>
#include <string_view>
#include <vector>

// A width x height block of 0xAARRGGBB pixels, rows top to bottom.
class CImage {
public:
    CImage() = default;
    CImage(int width, int height, CColor fill = kBlackCColor);

    int width() const { return w; }
    int height() const { return h; }
    CRect bounds() const { return { 0, 0, w, h }; }
    uint32_t* row(int y) { return pixels.data() + size_t(y) * size_t(w); }
    const uint32_t* row(int y) const { return pixels.data() + size_t(y) * size_t(w); }
    uint32_t pixel(int x, int y) const { return row(y)[x]; }
    uint32_t* data() { return pixels.data(); }
    const uint32_t* data() const { return pixels.data(); }

    // True when no pixel is translucent, so that drawing it may copy rows.
    bool isOpaque() const { return opaque; }
    void updateOpacity();

private:
    int w = 0;
    int h = 0;
    bool opaque = true;
    std::vector<uint32_t> pixels;
};

enum class CHoriAlign { left, center, right };

// Draws into an image, everything cut to the clip rectangle. Translucent
// colours and pixels are laid over what is there (source over destination).
// Coordinates are the frame's; at scale 2 every one of its pixels is two by
// two pixels of the image, and text is drawn from glyphs of twice the size.
class CDrawContext {
public:
    explicit CDrawContext(CImage& target, int scale = 1);

    CImage& image() { return target; }
    int getScale() const { return scale; }
    void setClip(const CRect& clip);

    void fillRect(const CRect& r, CColor color);
    void frameRect(const CRect& r, CColor color);
    // Copies src's pixels starting at srcOffset into dest; src holds srcScale
    // pixels per frame pixel (a smaller scale than the context's is enlarged).
    void drawImage(const CImage& src, const CRect& dest, CPoint srcOffset, int srcScale = 1);
    // One line of Latin-1 text, centred vertically in box.
    void drawString(std::string_view text, const CRect& box, int fontId, CColor color,
        CHoriAlign align = CHoriAlign::center);

private:
    CRect toImage(const CRect& r) const { return { r.left * scale, r.top * scale, r.right * scale, r.bottom * scale }; }
    void fillImageRect(const CRect& area, CColor color);

    CImage& target;
    int scale;
    CRect clip; // in the image's pixels
};

// Lays src over dst with src's alpha (0..255), rounding to nearest.
uint32_t blendPixel(uint32_t dst, uint32_t src, unsigned alpha);
