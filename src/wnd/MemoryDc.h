// Owns a memory device context together with the bitmap selected into it.
#pragma once

#include <windows.h>

class MemoryDc {
  public:
    MemoryDc() = default;
    ~MemoryDc() { Reset(); }
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;

    operator HDC() const { return dc_; }

    // Creates a memory DC compatible with `reference`, replacing the one held.
    void Create(HDC reference);
    // Selects a new bitmap of the given size, compatible with `reference`, and deletes the one it
    // replaces. Returns false, and keeps the bitmap it has, when there is no DC, the size is empty
    // or no bitmap of that size can be made.
    bool SelectNewBitmap(HDC reference, int width, int height);
    // Deletes the DC and its bitmap; the object then holds nothing.
    void Reset();

  private:
    HDC dc_ = nullptr;
    // The last bitmap this object created and selected; only that one counts as its own.
    HBITMAP bitmap_ = nullptr;
};
