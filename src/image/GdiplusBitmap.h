// Owns one GDI+ bitmap and disposes of it when it is dropped.
#pragma once

#include <windows.h>
// Included ahead of GDI+, which needs its COM types (left out by WIN32_LEAN_AND_MEAN).
#include <objidl.h>
#include <gdiplus.h>

#include "GdiCensus.h"

// Every bitmap held is counted in the GDI census as a GDI+ image, from the moment it is taken
// until it is disposed of or detached.
class GdiplusBitmap {
  public:
    // What Receive hands to a GDI+ call. It counts the bitmap that the call left in the slot when
    // the call's full expression ends, so it must only ever be passed straight to the call.
    class Slot {
      public:
        explicit Slot(GdiplusBitmap& owner) : owner_(owner) {}
        ~Slot() {
            if (owner_.bitmap_ != nullptr) {
                GdiCensus::Created(GdiKind::GdiplusImage);
            }
        }
        Slot(const Slot&) = delete;
        Slot& operator=(const Slot&) = delete;

        operator Gdiplus::GpBitmap**() const { return &owner_.bitmap_; }

      private:
        GdiplusBitmap& owner_;
    };

    GdiplusBitmap() = default;
    explicit GdiplusBitmap(Gdiplus::GpBitmap* bitmap) : bitmap_(nullptr) { Reset(bitmap); }
    ~GdiplusBitmap() { Reset(); }
    GdiplusBitmap(const GdiplusBitmap&) = delete;
    GdiplusBitmap& operator=(const GdiplusBitmap&) = delete;
    // A move hands the bitmap over without counting it twice.
    GdiplusBitmap(GdiplusBitmap&& other) noexcept : bitmap_(other.bitmap_) {
        other.bitmap_ = nullptr;
    }
    GdiplusBitmap& operator=(GdiplusBitmap&& other) noexcept {
        if (this != &other) {
            Reset();
            bitmap_ = other.bitmap_;
            other.bitmap_ = nullptr;
        }
        return *this;
    }

    Gdiplus::GpBitmap* Get() const { return bitmap_; }
    explicit operator bool() const { return bitmap_ != nullptr; }

    // Returns the bitmap and gives up its ownership; the caller now owns an uncounted bitmap.
    Gdiplus::GpBitmap* Detach() {
        Gdiplus::GpBitmap* bitmap = bitmap_;
        if (bitmap != nullptr) {
            GdiCensus::Deleted(GdiKind::GdiplusImage);
        }
        bitmap_ = nullptr;
        return bitmap;
    }
    // Disposes of the bitmap held, if any, and takes `bitmap` in its place.
    void Reset(Gdiplus::GpBitmap* bitmap = nullptr) {
        if (bitmap_ != nullptr) {
            Gdiplus::DllExports::GdipDisposeImage(bitmap_);
            GdiCensus::Deleted(GdiKind::GdiplusImage);
        }
        bitmap_ = bitmap;
        if (bitmap_ != nullptr) {
            GdiCensus::Created(GdiKind::GdiplusImage);
        }
    }
    // Returns the slot for a GDI+ call that creates a bitmap; whatever the call leaves there,
    // even after a failure, is then owned and disposed of.
    Slot Receive() {
        Reset();
        return Slot(*this);
    }

  private:
    Gdiplus::GpBitmap* bitmap_ = nullptr;
};
