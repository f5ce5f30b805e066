#include "MemoryDc.h"

void MemoryDc::Create(HDC reference) {
    Reset();
    dc_ = CreateCompatibleDC(reference);
}

// A fresh memory DC holds the stock 1 × 1 bitmap; DeleteObject leaves stock objects alone, so
// the replaced bitmap can be deleted without asking where it came from.
bool MemoryDc::SelectNewBitmap(HDC reference, int width, int height) {
    // For an empty size the system hands out its shared 1 × 1 stock bitmap, which is no one's to
    // keep or delete.
    if (dc_ == nullptr || width <= 0 || height <= 0) {
        return false;
    }
    HBITMAP bitmap = CreateCompatibleBitmap(reference, width, height);
    if (bitmap == nullptr) {
        return false;
    }
    HGDIOBJ replaced = SelectObject(dc_, bitmap);
    if (replaced == nullptr) {
        DeleteObject(bitmap);
        return false;
    }
    DeleteObject(replaced);
    bitmap_ = bitmap;
    return true;
}

// The bitmap can only be deleted once no DC has it selected, hence after DeleteDC. Only the
// object's own bitmap is deleted, by the handle it kept: asking the DC which bitmap it holds can
// fail, and would leak the bitmap then.
void MemoryDc::Reset() {
    if (dc_ == nullptr) {
        return;
    }
    DeleteDC(dc_);
    dc_ = nullptr;
    if (bitmap_ != nullptr) {
        DeleteObject(bitmap_);
        bitmap_ = nullptr;
    }
}
