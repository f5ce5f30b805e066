#include "KvImage.h"

#include <cstdint>

#include "GdiplusRuntime.h"
#include "GlobalMemoryLock.h"
#include "ImageStore.h"

using namespace Gdiplus::DllExports;

KvImage::KvImage() : gdiplusAcquired(AcquireGdiplus()) {}

// Called when the image goes: its own Unload, not an override, as the derived part is gone.
KvImage::~KvImage() {
    KvImage::Unload();
    if (gdiplusAcquired) {
        ReleaseGdiplus();
    }
}

Gdiplus::GpBitmap* KvImage::Bitmap() const {
    if (source.bitmap) {
        return source.bitmap.Get();
    }
    return ImageStore::GetBitmap(storeId);
}

void KvImage::CoverWholeBitmap() {
    UINT width = 0;
    UINT height = 0;
    Gdiplus::GpBitmap* bitmap = Bitmap();
    GdipGetImageWidth(bitmap, &width);
    GdipGetImageHeight(bitmap, &height);
    SetRect(&rect, 0, 0, static_cast<int>(width), static_cast<int>(height));
}

// Returns true when the bitmap was cloned. The unload that every load begins with disposes of
// the image's own bitmap unless another image shares it; loading that bitmap then fails, like
// loading the image into itself.
bool KvImage::LoadFromBitmap(Gdiplus::GpBitmap* bitmap, bool shared) {
    const bool ownPrivate = bitmap != nullptr && bitmap == source.bitmap.Get();
    const std::uint32_t ownId =
        (bitmap != nullptr && bitmap == ImageStore::GetBitmap(storeId)) ? storeId : 0;
    Unload();
    if (ownPrivate || (ownId != 0 && ImageStore::GetBitmap(ownId) == nullptr)) {
        return false;
    }
    return Loaded(shared ? Holds(ImageStore::AddBitmap(bitmap)) : FillFromBitmap(source, bitmap));
}

// Returns the id of a store entry made from other's private picture, by the same precedence as
// the store's copies: file, memory block, resource, bitmap.
std::uint32_t KvImage::ShareCopyOf(const KvImage& other) {
    const ImageEntry& picture = other.source;
    if (picture.fromFile) {
        return ImageStore::ShareFile(picture.path);
    }
    if (picture.memory) {
        GlobalMemoryLock lock(picture.memory.Get());
        return lock.Data() != nullptr ? ImageStore::AddMemory(lock.Data(), lock.Size()) : 0;
    }
    if (picture.resourceName != nullptr) {
        return ImageStore::ShareResource(picture.resourceName, picture.module,
                                         picture.resourceType);
    }
    return ImageStore::AddBitmap(picture.bitmap.Get());
}

// Returns true when this image holds other's picture: one more reference to other's store entry,
// or a new entry or private copy made from other's private picture. The copy stands for the whole
// bitmap, not for other's rect. Loading the image itself fails, as the unload empties it first.
bool KvImage::LoadFromImage(const KvImage& other, bool shared) {
    Unload();
    if (other.storeId == 0 && !other.source.bitmap) {
        return false;
    }
    if (!shared) {
        return Loaded(other.storeId != 0 ? ImageStore::CopyEntry(other.storeId, source)
                                         : FillFromCopyOf(source, other.source));
    }
    if (other.storeId == 0) {
        return Loaded(Holds(ShareCopyOf(other)));
    }
    return Loaded(ImageStore::AddRef(other.storeId) && Holds(other.storeId));
}

bool KvImage::LoadFromMemory(const void* data, std::size_t size, bool shared) {
    Unload();
    if (data == nullptr || size == 0) {
        return false;
    }
    return Loaded(shared ? Holds(ImageStore::AddMemory(data, size))
                         : FillFromMemory(source, data, size));
}

bool KvImage::LoadFromResource(HMODULE module, const wchar_t* resourceType,
                               const wchar_t* resourceName, bool shared) {
    Unload();
    return Loaded(shared ? Holds(ImageStore::ShareResource(resourceName, module, resourceType))
                         : FillFromResource(source, module, resourceType, resourceName));
}

// `path` is taken by value: it may be this image's own path, which the unload empties.
bool KvImage::LoadFromFile(WideString path, bool shared) {
    Unload();
    return Loaded(shared ? Holds(ImageStore::ShareFile(path)) : FillFromFile(source, path));
}

// Returns whether `id` names a store entry, which the image then holds.
bool KvImage::Holds(std::uint32_t id) {
    storeId = id;
    return id != 0;
}

// Completes a load that `loaded` says succeeded: the image stands for its whole bitmap.
bool KvImage::Loaded(bool loaded) {
    if (loaded) {
        CoverWholeBitmap();
    }
    return loaded;
}
// Returns true when `subRect` lies inside other's rect and other loaded; rect then becomes that
// part of the bitmap.
bool KvImage::LoadFromImageRect(const KvImage& other, RECT subRect, bool shared) {
    Unload();
    const std::int64_t width = std::int64_t{other.rect.right} - other.rect.left;
    const std::int64_t height = std::int64_t{other.rect.bottom} - other.rect.top;
    if (width <= 0 || height <= 0 || subRect.left < 0 || subRect.top < 0 ||
        subRect.right <= subRect.left || subRect.bottom <= subRect.top || subRect.right > width ||
        subRect.bottom > height) {
        return false;
    }
    const RECT otherRect = other.rect;
    if (!LoadFromImage(other, shared)) {
        return false;
    }
    rect.left = otherRect.left + subRect.left;
    rect.top = otherRect.top + subRect.top;
    rect.right = rect.left + (subRect.right - subRect.left);
    rect.bottom = rect.top + (subRect.bottom - subRect.top);
    return true;
}

// Drops the store reference and the private picture; the image is then empty.
void KvImage::Unload() {
    ImageStore::Release(storeId);
    storeId = 0;
    SetRect(&rect, 0, 0, 0, 0);
    source.Clear();
}
