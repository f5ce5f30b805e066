// The GDI census counts each creation and deletion of the program's own GDI and GDI+ objects,
// once, at every place where the program makes or frees one.
#include <cstring>
#include <utility>

#include <gtest/gtest.h>
#include <windows.h>

#include "FontCache.h"
#include "GdiCensus.h"
#include "GdiplusBitmap.h"
#include "ImageDrawing.h"
#include "KvJigsawImage.h"
#include "MemoryDc.h"
#include "PenCache.h"

namespace {

constexpr int CellPictureId = 106;
constexpr wchar_t PictureType[] = L"BIN";
constexpr char NotAPicture[] = "These bytes are no picture.";

// The census of one kind, counted from the moment the object is made.
class CensusDelta {
  public:
    explicit CensusDelta(GdiKind kind)
        : kind_(kind), alive_(GdiCensus::Alive(kind)), created_(GdiCensus::CreatedSoFar(kind)) {}
    std::int64_t Alive() const { return GdiCensus::Alive(kind_) - alive_; }
    std::int64_t Created() const { return GdiCensus::CreatedSoFar(kind_) - created_; }

  private:
    GdiKind kind_;
    std::int64_t alive_;
    std::int64_t created_;
};

LOGFONTW UnusedFontDescription() {
    LOGFONTW description = BodyFontDescription();
    description.lfHeight = 37;
    return description;
}

// A memory DC over the screen's format with a bitmap to draw into.
class Canvas {
  public:
    Canvas() {
        HDC screen = GetDC(nullptr);
        dc.Create(screen);
        dc.SelectNewBitmap(screen, 64, 64);
        ReleaseDC(nullptr, screen);
    }
    MemoryDc dc;
};

}  // namespace

TEST(GdiCensus, NamesEveryKind) {
    for (int i = 0; i < GdiCensus::KindCount; ++i) {
        const char* name = GdiCensus::Name(static_cast<GdiKind>(i));
        ASSERT_NE(name, nullptr);
        EXPECT_GT(std::strlen(name), 0u);
    }
}

TEST(GdiCensus, CountsTheFontCachesFontsOncePerFont) {
    const CensusDelta fonts(GdiKind::Font);
    const ObjectId first = AcquireFont(UnusedFontDescription());
    ASSERT_NE(first, InvalidObjectId);
    const ObjectId second = AcquireFont(UnusedFontDescription());
    EXPECT_EQ(fonts.Alive(), 1);
    EXPECT_EQ(fonts.Created(), 1);
    EXPECT_TRUE(ReleaseFont(first));
    EXPECT_EQ(fonts.Alive(), 1);
    EXPECT_TRUE(ReleaseFont(second));
    EXPECT_EQ(fonts.Alive(), 0);
}

TEST(GdiCensus, CountsTheFontsThatACacheDeletesAtItsEnd) {
    const CensusDelta fonts(GdiKind::Font);
    {
        FontCache cache;
        ASSERT_NE(cache.Acquire(UnusedFontDescription()), InvalidObjectId);
        EXPECT_EQ(fonts.Alive(), 1);
    }
    EXPECT_EQ(fonts.Alive(), 0);
}

TEST(GdiCensus, CountsThePenCachesPensOncePerPen) {
    const CensusDelta pens(GdiKind::Pen);
    const ObjectId first = AcquirePen(RGB(1, 2, 3));
    ASSERT_NE(first, InvalidObjectId);
    const ObjectId second = AcquirePen(RGB(1, 2, 3));
    EXPECT_EQ(pens.Alive(), 1);
    EXPECT_TRUE(ReleasePen(first));
    EXPECT_TRUE(ReleasePen(second));
    EXPECT_EQ(pens.Alive(), 0);
    EXPECT_EQ(pens.Created(), 1);
    {
        PenCache cache;
        ASSERT_NE(cache.Acquire(RGB(4, 5, 6)), InvalidObjectId);
        EXPECT_EQ(pens.Alive(), 1);
    }
    EXPECT_EQ(pens.Alive(), 0);
}

TEST(GdiCensus, CountsAMemoryDcAndOnlyTheBitmapsItMade) {
    const CensusDelta dcs(GdiKind::MemoryDc);
    const CensusDelta bitmaps(GdiKind::Bitmap);
    HDC screen = GetDC(nullptr);
    {
        MemoryDc dc;
        dc.Create(screen);
        EXPECT_EQ(dcs.Alive(), 1);
        // The DC's stock bitmap, replaced here, is not the DC's own.
        dc.SelectNewBitmap(screen, 10, 10);
        EXPECT_EQ(bitmaps.Alive(), 1);
        dc.SelectNewBitmap(screen, 20, 20);
        EXPECT_EQ(bitmaps.Alive(), 1);
        EXPECT_EQ(bitmaps.Created(), 2);
        // A new DC replaces the old one, whose bitmap goes with it.
        dc.Create(screen);
        EXPECT_EQ(dcs.Alive(), 1);
        EXPECT_EQ(bitmaps.Alive(), 0);
        dc.SelectNewBitmap(screen, 5, 5);
        EXPECT_EQ(bitmaps.Alive(), 1);
    }
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(dcs.Alive(), 0);
    EXPECT_EQ(bitmaps.Alive(), 0);
    EXPECT_EQ(dcs.Created(), 2);
}

// No bitmap may take 2 GB or more, so none of 30 000 × 30 000 pixels can be made.
TEST(GdiCensus, CountsNoBitmapWhenNoneOfTheSizeCanBeMade) {
    const CensusDelta bitmaps(GdiKind::Bitmap);
    HDC screen = GetDC(nullptr);
    {
        MemoryDc dc;
        dc.Create(screen);
        ASSERT_TRUE(dc.SelectNewBitmap(screen, 10, 10));
        const HGDIOBJ kept = GetCurrentObject(dc, OBJ_BITMAP);
        EXPECT_FALSE(dc.SelectNewBitmap(screen, 30000, 30000));
        EXPECT_EQ(GetCurrentObject(dc, OBJ_BITMAP), kept);
        EXPECT_EQ(bitmaps.Alive(), 1);
        EXPECT_EQ(bitmaps.Created(), 1);
    }
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(bitmaps.Alive(), 0);
}

TEST(GdiCensus, CountsTheGraphicsOfEveryCellDrawing) {
    KvJigsawImage image;
    ASSERT_TRUE(image.LoadFromResource(GetModuleHandleW(nullptr), PictureType,
                                       MAKEINTRESOURCEW(CellPictureId), false));
    image.margins = {7, 7, 7, 7};
    Canvas canvas;
    const CensusDelta graphics(GdiKind::GdiplusGraphics);
    EXPECT_TRUE(DrawJigsawImage(canvas.dc, image, 0, 0, 30, 30, nullptr));
    EXPECT_TRUE(DrawJigsawImage(canvas.dc, image, 5, 5, 40, 40, nullptr));
    EXPECT_EQ(graphics.Created(), 2);
    EXPECT_EQ(graphics.Alive(), 0);
}

TEST(GdiCensus, CountsDecodedPicturesUntilTheyAreDisposedOf) {
    const CensusDelta images(GdiKind::GdiplusImage);
    {
        KvJigsawImage own;
        ASSERT_TRUE(own.LoadFromResource(GetModuleHandleW(nullptr), PictureType,
                                         MAKEINTRESOURCEW(CellPictureId), false));
        EXPECT_EQ(images.Alive(), 1);
        // Two holders of one shared picture hold one decoded copy.
        KvJigsawImage shared;
        KvJigsawImage alsoShared;
        ASSERT_TRUE(shared.LoadFromImage(own, true));
        ASSERT_TRUE(alsoShared.LoadFromImage(shared, true));
        EXPECT_EQ(images.Alive(), 2);
        own.Unload();
        EXPECT_EQ(images.Alive(), 1);
    }
    EXPECT_EQ(images.Alive(), 0);
    EXPECT_EQ(images.Created(), 2);
}

TEST(GdiCensus, CountsNothingForBytesThatDoNotDecode) {
    const CensusDelta images(GdiKind::GdiplusImage);
    KvJigsawImage image;
    EXPECT_FALSE(image.LoadFromMemory(NotAPicture, sizeof NotAPicture, false));
    EXPECT_FALSE(image.LoadFromMemory(NotAPicture, sizeof NotAPicture, true));
    EXPECT_EQ(images.Alive(), 0);
    EXPECT_EQ(images.Created(), 0);
}

TEST(GdiCensus, CountsAPictureHandedBetweenHoldersOnce) {
    KvJigsawImage source;
    ASSERT_TRUE(source.LoadFromResource(GetModuleHandleW(nullptr), PictureType,
                                        MAKEINTRESOURCEW(CellPictureId), false));
    const CensusDelta images(GdiKind::GdiplusImage);
    Gdiplus::GpBitmap* clone = nullptr;
    ASSERT_EQ(Gdiplus::DllExports::GdipCloneImage(source.Bitmap(),
                                                  reinterpret_cast<Gdiplus::GpImage**>(&clone)),
              Gdiplus::Ok);
    {
        GdiplusBitmap first(clone);
        EXPECT_EQ(images.Alive(), 1);
        GdiplusBitmap second(std::move(first));
        GdiplusBitmap third;
        third = std::move(second);
        EXPECT_EQ(images.Alive(), 1);
        // A detached picture is the caller's, and no longer the program's to count.
        Gdiplus::GpBitmap* detached = third.Detach();
        EXPECT_EQ(images.Alive(), 0);
        third.Reset(detached);
        EXPECT_EQ(images.Alive(), 1);
    }
    EXPECT_EQ(images.Alive(), 0);
}
