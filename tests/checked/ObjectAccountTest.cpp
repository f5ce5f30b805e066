// What the program's holders of GDI and GDI+ objects make and release, kind by kind, as the
// checked build's object tracker sees it from outside: one font or pen per description however
// many ask, each deleted with its last holder; a memory DC's bitmaps; the graphics of a drawing;
// decoded pictures until the last image lets go of them.
#include <utility>

#include <gtest/gtest.h>
#include <windows.h>

#include "FontCache.h"
#include "GdiplusBitmap.h"
#include "ImageDrawing.h"
#include "KvJigsawImage.h"
#include "MemoryDc.h"
#include "ObjectTracker.h"
#include "PenCache.h"
#include "ResourceIds.h"

namespace {

using Kind = ObjectTracker::Kind;

constexpr wchar_t PictureType[] = L"BIN";
constexpr char NotAPicture[] = "These bytes are no picture.";

// The tracker's account of one kind, counted from the moment this object is made.
class KindDelta {
  public:
    explicit KindDelta(Kind kind) : kind_(kind) {}
    long long Live() const { return LiveNow() - live_; }
    long long Made() const { return MadeNow() - made_; }

  private:
    long long LiveNow() const { return static_cast<long long>(ObjectTracker::Unreleased(kind_)); }
    long long MadeNow() const { return static_cast<long long>(ObjectTracker::MadeSoFar(kind_)); }

    Kind kind_;
    long long live_ = LiveNow();
    long long made_ = MadeNow();
};

LOGFONTW UnusedFontDescription() {
    LOGFONTW description = BodyFontDescription();
    description.lfHeight = 37;
    return description;
}

// Loads the game's grey cell picture into `image`, private or shared.
bool LoadCellPicture(KvJigsawImage& image, bool shared) {
    return image.LoadFromResource(GetModuleHandleW(nullptr), PictureType,
                                  MAKEINTRESOURCEW(KV_LANDED_BLOCK_PICTURE), shared);
}

TEST(ObjectAccount, TheFontCacheMakesOneFontPerDescriptionAndDeletesItWithItsLastHolder) {
    const KindDelta fonts(Kind::Font);
    const ObjectId first = AcquireFont(UnusedFontDescription());
    ASSERT_NE(first, InvalidObjectId);
    const ObjectId second = AcquireFont(UnusedFontDescription());
    EXPECT_EQ(fonts.Live(), 1);
    EXPECT_EQ(fonts.Made(), 1);
    EXPECT_TRUE(ReleaseFont(first));
    EXPECT_EQ(fonts.Live(), 1);
    EXPECT_TRUE(ReleaseFont(second));
    EXPECT_EQ(fonts.Live(), 0);
}

TEST(ObjectAccount, ThePenCacheMakesOnePenPerColourAndDeletesItWithItsLastHolder) {
    const KindDelta pens(Kind::Pen);
    const ObjectId first = AcquirePen(RGB(1, 2, 3));
    ASSERT_NE(first, InvalidObjectId);
    const ObjectId second = AcquirePen(RGB(1, 2, 3));
    EXPECT_EQ(pens.Live(), 1);
    EXPECT_TRUE(ReleasePen(first));
    EXPECT_TRUE(ReleasePen(second));
    EXPECT_EQ(pens.Live(), 0);
    EXPECT_EQ(pens.Made(), 1);
}

TEST(ObjectAccount, AMemoryDcDeletesEveryBitmapItMadeAndTheDcItself) {
    const KindDelta dcs(Kind::MemoryDc);
    const KindDelta bitmaps(Kind::Bitmap);
    HDC screen = GetDC(nullptr);
    {
        MemoryDc dc;
        dc.Create(screen);
        EXPECT_EQ(dcs.Live(), 1);
        dc.SelectNewBitmap(screen, 10, 10);
        EXPECT_EQ(bitmaps.Live(), 1);
        // A new bitmap replaces the old one, which is deleted.
        dc.SelectNewBitmap(screen, 20, 20);
        EXPECT_EQ(bitmaps.Live(), 1);
        EXPECT_EQ(bitmaps.Made(), 2);
        // A new DC replaces the old one, whose bitmap goes with it.
        dc.Create(screen);
        EXPECT_EQ(dcs.Live(), 1);
        EXPECT_EQ(bitmaps.Live(), 0);
        dc.SelectNewBitmap(screen, 5, 5);
        EXPECT_EQ(bitmaps.Live(), 1);
        // No bitmap may take 2 GB or more: none of 30 000 × 30 000 pixels can be made, and the
        // DC keeps the one it has.
        const HGDIOBJ kept = GetCurrentObject(dc, OBJ_BITMAP);
        EXPECT_FALSE(dc.SelectNewBitmap(screen, 30000, 30000));
        EXPECT_EQ(GetCurrentObject(dc, OBJ_BITMAP), kept);
        EXPECT_EQ(bitmaps.Live(), 1);
    }
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(dcs.Live(), 0);
    EXPECT_EQ(bitmaps.Live(), 0);
    EXPECT_EQ(dcs.Made(), 2);
}

TEST(ObjectAccount, EveryCellDrawingDeletesItsGraphics) {
    KvJigsawImage image;
    ASSERT_TRUE(LoadCellPicture(image, false));
    image.margins = {7, 7, 7, 7};
    HDC screen = GetDC(nullptr);
    MemoryDc canvas;
    canvas.Create(screen);
    canvas.SelectNewBitmap(screen, 64, 64);
    ReleaseDC(nullptr, screen);
    const KindDelta graphics(Kind::GdiplusGraphics);
    EXPECT_TRUE(DrawJigsawImage(canvas, image, 0, 0, 30, 30, nullptr));
    EXPECT_TRUE(DrawJigsawImage(canvas, image, 5, 5, 40, 40, nullptr));
    EXPECT_EQ(graphics.Made(), 2);
    EXPECT_EQ(graphics.Live(), 0);
}

TEST(ObjectAccount, DecodedPicturesLiveUntilTheirLastImageLetsGo) {
    const KindDelta images(Kind::GdiplusImage);
    {
        KvJigsawImage own;
        ASSERT_TRUE(LoadCellPicture(own, false));
        EXPECT_EQ(images.Live(), 1);
        // Two holders of one shared picture hold one decoded copy.
        KvJigsawImage shared;
        KvJigsawImage alsoShared;
        ASSERT_TRUE(shared.LoadFromImage(own, true));
        ASSERT_TRUE(alsoShared.LoadFromImage(shared, true));
        EXPECT_EQ(images.Live(), 2);
        own.Unload();
        EXPECT_EQ(images.Live(), 1);
    }
    EXPECT_EQ(images.Live(), 0);
    EXPECT_EQ(images.Made(), 2);

    KvJigsawImage image;
    EXPECT_FALSE(image.LoadFromMemory(NotAPicture, sizeof NotAPicture, false));
    EXPECT_FALSE(image.LoadFromMemory(NotAPicture, sizeof NotAPicture, true));
    EXPECT_EQ(images.Made(), 2) << "bytes that do not decode make no picture";
}

// A picture handed from holder to holder has one owner at a time: holders that handed it on
// dispose of nothing when they go.
TEST(ObjectAccount, ABitmapHandedBetweenHoldersIsDisposedOfOnce) {
    KvJigsawImage source;
    ASSERT_TRUE(LoadCellPicture(source, false));
    const KindDelta images(Kind::GdiplusImage);
    {
        GdiplusBitmap last;
        {
            GdiplusBitmap first;
            ASSERT_EQ(Gdiplus::DllExports::GdipCloneBitmapAreaI(0, 0, 4, 4, PixelFormat24bppRGB,
                                                                source.Bitmap(), first.Receive()),
                      Gdiplus::Ok);
            GdiplusBitmap second(std::move(first));
            last = std::move(second);
        }
        EXPECT_EQ(images.Live(), 1);
        EXPECT_NE(last.Get(), nullptr);
    }
    EXPECT_EQ(images.Live(), 0);
}

}  // namespace
