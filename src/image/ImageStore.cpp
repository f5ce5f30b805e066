#include "ImageStore.h"

#include <cstdlib>
#include <limits>
#include <new>
#include <utility>

#include "GdiplusRuntime.h"

namespace {

wchar_t FoldAsciiLetter(wchar_t c) {
    return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

// Returns true when the paths match with only A-Z folded to a-z; every other code unit,
// including letters outside A-Z, must match exactly.
bool SamePath(const WideString& a, const WideString& b) {
    if (a.Length() != b.Length()) {
        return false;
    }
    for (std::size_t i = 0; i < a.Length(); ++i) {
        if (FoldAsciiLetter(a[i]) != FoldAsciiLetter(b[i])) {
            return false;
        }
    }
    return true;
}

}  // namespace

ImageStore::ImageStore() : gdiplusAcquired(AcquireGdiplus()) {}

// The store is never destroyed: images of static storage duration may be destroyed after the
// teardown and must then still find an (empty) store to release their ids into. It is built in
// storage of its own rather than on the heap, so that nothing of it is left there at exit.
ImageStore& ImageStore::Instance() {
    alignas(ImageStore) static unsigned char storage[sizeof(ImageStore)];
    static ImageStore* const store = [] {
        auto* created = new (storage) ImageStore();
        std::atexit(&ImageStore::TearDown);
        return created;
    }();
    return *store;
}

// Called at process exit: disposes of every picture and gives back the store's acquisition.
void ImageStore::TearDown() {
    ImageStore& store = Instance();
    for (ImageEntry& entry : store.entries) {
        entry.Clear();
    }
    store.entries.clear();
    if (store.gdiplusAcquired) {
        store.gdiplusAcquired = false;
        ReleaseGdiplus();
    }
    std::vector<ImageEntry>().swap(store.entries);
}

ImageEntry* ImageStore::Find(std::uint32_t id) {
    if (id == 0) {
        return nullptr;
    }
    for (ImageEntry& entry : entries) {
        if (entry.id == id) {
            return &entry;
        }
    }
    return nullptr;
}

// Returns the id given to the new entry, or 0 when the ids are used up (they are never reused).
std::uint32_t ImageStore::Append(ImageEntry&& entry) {
    if (nextId == std::numeric_limits<std::uint32_t>::max()) {
        return 0;
    }
    entry.id = nextId + 1;
    entry.refCount = 1;
    entries.push_back(std::move(entry));
    nextId = entries.back().id;
    return nextId;
}

// Returns the id of the first file-loaded entry with the same path, counting one more holder,
// or of a new entry decoded from the file.
std::uint32_t ImageStore::ShareFile(const WideString& path) {
    if (path.IsEmpty()) {
        return 0;
    }
    ImageStore& store = Instance();
    for (ImageEntry& entry : store.entries) {
        if (entry.fromFile && SamePath(entry.path, path)) {
            ++entry.refCount;
            return entry.id;
        }
    }
    ImageEntry entry;
    if (!FillFromFile(entry, path)) {
        return 0;
    }
    return store.Append(std::move(entry));
}

// Returns the id of the first entry loaded from the same resource, counting one more holder, or
// of a new one. Names are compared by address: the same text in two strings is two resources.
std::uint32_t ImageStore::ShareResource(const wchar_t* resourceName, HMODULE module,
                                        const wchar_t* resourceType) {
    if (resourceName == nullptr || module == nullptr || resourceType == nullptr) {
        return 0;
    }
    ImageStore& store = Instance();
    for (ImageEntry& entry : store.entries) {
        if (!entry.fromFile && entry.module == module && entry.resourceType == resourceType &&
            entry.resourceName == resourceName) {
            ++entry.refCount;
            return entry.id;
        }
    }
    ImageEntry entry;
    if (!FillFromResource(entry, module, resourceType, resourceName)) {
        return 0;
    }
    return store.Append(std::move(entry));
}

// Returns the id of a new entry decoded from a copy of the block; blocks are never shared.
std::uint32_t ImageStore::AddMemory(const void* data, std::size_t size) {
    ImageEntry entry;
    if (!FillFromMemory(entry, data, size)) {
        return 0;
    }
    return Instance().Append(std::move(entry));
}

// Returns the id of a new entry holding a clone of `bitmap`.
std::uint32_t ImageStore::AddBitmap(Gdiplus::GpBitmap* bitmap) {
    ImageEntry entry;
    if (!FillFromBitmap(entry, bitmap)) {
        return 0;
    }
    return Instance().Append(std::move(entry));
}

bool ImageStore::AddRef(std::uint32_t id) {
    if (id == 0) {
        return false;
    }
    ImageEntry* entry = Instance().Find(id);
    if (entry == nullptr) {
        return false;
    }
    ++entry->refCount;
    return true;
}

// Returns false for an id not in the store. The last holder's release disposes of the picture
// and removes the entry; the rest keep their order.
bool ImageStore::Release(std::uint32_t id) {
    // Id 0 must not create the store: never-loaded images are released during exit too.
    if (id == 0) {
        return false;
    }
    ImageStore& store = Instance();
    for (auto it = store.entries.begin(); it != store.entries.end(); ++it) {
        if (it->id == id) {
            if (--it->refCount <= 0) {
                it->Clear();
                store.entries.erase(it);
            }
            return true;
        }
    }
    return false;
}

Gdiplus::GpBitmap* ImageStore::GetBitmap(std::uint32_t id) {
    if (id == 0) {
        return nullptr;
    }
    const ImageEntry* entry = Instance().Find(id);
    return entry != nullptr ? entry->bitmap.Get() : nullptr;
}

// Returns true when `entry` received a private copy of the store entry's picture.
bool ImageStore::CopyEntry(std::uint32_t id, ImageEntry& entry) {
    if (!entry.IsFreeToFill() || id == 0) {
        return false;
    }
    const ImageEntry* original = Instance().Find(id);
    return original != nullptr && FillFromCopyOf(entry, *original);
}

const ImageEntry* ImageStore::FindEntry(std::uint32_t id) {
    if (id == 0) {
        return nullptr;
    }
    return Instance().Find(id);
}

std::size_t ImageStore::EntryCount() {
    return Instance().entries.size();
}
