// A 32-bit top-down device-independent bitmap in a memory DC, whose pixels a test reads and
// writes directly: a canvas to draw on, a stand-in for the screen, or a copy of a window's client
// area as it stands on the screen.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

class Surface {
  public:
    // A black surface; IsValid() is false when the system could not make it.
    Surface(int width, int height);
    ~Surface();
    Surface(Surface&& other) noexcept;
    Surface& operator=(Surface&&) = delete;
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    // Returns a copy of `window`'s client area as it stands on the screen. Only an X display
    // shows one: Wine's null display driver keeps no screen.
    static Surface CaptureClient(HWND window);

    operator HDC() const { return dc_; }
    bool IsValid() const { return bits_ != nullptr; }
    int Width() const { return width_; }
    int Height() const { return height_; }

    void Fill(COLORREF colour);
    // Gives every pixel a colour from a fixed pseudo-random sequence, so that nothing drawn over
    // it can match it by chance, and so that a pixel left untouched is told from one drawn.
    void FillNoise(std::uint32_t seed);
    // Returns the colour at (x, y), or CLR_INVALID outside the surface, once all drawing so far
    // has reached the bitmap.
    COLORREF At(int x, int y) const;
    // Returns the colour at (x, y) as 0xRRGGBB.
    std::uint32_t Rgb(int x, int y) const;
    int Count(const RECT& area, bool (*test)(COLORREF)) const;
    // Returns every pixel, all 32 bits of it, row by row.
    std::vector<std::uint32_t> Pixels() const;
    // Copies the top-left part of `source` of this surface's size into it and returns its pixels.
    std::vector<std::uint32_t> CopyOf(HDC source);

  private:
    int width_;
    int height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    std::uint32_t* bits_ = nullptr;
};

// Compares two pictures of `width` pixels a row, all 32 bits of every pixel, naming the first
// pixel that differs.
::testing::AssertionResult SamePixels(const std::vector<std::uint32_t>& actual,
                                      const std::vector<std::uint32_t>& expected, int width);
