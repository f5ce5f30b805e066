// Drawing of a jigsaw image as a nine-region grid: corners at their natural size, edges and
// centre repeated side by side, nothing ever scaled.
#pragma once

#include <windows.h>
// Included ahead of GDI+, which needs its COM types (left out by WIN32_LEAN_AND_MEAN).
#include <objidl.h>
#include <gdiplus.h>

#include "KvImage.h"
#include "KvJigsawImage.h"

// Draws `image` into the rectangle (x, y, x + width, y + height) of `hdc`, limited to `clip` when
// one is given. Returns false when no drawing surface can be made over `hdc`, the image has no
// bitmap, `clip` cannot be read, or the destination or the image's rect is empty or inverted;
// true when the clip leaves nothing visible and after drawing, even if single pieces failed.
bool DrawJigsawImage(HDC hdc, const KvJigsawImage& image, int x, int y, int width, int height,
                     const RECT* clip);

// Lays the nine regions of `image` out over `destination` and draws their pieces on `graphics`;
// a null `graphics` stands for a surface that could not be made. Results as DrawJigsawImage.
bool DrawNineGrid(Gdiplus::GpGraphics* graphics, const KvJigsawImage& image,
                  const RECT& destination, const RECT* clip);

// Draws the source area (srcX, srcY, srcW, srcH), relative to the top-left corner of the image's
// rect, into (dstX, dstY, dstW, dstH). Returns false when a size is 0, the image has no bitmap or
// GDI+ fails; true when there is nothing to draw (a negative size, or a source area wholly outside
// the rect) or the draw succeeded. Leaves `graphics` set to nearest-neighbour sampling with a
// half-pixel offset, which makes equal-sized copies exact.
bool DrawImagePart(const KvImage& image, Gdiplus::GpGraphics* graphics, int dstX, int dstY,
                   int dstW, int dstH, int srcX, int srcY, int srcW, int srcH);
