#include "MemoryDc.h"

#include "GdiCensus.h"

void MemoryDc::Create(HDC reference) {
    Reset();
    dc_ = CreateCompatibleDC(reference);
    if (dc_ != nullptr) {
        GdiCensus::Created(GdiKind::MemoryDc);
    }
}

// A fresh memory DC holds the stock 1 × 1 bitmap; DeleteObject leaves stock objects alone, so
// the replaced bitmap can be deleted without asking where it came from.
bool MemoryDc::SelectNewBitmap(HDC reference, int width, int height) {
    if (dc_ == nullptr) {
        return false;
    }
    HBITMAP bitmap = CreateCompatibleBitmap(reference, width, height);
    if (bitmap == nullptr) {
        return false;
    }
    GdiCensus::Created(GdiKind::Bitmap);
    HGDIOBJ replaced = SelectObject(dc_, bitmap);
    if (replaced == nullptr) {
        DeleteObject(bitmap);
        GdiCensus::Deleted(GdiKind::Bitmap);
        return false;
    }
    DeleteObject(replaced);
    if (replaced == bitmap_) {
        GdiCensus::Deleted(GdiKind::Bitmap);
    }
    bitmap_ = bitmap;
    return true;
}

// The bitmap can only be deleted once no DC has it selected, hence after DeleteDC.
void MemoryDc::Reset() {
    if (dc_ == nullptr) {
        return;
    }
    HGDIOBJ bitmap = GetCurrentObject(dc_, OBJ_BITMAP);
    DeleteDC(dc_);
    GdiCensus::Deleted(GdiKind::MemoryDc);
    dc_ = nullptr;
    if (bitmap != nullptr) {
        DeleteObject(bitmap);
        if (bitmap == bitmap_) {
            GdiCensus::Deleted(GdiKind::Bitmap);
        }
    }
    bitmap_ = nullptr;
}
