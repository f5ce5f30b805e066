// One cell picture drawn once at one size into a memory DC, from where each cell is copied.
#pragma once

#include <windows.h>

#include "KvJigsawImage.h"
#include "MemoryDc.h"

class CellPicture {
  public:
    // Draws `image` as a `size` × `size` square over `reference`'s pixel format and finds out
    // whether a copy of it gives exactly the pixels of drawing the image in place.
    CellPicture(HDC reference, const KvJigsawImage& image, int size);
    CellPicture(const CellPicture&) = delete;
    CellPicture& operator=(const CellPicture&) = delete;

    // Returns whether this picture stands for `image` at `size` over `reference`'s pixel format:
    // the same bitmap, rectangle and margins as when it was drawn.
    bool Matches(HDC reference, const KvJigsawImage& image, int size) const;
    // Gives the picture the image object it stands for; Draw falls back on it.
    void Attach(const KvJigsawImage& image) { image_ = &image; }

    // Draws the picture with its top-left corner at (x, y) of `dc`, limited to `clip` when one is
    // given: the pixels of DrawJigsawImage(dc, image, x, y, size, size, clip).
    void Draw(HDC dc, int x, int y, const RECT* clip) const;

    // Returns whether Draw copies the picture rather than drawing the image piece by piece.
    bool IsCopied() const { return copied_; }

  private:
    // The properties of an image and a target that the drawn pixels depend on.
    struct Key {
        Gdiplus::GpBitmap* bitmap;
        RECT rect;
        RECT margins;
        int size;
        WORD bitsPerPixel;
    };
    static Key KeyOf(HDC reference, const KvJigsawImage& image, int size);

    bool IsIndependentOfBackground(HDC reference) const;

    const KvJigsawImage* image_;
    Key key_;
    bool copied_ = false;
    MemoryDc picture_;
};
