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
    // replaces. Does nothing without a DC.
    void SelectNewBitmap(HDC reference, int width, int height);
    // Deletes the DC and its bitmap; the object then holds nothing.
    void Reset();

  private:
    HDC dc_ = nullptr;
};
