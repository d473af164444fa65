#include "gui/Bitmap.h"
#include "gui/Drawing.h"
#include "gui/Font.h"
#include "gui/PixelPack.h"
#include "tests/gui/GuiSupport.h"

#include <gtest/gtest.h>

#include <random>

// Runs and literal stretches of every length around the limits, at the start
// and at the end of the pixels, come back unchanged.
TEST(Drawing, PackedPixelsComeBackUnchangedAndMalformedDataIsRefused)
{
    std::mt19937 rng(7);
    for (const std::vector<int>& runs : { std::vector { 1 }, { 2 }, { 3 }, { 1, 130 }, { 131, 1 },
             { 4, 129, 1, 1, 260, 2 }, std::vector(300, 1) }) {
        std::vector<uint32_t> pixels;
        for (int run : runs)
            pixels.insert(pixels.end(), size_t(run), uint32_t(rng()));
        const std::vector<uint8_t> packed = packPixels(pixels.data(), pixels.size());
        std::vector<uint32_t> back(pixels.size() + 1);
        ASSERT_TRUE(unpackPixels(packed.data(), packed.size(), back.data(), pixels.size())) << pixels.size();
        EXPECT_TRUE(std::equal(pixels.begin(), pixels.end(), back.begin())) << pixels.size();
        // Cut short, or not filling the room exactly.
        EXPECT_FALSE(unpackPixels(packed.data(), packed.size() - 1, back.data(), pixels.size()));
        EXPECT_FALSE(unpackPixels(packed.data(), packed.size(), back.data(), pixels.size() - 1));
        EXPECT_FALSE(unpackPixels(packed.data(), packed.size(), back.data(), pixels.size() + 1));
    }
    const std::vector<uint32_t> flat(1000, 0x12345678u);
    EXPECT_LT(packPixels(flat.data(), flat.size()).size(), 50u);
    const uint8_t run[] = { 255, 1, 2, 3, 4 }; // 130 pixels into room for 6
    uint32_t room[6];
    EXPECT_FALSE(unpackPixels(run, sizeof run, room, 6));
}

// A fill and an image stay inside their rectangle and the clip. Text is
// centred in its box both ways, about as wide as the font says, and cut at the
// box; every face has the Latin-1 glyphs the editor shows.
TEST(Drawing, FillImageAndTextStayInsideTheirBoxAndTheClip)
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
    context.drawImage(glass, { 0, 0, 20, 10 }, {});
    EXPECT_EQ(image.pixel(0, 0), referenceBlend(kBlackCColor.pixel(), 0xffffff, 64));
    EXPECT_EQ(image.pixel(12, 0), kBlackCColor.pixel());

    for (const CFontSpec& spec : kFontSpecs) {
        const CFontFace* face = CFontFace::find(spec.id);
        ASSERT_NE(face, nullptr) << spec.id;
        for (unsigned char c : std::string("Az09.%-\xb0"))
            EXPECT_GT(face->glyph(c)->width, 0) << int(c);
    }
    const CRect box { 10, 5, 110, 21 };
    for (int scale : { 1, 2 }) { // the glyphs of the scale, laid out in its pixels
        CImage text(120 * scale, 30 * scale, kBlackCColor);
        CDrawContext(text, scale).drawString("-96.00", box, kFontDisplay, kWhiteCColor);
        CRect ink { 1000, 1000, -1, -1 };
        for (int y = 0; y < text.height(); ++y)
            for (int x = 0; x < text.width(); ++x)
                if (text.pixel(x, y) != kBlackCColor.pixel())
                    ink = ink.unite({ x, y, x + 1, y + 1 });
        const CRect onImage { box.left * scale, box.top * scale, box.right * scale, box.bottom * scale };
        EXPECT_EQ(ink.intersect(onImage), ink);
        EXPECT_NEAR((ink.left + ink.right - 1) / 2.0, 60.0 * scale, 2.0);
        EXPECT_NEAR((ink.top + ink.bottom - 1) / 2.0, 13.0 * scale, 2.0);
        EXPECT_NEAR(ink.width(), CFontFace::find(kFontDisplay, scale)->stringWidth("-96.00") - 2, 2);
    }
    CImage narrow(60, 20, kBlackCColor);
    CDrawContext(narrow).drawString("BPF const skirt (R.B. Johnson)", { 2, 2, 30, 18 }, kFontDisplay, kWhiteCColor,
        CHoriAlign::left);
    for (int y = 0; y < 20; ++y)
        for (int x = 30; x < 60; ++x)
            ASSERT_EQ(narrow.pixel(x, y), kBlackCColor.pixel());
}

// At scale 2 a frame draws the artwork of twice the size: the page and, over
// it, the knob's film frame, each pixel as drawn.
TEST(Drawing, ScaleTwoDrawsTheLargeArtwork)
{
    CFrame frame({ 0, 0, 856, 456 }, nullptr, nullptr, 2);
    frame.setBackground(CBitmap(128));
    auto* knob = new CAnimKnob({ 260, 60, 292, 92 }, nullptr, 0, 101, 32, CBitmap(133));
    knob->setValue(0.7f);
    frame.addView(knob);
    frame.redraw();
    const CBitmap artwork(128 + kDoubleScaleIdOffset), strip(133 + kDoubleScaleIdOffset);
    ASSERT_EQ(frame.image().width(), artwork.getWidth());
    EXPECT_TRUE(showsFilmFrame(frame.image(), artwork.image(), strip.image(), { 520, 120, 584, 184 }, 70));
}
