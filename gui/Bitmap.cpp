#include "gui/Bitmap.h"

#include "gui/Platform.h"

#include <map>
#include <mutex>

namespace {

// Each image of the artwork, at either scale, is decoded once, when it is
// first asked for, and shared by every bitmap of every editor in the process
// from then on; nullptr where there is none. Entries are never removed, so a
// reference to one stays valid.
const std::shared_ptr<const CImage>& sharedResourceImage(int id)
{
    static std::mutex mutex;
    static std::map<int, std::shared_ptr<const CImage>> decoded;
    const std::lock_guard lock(mutex);
    auto [at, isNew] = decoded.try_emplace(id);
    if (isNew) {
        CImage loaded = loadResourceImage(id);
        if (loaded.width() > 0)
            at->second = std::make_shared<const CImage>(std::move(loaded));
    }
    return at->second;
}

} // namespace

CBitmap::CBitmap(int resourceId)
    : id(resourceId)
    , pixels(sharedResourceImage(resourceId))
{
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
    const CImage* doubled =
        context.getScale() == 2 && id != 0 ? sharedResourceImage(id + kDoubleScaleIdOffset).get() : nullptr;
    if (doubled)
        context.drawImage(*doubled, dest, offset, 2);
    else
        context.drawImage(*pixels, dest, offset);
}
