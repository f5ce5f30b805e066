// Brackets one WM_PAINT with BeginPaint and EndPaint, so painting ends on every way out.
#pragma once

#include <windows.h>

class PaintScope {
  public:
    // Begins the paint of `hwnd`. `missedPaint` is the window's own record, from one paint to the
    // next, of a paint that could not begin. Such a paint gives up its area: the system leaves the
    // area invalid when BeginPaint fails, and WM_PAINT, which the queue hands out before any
    // WM_TIMER, would come again at once for good, so that no timer of the window ever ticked.
    // The next paint then covers the whole client area, as what the missed one should have drawn
    // is not known; the window asks for it again a little later (KvWnd).
    PaintScope(HWND hwnd, bool& missedPaint) : hwnd_(hwnd), paint_() {
        if (missedPaint) {
            InvalidateRect(hwnd_, nullptr, FALSE);
        }
        missedPaint = BeginPaint(hwnd_, &paint_) == nullptr;
        if (missedPaint) {
            ValidateRect(hwnd_, nullptr);
        }
    }
    ~PaintScope() {
        if (Began()) {
            EndPaint(hwnd_, &paint_);
        }
    }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;

    // Returns false when the paint could not begin: there is no device context to draw into.
    bool Began() const { return paint_.hdc != nullptr; }
    HDC Dc() const { return paint_.hdc; }
    const RECT& Rect() const { return paint_.rcPaint; }

  private:
    HWND hwnd_;
    PAINTSTRUCT paint_;
};
