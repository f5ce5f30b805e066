// A 32-bit device-independent bitmap in a memory device context, whose pixels a test reads back.
#pragma once

#include <windows.h>

#include <cstdint>

class TestCanvas {
  public:
    // Colour of every pixel before drawing; no test picture contains it.
    static constexpr std::uint32_t kBackground = 0x000000;

    TestCanvas(int width, int height);
    ~TestCanvas();
    TestCanvas(const TestCanvas&) = delete;
    TestCanvas& operator=(const TestCanvas&) = delete;

    HDC Dc() const { return dc_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    // Sets every pixel to kBackground.
    void Clear();
    // The colour of a pixel as 0xRRGGBB, after all drawing so far has reached the bitmap.
    std::uint32_t Pixel(int x, int y) const;

  private:
    int width_;
    int height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    std::uint32_t* bits_ = nullptr;
};
