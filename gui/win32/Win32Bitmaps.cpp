#include "gui/PixelPack.h"
#include "gui/Platform.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace {

// Raw data: width and height (32 bits each, little-endian), then the pixels
// packed (see gui/PixelPack.h).
CImage loadPackedImage(HINSTANCE instance, int id)
{
    HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10)); // RT_RCDATA
    HGLOBAL loaded = found ? LoadResource(instance, found) : nullptr;
    const auto* data = static_cast<const uint8_t*>(loaded ? LockResource(loaded) : nullptr);
    const size_t size = found ? SizeofResource(instance, found) : 0;
    if (!data || size < 8)
        return {};
    auto word = [data](int at) {
        return uint32_t(data[at]) | uint32_t(data[at + 1]) << 8 | uint32_t(data[at + 2]) << 16
            | uint32_t(data[at + 3]) << 24;
    };
    const uint32_t width = word(0), height = word(4);
    if (width == 0 || height == 0 || width > 8192 || height > 16384)
        return {};
    CImage image(static_cast<int>(width), static_cast<int>(height));
    if (!unpackPixels(data + 8, size - 8, image.data(), size_t(width) * height))
        return {};
    image.updateOpacity();
    return image;
}

} // namespace

// On Windows the artwork is linked as bitmap resources (32-bit, alpha in the
// fourth byte), the artwork of twice the size as packed raw data, and loaded
// through the module instance handle.
CImage loadResourceImage(int id)
{
    const HINSTANCE instance = static_cast<HINSTANCE>(moduleInstance());
    HANDLE handle = LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
    if (!handle)
        return loadPackedImage(instance, id);
    HBITMAP bitmap = static_cast<HBITMAP>(handle);
    BITMAP header {};
    GetObjectW(bitmap, sizeof header, &header);
    CImage image(header.bmWidth, header.bmHeight);
    BITMAPINFO info {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = header.bmWidth;
    info.bmiHeader.biHeight = -header.bmHeight; // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    HDC dc = GetDC(nullptr);
    const int rows = GetDIBits(dc, bitmap, 0, UINT(header.bmHeight), image.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    DeleteObject(bitmap);
    if (rows != header.bmHeight)
        return {};
    // Bitmaps saved without alpha come back with a zero fourth byte: opaque.
    if (header.bmBitsPixel < 32)
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                image.row(y)[x] |= 0xff000000u;
    image.updateOpacity();
    return image;
}
