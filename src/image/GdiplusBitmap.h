// Owns one GDI+ bitmap and disposes of it when it is dropped.
#pragma once

#include <windows.h>
// Included ahead of GDI+, which needs its COM types (left out by WIN32_LEAN_AND_MEAN).
#include <objidl.h>
#include <gdiplus.h>

#include <utility>

class GdiplusBitmap {
  public:
    GdiplusBitmap() = default;
    ~GdiplusBitmap() { Reset(); }
    GdiplusBitmap(const GdiplusBitmap&) = delete;
    GdiplusBitmap& operator=(const GdiplusBitmap&) = delete;
    GdiplusBitmap(GdiplusBitmap&& other) noexcept
        : bitmap_(std::exchange(other.bitmap_, nullptr)) {}
    GdiplusBitmap& operator=(GdiplusBitmap&& other) noexcept {
        if (this != &other) {
            Reset();
            bitmap_ = std::exchange(other.bitmap_, nullptr);
        }
        return *this;
    }

    Gdiplus::GpBitmap* Get() const { return bitmap_; }
    explicit operator bool() const { return bitmap_ != nullptr; }

    // Disposes of the bitmap held, if any.
    void Reset() {
        if (bitmap_ != nullptr) {
            Gdiplus::DllExports::GdipDisposeImage(bitmap_);
            bitmap_ = nullptr;
        }
    }
    // Returns the slot for a GDI+ call that creates a bitmap; whatever the call leaves there,
    // even after a failure, is then owned and disposed of.
    Gdiplus::GpBitmap** Receive() {
        Reset();
        return &bitmap_;
    }

  private:
    Gdiplus::GpBitmap* bitmap_ = nullptr;
};
