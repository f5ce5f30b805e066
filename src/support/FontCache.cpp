#include "FontCache.h"

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

// The whole description is the key, all of its 92 bytes, the face-name array included.
ObjectId FontCache::Acquire(const LOGFONTW& description) {
    const ObjectId held = fonts_.AddHolder([&description](const FontEntry& entry) {
        return std::memcmp(&entry.description, &description, sizeof description) == 0;
    });
    if (held != InvalidObjectId) {
        return held;
    }
    HFONT handle = CreateFontIndirectW(&description);
    if (handle == nullptr) {
        return InvalidObjectId;
    }
    // The id is taken only once the font exists, so a failed creation uses none up.
    const FontEntry entry{description, handle, ObjectIdAllocator::Process().Next(), 1};
    fonts_.Add(entry);
    return entry.id;
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
