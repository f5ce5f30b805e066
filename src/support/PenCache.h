// Owns every pen of the program, shares one solid GDI pen per colour and hands out ids in place
// of handles.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include <windows.h>

#include "ObjectIdAllocator.h"

class PenCache {
  public:
    struct PenEntry {
        ObjectId id;
        HPEN handle;
        std::int32_t refCount;
        COLORREF color;
        std::int32_t style;
        std::int32_t width;
    };

    // Returns the process-wide cache, built on first use and destroyed at exit.
    static PenCache& Instance();

    PenCache() = default;
    // Deletes every pen still held, whatever its count.
    ~PenCache();
    PenCache(const PenCache&) = delete;
    PenCache& operator=(const PenCache&) = delete;

    // Returns the id of the solid pen of `color`, one unit wide, creating it on first request,
    // or InvalidObjectId when the pen cannot be created.
    ObjectId Acquire(COLORREF color);
    // Returns the pen's handle, still owned by the cache, or null for an unknown id.
    HPEN Get(ObjectId id) const;
    // Drops one acquisition; the last one deletes the pen. Returns false for an unknown id.
    bool Release(ObjectId id);
    std::size_t EntryCount() const { return entries_.size(); }

  private:
    std::vector<PenEntry> entries_;
};

// Free functions over PenCache::Instance().
ObjectId AcquirePen(COLORREF color);
HPEN GetPen(ObjectId id);
bool ReleasePen(ObjectId id);
