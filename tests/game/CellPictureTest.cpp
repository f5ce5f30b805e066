// The cell pictures: drawn once per image and size, copied to exactly the pixels that drawing the
// image in place gives, and drawn in place whenever a copy could not be exact.
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>
#include <windows.h>

#include "AppContext.h"
#include "CellPictureCache.h"
#include "Surface.h"
#include "GdiplusBitmap.h"
#include "ImageDrawing.h"
#include "MemoryDc.h"
#include "WindowDc.h"

namespace {

constexpr int TargetWidth = 120;
constexpr int TargetHeight = 100;

::testing::AssertionResult SamePixels(const std::vector<std::uint32_t>& actual,
                                      const std::vector<std::uint32_t>& expected) {
    return ::SamePixels(actual, expected, TargetWidth);
}

// Makes a 22 × 22 picture in which every pixel is half transparent.
bool LoadTranslucentPicture(KvJigsawImage& image) {
    GdiplusBitmap bitmap;
    if (Gdiplus::DllExports::GdipCreateBitmapFromScan0(22, 22, 0, PixelFormat32bppARGB, nullptr,
                                                       bitmap.Receive()) != Gdiplus::Ok) {
        return false;
    }
    for (int y = 0; y < 22; ++y) {
        for (int x = 0; x < 22; ++x) {
            const Gdiplus::ARGB colour = 0x80000000u | (x * 11u) << 16 | (y * 11u) << 8 | 0x40u;
            Gdiplus::DllExports::GdipBitmapSetPixel(bitmap.Get(), x, y, colour);
        }
    }
    return image.LoadFromBitmap(bitmap.Get(), false);
}

// A target with the screen's pixel format, like the main window's back buffer, over which every
// drawing starts from the same noise.
class CellPictureTest : public ::testing::Test {
  protected:
    void SetUp() override {
        WindowDc screen(nullptr);
        target.Create(screen);
        target.SelectNewBitmap(screen, TargetWidth, TargetHeight);
        ASSERT_TRUE(noise.IsValid());
        ASSERT_TRUE(readBack.IsValid());
        noise.FillNoise(7);
        ASSERT_TRUE(image.LoadFromResource(GetModuleHandleW(nullptr), AppContext::ImageResourceType,
                                           MAKEINTRESOURCEW(AppContext::FallingBlockImageId),
                                           true));
        SetMargins(AppContext::CellImageMargin);
    }

    void SetMargins(LONG margin) { image.margins = {margin, margin, margin, margin}; }

    // Returns the target's pixels after drawing the image in place over the noise.
    std::vector<std::uint32_t> InPlace(int x, int y, int size, const RECT* clip) {
        BitBlt(target, 0, 0, TargetWidth, TargetHeight, noise, 0, 0, SRCCOPY);
        DrawJigsawImage(target, image, x, y, size, size, clip);
        return readBack.CopyOf(target);
    }

    // Returns the target's pixels after drawing `picture` over the noise.
    std::vector<std::uint32_t> Copied(const CellPicture& picture, int x, int y, const RECT* clip) {
        BitBlt(target, 0, 0, TargetWidth, TargetHeight, noise, 0, 0, SRCCOPY);
        picture.Draw(target, x, y, clip);
        return readBack.CopyOf(target);
    }

    MemoryDc target;
    Surface noise{TargetWidth, TargetHeight};
    Surface readBack{TargetWidth, TargetHeight};
    KvJigsawImage image;
    CellPictureCache cache;
};

}  // namespace

TEST_F(CellPictureTest, GamePictureIsCopiedAndEqualsDrawingInPlaceAtEverySize) {
    // Around the margins' sum (14) and the picture's size (22), where the nine regions change.
    for (const int size : {1, 2, 6, 7, 8, 13, 14, 15, 21, 22, 23, 29, 30, 31, 52, 77}) {
        const CellPicture& picture = cache.Find(target, image, size);
        EXPECT_TRUE(picture.IsCopied()) << "size " << size;
        for (const POINT at : {POINT{5, 9}, POINT{37, 3}, POINT{0, 0}}) {
            if (at.x + size > TargetWidth || at.y + size > TargetHeight) {
                continue;
            }
            EXPECT_TRUE(SamePixels(Copied(picture, at.x, at.y, nullptr),
                                   InPlace(at.x, at.y, size, nullptr)))
                << "size " << size << " at " << at.x << ',' << at.y;
        }
    }
}

TEST_F(CellPictureTest, ClippedCopyEqualsClippedDrawingInPlace) {
    constexpr int Size = 23;
    constexpr int Left = 10;
    constexpr int Top = 12;
    const CellPicture& picture = cache.Find(target, image, Size);
    ASSERT_TRUE(picture.IsCopied());
    const RECT clips[] = {
        {0, 0, TargetWidth, TargetHeight},  // the whole square
        {15, 20, 29, 31},                   // inside it
        {0, 0, 17, 19},                     // its top-left part
        {20, 25, TargetWidth, TargetHeight},
        {12, 0, 13, TargetHeight},  // one column
        {33, 35, 60, 60},           // touching its bottom-right corner only
        {40, 40, 50, 50},           // beside it
        {20, 20, 20, 40},           // empty
        {30, 30, 14, 14},           // inverted
    };
    for (const RECT& clip : clips) {
        EXPECT_TRUE(SamePixels(Copied(picture, Left, Top, &clip), InPlace(Left, Top, Size, &clip)))
            << "clip " << clip.left << ',' << clip.top << ',' << clip.right << ',' << clip.bottom;
    }
}

TEST_F(CellPictureTest, TranslucentPictureIsDrawnInPlace) {
    ASSERT_TRUE(LoadTranslucentPicture(image));
    SetMargins(7);
    const CellPicture& picture = cache.Find(target, image, 30);
    EXPECT_FALSE(picture.IsCopied());
    const RECT clip = {20, 20, 50, 44};
    EXPECT_TRUE(SamePixels(Copied(picture, 8, 6, nullptr), InPlace(8, 6, 30, nullptr)));
    EXPECT_TRUE(SamePixels(Copied(picture, 8, 6, &clip), InPlace(8, 6, 30, &clip)));
}

// Margins wider than the picture leave stripes of the square that no region covers.
TEST_F(CellPictureTest, PictureThatLeavesPixelsUncoveredIsDrawnInPlace) {
    SetMargins(20);
    const CellPicture& picture = cache.Find(target, image, 30);
    EXPECT_FALSE(picture.IsCopied());
    EXPECT_TRUE(SamePixels(Copied(picture, 8, 6, nullptr), InPlace(8, 6, 30, nullptr)));
}

TEST_F(CellPictureTest, EmptyImageDrawsNothing) {
    image.Unload();
    const CellPicture& picture = cache.Find(target, image, 30);
    EXPECT_FALSE(picture.IsCopied());
    BitBlt(target, 0, 0, TargetWidth, TargetHeight, noise, 0, 0, SRCCOPY);
    const std::vector<std::uint32_t> before = readBack.CopyOf(target);
    EXPECT_TRUE(SamePixels(Copied(picture, 8, 6, nullptr), before));
}

// A picture is found again for the same bitmap, size and margins only.
TEST_F(CellPictureTest, SamePictureIsFoundUntilBitmapSizeOrMarginsChange) {
    const CellPicture* first = &cache.Find(target, image, 30);
    EXPECT_EQ(&cache.Find(target, image, 30), first);
    EXPECT_NE(&cache.Find(target, image, 31), first);
    EXPECT_EQ(&cache.Find(target, image, 30), first);

    KvJigsawImage block;
    ASSERT_TRUE(block.LoadFromResource(GetModuleHandleW(nullptr), AppContext::ImageResourceType,
                                       MAKEINTRESOURCEW(AppContext::LandedBlockImageId), true));
    block.margins = image.margins;
    const CellPicture& other = cache.Find(target, block, 30);
    EXPECT_NE(&other, first);
    EXPECT_FALSE(SamePixels(Copied(other, 8, 6, nullptr), Copied(*first, 8, 6, nullptr)));

    SetMargins(3);
    const CellPicture& remade = cache.Find(target, image, 30);
    EXPECT_NE(&remade, first);
    EXPECT_TRUE(SamePixels(Copied(remade, 8, 6, nullptr), InPlace(8, 6, 30, nullptr)));
}

TEST_F(CellPictureTest, CacheKeepsAtMostItsCapacityAndDropsTheLeastRecentlyUsed) {
    const CellPicture* kept = &cache.Find(target, image, 30);
    for (int size = 40; size < 40 + static_cast<int>(CellPictureCache::Capacity) + 2; ++size) {
        cache.Find(target, image, size);
        // Used again before every new picture, the first one is never the oldest.
        EXPECT_EQ(&cache.Find(target, image, 30), kept);
    }
    EXPECT_EQ(cache.Count(), CellPictureCache::Capacity);
    cache.Clear();
    EXPECT_EQ(cache.Count(), 0u);
}
