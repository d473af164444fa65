#include "gui/Font.h"

const CFontFace* CFontFace::find(int id)
{
    for (int i = 0; i < kEmbeddedFontCount; ++i)
        if (kEmbeddedFonts[i].id == id)
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
