#include "PenCache.h"

#include <algorithm>

namespace {

constexpr std::int32_t PenStyle = PS_SOLID;
constexpr std::int32_t PenWidth = 1;

}  // namespace

PenCache& PenCache::Instance() {
    static PenCache cache;
    return cache;
}

PenCache::~PenCache() {
    for (const PenEntry& entry : entries_) {
        DeleteObject(entry.handle);
    }
}

ObjectId PenCache::Acquire(COLORREF color) {
    for (PenEntry& entry : entries_) {
        if (entry.color == color && entry.style == PenStyle && entry.width == PenWidth) {
            ++entry.refCount;
            return entry.id;
        }
    }
    // Unlike a font, a pen takes its id before it is created; a failed creation uses it up.
    ObjectId id = ObjectIdAllocator::Process().Next();
    HPEN handle = CreatePen(PenStyle, PenWidth, color);
    if (handle == nullptr) {
        return InvalidObjectId;
    }
    try {
        entries_.push_back(PenEntry{id, handle, 1, color, PenStyle, PenWidth});
    } catch (...) {
        DeleteObject(handle);
        throw;
    }
    return id;
}

HPEN PenCache::Get(ObjectId id) const {
    if (id == InvalidObjectId) {
        return nullptr;
    }
    for (const PenEntry& entry : entries_) {
        if (entry.id == id) {
            return entry.handle;
        }
    }
    return nullptr;
}

bool PenCache::Release(ObjectId id) {
    if (id == InvalidObjectId) {
        return false;
    }
    auto found = std::find_if(entries_.begin(), entries_.end(),
                              [id](const PenEntry& entry) { return entry.id == id; });
    if (found == entries_.end()) {
        return false;
    }
    if (found->refCount == 1) {
        DeleteObject(found->handle);
        entries_.erase(found);
    } else {
        --found->refCount;
    }
    return true;
}

ObjectId AcquirePen(COLORREF color) {
    return PenCache::Instance().Acquire(color);
}

HPEN GetPen(ObjectId id) {
    return PenCache::Instance().Get(id);
}

bool ReleasePen(ObjectId id) {
    return PenCache::Instance().Release(id);
}
