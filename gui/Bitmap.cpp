#include "gui/Bitmap.h"

#include "gui/Platform.h"

#include <map>
#include <mutex>

namespace {

// The artwork of twice the size, loaded when it is first drawn and then kept
// for every editor of the process; nullptr where there is none.
const CImage* doubleScaleImage(int id)
{
    static std::mutex guard;
    static std::map<int, std::unique_ptr<const CImage>> loaded;
    const std::lock_guard lock(guard);
    auto [at, isNew] = loaded.try_emplace(id);
    if (isNew) {
        CImage image = loadResourceImage(id + kDoubleScaleIdOffset);
        if (image.width() > 0)
            at->second = std::make_unique<const CImage>(std::move(image));
    }
    return at->second.get();
}

} // namespace

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
    if (!pixels)
        return;
    const CImage* doubled = context.getScale() == 2 && id != 0 ? doubleScaleImage(id) : nullptr;
    if (doubled)
        context.drawImage(*doubled, dest, offset, 2);
    else
        context.drawImage(*pixels, dest, offset);
}
