// Owns every font of the program, shares one GDI font among all who ask for the same
// description and hands out ids in place of handles.
#pragma once

#include <cstddef>
#include <cstdint>

#include <windows.h>

#include "ObjectIdAllocator.h"
#include "SharedGdiObjects.h"

class FontCache {
  public:
    struct FontEntry {
        LOGFONTW description;
        HFONT handle;
        ObjectId id;
        std::int32_t refCount;
    };

    // Returns the process-wide cache, built on first use and destroyed at exit.
    static FontCache& Instance();

    // Returns the id of the font for `description`, creating it on first request, or
    // InvalidObjectId when the font cannot be created.
    ObjectId Acquire(const LOGFONTW& description);
    // Returns the font's handle, still owned by the cache, or null for an unknown id.
    HFONT Get(ObjectId id) const { return fonts_.Get(id); }
    // Drops one acquisition; the last one deletes the font. Returns false for an unknown id.
    bool Release(ObjectId id) { return fonts_.Release(id); }
    std::size_t EntryCount() const { return fonts_.Count(); }

  private:
    // Deletes every font still held, whatever its count, when the cache goes.
    SharedGdiObjects<FontEntry> fonts_;
};

// The program's two fonts: body text at 12 units in "宋体", headings at 18 units bold in "楷体".
LOGFONTW BodyFontDescription();
LOGFONTW HeadingFontDescription();

// Free functions over FontCache::Instance().
ObjectId AcquireFont(const LOGFONTW& description);
ObjectId AcquireBodyFont();
ObjectId AcquireHeadingFont();
HFONT GetFont(ObjectId id);
bool ReleaseFont(ObjectId id);
