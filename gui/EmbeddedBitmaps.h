#pragma once

#include <cstddef>

// The artwork as the bitmap tool packed it (see gui/PixelPack.h).
struct EmbeddedBitmap {
    int id;
    int width;
    int height;
    const char* packed;
    size_t packedSize;
};

// Made by the bitmap tool.
extern const EmbeddedBitmap kEmbeddedBitmaps[];
extern const int kEmbeddedBitmapCount;
