#include "gui/Platform.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

// On Windows the artwork is linked as bitmap resources (32-bit, alpha in the
// fourth byte) and loaded through the module instance handle.
CImage loadResourceImage(int id)
{
    const HINSTANCE instance = static_cast<HINSTANCE>(moduleInstance());
    HANDLE handle = LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
    if (!handle)
        return {};
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
