// Brackets one WM_PAINT with BeginPaint and EndPaint, so painting ends on every way out.
#pragma once

#include <windows.h>

class PaintScope {
  public:
    explicit PaintScope(HWND hwnd) : hwnd_(hwnd), paint_() { BeginPaint(hwnd_, &paint_); }
    ~PaintScope() { EndPaint(hwnd_, &paint_); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;

    HDC Dc() const { return paint_.hdc; }
    const RECT& Rect() const { return paint_.rcPaint; }

  private:
    HWND hwnd_;
    PAINTSTRUCT paint_;
};
