#include "Surface.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>

Surface::Surface(int width, int height) : width_(width), height_(height) {
    dc_ = CreateCompatibleDC(nullptr);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // rows top-down, so row y starts at y * width
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bits_ = static_cast<std::uint32_t*>(bits);
    if (bitmap_ != nullptr) {
        previous_ = SelectObject(dc_, bitmap_);
    }
    Fill(RGB(0, 0, 0));
}

Surface::~Surface() {
    if (dc_ != nullptr) {
        if (previous_ != nullptr) {
            SelectObject(dc_, previous_);
        }
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
}

Surface::Surface(Surface&& other) noexcept
    : width_(other.width_),
      height_(other.height_),
      dc_(std::exchange(other.dc_, nullptr)),
      bitmap_(std::exchange(other.bitmap_, nullptr)),
      previous_(std::exchange(other.previous_, nullptr)),
      bits_(std::exchange(other.bits_, nullptr)) {}

Surface Surface::CaptureClient(HWND window) {
    RECT client = {};
    GetClientRect(window, &client);
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    Surface capture(client.right, client.bottom);
    HDC screen = GetDC(nullptr);
    BitBlt(capture, 0, 0, client.right, client.bottom, screen, origin.x, origin.y, SRCCOPY);
    ReleaseDC(nullptr, screen);
    return capture;
}

void Surface::Fill(COLORREF colour) {
    if (!IsValid()) {
        return;
    }
    GdiFlush();
    const std::uint32_t pixel =
        (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
    std::fill(bits_, bits_ + static_cast<std::size_t>(width_) * height_, pixel);
}

void Surface::FillNoise(std::uint32_t seed) {
    GdiFlush();
    std::uint32_t state = seed * 2654435761u + 1;
    for (std::size_t i = 0; i < static_cast<std::size_t>(width_) * height_; ++i) {
        state = state * 1664525u + 1013904223u;
        bits_[i] = state >> 8;
    }
}

COLORREF Surface::At(int x, int y) const {
    if (!IsValid() || x < 0 || y < 0 || x >= width_ || y >= height_) {
        return CLR_INVALID;
    }
    const std::uint32_t rgb = Rgb(x, y);
    return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

std::uint32_t Surface::Rgb(int x, int y) const {
    GdiFlush();
    return bits_[static_cast<std::size_t>(y) * width_ + x] & 0xFFFFFF;
}

int Surface::Count(const RECT& area, bool (*test)(COLORREF)) const {
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            count += test(At(x, y)) ? 1 : 0;
        }
    }
    return count;
}

std::vector<std::uint32_t> Surface::Pixels() const {
    GdiFlush();
    return std::vector<std::uint32_t>(bits_, bits_ + static_cast<std::size_t>(width_) * height_);
}

std::vector<std::uint32_t> Surface::CopyOf(HDC source) {
    BitBlt(dc_, 0, 0, width_, height_, source, 0, 0, SRCCOPY);
    return Pixels();
}

namespace {

std::string Hex(std::uint32_t pixel) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%06X", static_cast<unsigned>(pixel));
    return text;
}

}  // namespace

::testing::AssertionResult SamePixels(const std::vector<std::uint32_t>& actual,
                                      const std::vector<std::uint32_t>& expected, int width) {
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
           << first / width << "): " << Hex(actual[first]) << " instead of "
           << Hex(expected[first]);
}
