// Owns every pen of the program, shares one solid GDI pen per colour and hands out ids in place
// of handles.
#pragma once

#include <cstddef>
#include <cstdint>

#include <windows.h>

#include "ObjectIdAllocator.h"
#include "SharedGdiObjects.h"

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

    // Returns the id of the solid pen of `color`, one unit wide, creating it on first request,
    // or InvalidObjectId when the pen cannot be created.
    ObjectId Acquire(COLORREF color);
    // Returns the pen's handle, still owned by the cache, or null for an unknown id.
    HPEN Get(ObjectId id) const { return pens_.Get(id); }
    // Drops one acquisition; the last one deletes the pen. Returns false for an unknown id.
    bool Release(ObjectId id) { return pens_.Release(id); }
    std::size_t EntryCount() const { return pens_.Count(); }

  private:
    // Deletes every pen still held, whatever its count, when the cache goes.
    SharedGdiObjects<PenEntry> pens_;
};

// Free functions over PenCache::Instance().
ObjectId AcquirePen(COLORREF color);
HPEN GetPen(ObjectId id);
bool ReleasePen(ObjectId id);
