#include "gui/Bitmap.h"
#include "gui/Drawing.h"
#include "gui/Font.h"
#include "gui/PixelPack.h"
#include "tests/gui/GuiSupport.h"

#include <gtest/gtest.h>

#include <random>

TEST(Drawing, BlendRoundsLikeExactArithmetic)
{
    for (unsigned a = 0; a < 256; ++a)
        for (unsigned s = 0; s < 256; s += 3)
            for (unsigned d = 0; d < 256; d += 5) {
                const uint32_t src = (s << 16) | ((255 - s) << 8) | (s ^ 0x5a);
                const uint32_t dst = 0xff000000u | (d << 16) | (d << 8) | (255 - d);
                ASSERT_EQ(blendPixel(dst, src, a), referenceBlend(dst, src, a)) << a << " " << s << " " << d;
            }
}

TEST(Drawing, FillAndImageStayInsideTheirRectangleAndClip)
{
    CImage image(20, 10, kBlackCColor);
    CDrawContext context(image);
    context.setClip({ 0, 0, 12, 10 });
    context.fillRect({ 5, 2, 30, 4 }, kWhiteCColor);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x)
            EXPECT_EQ(image.pixel(x, y), (x >= 5 && x < 12 && y >= 2 && y < 4 ? kWhiteCColor : kBlackCColor).pixel())
                << x << "," << y;

    // A translucent image is blended, clipped like the fill.
    CImage glass(20, 10, { 255, 255, 255, 64 });
    EXPECT_FALSE(glass.isOpaque());
    context.drawImage(glass, { 0, 0, 20, 10 }, {});
    EXPECT_EQ(image.pixel(0, 0), referenceBlend(kBlackCColor.pixel(), 0xffffff, 64));
    EXPECT_EQ(image.pixel(12, 0), kBlackCColor.pixel());
}

TEST(Drawing, PackedPixelsComeBackUnchangedAndMalformedDataIsRefused)
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

    // Cut short, or not filling the room exactly.
    EXPECT_FALSE(unpackPixels(packed.data(), packed.size() - 1, back.data(), back.size()));
    EXPECT_FALSE(unpackPixels(packed.data(), packed.size(), back.data(), back.size() - 1));
    EXPECT_FALSE(unpackPixels(packed.data(), packed.size(), back.data(), back.size() + 1));
    const uint8_t run[] = { 255, 1, 2, 3, 4 }; // 130 pixels into room for 6
    EXPECT_FALSE(unpackPixels(run, sizeof run, back.data(), 6));
}

TEST(Text, EveryFaceHasTheLatin1Glyphs)
{
    for (const CFontSpec& spec : kFontSpecs) {
        const CFontFace* face = CFontFace::find(spec.id);
        ASSERT_NE(face, nullptr) << spec.id;
        EXPECT_GE(face->lineHeight(), spec.pixelSize);
        EXPECT_LE(face->lineHeight(), 2 * spec.pixelSize);
        for (unsigned char c : std::string("Az09.%-\xb0"))
            EXPECT_GT(face->glyph(c)->width, 0) << int(c);
        EXPECT_GT(face->glyph(' ')->advance, 0);
    }
    EXPECT_EQ(CFontFace::find(99), nullptr);
    EXPECT_GT(CFontFace::find(kFontTitle)->stringWidth("Oscillator"),
        CFontFace::find(kFontLabel)->stringWidth("Oscillator"));
}

TEST(Text, StringIsDrawnCentredAndCutAtItsBox)
{
    CImage image(120, 30, kBlackCColor);
    CDrawContext context(image);
    const CRect box { 10, 5, 110, 21 };
    context.drawString("-96.00", box, kFontDisplay, kWhiteCColor);
    // The ink lies inside the box, centred both ways, about as wide as the font says.
    int minX = 1000, maxX = -1, minY = 1000, maxY = -1;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 120; ++x)
            if (image.pixel(x, y) != kBlackCColor.pixel()) {
                EXPECT_TRUE(box.contains({ x, y })) << x << "," << y;
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
                minY = std::min(minY, y);
                maxY = std::max(maxY, y);
            }
    const int width = CFontFace::find(kFontDisplay)->stringWidth("-96.00");
    EXPECT_NEAR((minX + maxX) / 2.0, 60.0, 2.0);
    EXPECT_NEAR((minY + maxY) / 2.0, 13.0, 2.0);
    EXPECT_NEAR(maxX - minX + 1, width - 2, 2);

    CImage narrow(60, 20, kBlackCColor);
    CDrawContext onNarrow(narrow);
    onNarrow.drawString("BPF const skirt (R.B. Johnson)", { 2, 2, 30, 18 }, kFontDisplay, kWhiteCColor,
        CHoriAlign::left);
    for (int y = 0; y < 20; ++y)
        for (int x = 30; x < 60; ++x)
            ASSERT_EQ(narrow.pixel(x, y), kBlackCColor.pixel());
}

// At scale 2 a frame draws the artwork of twice the size and text from glyphs
// of twice the size: the same picture, sharper than the scale-1 one enlarged.
TEST(Drawing, ScaleTwoDrawsTheLargeArtworkAndGlyphsInTheSamePlaces)
{
    const CRect textBox { 84, 84, 140, 100 }, knobBox { 260, 60, 292, 92 };
    CFrame small({ 0, 0, 856, 456 }), large({ 0, 0, 856, 456 }, nullptr, nullptr, 2);
    for (CFrame* frame : { &small, &large }) {
        frame->setBackground(CBitmap(128));
        auto* text = new CParamDisplay(textBox);
        text->setValue(-12.5f);
        text->setStyle(kNoFrame);
        frame->addView(text);
        auto* knob = new CAnimKnob(knobBox, nullptr, 0, 101, 32, CBitmap(133));
        knob->setValue(0.7f);
        frame->addView(knob);
        frame->redraw();
    }
    const CImage& image = large.image();
    ASSERT_EQ(image.width(), 2 * 856);
    ASSERT_EQ(image.height(), 2 * 456);
    const CBitmap art(128 + kDoubleScaleIdOffset);
    ASSERT_EQ(art.getWidth(), 2 * 856);
    for (int y = 200; y < 912; y += 7)
        for (int x = 0; x < 1712; x += 5)
            ASSERT_EQ(image.pixel(x, y), art.image().pixel(x, y)) << x << "," << y;

    for (const CRect& r : { textBox, knobBox }) {
        int sharper = 0;
        CRect ink { 9999, 9999, -1, -1 }, smallInk = ink;
        for (int y = 2 * r.top; y < 2 * r.bottom; ++y)
            for (int x = 2 * r.left; x < 2 * r.right; ++x) {
                sharper += image.pixel(x, y) != small.image().pixel(x / 2, y / 2);
                if (image.pixel(x, y) != image.pixel(2 * r.left, 2 * r.top))
                    ink = ink.unite({ x, y, x + 1, y + 1 });
                if (small.image().pixel(x / 2, y / 2) != small.image().pixel(r.left, r.top))
                    smallInk = smallInk.unite({ x, y, x + 1, y + 1 });
            }
        EXPECT_GT(sharper, r.width() * r.height() / 4) << r.left;
        for (int edge : { ink.left - smallInk.left, ink.top - smallInk.top, ink.right - smallInk.right,
                 ink.bottom - smallInk.bottom })
            EXPECT_LE(std::abs(edge), 3) << r.left;
    }
}
