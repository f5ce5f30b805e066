// An image object over a decoded GDI+ bitmap, private or shared through the image store, and the
// rectangle of that bitmap it stands for.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "ImageEntry.h"
#include "KvClassBase.h"
#include "WideString.h"

class KvImage : public KvClassBase {
  public:
    // Holds one GDI+ acquisition for the object's whole life.
    KvImage();
    ~KvImage() override;
    KvImage(const KvImage&) = delete;
    KvImage& operator=(const KvImage&) = delete;

    // Every load first empties the image through the virtual Unload, and leaves it empty when it
    // fails. `shared` loads through the image store, otherwise into a private picture.
    virtual bool LoadFromBitmap(Gdiplus::GpBitmap* bitmap, bool shared);
    virtual bool LoadFromImage(const KvImage& other, bool shared);
    virtual bool LoadFromMemory(const void* data, std::size_t size, bool shared);
    virtual bool LoadFromResource(HMODULE module, const wchar_t* resourceType,
                                  const wchar_t* resourceName, bool shared);
    virtual bool LoadFromFile(WideString path, bool shared);
    // Loads `other` and stands for `subRect`, given relative to other's rect and inside it.
    virtual bool LoadFromImageRect(const KvImage& other, RECT subRect, bool shared);
    virtual void Unload();

    std::uint32_t StoreId() const { return storeId; }
    const ImageEntry& Source() const { return source; }
    const RECT& Rect() const { return rect; }
    // Returns the private bitmap, else the store's bitmap for the image's id, else null.
    Gdiplus::GpBitmap* Bitmap() const;

  private:
    std::uint32_t ShareCopyOf(const KvImage& other);
    bool Holds(std::uint32_t id);
    bool Loaded(bool loaded);
    // Sets rect to the whole of the image's bitmap.
    void CoverWholeBitmap();

    std::uint32_t storeId = 0;
    ImageEntry source;
    RECT rect = {0, 0, 0, 0};
    // A failed GDI+ start-up is not counted, so it must not be released either.
    bool gdiplusAcquired;
};
