// The main window's cell pictures, each drawn once per image and cell size and then copied to
// every cell, which is many times cheaper than drawing a cell's nine regions piece by piece.
#pragma once

#include <windows.h>

#include <cstddef>
#include <memory>
#include <vector>

#include "CellPicture.h"
#include "KvJigsawImage.h"

class CellPictureCache {
  public:
    // At most this many pictures are kept; the board's two and the preview's one are in use at
    // a time, and a new cell size replaces the oldest.
    static constexpr std::size_t Capacity = 4;

    // Returns the picture of `image` at `size` over `dc`'s pixel format, drawing it when no
    // picture matches the image's bitmap, rectangle and margins as they are now. The reference
    // stays valid until the next call or Clear.
    const CellPicture& Find(HDC dc, const KvJigsawImage& image, int size);
    // Releases every picture with its memory DC; the next Find draws afresh.
    void Clear();
    std::size_t Count() const { return pictures_.size(); }

  private:
    // The most recently drawn picture is last.
    std::vector<std::unique_ptr<CellPicture>> pictures_;
};
