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
    CImage text(120, 30, kBlackCColor), narrow(60, 20, kBlackCColor);
    const CRect box { 10, 5, 110, 21 };
    CDrawContext(text).drawString("-96.00", box, kFontDisplay, kWhiteCColor);
    CRect ink { 1000, 1000, -1, -1 };
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 120; ++x)
            if (text.pixel(x, y) != kBlackCColor.pixel())
                ink = ink.unite({ x, y, x + 1, y + 1 });
    EXPECT_EQ(ink.intersect(box), ink);
    EXPECT_NEAR((ink.left + ink.right - 1) / 2.0, 60.0, 2.0);
    EXPECT_NEAR((ink.top + ink.bottom - 1) / 2.0, 13.0, 2.0);
    EXPECT_NEAR(ink.width(), CFontFace::find(kFontDisplay)->stringWidth("-96.00") - 2, 2);
    CDrawContext(narrow).drawString("BPF const skirt (R.B. Johnson)", { 2, 2, 30, 18 }, kFontDisplay, kWhiteCColor,
        CHoriAlign::left);
    for (int y = 0; y < 20; ++y)
        for (int x = 30; x < 60; ++x)
            ASSERT_EQ(narrow.pixel(x, y), kBlackCColor.pixel());
}

// At scale 2 a frame draws the artwork of twice the size and text from glyphs
// of twice the size: sharper than the scale-1 picture enlarged.
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
    const CBitmap art(128 + kDoubleScaleIdOffset);
    ASSERT_EQ(image.width(), art.getWidth());
    for (int y = 200; y < image.height(); y += 7)
        for (int x = 0; x < image.width(); x += 5)
            ASSERT_EQ(image.pixel(x, y), art.image().pixel(x, y)) << x << "," << y;

    for (const CRect& r : { textBox, knobBox }) {
        int sharper = 0;
        for (int y = 2 * r.top; y < 2 * r.bottom; ++y)
            for (int x = 2 * r.left; x < 2 * r.right; ++x)
                sharper += image.pixel(x, y) != small.image().pixel(x / 2, y / 2);
        EXPECT_GT(sharper, r.width() * r.height() / 4) << r.left;
    }
}
