#include "gui/Font.h"

const CFontFace* CFontFace::find(int id, int scale)
{
    for (int i = 0; i < kEmbeddedFontCount; ++i)
        if (kEmbeddedFonts[i].id == id && kEmbeddedFonts[i].scale == scale)
            return &kEmbeddedFonts[i];
    return nullptr;
}

int CFontFace::stringWidth(std::string_view text) const
{
    int width = 0;
    for (unsigned char c : text)
        if (const CGlyph* g = glyph(c))
            width += g->advance;
    return width;
}
