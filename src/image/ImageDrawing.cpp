#include "ImageDrawing.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <memory>

using namespace Gdiplus::DllExports;

namespace {

// Layout arithmetic is done in 64 bits: margins and sizes are arbitrary 32-bit values, and their
// sums must not overflow.
using Coord = std::int64_t;

struct Box {
    Coord left;
    Coord top;
    Coord right;
    Coord bottom;

    Coord Width() const { return right - left; }
    Coord Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
};

// A pair of lengths or of coordinates, x first.
struct Offset {
    Coord x;
    Coord y;
};

Box BoxOf(const RECT& r) {
    return {r.left, r.top, r.right, r.bottom};
}

Box Intersect(const Box& a, const Box& b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
            std::min(a.bottom, b.bottom)};
}

int Saturate(Coord value) {
    return static_cast<int>(std::clamp<Coord>(value, INT_MIN, INT_MAX));
}

struct GraphicsDelete {
    void operator()(Gdiplus::GpGraphics* graphics) const { GdipDeleteGraphics(graphics); }
};
using GraphicsHolder = std::unique_ptr<Gdiplus::GpGraphics, GraphicsDelete>;

// One direction of a piece: where it goes, where it comes from, and the two lengths.
struct Span {
    Coord destination;
    Coord destinationLength;
    Coord source;
    Coord sourceLength;
};

// Returns false when nothing of the span's source lies in [0, limit); otherwise cuts the source
// to that range and the destination in proportion. This keeps margins as wide as the image, or
// wider, from reading pixels outside the image's rect, which may belong to a larger bitmap.
bool CutToSource(Span& span, Coord limit) {
    if (span.sourceLength <= 0 || span.destinationLength <= 0) {
        return false;
    }
    const Coord first = std::max<Coord>(span.source, 0);
    const Coord last = std::min(span.source + span.sourceLength, limit);
    if (last <= first) {
        return false;
    }
    const Coord destinationFirst =
        span.destination + (first - span.source) * span.destinationLength / span.sourceLength;
    const Coord destinationLast =
        span.destination + (last - span.source) * span.destinationLength / span.sourceLength;
    if (destinationLast <= destinationFirst) {
        return false;
    }
    span = {destinationFirst, destinationLast - destinationFirst, first, last - first};
    return true;
}

// Draws the pieces of the nine regions, each limited to the visible area.
class PiecePainter {
  public:
    PiecePainter(const KvImage& image, Gdiplus::GpGraphics* graphics, const Box& visible)
        : image_(image), graphics_(graphics), visible_(visible) {}

    // Called for one region: covers it with tiles from its top-left corner, column by column,
    // each column from top to bottom. A tile length of 0 makes the region one piece in that
    // direction. Every tile copies from the region's source origin; only the last tile of a row
    // or column is cut.
    void FillRegion(const Box& region, const Offset& source, const Offset& tile) const {
        if (Intersect(region, visible_).IsEmpty()) {
            return;
        }
        const Coord stepX = tile.x > 0 ? tile.x : region.Width();
        const Coord stepY = tile.y > 0 ? tile.y : region.Height();
        // Tiles before the visible area are skipped without being looked at.
        const Coord firstX =
            region.left + std::max<Coord>(0, visible_.left - region.left) / stepX * stepX;
        const Coord firstY =
            region.top + std::max<Coord>(0, visible_.top - region.top) / stepY * stepY;
        const Coord endX = std::min(region.right, visible_.right);
        const Coord endY = std::min(region.bottom, visible_.bottom);
        for (Coord x = firstX; x < endX; x += stepX) {
            for (Coord y = firstY; y < endY; y += stepY) {
                const Box piece = {x, y, std::min(x + stepX, region.right),
                                   std::min(y + stepY, region.bottom)};
                DrawPiece(piece, source);
            }
        }
    }

  private:
    // Draws the visible part of `piece`, whose top-left pixel comes from `source`.
    void DrawPiece(const Box& piece, const Offset& source) const {
        const Box shown = Intersect(piece, visible_);
        if (shown.IsEmpty()) {
            return;
        }
        const int width = Saturate(shown.Width());
        const int height = Saturate(shown.Height());
        DrawImagePart(image_, graphics_, Saturate(shown.left), Saturate(shown.top), width, height,
                      Saturate(source.x + shown.left - piece.left),
                      Saturate(source.y + shown.top - piece.top), width, height);
    }

    const KvImage& image_;
    Gdiplus::GpGraphics* graphics_;
    Box visible_;
};

}  // namespace

bool DrawJigsawImage(HDC hdc, const KvJigsawImage& image, int x, int y, int width, int height,
                     const RECT* clip) {
    Gdiplus::GpGraphics* created = nullptr;
    const Gdiplus::GpStatus status = GdipCreateFromHDC(hdc, &created);
    const GraphicsHolder graphics(created);
    // A far edge past the coordinate range is held at its end rather than wrapped round.
    const RECT destination = {x, y, Saturate(Coord{x} + width), Saturate(Coord{y} + height)};
    return DrawNineGrid(status == Gdiplus::Ok ? graphics.get() : nullptr, image, destination, clip);
}

bool DrawNineGrid(Gdiplus::GpGraphics* graphics, const KvJigsawImage& image,
                  const RECT& destination, const RECT* clip) {
    if (graphics == nullptr || image.Bitmap() == nullptr) {
        return false;
    }
    RECT clipRect;
    if (clip != nullptr) {
        if (IsBadReadPtr(clip, sizeof(RECT))) {
            return false;
        }
        clipRect = *clip;
    }
    const Box d = BoxOf(destination);
    const Box source = BoxOf(image.Rect());
    const Coord dw = d.Width();
    const Coord dh = d.Height();
    const Coord sw = source.Width();
    const Coord sh = source.Height();
    if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) {
        return false;
    }
    Box visible = d;
    if (clip != nullptr) {
        RECT shown;
        if (!IntersectRect(&shown, &destination, &clipRect)) {
            return true;
        }
        visible = BoxOf(shown);
    }

    // Negative margins would move pieces outside the destination; they count as 0.
    const Coord ml = std::max<Coord>(image.margins.left, 0);
    const Coord mt = std::max<Coord>(image.margins.top, 0);
    const Coord mr = std::max<Coord>(image.margins.right, 0);
    const Coord mb = std::max<Coord>(image.margins.bottom, 0);

    // Border lines of the destination, each kept inside it, and of the source.
    const Coord xL = ml < dw ? d.left + ml : d.right;
    const Coord yT = mt < dh ? d.top + mt : d.bottom;
    const Coord xR = ml + mr < dw ? d.right - mr : d.left + ml;
    const Coord yB = mt + mb < dh ? d.bottom - mb : d.top + mt;
    const Coord sxR = ml + mr < sw ? sw - mr : ml;
    const Coord syB = mt + mb < sh ? sh - mb : mt;
    const Coord tw = sw - ml - mr;
    const Coord th = sh - mt - mb;
    constexpr Coord WholeTile = 0;

    struct Region {
        bool drawn;
        Box area;
        Offset source;
        Offset tile;
    };
    // The order is the drawing order. The conditions differ on purpose between corners and
    // edges (< against <=); where they let a region through that lies beyond the destination
    // or the source, its pieces are empty or cut away. A tile size of WholeTile makes the region
    // one piece in that direction.
    const Region regions[] = {
        // Top-left corner.
        {ml != 0 && mt != 0, {d.left, d.top, xL, yT}, {0, 0}, {WholeTile, WholeTile}},
        // Top edge.
        {mt != 0 && ml + mr < dw && tw > 0,
         {d.left + ml, d.top, d.right - mr, yT},
         {ml, 0},
         {tw, WholeTile}},
        // Top-right corner.
        {mt != 0 && mr != 0 && ml < dw && ml < sw,
         {xR, d.top, d.right, yT},
         {sxR, 0},
         {WholeTile, WholeTile}},
        // Left edge.
        {ml != 0 && mt + mb < dh && th > 0,
         {d.left, d.top + mt, xL, d.bottom - mb},
         {0, mt},
         {WholeTile, th}},
        // Centre.
        {ml + mr < dw && mt + mb < dh && tw > 0 && th > 0,
         {d.left + ml, d.top + mt, d.right - mr, d.bottom - mb},
         {ml, mt},
         {tw, th}},
        // Right edge.
        {mr != 0 && mt + mb < dh && ml < dw && ml < sw && th > 0,
         {xR, d.top + mt, d.right, d.bottom - mb},
         {sxR, mt},
         {WholeTile, th}},
        // Bottom-left corner.
        {ml != 0 && mb != 0 && mt < dh && mt <= sh,
         {d.left, yB, xL, d.bottom},
         {0, syB},
         {WholeTile, WholeTile}},
        // Bottom edge; with no bottom margin its area has no height.
        {ml + mr < dw && mt < dh && mt < sh && tw > 0,
         {d.left + ml, yB, d.right - mr, d.bottom},
         {ml, syB},
         {tw, WholeTile}},
        // Bottom-right corner.
        {mr != 0 && mb != 0 && ml <= dw && mt <= dh && ml <= sw && mt <= sh,
         {xR, yB, d.right, d.bottom},
         {sxR, syB},
         {WholeTile, WholeTile}},
    };

    const PiecePainter painter(image, graphics, visible);
    for (const Region& region : regions) {
        if (region.drawn) {
            painter.FillRegion(region.area, region.source, region.tile);
        }
    }
    return true;
}

bool DrawImagePart(const KvImage& image, Gdiplus::GpGraphics* graphics, int dstX, int dstY,
                   int dstW, int dstH, int srcX, int srcY, int srcW, int srcH) {
    if (dstW == 0 || dstH == 0 || srcW == 0 || srcH == 0) {
        return false;
    }
    Gdiplus::GpBitmap* bitmap = image.Bitmap();
    if (bitmap == nullptr) {
        return false;
    }
    if (dstW < 0 || dstH < 0) {
        return true;
    }
    // A negative source size, which GDI+ would mirror, is cut away here as well.
    const Box rect = BoxOf(image.Rect());
    Span x = {dstX, dstW, srcX, srcW};
    Span y = {dstY, dstH, srcY, srcH};
    if (!CutToSource(x, rect.Width()) || !CutToSource(y, rect.Height())) {
        return true;
    }
    // The default bilinear sampling at pixel corners blends each copied pixel with its
    // neighbours; nearest-neighbour sampling at pixel centres copies equal-sized areas exactly
    // and never samples outside the source area, so no wrap mode is needed.
    GdipSetInterpolationMode(graphics, Gdiplus::InterpolationModeNearestNeighbor);
    GdipSetPixelOffsetMode(graphics, Gdiplus::PixelOffsetModeHalf);
    return GdipDrawImageRectRectI(graphics, bitmap, Saturate(x.destination),
                                  Saturate(y.destination), Saturate(x.destinationLength),
                                  Saturate(y.destinationLength), Saturate(rect.left + x.source),
                                  Saturate(rect.top + y.source), Saturate(x.sourceLength),
                                  Saturate(y.sourceLength), Gdiplus::UnitPixel, nullptr, nullptr,
                                  nullptr) == Gdiplus::Ok;
}
