// The memory device contexts that a window draws into before a paint reaches the screen: the
// back buffer, and for a window that keeps one, a second of the same size.
#pragma once

#include <windows.h>

#include "MemoryDc.h"

class BackBuffer {
  public:
    // Makes the memory DCs, compatible with the window's: the back buffer and, `withSecond`, a
    // second one. From then on the window keeps them, until Release. Called at WM_CREATE; their
    // bitmaps come when they are first asked to cover a size.
    void Make(HWND window, bool withSecond);
    // Makes the buffers cover a client area of `width` × `height` when they do not yet, making a
    // memory DC that the system could not make before. Returns whether they cover it; false for a
    // window that keeps no buffers.
    bool Cover(HWND window, int width, int height);
    // Deletes the memory DCs and their bitmaps; the window keeps no buffers until the next Make.
    // A pen or font that a paint left selected in them is only let go, never deleted: its owner
    // deletes it.
    void Release();

    // Paints `rect` of `window` through the back buffer: covers the client area, calls
    // `draw(dc)` with the buffer's DC and copies `rect` of the buffer to `paintDc`. Without a
    // buffer that covers the client area (the window keeps none, or the system could not make
    // one) `draw` gets `paintDc` itself: a paint that may flicker rather than a black window.
    template <typename Draw>
    void PaintThrough(HWND window, HDC paintDc, const RECT& rect, Draw draw) {
        if (!CoverClientArea(window)) {
            draw(paintDc);
            return;
        }
        draw(static_cast<HDC>(back_));
        Present(paintDc, rect);
    }

    HDC Dc() const { return back_; }
    HDC SecondDc() const { return second_; }

  private:
    void MakeMissing(HWND window);
    bool CoverClientArea(HWND window);
    void Present(HDC dc, const RECT& rect) const;

    MemoryDc back_;
    MemoryDc second_;
    bool kept_ = false;
    bool withSecond_ = false;
    // The size the buffers cover; 0 × 0 while they have no bitmaps.
    int width_ = 0;
    int height_ = 0;
};
