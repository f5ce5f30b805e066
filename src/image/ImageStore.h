// The process-wide store of decoded pictures that several images share, counted by their holders.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ImageEntry.h"
#include "WideString.h"

// Every operation works on the one store; an id of 0 means none or failure.
class ImageStore {
  public:
    ImageStore(const ImageStore&) = delete;
    ImageStore& operator=(const ImageStore&) = delete;

    // Returns the store, created on first use and emptied at process exit.
    static ImageStore& Instance();

    static std::uint32_t ShareFile(const WideString& path);
    static std::uint32_t ShareResource(const wchar_t* resourceName, HMODULE module,
                                       const wchar_t* resourceType);
    static std::uint32_t AddMemory(const void* data, std::size_t size);
    static std::uint32_t AddBitmap(Gdiplus::GpBitmap* bitmap);
    static bool AddRef(std::uint32_t id);
    static bool Release(std::uint32_t id);
    static Gdiplus::GpBitmap* GetBitmap(std::uint32_t id);
    static bool CopyEntry(std::uint32_t id, ImageEntry& entry);

    // Returns the entry with that id, or null; it stays valid until the store next changes.
    static const ImageEntry* FindEntry(std::uint32_t id);
    static std::size_t EntryCount();

  private:
    ImageStore();
    static void TearDown();

    ImageEntry* Find(std::uint32_t id);
    std::uint32_t Append(ImageEntry&& entry);

    std::vector<ImageEntry> entries;
    std::uint32_t nextId = 0;
    bool gdiplusAcquired = false;
};
