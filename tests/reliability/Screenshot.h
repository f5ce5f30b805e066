// A window's client area as it stands on the screen, read back through the screen's DC; only an
// X display shows one, as Wine's null display driver keeps no screen.
#pragma once

#include <vector>

#include <windows.h>

class Screenshot {
  public:
    explicit Screenshot(HWND window);

    // Returns the colour at client point (x, y), or CLR_INVALID outside the client area.
    COLORREF At(int x, int y) const;
    // Returns how many pixels of `area` pass `test`.
    int Count(const RECT& area, bool (*test)(COLORREF)) const;

    int Width() const { return width_; }
    int Height() const { return height_; }

  private:
    int width_ = 0;
    int height_ = 0;
    std::vector<COLORREF> pixels_;
};
