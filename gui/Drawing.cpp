#include "gui/Drawing.h"

#include "gui/Font.h"

#include <algorithm>
#include <cstring>

CImage::CImage(int width, int height, CColor fill)
    : w(std::max(width, 0))
    , h(std::max(height, 0))
    , opaque(fill.alpha == 255)
    , pixels(size_t(w) * size_t(h), fill.pixel())
{
}

void CImage::updateOpacity()
{
    opaque = std::all_of(pixels.begin(), pixels.end(), [](uint32_t p) { return (p >> 24) == 255; });
}

namespace {

// round(v / 255) for 0 <= v <= 255 * 255, without a division.
inline unsigned div255(unsigned v)
{
    v += 128;
    return (v + (v >> 8)) >> 8;
}

} // namespace

uint32_t blendPixel(uint32_t dst, uint32_t src, unsigned alpha)
{
    if (alpha >= 255)
        return src | 0xff000000u;
    if (alpha == 0)
        return dst;
    const unsigned inv = 255 - alpha;
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const unsigned s = (src >> shift) & 0xff;
        const unsigned d = (dst >> shift) & 0xff;
        out |= div255(s * alpha + d * inv) << shift;
    }
    const unsigned da = dst >> 24;
    return out | ((alpha + div255(da * inv)) << 24);
}

CDrawContext::CDrawContext(CImage& target, int scale)
    : target(target)
    , scale(std::max(scale, 1))
    , clip(target.bounds())
{
}

void CDrawContext::setClip(const CRect& r)
{
    clip = toImage(r).intersect(target.bounds());
}

void CDrawContext::fillRect(const CRect& r, CColor color) { fillImageRect(toImage(r).intersect(clip), color); }

void CDrawContext::fillImageRect(const CRect& area, CColor color)
{
    const uint32_t p = color.pixel();
    for (int y = area.top; y < area.bottom; ++y) {
        uint32_t* row = target.row(y);
        if (color.alpha == 255)
            std::fill(row + area.left, row + area.right, p);
        else
            for (int x = area.left; x < area.right; ++x)
                row[x] = blendPixel(row[x], p, color.alpha);
    }
}

void CDrawContext::frameRect(const CRect& r, CColor color)
{
    if (r.isEmpty())
        return;
    fillRect({ r.left, r.top, r.right, r.top + 1 }, color);
    fillRect({ r.left, r.bottom - 1, r.right, r.bottom }, color);
    fillRect({ r.left, r.top + 1, r.left + 1, r.bottom - 1 }, color);
    fillRect({ r.right - 1, r.top + 1, r.right, r.bottom - 1 }, color);
}

void CDrawContext::drawImage(const CImage& src, const CRect& dest, CPoint srcOffset, int srcScale)
{
    srcScale = std::clamp(srcScale, 1, scale);
    // Image pixels per source pixel, and dest and the source in image pixels.
    const int zoom = scale / srcScale;
    const CRect to = toImage(dest);
    const CRect fromSource { to.left - srcOffset.x * scale, to.top - srcOffset.y * scale,
        to.left - srcOffset.x * scale + src.width() * zoom, to.top - srcOffset.y * scale + src.height() * zoom };
    const CRect area = to.intersect(clip).intersect(fromSource);
    if (area.isEmpty())
        return;
    for (int y = area.top; y < area.bottom; ++y) {
        const uint32_t* in = src.row((y - fromSource.top) / zoom);
        uint32_t* out = target.row(y);
        if (zoom == 1 && src.isOpaque()) {
            std::memcpy(out + area.left, in + (area.left - fromSource.left), size_t(area.width()) * sizeof(uint32_t));
            continue;
        }
        for (int x = area.left; x < area.right; ++x) {
            const uint32_t p = in[(x - fromSource.left) / zoom];
            out[x] = blendPixel(out[x], p, p >> 24);
        }
    }
}

void CDrawContext::drawString(std::string_view text, const CRect& box, int fontId, CColor color, CHoriAlign align)
{
    const CFontFace* face = CFontFace::find(fontId, scale);
    if (!face)
        return;
    // Laid out in the image's pixels, with the glyphs of its scale.
    const CRect at = toImage(box);
    const int width = face->stringWidth(text);
    int penX = at.left;
    if (align == CHoriAlign::center)
        penX = at.left + (at.width() - width) / 2;
    else if (align == CHoriAlign::right)
        penX = at.right - width;
    const int baseline = at.top + (at.height() - face->lineHeight()) / 2 + face->ascent();
    const CRect area = at.intersect(clip);
    const uint32_t p = color.pixel();
    for (unsigned char c : text) {
        const CGlyph* g = face->glyph(c);
        if (!g)
            continue;
        const uint8_t* coverage = face->coverage(*g);
        const int gx = penX + g->left;
        const int gy = baseline - g->top;
        const CRect glyphRect = CRect(gx, gy, gx + g->width, gy + g->height).intersect(area);
        for (int y = glyphRect.top; y < glyphRect.bottom; ++y) {
            uint32_t* row = target.row(y);
            const uint8_t* cov = coverage + (y - gy) * g->width;
            for (int x = glyphRect.left; x < glyphRect.right; ++x)
                row[x] = blendPixel(row[x], p, div255(unsigned(cov[x - gx]) * color.alpha));
        }
        penX += g->advance;
    }
}
