#include "TestPictures.h"

#include <cstring>

using namespace Gdiplus::DllExports;

std::uint32_t PictureColour(int x, int y, std::uint8_t tint) {
    return (static_cast<std::uint32_t>(x) << 16) | (static_cast<std::uint32_t>(y) << 8) | tint;
}

std::vector<std::uint8_t> MakeBitmapFile(int width, int height, std::uint8_t tint) {
    const int rowSize = (width * 3 + 3) & ~3;
    const int pixelOffset = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    std::vector<std::uint8_t> file(pixelOffset + rowSize * height);

    BITMAPFILEHEADER fileHeader = {};
    fileHeader.bfType = 0x4D42;  // "BM"
    fileHeader.bfSize = static_cast<DWORD>(file.size());
    fileHeader.bfOffBits = pixelOffset;
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = height;  // rows stored bottom-up
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biSizeImage = rowSize * height;
    std::memcpy(file.data(), &fileHeader, sizeof(fileHeader));
    std::memcpy(file.data() + sizeof(fileHeader), &info, sizeof(info));

    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = file.data() + pixelOffset + (height - 1 - y) * rowSize;
        for (int x = 0; x < width; ++x) {
            const std::uint32_t colour = PictureColour(x, y, tint);
            row[x * 3] = colour & 0xFF;
            row[x * 3 + 1] = (colour >> 8) & 0xFF;
            row[x * 3 + 2] = (colour >> 16) & 0xFF;
        }
    }
    return file;
}

std::vector<std::uint32_t> PicturePixels(int width, int height, std::uint8_t tint) {
    std::vector<std::uint32_t> pixels;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            pixels.push_back(PictureColour(x, y, tint));
        }
    }
    return pixels;
}

std::vector<std::uint32_t> ReadPixels(Gdiplus::GpBitmap* bitmap) {
    std::vector<std::uint32_t> pixels;
    UINT width = 0;
    UINT height = 0;
    if (bitmap == nullptr || GdipGetImageWidth(bitmap, &width) != Gdiplus::Ok ||
        GdipGetImageHeight(bitmap, &height) != Gdiplus::Ok) {
        return pixels;
    }
    for (UINT y = 0; y < height; ++y) {
        for (UINT x = 0; x < width; ++x) {
            Gdiplus::ARGB colour = 0;
            GdipBitmapGetPixel(bitmap, static_cast<INT>(x), static_cast<INT>(y), &colour);
            pixels.push_back(colour & 0xFFFFFF);
        }
    }
    return pixels;
}
