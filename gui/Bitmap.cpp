#include "gui/Bitmap.h"

#include "gui/Platform.h"

#include <map>
#include <mutex>

namespace {

// Each image of the artwork is decoded once, when it is first asked for, and
// shared by every bitmap of every editor in the process from then on.
std::shared_ptr<const CImage> sharedResourceImage(int id)
{
    static std::mutex mutex;
    static std::map<int, std::shared_ptr<const CImage>> decoded;
    const std::lock_guard lock(mutex);
    const auto found = decoded.find(id);
    if (found != decoded.end())
        return found->second;
    CImage loaded = loadResourceImage(id);
    std::shared_ptr<const CImage> image;
    if (loaded.width() > 0)
        image = std::make_shared<const CImage>(std::move(loaded));
    decoded.emplace(id, image);
    return image;
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
    if (pixels)
        context.drawImage(*pixels, dest, offset);
}
