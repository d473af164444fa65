#include "gui/EmbeddedBitmaps.h"

#include "gui/PixelPack.h"
#include "gui/Platform.h"

// Where the artwork is compiled into the binary (everywhere but Windows, which
// links it as bitmap resources), loading a bitmap unpacks it.
CImage loadResourceImage(int id)
{
    for (int i = 0; i < kEmbeddedBitmapCount; ++i) {
        const EmbeddedBitmap& b = kEmbeddedBitmaps[i];
        if (b.id != id)
            continue;
        CImage image(b.width, b.height);
        if (!unpackPixels(reinterpret_cast<const uint8_t*>(b.packed), b.packedSize, image.data(), size_t(b.width) * size_t(b.height)))
            return {};
        image.updateOpacity();
        return image;
    }
    return {};
}
