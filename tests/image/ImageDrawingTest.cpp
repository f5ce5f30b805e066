#include <windows.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ImageDrawing.h"
#include "ImageStore.h"
#include "KvJigsawImage.h"
#include "Surface.h"
#include "TestPictures.h"

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

// A picture with a colour for every pixel, loaded into a jigsaw image that stands for part of it.
class TestImage {
  public:
    // The whole picture, private.
    static void LoadWhole(KvJigsawImage& image, int width, int height) {
        const std::vector<std::uint8_t> bytes = MakeBitmapFile(width, height, kTint);
        ASSERT_TRUE(image.LoadFromMemory(bytes.data(), bytes.size(), false));
    }
    // The part `part` of a larger picture, shared: pixels outside the part must never be drawn.
    static void LoadPart(KvJigsawImage& image, int width, int height, const RECT& part) {
        const std::vector<std::uint8_t> bytes = MakeBitmapFile(width, height, kTint);
        KvImage whole;
        ASSERT_TRUE(whole.LoadFromMemory(bytes.data(), bytes.size(), true));
        ASSERT_TRUE(image.LoadFromImageRect(whole, part, true));
    }
};

// Returns the pixels of the canvas that differ from what drawing `image` at `destination` within
// `clip` must give, described for a failure message; empty when every pixel matches.
std::string Mismatches(const Surface& canvas, const KvJigsawImage& image, const RECT& destination,
                       const RECT* clip) {
    const RECT& rect = image.Rect();
    const RECT& m = image.margins;
    const int width = destination.right - destination.left;
    const int height = destination.bottom - destination.top;
    const std::vector<int> xs = ExpectedSources(m.left, m.right, rect.right - rect.left, width);
    const std::vector<int> ys = ExpectedSources(m.top, m.bottom, rect.bottom - rect.top, height);
    const RECT visible = clip != nullptr ? *clip : destination;
    std::ostringstream out;
    int count = 0;
    for (int y = 0; y < canvas.Height(); ++y) {
        for (int x = 0; x < canvas.Width(); ++x) {
            std::uint32_t expected = kBackground;
            const int dx = x - destination.left;
            const int dy = y - destination.top;
            if (dx >= 0 && dx < width && dy >= 0 && dy < height && x >= visible.left &&
                x < visible.right && y >= visible.top && y < visible.bottom && xs[dx] != kNothing &&
                ys[dy] != kNothing) {
                expected = PictureColour(rect.left + xs[dx], rect.top + ys[dy], kTint);
            }
            const std::uint32_t actual = canvas.Rgb(x, y);
            if (actual != expected && ++count <= 5) {
                out << " (" << x << "," << y << "): 0x" << std::hex << actual << " not 0x"
                    << expected << std::dec << ";";
            }
        }
    }
    if (count > 5) {
        out << " and " << count - 5 << " more";
    }
    return out.str();
}

// Draws the image on a cleared canvas and checks the result and every pixel.
void DrawAndCheck(Surface& canvas, const KvJigsawImage& image, const RECT& destination,
                  const RECT* clip = nullptr) {
    canvas.Fill(RGB(0, 0, 0));
    EXPECT_TRUE(DrawJigsawImage(canvas, image, destination.left, destination.top,
                                destination.right - destination.left,
                                destination.bottom - destination.top, clip));
    const std::string mismatches = Mismatches(canvas, image, destination, clip);
    EXPECT_TRUE(mismatches.empty()) << mismatches;
}

struct WorkedExample {
    const char* name;
    int margin;
    int width;
    int height;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const WorkedExample& value, std::ostream* out) {
    *out << value.name;
}

class DrawJigsawImageExample : public testing::TestWithParam<WorkedExample> {};

TEST_P(DrawJigsawImageExample, PutsTheTiledSourcePixelOnEveryDestinationPixel) {
    const WorkedExample& example = GetParam();
    KvJigsawImage image;
    TestImage::LoadWhole(image, kPictureSize, kPictureSize);
    SetRect(&image.margins, example.margin, example.margin, example.margin, example.margin);
    Surface canvas(example.width + 6, example.height + 6);
    DrawAndCheck(canvas, image, {3, 2, 3 + example.width, 2 + example.height});
}

INSTANTIATE_TEST_SUITE_P(
    ImageDrawing, DrawJigsawImageExample,
    testing::Values(WorkedExample{"Cell23", 7, 23, 23}, WorkedExample{"Cell22", 7, 22, 22},
                    WorkedExample{"Cell10", 7, 10, 10}, WorkedExample{"NoMargins50x30", 0, 50, 30}),
    [](const testing::TestParamInfo<WorkedExample>& info) { return std::string(info.param.name); });

// Single pixels of the worked examples, read off the layout by hand: they pin the expectation
// above as well as the drawing.
TEST(ImageDrawing, WorkedExamplesPlaceTheseSourcePixels) {
    const struct {
        int margin;
        int size[2];
        POINT destination;
        POINT source;
    } pixels[] = {
        {7, {23, 23}, {15, 0}, {7, 0}},     // second tile of the top edge, 1 wide
        {7, {23, 23}, {16, 0}, {15, 0}},    // top-right corner
        {7, {23, 23}, {15, 15}, {7, 7}},    // last centre tile, 1 x 1
        {7, {23, 23}, {22, 22}, {21, 21}},  // bottom-right corner
        {7, {22, 22}, {14, 14}, {14, 14}},  // at natural size the picture is unchanged
        {7, {10, 10}, {7, 7}, {15, 15}},    // bottom-right corner, 3 x 3
        {7, {10, 10}, {9, 0}, {17, 0}},     // top-right corner, 3 x 7
        {0, {50, 30}, {44, 22}, {0, 0}},    // third column, second row
        {0, {50, 30}, {49, 29}, {5, 7}},
    };
    KvJigsawImage image;
    TestImage::LoadWhole(image, kPictureSize, kPictureSize);
    Surface canvas(50, 30);
    for (const auto& pixel : pixels) {
        SetRect(&image.margins, pixel.margin, pixel.margin, pixel.margin, pixel.margin);
        canvas.Fill(RGB(0, 0, 0));
        ASSERT_TRUE(DrawJigsawImage(canvas, image, 0, 0, pixel.size[0], pixel.size[1], nullptr));
        EXPECT_EQ(canvas.Rgb(pixel.destination.x, pixel.destination.y),
                  PictureColour(pixel.source.x, pixel.source.y, kTint))
            << pixel.size[0] << " x " << pixel.size[1] << " at (" << pixel.destination.x << ", "
            << pixel.destination.y << ")";
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
        TestImage::LoadPart(image, 30, 28, {4, 3, 4 + kPictureSize, 3 + kPictureSize});
    } else {
        TestImage::LoadWhole(image, kPictureSize, kPictureSize);
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
                         [](const testing::TestParamInfo<SweepCase>& info) {
                             return std::string(info.param.name);
                         });

struct ClipCase {
    const char* name;
    RECT clip;
};

void PrintTo(const ClipCase& value, std::ostream* out) {
    *out << value.name;
}

// The game's picture drawn at (100, 200, 122, 222) under different clip rectangles.
class DrawJigsawImageClip : public testing::TestWithParam<ClipCase> {};

TEST_P(DrawJigsawImageClip, DrawsOnlyTheVisiblePartOfEachPiece) {
    KvJigsawImage image;
    TestImage::LoadWhole(image, kPictureSize, kPictureSize);
    SetRect(&image.margins, 7, 7, 7, 7);
    Surface canvas(130, 230);
    const RECT clip = GetParam().clip;
    DrawAndCheck(canvas, image, {100, 200, 122, 222}, &clip);
}

INSTANTIATE_TEST_SUITE_P(ImageDrawing, DrawJigsawImageClip,
                         testing::Values(ClipCase{"BottomRightPart", {110, 205, 500, 500}},
                                         ClipCase{"Inside", {103, 209, 118, 216}},
                                         ClipCase{"OverTopLeftCorner", {90, 190, 101, 201}},
                                         ClipCase{"SameAsDestination", {100, 200, 122, 222}},
                                         ClipCase{"Disjoint", {0, 0, 50, 50}},
                                         ClipCase{"Empty", {0, 0, 0, 0}},
                                         ClipCase{"Inverted", {120, 220, 104, 204}}),
                         [](const testing::TestParamInfo<ClipCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(ImageDrawing, TheClippedWorkedExampleStartsAtTheClipCorner) {
    KvJigsawImage image;
    TestImage::LoadWhole(image, kPictureSize, kPictureSize);
    SetRect(&image.margins, 7, 7, 7, 7);
    Surface canvas(130, 230);
    const RECT clip = {110, 205, 500, 500};
    ASSERT_TRUE(DrawJigsawImage(canvas, image, 100, 200, 22, 22, &clip));
    EXPECT_EQ(canvas.Rgb(110, 205), PictureColour(10, 5, kTint));
    EXPECT_EQ(canvas.Rgb(114, 206), PictureColour(14, 6, kTint));
    EXPECT_EQ(canvas.Rgb(109, 205), kBackground);
    EXPECT_EQ(canvas.Rgb(110, 204), kBackground);
    EXPECT_EQ(canvas.Rgb(121, 221), PictureColour(21, 21, kTint));
}

TEST(ImageDrawing, NegativeMarginsDrawLikeZeroMargins) {
    KvJigsawImage image;
    TestImage::LoadWhole(image, kPictureSize, kPictureSize);
    Surface canvas(60, 60);
    SetRect(&image.margins, 0, 0, 0, 0);
    ASSERT_TRUE(DrawJigsawImage(canvas, image, 5, 5, 50, 50, nullptr));
    const std::vector<std::uint32_t> zero = canvas.Pixels();
    ASSERT_EQ(canvas.Rgb(5, 5), PictureColour(0, 0, kTint));

    SetRect(&image.margins, -3, -9, -1, -40);
    canvas.Fill(RGB(0, 0, 0));
    ASSERT_TRUE(DrawJigsawImage(canvas, image, 5, 5, 50, 50, nullptr));
    EXPECT_TRUE(canvas.Pixels() == zero);
}

// A committed page that may not be read.
class UnreadablePage {
  public:
    UnreadablePage()
        : page_(VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_NOACCESS)) {}
    ~UnreadablePage() { VirtualFree(page_, 0, MEM_RELEASE); }
    const RECT* AsRect() const { return static_cast<const RECT*>(page_); }

  private:
    void* page_;
};

bool CanvasUntouched(const Surface& canvas) {
    const std::vector<std::uint32_t> pixels = canvas.Pixels();
    return std::all_of(pixels.begin(), pixels.end(),
                       [](std::uint32_t pixel) { return pixel == kBackground; });
}

TEST(ImageDrawing, ReportsEmptyInvertedUnreadableAndMissingInputsAndDrawsNothing) {
    KvJigsawImage image;
    TestImage::LoadWhole(image, kPictureSize, kPictureSize);
    SetRect(&image.margins, 7, 7, 7, 7);
    KvJigsawImage empty;
    KvJigsawImage gone;
    TestImage::LoadPart(gone, kPictureSize, kPictureSize, {0, 0, kPictureSize, kPictureSize});
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
        {"unreadable clip", canvas, image, 20, 20, unreadable.AsRect(), false},
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

TEST(ImageDrawing, DrawImagePartReportsZeroSizesAndSkipsNegativeOnes) {
    KvJigsawImage image;
    TestImage::LoadWhole(image, kPictureSize, kPictureSize);
    Surface canvas(40, 40);
    Gdiplus::GpGraphics* graphics = nullptr;
    ASSERT_EQ(Gdiplus::DllExports::GdipCreateFromHDC(canvas, &graphics), Gdiplus::Ok);
    EXPECT_FALSE(DrawImagePart(image, graphics, 0, 0, 0, 5, 0, 0, 5, 5));
    EXPECT_FALSE(DrawImagePart(image, graphics, 0, 0, 5, 5, 0, 0, 5, 0));
    EXPECT_TRUE(DrawImagePart(image, graphics, 10, 10, -5, 5, 0, 0, 5, 5));
    EXPECT_TRUE(DrawImagePart(image, graphics, 10, 10, 5, 5, 30, 0, 5, 5));  // outside the rect
    EXPECT_TRUE(DrawImagePart(image, graphics, 1, 2, 3, 4, 5, 6, 3, 4));
    Gdiplus::DllExports::GdipDeleteGraphics(graphics);
    EXPECT_EQ(canvas.Rgb(1, 2), PictureColour(5, 6, kTint));
    EXPECT_EQ(canvas.Rgb(3, 5), PictureColour(7, 9, kTint));
    EXPECT_EQ(canvas.Rgb(4, 2), kBackground);
    EXPECT_EQ(canvas.Rgb(10, 10), kBackground);
    EXPECT_EQ(canvas.Rgb(14, 14), kBackground);
}

// Parts that leave nothing to draw are skipped with success: GDI+ would mirror a source of
// negative size, and a source scaled down into less than a pixel covers none. An image without a
// bitmap is reported. The canvas must stay as it was in every case.
TEST(ImageDrawing, DrawImagePartSkipsMirroredAndVanishingPartsAndReportsAMissingBitmap) {
    KvJigsawImage image;
    TestImage::LoadWhole(image, kPictureSize, kPictureSize);
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
