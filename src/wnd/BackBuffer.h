// The memory device contexts that a window draws into before a paint reaches the screen: the
// back buffer, and for a window that keeps one, a second of the same size.
#pragma once

#include <windows.h>

#include "MemoryDc.h"

class BackBuffer {
  public:
    // Makes the memory DCs that are missing, compatible with the window's; the second one only
    // `withSecond`. Called at WM_CREATE, and again wherever the system could not make one.
    void MakeMissing(HWND window, bool withSecond);
    // Makes the buffers cover a client area of `width` × `height` when they do not yet, making a
    // missing memory DC first. Returns whether they cover it.
    bool Cover(HWND window, int width, int height, bool withSecond);
    // Deletes the buffers and what is selected into them; Cover makes them again.
    void Release();
    // Copies `rect` of the back buffer to the same place of `dc`.
    void Present(HDC dc, const RECT& rect) const;

    HDC Dc() const { return back_; }
    HDC SecondDc() const { return second_; }

  private:
    MemoryDc back_;
    MemoryDc second_;
    // The size the buffers cover; 0 × 0 while they have no bitmaps.
    int width_ = 0;
    int height_ = 0;
};
