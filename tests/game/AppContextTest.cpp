// The application context: what Initialize gathers from the executable and the caches, and
// that Shutdown gives every reference back exactly once.
#include <string>

#include <gtest/gtest.h>
#include <windows.h>

#include "AppContext.h"
#include "GameProcess.h"
#include "FontCache.h"
#include "PenCache.h"

namespace {

COLORREF PenColour(ObjectId pen) {
    LOGPEN description = {};
    GetObjectW(GetPen(pen), sizeof description, &description);
    return description.lopnColor;
}

// Each test starts and ends with an empty context, as between two main windows.
class AppContextTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(context.moduleHandle, nullptr); }
    void TearDown() override { context.Shutdown(); }

    AppContext& context = GetAppContext();
};

}  // namespace

TEST_F(AppContextTest, InitializeReadsModuleAndBuildsTitleFromVersion) {
    context.Initialize();
    EXPECT_EQ(context.moduleHandle, GetModuleHandleW(nullptr));
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    EXPECT_EQ(context.modulePath.Text(), path);
    EXPECT_EQ(context.moduleDirectory.Text() + context.moduleFileName.Text(), path);
    EXPECT_EQ(context.moduleDirectory.Text().back(), L'\\');
    EXPECT_EQ(context.productName.Text(), L"下落方块");
    EXPECT_EQ(context.windowTitle.Text(), GameTitle());
}

TEST_F(AppContextTest, InitializeBuildsShapesAndAcquiresPensAndFontsOfTheirKinds) {
    context.Initialize();
    EXPECT_EQ(context.shapes.Records().size(), 25u);
    EXPECT_NE(context.shapes.FindShape(7, 4), nullptr);
    EXPECT_EQ(PenColour(context.borderPen), RGB(27, 27, 27));
    EXPECT_EQ(PenColour(context.gridPen), RGB(168, 168, 168));
    // The cache shares a font only for the same description, which
    // FontCache.ProgramFontsAreCreatedAsDescribed checks.
    const ObjectId body = AcquireBodyFont();
    const ObjectId heading = AcquireHeadingFont();
    EXPECT_EQ(context.bodyFont, body);
    EXPECT_EQ(context.headingFont, heading);
    ReleaseFont(body);
    ReleaseFont(heading);
}

TEST_F(AppContextTest, InitializeLoadsSharedCellPicturesWithMargins) {
    context.Initialize();
    for (const KvJigsawImage* image : {&context.blockImage, &context.pieceImage}) {
        ASSERT_NE(image->Bitmap(), nullptr);
        EXPECT_NE(image->StoreId(), 0u) << "shared through the image store";
        const RECT& rect = image->Rect();
        EXPECT_EQ(rect.right - rect.left, 22);
        EXPECT_EQ(rect.bottom - rect.top, 22);
        const RECT margins = {7, 7, 7, 7};
        EXPECT_TRUE(EqualRect(&image->margins, &margins));
    }
    EXPECT_NE(context.blockImage.StoreId(), context.pieceImage.StoreId());
}

TEST_F(AppContextTest, SecondInitializeChangesNothing) {
    context.Initialize();
    const ObjectId border = context.borderPen;
    const ObjectId body = context.bodyFont;
    const std::uint32_t block = context.blockImage.StoreId();
    context.Initialize();
    EXPECT_EQ(context.borderPen, border);
    EXPECT_EQ(context.bodyFont, body);
    EXPECT_EQ(context.blockImage.StoreId(), block);
    EXPECT_EQ(context.shapes.Records().size(), 25u);
    // One Shutdown gives back everything: the second Initialize took no further references.
    context.Shutdown();
    EXPECT_EQ(GetPen(border), nullptr);
    EXPECT_EQ(GetFont(body), nullptr);
}

TEST_F(AppContextTest, ShutdownReleasesOnceAndEmptiesContextThatInitializeFillsAgain) {
    // Another holder of the same pen and font keeps them alive unless the context releases its
    // references more than once.
    const ObjectId otherPen = AcquirePen(RGB(27, 27, 27));
    const ObjectId otherFont = AcquireBodyFont();
    context.Initialize();
    ASSERT_EQ(context.borderPen, otherPen);
    ASSERT_EQ(context.bodyFont, otherFont);
    context.Shutdown();
    context.Shutdown();
    EXPECT_NE(GetPen(otherPen), nullptr);
    EXPECT_NE(GetFont(otherFont), nullptr);
    EXPECT_EQ(context.moduleHandle, nullptr);
    EXPECT_EQ(context.blockImage.Bitmap(), nullptr);
    EXPECT_EQ(context.pieceImage.Bitmap(), nullptr);
    EXPECT_TRUE(context.shapes.Records().empty());
    EXPECT_EQ(context.windowTitle.Text(), GameTitle()) << "the title stays";
    ReleasePen(otherPen);
    ReleaseFont(otherFont);

    context.Initialize();
    EXPECT_NE(GetPen(context.gridPen), nullptr);
    EXPECT_NE(context.pieceImage.Bitmap(), nullptr);
    EXPECT_EQ(context.shapes.Records().size(), 25u);
}
