#include "gui/Bitmap.h"
#include "gui/Drawing.h"
#include "gui/Font.h"
#include "gui/PixelPack.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

unsigned channel(uint32_t p, int shift)
{
    return (p >> shift) & 0xff;
}

// Source-over with straight alpha, worked in doubles.
uint32_t referenceBlend(uint32_t dst, uint32_t src, unsigned a)
{
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const double v = (channel(src, shift) * double(a) + channel(dst, shift) * (255.0 - a)) / 255.0;
        out |= uint32_t(std::lround(v)) << shift;
    }
    const double alpha = a + channel(dst, 24) * (255.0 - a) / 255.0;
    return out | (uint32_t(std::lround(alpha)) << 24);
}

} // namespace

TEST(Drawing, BlendRoundsLikeExactArithmetic)
{
    // Every alpha against every channel pair that matters: the rounding of
    // the division by 255 is exact or it shows here.
    for (unsigned a = 0; a < 256; ++a)
        for (unsigned s = 0; s < 256; s += 3)
            for (unsigned d = 0; d < 256; d += 5) {
                const uint32_t src = (s << 16) | ((255 - s) << 8) | (s ^ 0x5a);
                const uint32_t dst = 0xff000000u | (d << 16) | (d << 8) | (255 - d);
                ASSERT_EQ(blendPixel(dst, src, a), referenceBlend(dst, src, a)) << a << " " << s << " " << d;
            }
}

TEST(Drawing, FillRectStaysInsideRectAndClip)
{
    CImage image(20, 10, { 1, 2, 3, 255 });
    CDrawContext context(image);
    context.setClip({ 0, 0, 12, 10 });
    context.fillRect({ 5, 2, 30, 4 }, { 200, 100, 50, 255 });
    const uint32_t red = CColor { 200, 100, 50, 255 }.pixel();
    const uint32_t back = CColor { 1, 2, 3, 255 }.pixel();
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x) {
            const bool inside = x >= 5 && x < 12 && y >= 2 && y < 4;
            EXPECT_EQ(image.pixel(x, y), inside ? red : back) << x << "," << y;
        }
}

TEST(Drawing, DrawImageCopiesTheOffsetPartAndBlendsTranslucentPixels)
{
    CImage src(4, 6);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 4; ++x)
            src.row(y)[x] = CColor { uint8_t(10 * x), uint8_t(10 * y), 7, 255 }.pixel();
    src.updateOpacity();
    CImage target(10, 10, { 0, 0, 0, 255 });
    CDrawContext context(target);
    // Rows 2..3 of the source into (5, 5); the destination rectangle is larger
    // than what the source has left, so only 4 x 4 pixels change.
    context.drawImage(src, { 5, 5, 15, 15 }, { 0, 2 });
    EXPECT_EQ(target.pixel(5, 5), src.pixel(0, 2));
    EXPECT_EQ(target.pixel(8, 8), src.pixel(3, 5));
    EXPECT_EQ(target.pixel(9, 9), kBlackCColor.pixel());
    EXPECT_EQ(target.pixel(4, 5), kBlackCColor.pixel());

    CImage glass(1, 1, { 255, 255, 255, 64 });
    EXPECT_FALSE(glass.isOpaque());
    context.drawImage(glass, { 0, 0, 1, 1 }, {});
    EXPECT_EQ(target.pixel(0, 0), referenceBlend(kBlackCColor.pixel(), 0xffffff, 64));
}

TEST(Drawing, PackedPixelsComeBackUnchanged)
{
    std::mt19937 rng(7);
    std::vector<uint32_t> pixels;
    // Runs of every length around the limits, and literal stretches.
    for (int run : { 1, 2, 3, 4, 129, 130, 131, 260, 1, 1, 2 })
        pixels.insert(pixels.end(), size_t(run), rng());
    for (int i = 0; i < 300; ++i)
        pixels.push_back(rng());
    const std::vector<uint8_t> packed = packPixels(pixels.data(), pixels.size());
    std::vector<uint32_t> back(pixels.size());
    ASSERT_TRUE(unpackPixels(packed.data(), packed.size(), back.data(), back.size()));
    EXPECT_EQ(back, pixels);

    const std::vector<uint32_t> flat(1000, 0x12345678u);
    EXPECT_LT(packPixels(flat.data(), flat.size()).size(), 50u);
}

TEST(Drawing, MalformedPackedDataIsRefused)
{
    const std::vector<uint32_t> pixels { 1, 2, 3, 3, 3, 3 };
    const std::vector<uint8_t> packed = packPixels(pixels.data(), pixels.size());
    std::vector<uint32_t> out(6);
    EXPECT_FALSE(unpackPixels(packed.data(), packed.size() - 1, out.data(), 6));
    EXPECT_FALSE(unpackPixels(packed.data(), packed.size(), out.data(), 5));
    EXPECT_FALSE(unpackPixels(packed.data(), packed.size(), out.data(), 7));
    const uint8_t run[] = { 255, 1, 2, 3, 4 }; // 130 pixels into room for 6
    EXPECT_FALSE(unpackPixels(run, sizeof run, out.data(), 6));
}

TEST(Text, EveryFaceHasTheLatin1Glyphs)
{
    for (const CFontSpec& spec : kFontSpecs) {
        const CFontFace* face = CFontFace::find(spec.id);
        ASSERT_NE(face, nullptr) << spec.id;
        EXPECT_GE(face->lineHeight(), spec.pixelSize);
        EXPECT_LE(face->lineHeight(), 2 * spec.pixelSize);
        for (unsigned char c : std::string("Az09.%-\xb0")) {
            const CGlyph* g = face->glyph(c);
            ASSERT_NE(g, nullptr);
            EXPECT_GT(g->width, 0) << int(c);
            EXPECT_GT(g->advance, 0) << int(c);
        }
        EXPECT_EQ(face->glyph(' ')->width, 0);
        EXPECT_GT(face->glyph(' ')->advance, 0);
    }
    EXPECT_EQ(CFontFace::find(99), nullptr);
    const CFontFace* bold = CFontFace::find(kFontTitle);
    const CFontFace* label = CFontFace::find(kFontLabel);
    EXPECT_GT(bold->stringWidth("Oscillator"), label->stringWidth("Oscillator"));
}

TEST(Text, StringIsDrawnCentredInsideItsBox)
{
    CImage image(120, 30, kBlackCColor);
    CDrawContext context(image);
    const CRect box { 10, 5, 110, 21 };
    context.drawString("-96.00", box, kFontDisplay, kWhiteCColor);
    int minX = 1000, maxX = -1, minY = 1000, maxY = -1, lit = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 120; ++x)
            if (image.pixel(x, y) != kBlackCColor.pixel()) {
                EXPECT_TRUE(box.contains({ x, y })) << x << "," << y;
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
                minY = std::min(minY, y);
                maxY = std::max(maxY, y);
                ++lit;
            }
    ASSERT_GT(lit, 20);
    const CFontFace* face = CFontFace::find(kFontDisplay);
    const int width = face->stringWidth("-96.00");
    EXPECT_NEAR((minX + maxX) / 2.0, 60.0, 2.0);
    EXPECT_LE(maxX - minX + 1, width);
    EXPECT_GE(maxX - minX + 1, width - 4);
    EXPECT_NEAR((minY + maxY) / 2.0, 13.0, 2.0);
}

TEST(Text, StringIsCutAtTheBoxAndClip)
{
    CImage image(60, 20, kBlackCColor);
    CDrawContext context(image);
    context.drawString("BPF const skirt (R.B. Johnson)", { 2, 2, 30, 18 }, kFontDisplay, kWhiteCColor,
        CHoriAlign::left);
    for (int y = 0; y < 20; ++y)
        for (int x = 30; x < 60; ++x)
            ASSERT_EQ(image.pixel(x, y), kBlackCColor.pixel());
}
