#include "CellPictureCache.h"

#include <iterator>

// A picture found is moved to the end, so that the one replaced when the cache is full is the
// least recently used and never one of those a paint is still drawing with.
const CellPicture& CellPictureCache::Find(HDC dc, const KvJigsawImage& image, int size) {
    for (auto it = pictures_.begin(); it != pictures_.end(); ++it) {
        if ((*it)->Matches(dc, image, size)) {
            std::unique_ptr<CellPicture> found = std::move(*it);
            pictures_.erase(it);
            found->Attach(image);
            pictures_.push_back(std::move(found));
            return *pictures_.back();
        }
    }
    if (pictures_.size() >= Capacity) {
        pictures_.erase(pictures_.begin());
    }
    pictures_.push_back(std::make_unique<CellPicture>(dc, image, size));
    return *pictures_.back();
}

void CellPictureCache::Clear() {
    pictures_.clear();
}
