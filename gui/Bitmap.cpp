#include "gui/Bitmap.h"

#include "gui/Platform.h"

CBitmap::CBitmap(int resourceId)
    : id(resourceId)
{
    CImage loaded = loadResourceImage(resourceId);
    if (loaded.width() > 0)
        pixels = std::make_shared<const CImage>(std::move(loaded));
}

CBitmap::CBitmap(CImage image)
    : pixels(std::make_shared<const CImage>(std::move(image)))
{
}

const CImage& CBitmap::image() const
{
    static const CImage none;
    return pixels ? *pixels : none;
}

void CBitmap::draw(CDrawContext& context, const CRect& dest, CPoint offset) const
{
    if (pixels)
        context.drawImage(*pixels, dest, offset);
}
