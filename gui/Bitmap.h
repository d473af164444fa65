#pragma once

#include "gui/Drawing.h"

#include <memory>

// The artwork for screens of twice the pixel density: every bitmap again at
// twice the size, under its id plus this offset.
inline constexpr int kDoubleScaleIdOffset = 100;

// An image addressed by its resource id. Copies share the pixels, so a control
// may keep its own CBitmap for as long as it lives.
class CBitmap {
public:
    CBitmap() = default;
    // The module's artwork under this id; not loaded if there is none.
    explicit CBitmap(int resourceId);
    explicit CBitmap(CImage image);

    bool isLoaded() const { return pixels != nullptr; }
    int getResourceId() const { return id; }
    int getWidth() const { return pixels ? pixels->width() : 0; }
    int getHeight() const { return pixels ? pixels->height() : 0; }
    const CImage& image() const;

    // Draws the part of the bitmap that starts at offset into dest; at scale 2
    // from its artwork of twice the size where there is one.
    void draw(CDrawContext& context, const CRect& dest, CPoint offset = {}) const;

private:
    int id = 0;
    std::shared_ptr<const CImage> pixels;
};
