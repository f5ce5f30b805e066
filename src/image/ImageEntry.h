// One decoded picture and where it came from: a store entry or an image's private picture.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "GdiplusBitmap.h"
#include "GlobalMemory.h"
#include "WideString.h"

struct ImageEntry {
    ImageEntry() = default;
    ImageEntry(ImageEntry&&) noexcept = default;
    // Member-wise assignment disposes of the old bitmap before it frees the old memory block, as
    // the members come in that order.
    ImageEntry& operator=(ImageEntry&&) noexcept = default;
    // The bitmap may still read from the memory block, so it goes first.
    ~ImageEntry() { bitmap.Reset(); }

    // Returns true when the file, memory and resource sources may fill this entry.
    bool IsFreeToFill() const { return !memory && !bitmap && resourceName == nullptr; }
    // Disposes of the bitmap, then frees the memory block, and resets every field.
    void Clear();

    bool fromFile = false;
    WideString path;
    HMODULE module = nullptr;
    // Either an integer identifier in the Win32 integer-resource form or the caller's string.
    const wchar_t* resourceType = nullptr;
    const wchar_t* resourceName = nullptr;
    GdiplusBitmap bitmap;
    // The encoded bytes that `bitmap` was decoded from through a stream; must outlive `bitmap`.
    GlobalMemory memory;
    std::uint32_t id = 0;
    std::int32_t refCount = 0;
};

// Each fill returns true on success; on failure the entry is left as it was.

// Decodes the file at `path`.
bool FillFromFile(ImageEntry& entry, const WideString& path);
// Decodes `size` bytes at `data` from a private copy that the entry keeps.
bool FillFromMemory(ImageEntry& entry, const void* data, std::size_t size);
// Decodes a private copy of a module resource and records the resource's identity.
bool FillFromResource(ImageEntry& entry, HMODULE module, const wchar_t* resourceType,
                      const wchar_t* resourceName);
// Takes a copy of `bitmap`, which stays the caller's.
bool FillFromBitmap(ImageEntry& entry, Gdiplus::GpBitmap* bitmap);
// Makes a private copy of `original`'s picture from its file, else its memory block, else its
// resource, else its bitmap. A resource's entry keeps its memory block, so its copy comes from
// the block and has no resource identity.
bool FillFromCopyOf(ImageEntry& entry, const ImageEntry& original);
