#include "MemoryDc.h"

void MemoryDc::Create(HDC reference) {
    Reset();
    dc_ = CreateCompatibleDC(reference);
}

// A fresh memory DC holds the stock 1 × 1 bitmap; DeleteObject leaves stock objects alone, so
// the replaced bitmap can be deleted without asking where it came from.
void MemoryDc::SelectNewBitmap(HDC reference, int width, int height) {
    if (dc_ == nullptr) {
        return;
    }
    HBITMAP bitmap = CreateCompatibleBitmap(reference, width, height);
    if (bitmap == nullptr) {
        return;
    }
    HGDIOBJ replaced = SelectObject(dc_, bitmap);
    if (replaced == nullptr) {
        DeleteObject(bitmap);
        return;
    }
    DeleteObject(replaced);
}

// The bitmap can only be deleted once no DC has it selected, hence after DeleteDC.
void MemoryDc::Reset() {
    if (dc_ == nullptr) {
        return;
    }
    HGDIOBJ bitmap = GetCurrentObject(dc_, OBJ_BITMAP);
    DeleteDC(dc_);
    dc_ = nullptr;
    if (bitmap != nullptr) {
        DeleteObject(bitmap);
    }
}
