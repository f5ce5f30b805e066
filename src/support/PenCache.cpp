#include "PenCache.h"

namespace {

constexpr std::int32_t PenStyle = PS_SOLID;
constexpr std::int32_t PenWidth = 1;

}  // namespace

PenCache& PenCache::Instance() {
    static PenCache cache;
    return cache;
}

ObjectId PenCache::Acquire(COLORREF color) {
    const ObjectId held = pens_.AddHolder([color](const PenEntry& entry) {
        return entry.color == color && entry.style == PenStyle && entry.width == PenWidth;
    });
    if (held != InvalidObjectId) {
        return held;
    }
    // Unlike a font, a pen takes its id before it is created; a failed creation uses it up.
    const ObjectId id = ObjectIdAllocator::Process().Next();
    HPEN handle = CreatePen(PenStyle, PenWidth, color);
    if (handle == nullptr) {
        return InvalidObjectId;
    }
    pens_.Add(PenEntry{id, handle, 1, color, PenStyle, PenWidth});
    return id;
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
