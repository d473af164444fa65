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

CDrawContext::CDrawContext(CImage& target)
    : target(target)
    , clip(target.bounds())
{
}

void CDrawContext::setClip(const CRect& r)
{
    clip = r.intersect(target.bounds());
}

void CDrawContext::fillRect(const CRect& r, CColor color)
{
    const CRect area = r.intersect(clip);
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

void CDrawContext::drawImage(const CImage& src, const CRect& dest, CPoint srcOffset)
{
    // The part of dest that both the clip and the source image cover.
    const CRect fromSource = src.bounds().offset(dest.left - srcOffset.x, dest.top - srcOffset.y);
    const CRect area = dest.intersect(clip).intersect(fromSource);
    if (area.isEmpty())
        return;
    const int sx = area.left - dest.left + srcOffset.x;
    const int sy = area.top - dest.top + srcOffset.y;
    const int n = area.width();
    for (int y = 0; y < area.height(); ++y) {
        const uint32_t* in = src.row(sy + y) + sx;
        uint32_t* out = target.row(area.top + y) + area.left;
        if (src.isOpaque())
            std::memcpy(out, in, size_t(n) * sizeof(uint32_t));
        else
            for (int x = 0; x < n; ++x)
                out[x] = blendPixel(out[x], in[x], in[x] >> 24);
    }
}

void CDrawContext::drawString(std::string_view text, const CRect& box, int fontId, CColor color, CHoriAlign align)
{
    const CFontFace* face = CFontFace::find(fontId);
    if (!face)
        return;
    const int width = face->stringWidth(text);
    int penX = box.left;
    if (align == CHoriAlign::center)
        penX = box.left + (box.width() - width) / 2;
    else if (align == CHoriAlign::right)
        penX = box.right - width;
    const int baseline = box.top + (box.height() - face->lineHeight()) / 2 + face->ascent();
    const CRect area = box.intersect(clip);
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
