// An image with four border widths that cut its rectangle into nine regions for tiled drawing.
#pragma once

#include <windows.h>

#include "KvImage.h"

class KvJigsawImage : public KvImage {
  public:
    KvJigsawImage() = default;
    ~KvJigsawImage() override;

    // Empties the image and sets the margins back to 0; every load begins with it, so margins
    // are set after loading.
    void Unload() override;

    // Widths of the left, top, right and bottom border strips, measured inward from the edges of
    // the image's rect. Not checked against the image: drawing copes with any values.
    RECT margins = {0, 0, 0, 0};
};
