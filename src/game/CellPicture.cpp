#include "CellPicture.h"

#include "ImageDrawing.h"

namespace {

// Returns whether `dc` has a bitmap of `size` × `size` pixels selected; a memory DC whose bitmap
// could not be made still holds its stock 1 × 1 bitmap.
bool HoldsSquareBitmap(HDC dc, int size) {
    BITMAP bitmap = {};
    HGDIOBJ object = GetCurrentObject(dc, OBJ_BITMAP);
    return object != nullptr && GetObjectW(object, sizeof bitmap, &bitmap) == sizeof bitmap &&
           bitmap.bmWidth == size && bitmap.bmHeight == size;
}

void FillSquare(HDC dc, int size, int stockBrush) {
    const RECT square = {0, 0, size, size};
    FillRect(dc, &square, static_cast<HBRUSH>(GetStockObject(stockBrush)));
}

}  // namespace

// A picture that cannot be drawn, or whose pixels depend on what lies under it, is not kept:
// Draw then draws the image in place, exactly as the paint did before there were pictures.
CellPicture::CellPicture(HDC reference, const KvJigsawImage& image, int size)
    : image_(&image), key_(KeyOf(reference, image, size)) {
    if (size <= 0 || image.Bitmap() == nullptr) {
        return;
    }
    picture_.Create(reference);
    picture_.SelectNewBitmap(reference, size, size);
    if (!HoldsSquareBitmap(picture_, size)) {
        picture_.Reset();
        return;
    }
    FillSquare(picture_, size, BLACK_BRUSH);
    if (!DrawJigsawImage(picture_, image, 0, 0, size, size, nullptr) ||
        !IsIndependentOfBackground(reference)) {
        picture_.Reset();
        return;
    }
    copied_ = true;
}

// The bits per pixel are those of the bitmap selected into `reference`, which the picture's own
// bitmap copies; a DC without one gives 0 and pictures over the screen's format.
CellPicture::Key CellPicture::KeyOf(HDC reference, const KvJigsawImage& image, int size) {
    Key key = {image.Bitmap(), image.Rect(), image.margins, size, 0};
    BITMAP bitmap = {};
    HGDIOBJ object = GetCurrentObject(reference, OBJ_BITMAP);
    if (object != nullptr && GetObjectW(object, sizeof bitmap, &bitmap) == sizeof bitmap) {
        key.bitsPerPixel = bitmap.bmBitsPixel;
    }
    return key;
}

bool CellPicture::Matches(HDC reference, const KvJigsawImage& image, int size) const {
    const Key other = KeyOf(reference, image, size);
    return other.bitmap == key_.bitmap && EqualRect(&other.rect, &key_.rect) &&
           EqualRect(&other.margins, &key_.margins) && other.size == key_.size &&
           other.bitsPerPixel == key_.bitsPerPixel;
}

// Returns whether the picture, drawn over black, equals the image drawn over white. A pixel that
// the nine regions leave untouched, or that lets the background through, differs between the
// two, and a copy would put the picture's black where the cell's background belongs. The two are
// combined with XOR and the result folded onto its first pixel with OR, half by half, so that
// one pixel tells whether any differs.
bool CellPicture::IsIndependentOfBackground(HDC reference) const {
    const int size = key_.size;
    MemoryDc probe;
    probe.Create(reference);
    probe.SelectNewBitmap(reference, size, size);
    if (!HoldsSquareBitmap(probe, size)) {
        return false;
    }
    FillSquare(probe, size, WHITE_BRUSH);
    if (!DrawJigsawImage(probe, *image_, 0, 0, size, size, nullptr)) {
        return false;
    }
    BitBlt(probe, 0, 0, size, size, picture_, 0, 0, SRCINVERT);
    int width = size;
    int height = size;
    while (width > 1) {
        const int kept = (width + 1) / 2;
        BitBlt(probe, 0, 0, width - kept, height, probe, kept, 0, SRCPAINT);
        width = kept;
    }
    while (height > 1) {
        const int kept = (height + 1) / 2;
        BitBlt(probe, 0, 0, width, height - kept, probe, 0, kept, SRCPAINT);
        height = kept;
    }
    return GetPixel(probe, 0, 0) == RGB(0, 0, 0);
}

void CellPicture::Draw(HDC dc, int x, int y, const RECT* clip) const {
    const int size = key_.size;
    if (!copied_) {
        DrawJigsawImage(dc, *image_, x, y, size, size, clip);
        return;
    }
    RECT shown = {x, y, x + size, y + size};
    if (clip != nullptr && !IntersectRect(&shown, &shown, clip)) {
        return;
    }
    BitBlt(dc, shown.left, shown.top, shown.right - shown.left, shown.bottom - shown.top, picture_,
           shown.left - x, shown.top - y, SRCCOPY);
}
