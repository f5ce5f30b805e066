#include <windows.h>

#include <algorithm>
#include <iterator>
#include <optional>
#include <vector>

#include <gtest/gtest.h>

#include "ImageDrawing.h"
#include "ImageStore.h"
#include "KvJigsawImage.h"
#include "Surface.h"
#include "TestPictures.h"
#include "UnreadablePage.h"

namespace {

// The colour of every pixel before drawing; no test picture contains it.
constexpr std::uint32_t kBackground = 0x000000;

constexpr std::uint8_t kTint = 0xA5;
constexpr int kNothing = -1;

// The game's cell picture is 22 x 22 pixels.
constexpr int kPictureSize = 22;

// Where the tiling takes each pixel along one direction of the destination from, as an offset
// into the picture, or kNothing. The near border strip is copied as it is; between the strips the
// picture's middle part repeats from its start; the far strip comes from the picture's far strip,
// or from just after its near strip when the picture cannot hold both strips. Nothing is taken
// from outside the picture.
std::vector<int> ExpectedSources(int nearMargin, int farMargin, int pictureLength, int length) {
    const int middleLength = pictureLength - nearMargin - farMargin;
    const int farStart = nearMargin + farMargin < length ? length - farMargin : nearMargin;
    const int farSource =
        nearMargin + farMargin < pictureLength ? pictureLength - farMargin : nearMargin;
    std::vector<int> sources(length, kNothing);
    for (int d = 0; d < length; ++d) {
        int s = kNothing;
        if (d < nearMargin) {
            s = d;
        } else if (d < farStart) {
            s = middleLength > 0 ? nearMargin + (d - nearMargin) % middleLength : kNothing;
        } else {
            s = farSource + (d - farStart);
        }
        if (s >= 0 && s < pictureLength) {
            sources[d] = s;
        }
    }
    return sources;
}

std::uint32_t Source(int x, int y) {
    return PictureColour(x, y, kTint);
}

// Loads the whole picture, private.
void LoadWhole(KvJigsawImage& image) {
    const std::vector<std::uint8_t> bytes = MakeBitmapFile(kPictureSize, kPictureSize, kTint);
    ASSERT_TRUE(image.LoadFromMemory(bytes.data(), bytes.size(), false));
}

// Loads the part `part` of a larger picture, shared: pixels outside the part must never be drawn.
void LoadPart(KvJigsawImage& image, int width, int height, const RECT& part) {
    const std::vector<std::uint8_t> bytes = MakeBitmapFile(width, height, kTint);
    KvImage whole;
    ASSERT_TRUE(whole.LoadFromMemory(bytes.data(), bytes.size(), true));
    ASSERT_TRUE(image.LoadFromImageRect(whole, part, true));
}

// Compares every pixel of the canvas with what drawing `image` at `destination` within `clip`
// must give.
testing::AssertionResult DrawnTiled(const Surface& canvas, const KvJigsawImage& image,
                                    const RECT& destination, const RECT* clip) {
    const RECT& rect = image.Rect();
    const RECT& m = image.margins;
    const std::vector<int> xs = ExpectedSources(m.left, m.right, rect.right - rect.left,
                                                destination.right - destination.left);
    const std::vector<int> ys = ExpectedSources(m.top, m.bottom, rect.bottom - rect.top,
                                                destination.bottom - destination.top);
    RECT visible = {};
    IntersectRect(&visible, &destination, clip != nullptr ? clip : &destination);
    std::vector<std::uint32_t> expected;
    std::vector<std::uint32_t> actual;
    for (int y = 0; y < canvas.Height(); ++y) {
        for (int x = 0; x < canvas.Width(); ++x) {
            const bool shown = PtInRect(&visible, POINT{x, y}) != FALSE;
            const int sx = shown ? xs[x - destination.left] : kNothing;
            const int sy = shown ? ys[y - destination.top] : kNothing;
            expected.push_back(sx != kNothing && sy != kNothing
                                   ? Source(rect.left + sx, rect.top + sy)
                                   : kBackground);
            actual.push_back(canvas.Rgb(x, y));
        }
    }
    return SamePixels(actual, expected, canvas.Width());
}

// Draws the image on a cleared canvas and checks the result and every pixel.
void DrawAndCheck(Surface& canvas, const KvJigsawImage& image, const RECT& destination,
                  const RECT* clip = nullptr) {
    canvas.Fill(RGB(0, 0, 0));
    EXPECT_TRUE(DrawJigsawImage(canvas, image, destination.left, destination.top,
                                destination.right - destination.left,
                                destination.bottom - destination.top, clip));
    EXPECT_TRUE(DrawnTiled(canvas, image, destination, clip));
}

TEST(ImageDrawing, WorkedExamplesPutTheTiledSourcePixelOnEveryVisibleDestinationPixel) {
    // The game's cell as it is drawn at (100, 200), under different clip rectangles.
    const RECT cell = {100, 200, 122, 222};
    const struct {
        const char* name;
        int margin;
        RECT destination;
        std::optional<RECT> clip;
    } examples[] = {
        {"23 x 23", 7, {3, 2, 26, 25}, std::nullopt},
        {"22 x 22", 7, {3, 2, 25, 24}, std::nullopt},
        {"10 x 10", 7, {3, 2, 13, 12}, std::nullopt},
        {"no margins, 50 x 30", 0, {3, 2, 53, 32}, std::nullopt},
        {"clip over the bottom-right part", 7, cell, RECT{110, 205, 500, 500}},
        {"clip inside", 7, cell, RECT{103, 209, 118, 216}},
        {"clip over the top-left corner", 7, cell, RECT{90, 190, 101, 201}},
        {"clip the same as the destination", 7, cell, cell},
        {"clip disjoint", 7, cell, RECT{0, 0, 50, 50}},
        {"clip empty", 7, cell, RECT{0, 0, 0, 0}},
        {"clip inverted", 7, cell, RECT{120, 220, 104, 204}},
    };
    // Pixels of the examples read off the layout by hand, relative to the destination's corner:
    // they pin the expectation of DrawnTiled as well as the drawing.
    const struct {
        std::size_t example;
        POINT at;
        std::uint32_t colour;
    } pinned[] = {
        {0, {15, 0}, Source(7, 0)},     // second tile of the top edge, 1 wide
        {0, {16, 0}, Source(15, 0)},    // top-right corner
        {0, {15, 15}, Source(7, 7)},    // last centre tile, 1 x 1
        {0, {22, 22}, Source(21, 21)},  // bottom-right corner
        {1, {14, 14}, Source(14, 14)},  // at natural size the picture is unchanged
        {2, {7, 7}, Source(15, 15)},    // bottom-right corner, 3 x 3
        {2, {9, 0}, Source(17, 0)},     // top-right corner, 3 x 7
        {3, {44, 22}, Source(0, 0)},    // third column, second row
        {3, {49, 29}, Source(5, 7)},
        // The clipped drawing starts at the clip's corner.
        {4, {10, 5}, Source(10, 5)},
        {4, {14, 6}, Source(14, 6)},
        {4, {9, 5}, kBackground},
        {4, {10, 4}, kBackground},
        {4, {21, 21}, Source(21, 21)},
    };
    KvJigsawImage image;
    LoadWhole(image);
    for (std::size_t i = 0; i < std::size(examples); ++i) {
        SCOPED_TRACE(examples[i].name);
        const int margin = examples[i].margin;
        SetRect(&image.margins, margin, margin, margin, margin);
        const RECT& d = examples[i].destination;
        Surface canvas(d.right + 8, d.bottom + 8);
        DrawAndCheck(canvas, image, d, examples[i].clip ? &*examples[i].clip : nullptr);
        for (const auto& pixel : pinned) {
            if (pixel.example == i) {
                EXPECT_EQ(canvas.Rgb(d.left + pixel.at.x, d.top + pixel.at.y), pixel.colour)
                    << "(" << pixel.at.x << ", " << pixel.at.y << ")";
            }
        }
    }
}

struct SweepCase {
    const char* name;
    RECT margins;
    bool partOfLargerPicture;
};

void PrintTo(const SweepCase& value, std::ostream* out) {
    *out << value.name;
}

// Every destination size from 1 x 1 to 40 x 40, on a picture of its own and on a part of a larger
// picture whose pixels outside the part must never show.
class DrawJigsawImageSweep : public testing::TestWithParam<SweepCase> {};

TEST_P(DrawJigsawImageSweep, PutsTheTiledSourcePixelOnEveryDestinationPixelAtEverySize) {
    const SweepCase& sweep = GetParam();
    KvJigsawImage image;
    if (sweep.partOfLargerPicture) {
        LoadPart(image, 30, 28, {4, 3, 4 + kPictureSize, 3 + kPictureSize});
    } else {
        LoadWhole(image);
    }
    ASSERT_FALSE(HasFatalFailure());
    image.margins = sweep.margins;
    Surface canvas(46, 46);
    for (int width = 1; width <= 40; ++width) {
        for (int height = 1; height <= 40; ++height) {
            SCOPED_TRACE(testing::Message() << width << " x " << height);
            DrawAndCheck(canvas, image, {2, 3, 2 + width, 3 + height});
            if (HasFailure()) {
                return;
            }
        }
    }
}

const SweepCase kSweeps[] = {
    {"Cell", {7, 7, 7, 7}, false},
    {"CellPart", {7, 7, 7, 7}, true},
    {"NoMargins", {0, 0, 0, 0}, false},
    {"NoMarginsPart", {0, 0, 0, 0}, true},
    {"Uneven", {3, 5, 9, 2}, false},
    {"UnevenPart", {3, 5, 9, 2}, true},
    {"NoMiddle", {11, 11, 11, 11}, true},
    {"StripsOverlapInThePicture", {12, 4, 15, 6}, true},
    {"NearStripsOnly", {7, 7, 0, 0}, true},
    {"FarStripsOnly", {0, 0, 7, 7}, true},
    {"AsWideAsThePicture", {22, 0, 0, 22}, true},
    {"WiderThanThePicture", {25, 30, 22, 40}, true},
    {"WiderThanThePictureWhole", {25, 30, 22, 40}, false},
};

INSTANTIATE_TEST_SUITE_P(ImageDrawing, DrawJigsawImageSweep, testing::ValuesIn(kSweeps),
                         testing::PrintToStringParamName());

TEST(ImageDrawing, NegativeMarginsDrawLikeZeroMargins) {
    KvJigsawImage image;
    LoadWhole(image);
    Surface canvas(60, 60);
    SetRect(&image.margins, 0, 0, 0, 0);
    ASSERT_TRUE(DrawJigsawImage(canvas, image, 5, 5, 50, 50, nullptr));
    const std::vector<std::uint32_t> zero = canvas.Pixels();
    ASSERT_EQ(canvas.Rgb(5, 5), Source(0, 0));

    SetRect(&image.margins, -3, -9, -1, -40);
    canvas.Fill(RGB(0, 0, 0));
    ASSERT_TRUE(DrawJigsawImage(canvas, image, 5, 5, 50, 50, nullptr));
    EXPECT_TRUE(canvas.Pixels() == zero);
}

bool CanvasUntouched(const Surface& canvas) {
    const std::vector<std::uint32_t> pixels = canvas.Pixels();
    return std::all_of(pixels.begin(), pixels.end(),
                       [](std::uint32_t pixel) { return pixel == kBackground; });
}

TEST(ImageDrawing, ReportsEmptyInvertedUnreadableAndMissingInputsAndDrawsNothing) {
    KvJigsawImage image;
    LoadWhole(image);
    SetRect(&image.margins, 7, 7, 7, 7);
    KvJigsawImage empty;
    KvJigsawImage gone;
    LoadPart(gone, kPictureSize, kPictureSize, {0, 0, kPictureSize, kPictureSize});
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_TRUE(ImageStore::Release(gone.StoreId()));
    const UnreadablePage unreadable;
    const RECT disjoint = {50, 50, 60, 60};
    const RECT emptyClip = {10, 10, 10, 20};
    Surface canvas(40, 40);

    const struct {
        const char* name;
        HDC dc;
        const KvJigsawImage& image;
        int width;
        int height;
        const RECT* clip;
        bool result;
    } cases[] = {
        {"zero width", canvas, image, 0, 20, nullptr, false},
        {"zero height", canvas, image, 20, 0, nullptr, false},
        {"negative width", canvas, image, -20, 20, nullptr, false},
        {"negative height", canvas, image, 20, -20, nullptr, false},
        {"never loaded", canvas, empty, 20, 20, nullptr, false},
        {"store entry gone", canvas, gone, 20, 20, nullptr, false},
        {"unreadable clip", canvas, image, 20, 20, static_cast<const RECT*>(unreadable.Address()),
         false},
        {"no device context", nullptr, image, 20, 20, nullptr, false},
        {"clip outside", canvas, image, 20, 20, &disjoint, true},
        {"empty clip", canvas, image, 20, 20, &emptyClip, true},
    };
    for (const auto& drawCase : cases) {
        canvas.Fill(RGB(0, 0, 0));
        EXPECT_EQ(DrawJigsawImage(drawCase.dc, drawCase.image, 5, 5, drawCase.width,
                                  drawCase.height, drawCase.clip),
                  drawCase.result)
            << drawCase.name;
        EXPECT_TRUE(CanvasUntouched(canvas)) << drawCase.name;
    }
}

TEST(ImageDrawing, DrawImagePartCopiesThePartToItsPlace) {
    KvJigsawImage image;
    LoadWhole(image);
    Surface canvas(40, 40);
    Gdiplus::GpGraphics* graphics = nullptr;
    ASSERT_EQ(Gdiplus::DllExports::GdipCreateFromHDC(canvas, &graphics), Gdiplus::Ok);
    EXPECT_TRUE(DrawImagePart(image, graphics, 1, 2, 3, 4, 5, 6, 3, 4));
    Gdiplus::DllExports::GdipDeleteGraphics(graphics);
    EXPECT_EQ(canvas.Rgb(1, 2), Source(5, 6));
    EXPECT_EQ(canvas.Rgb(3, 5), Source(7, 9));
    EXPECT_EQ(canvas.Rgb(4, 2), kBackground);
}

// Parts that leave nothing to draw are skipped with success: a destination of negative size, a
// source outside the image's rect, a source of negative size that GDI+ would mirror, and a source
// scaled down into less than a pixel. Zero sizes and an image without a bitmap are reported. The
// canvas must stay as it was in every case.
TEST(ImageDrawing, DrawImagePartSkipsPartsWithNothingToDrawAndReportsZeroSizesAndNoBitmap) {
    KvJigsawImage image;
    LoadWhole(image);
    const KvJigsawImage empty;
    Surface canvas(40, 40);
    struct Area {
        int x;
        int y;
        int width;
        int height;
    };
    const struct {
        const char* name;
        const KvJigsawImage& image;
        Area destination;
        Area source;
        bool result;
    } cases[] = {
        {"no destination width", image, {0, 0, 0, 5}, {0, 0, 5, 5}, false},
        {"no source height", image, {0, 0, 5, 5}, {0, 0, 5, 0}, false},
        {"destination of negative width", image, {10, 10, -5, 5}, {0, 0, 5, 5}, true},
        {"source outside the rect", image, {10, 10, 5, 5}, {30, 0, 5, 5}, true},
        {"mirrored across", image, {10, 10, 5, 5}, {8, 0, -5, 5}, true},
        {"mirrored down", image, {10, 10, 5, 5}, {0, 8, 5, -5}, true},
        {"scaled into less than a pixel", image, {10, 10, 1, 1}, {0, 0, 100, 100}, true},
        {"no bitmap", empty, {10, 10, 5, 5}, {0, 0, 5, 5}, false},
    };
    for (const auto& part : cases) {
        canvas.Fill(RGB(0, 0, 0));
        Gdiplus::GpGraphics* graphics = nullptr;
        ASSERT_EQ(Gdiplus::DllExports::GdipCreateFromHDC(canvas, &graphics), Gdiplus::Ok);
        const Area& d = part.destination;
        const Area& s = part.source;
        EXPECT_EQ(DrawImagePart(part.image, graphics, d.x, d.y, d.width, d.height, s.x, s.y,
                                s.width, s.height),
                  part.result)
            << part.name;
        Gdiplus::DllExports::GdipDeleteGraphics(graphics);
        EXPECT_TRUE(CanvasUntouched(canvas)) << part.name;
    }
}

}  // namespace
