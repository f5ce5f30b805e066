#include "ImageEntry.h"

#include <objbase.h>

#include <cstring>
#include <memory>
#include <utility>

#include "GlobalMemoryLock.h"

using namespace Gdiplus::DllExports;

namespace {

struct StreamRelease {
    void operator()(IStream* stream) const { stream->Release(); }
};
using StreamReference = std::unique_ptr<IStream, StreamRelease>;

// Returns the bitmap decoded through a stream over `memory`, or an empty holder. The stream does
// not own the block: the entry frees it, after the bitmap, which may go on reading from it.
GdiplusBitmap DecodeBlock(HGLOBAL memory) {
    IStream* rawStream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(memory, FALSE, &rawStream)) || rawStream == nullptr) {
        return GdiplusBitmap();
    }
    StreamReference stream(rawStream);
    GdiplusBitmap bitmap;
    if (GdipCreateBitmapFromStream(stream.get(), bitmap.Receive()) != Gdiplus::Ok) {
        bitmap.Reset();
    }
    // GDI+ holds its own reference to the stream for the bitmap's life; ours ends here.
    return bitmap;
}

}  // namespace

void ImageEntry::Clear() {
    bitmap.Reset();
    memory.Reset();
    fromFile = false;
    path.Clear();
    module = nullptr;
    resourceType = nullptr;
    resourceName = nullptr;
    id = 0;
    refCount = 0;
}

// Returns true when the file decoded.
bool FillFromFile(ImageEntry& entry, const WideString& path) {
    if (!entry.IsFreeToFill()) {
        return false;
    }
    GdiplusBitmap bitmap;
    if (GdipCreateBitmapFromFile(path.c_str(), bitmap.Receive()) != Gdiplus::Ok) {
        return false;
    }
    entry.path = path;
    entry.fromFile = true;
    entry.bitmap = std::move(bitmap);
    entry.id = 0;
    entry.refCount = 0;
    return true;
}

// Returns true when the copied bytes decoded. Every step taken so far is undone by the holders'
// destructors, in reverse order, when a later step fails.
bool FillFromMemory(ImageEntry& entry, const void* data, std::size_t size) {
    if (!entry.IsFreeToFill() || size == 0 || IsBadReadPtr(data, size)) {
        return false;
    }
    GlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, size));
    if (!memory) {
        return false;
    }
    GdiplusBitmap bitmap;
    {
        GlobalMemoryLock lock(memory.Get());
        if (lock.Data() == nullptr) {
            return false;
        }
        std::memcpy(lock.Data(), data, size);
        bitmap = DecodeBlock(memory.Get());
    }
    if (!bitmap) {
        return false;
    }
    entry.module = nullptr;
    entry.resourceType = nullptr;
    entry.resourceName = nullptr;
    entry.id = 0;
    entry.refCount = 0;
    entry.fromFile = false;
    entry.bitmap = std::move(bitmap);
    entry.memory = std::move(memory);
    return true;
}

// Returns true when the resource was found and its data decoded.
bool FillFromResource(ImageEntry& entry, HMODULE module, const wchar_t* resourceType,
                      const wchar_t* resourceName) {
    if (!entry.IsFreeToFill()) {
        return false;
    }
    HRSRC resource = FindResourceW(module, resourceName, resourceType);
    if (resource == nullptr) {
        return false;
    }
    HGLOBAL loaded = LoadResource(module, resource);
    if (loaded == nullptr) {
        return false;
    }
    DWORD size = SizeofResource(module, resource);
    if (size == 0) {
        return false;
    }
    const void* data = LockResource(loaded);
    if (data == nullptr || !FillFromMemory(entry, data, size)) {
        return false;
    }
    entry.resourceName = resourceName;
    entry.module = module;
    entry.resourceType = resourceType;
    return true;
}

// Returns true when the whole of `bitmap` was cloned in its own pixel format.
bool FillFromBitmap(ImageEntry& entry, Gdiplus::GpBitmap* bitmap) {
    if (bitmap == nullptr || entry.bitmap || entry.memory) {
        return false;
    }
    Gdiplus::PixelFormat format = 0;
    UINT width = 0;
    UINT height = 0;
    GdipGetImagePixelFormat(bitmap, &format);
    GdipGetImageHeight(bitmap, &height);
    GdipGetImageWidth(bitmap, &width);
    GdiplusBitmap clone;
    if (GdipCloneBitmapAreaI(0, 0, static_cast<INT>(width), static_cast<INT>(height), format,
                             bitmap, clone.Receive()) != Gdiplus::Ok) {
        return false;
    }
    entry.fromFile = false;
    entry.bitmap = std::move(clone);
    entry.id = 0;
    entry.refCount = 0;
    return true;
}

bool FillFromCopyOf(ImageEntry& entry, const ImageEntry& original) {
    if (original.fromFile) {
        return FillFromFile(entry, original.path);
    }
    if (original.memory) {
        GlobalMemoryLock lock(original.memory.Get());
        return lock.Data() != nullptr && FillFromMemory(entry, lock.Data(), lock.Size());
    }
    if (original.resourceName != nullptr) {
        return FillFromResource(entry, original.module, original.resourceType,
                                original.resourceName);
    }
    return FillFromBitmap(entry, original.bitmap.Get());
}
