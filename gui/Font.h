#pragma once

#include <cstdint>
#include <string_view>

// Text is drawn from glyphs of DejaVu Sans that the build-time bitmap tool
// renders once with anti-aliasing: every platform shows the same pixels.

enum CFontId : int {
    kFontTitle = 0, // bold, 12 px
    kFontHeading = 1, // bold, 10 px
    kFontLabel = 2, // 9 px
    kFontDisplay = 3, // 10 px, the value displays and menus
};

struct CFontSpec {
    int id;
    const char* family;
    int pixelSize;
    bool bold;
};

// What the bitmap tool renders; font ids index this table.
inline constexpr CFontSpec kFontSpecs[] = {
    { kFontTitle, "DejaVu Sans", 12, true },
    { kFontHeading, "DejaVu Sans", 10, true },
    { kFontLabel, "DejaVu Sans", 9, false },
    { kFontDisplay, "DejaVu Sans", 10, false },
};

// Latin-1 characters 32..255 have glyphs (127..159 are empty).
inline constexpr int kFirstGlyph = 32;
inline constexpr int kGlyphCount = 224;

// One glyph's coverage block: width x height bytes of 0..255, placed with its
// top-left corner at (pen x + left, baseline - top).
struct CGlyph {
    int16_t left;
    int16_t top;
    uint16_t width;
    uint16_t height;
    uint16_t advance;
    uint32_t offset; // into the face's coverage bytes
};

// Each font is rendered at scale 1 and at twice its pixel size, scale 2.
inline constexpr int kFontScales[] = { 1, 2 };

struct CFontFace {
    int id;
    int scale;
    int ascentPx;
    int descentPx;
    const CGlyph* glyphs; // kGlyphCount entries
    const uint8_t* coverageBytes;

    static const CFontFace* find(int id, int scale = 1);

    int ascent() const { return ascentPx; }
    int lineHeight() const { return ascentPx + descentPx; }
    const CGlyph* glyph(unsigned char c) const
    {
        return c < kFirstGlyph ? nullptr : &glyphs[c - kFirstGlyph];
    }
    const uint8_t* coverage(const CGlyph& g) const { return coverageBytes + g.offset; }
    int stringWidth(std::string_view text) const;
};

// Made by the bitmap tool.
extern const CFontFace kEmbeddedFonts[];
extern const int kEmbeddedFontCount;
