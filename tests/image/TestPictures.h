// Test pictures made in code: bitmap files in which every pixel has a colour of its own.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <cstdint>
#include <vector>

// Colours are 0xRRGGBB. Pixel (x, y) of a picture is red x, green y and blue `tint`, so pictures
// with different tints share no colour, and no picture colour is black.
std::uint32_t PictureColour(int x, int y, std::uint8_t tint);
// The contents of a 24-bit bitmap file of the picture.
std::vector<std::uint8_t> MakeBitmapFile(int width, int height, std::uint8_t tint);
// The picture's colours row by row, as ReadPixels returns them.
std::vector<std::uint32_t> PicturePixels(int width, int height, std::uint8_t tint);
// All pixels of a GDI+ bitmap row by row; empty when the bitmap is null.
std::vector<std::uint32_t> ReadPixels(Gdiplus::GpBitmap* bitmap);
