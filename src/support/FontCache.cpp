#include "FontCache.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

namespace {

// Returns a description with every field zero except those given; the face name is copied into
// the zero-filled array, so two descriptions of one font compare equal byte for byte.
LOGFONTW MakeDescription(LONG height, LONG weight, const wchar_t* faceName) {
    LOGFONTW description;
    std::memset(&description, 0, sizeof description);
    description.lfHeight = height;
    description.lfWeight = weight;
    description.lfCharSet = DEFAULT_CHARSET;
    std::wcsncpy(description.lfFaceName, faceName, LF_FACESIZE - 1);
    return description;
}

}  // namespace

FontCache& FontCache::Instance() {
    static FontCache cache;
    return cache;
}

FontCache::~FontCache() {
    for (const FontEntry& entry : entries_) {
        DeleteObject(entry.handle);
    }
}

// The whole description is the key, all of its 92 bytes, the face-name array included.
ObjectId FontCache::Acquire(const LOGFONTW& description) {
    for (FontEntry& entry : entries_) {
        if (std::memcmp(&entry.description, &description, sizeof description) == 0) {
            ++entry.refCount;
            return entry.id;
        }
    }
    HFONT handle = CreateFontIndirectW(&description);
    if (handle == nullptr) {
        return InvalidObjectId;
    }
    // The id is taken only once the font exists, so a failed creation uses none up.
    FontEntry entry{description, handle, ObjectIdAllocator::Process().Next(), 1};
    try {
        entries_.push_back(entry);
    } catch (...) {
        DeleteObject(handle);
        throw;
    }
    return entry.id;
}

HFONT FontCache::Get(ObjectId id) const {
    if (id == InvalidObjectId) {
        return nullptr;
    }
    for (const FontEntry& entry : entries_) {
        if (entry.id == id) {
            return entry.handle;
        }
    }
    return nullptr;
}

bool FontCache::Release(ObjectId id) {
    if (id == InvalidObjectId) {
        return false;
    }
    auto found = std::find_if(entries_.begin(), entries_.end(),
                              [id](const FontEntry& entry) { return entry.id == id; });
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

LOGFONTW BodyFontDescription() {
    return MakeDescription(12, FW_NORMAL, L"宋体");
}

LOGFONTW HeadingFontDescription() {
    return MakeDescription(18, FW_BOLD, L"楷体");
}

ObjectId AcquireFont(const LOGFONTW& description) {
    return FontCache::Instance().Acquire(description);
}

ObjectId AcquireBodyFont() {
    return AcquireFont(BodyFontDescription());
}

ObjectId AcquireHeadingFont() {
    return AcquireFont(HeadingFontDescription());
}

HFONT GetFont(ObjectId id) {
    return FontCache::Instance().Get(id);
}

bool ReleaseFont(ObjectId id) {
    return FontCache::Instance().Release(id);
}
