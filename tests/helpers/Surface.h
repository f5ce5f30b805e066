// A 32-bit top-down device-independent bitmap in a memory DC, whose pixels a test reads directly,
// and the comparison of two such pictures.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

class DibSurface {
  public:
    DibSurface(int width, int height) : width_(width), height_(height) {
        dc_ = CreateCompatibleDC(nullptr);
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        bits_ = static_cast<std::uint32_t*>(bits);
        previous_ = SelectObject(dc_, bitmap_);
    }
    ~DibSurface() {
        SelectObject(dc_, previous_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    DibSurface(const DibSurface&) = delete;
    DibSurface& operator=(const DibSurface&) = delete;

    operator HDC() const { return dc_; }
    bool IsValid() const { return bits_ != nullptr; }
    int Width() const { return width_; }
    int Height() const { return height_; }

    // Returns every pixel, all 32 bits of it, row by row, once all drawing has reached the bitmap.
    std::vector<std::uint32_t> Pixels() const {
        GdiFlush();
        return std::vector<std::uint32_t>(bits_,
                                          bits_ + static_cast<std::size_t>(width_) * height_);
    }

    // Copies the top-left part of `source` of this surface's size into it and returns its pixels.
    std::vector<std::uint32_t> CopyOf(HDC source) {
        BitBlt(dc_, 0, 0, width_, height_, source, 0, 0, SRCCOPY);
        return Pixels();
    }

    // Gives every pixel a colour from a fixed pseudo-random sequence, so that nothing drawn over
    // it can match it by chance, and so that a pixel left untouched is told from one drawn.
    void FillNoise(std::uint32_t seed) {
        GdiFlush();
        std::uint32_t state = seed * 2654435761u + 1;
        for (std::size_t i = 0; i < static_cast<std::size_t>(width_) * height_; ++i) {
            state = state * 1664525u + 1013904223u;
            bits_[i] = state >> 8;
        }
    }

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
inline ::testing::AssertionResult SamePixels(const std::vector<std::uint32_t>& actual,
                                             const std::vector<std::uint32_t>& expected,
                                             int width) {
    if (actual.size() != expected.size()) {
        return ::testing::AssertionFailure()
               << "sizes " << actual.size() << ", " << expected.size();
    }
    int differing = 0;
    std::size_t first = 0;
    for (std::size_t i = 0; i < actual.size(); ++i) {
        if (actual[i] != expected[i] && differing++ == 0) {
            first = i;
        }
    }
    if (differing == 0) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << differing << " pixels differ, the first at (" << first % width << ", "
           << first / width << "): 0x" << std::hex << actual[first] << " instead of 0x"
           << expected[first];
}
