// The main window's paint, checked on the pixels of its back buffer and of the target DC.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include <gtest/gtest.h>
#include <windows.h>

#include "AppContext.h"
#include "MainWindowFixture.h"

namespace {

// The layout of the program's client size, 634 × 612: cells of 30 pixels, pitch 31.
constexpr int BoardLeft = 26;
constexpr int BoardTop = 26;
constexpr int BoardRight = 337;
constexpr int BoardBottom = 585;
constexpr int Pitch = 31;
constexpr RECT Panel = {357, 21, 607, 591};
// The preview box, 97 pixels square, with cells of 23 pixels at a pitch of 24.
constexpr int PreviewLeft = 357 + 76;
constexpr int PreviewTop = 21 + 431;
constexpr int PreviewPitch = 24;

constexpr COLORREF White = RGB(255, 255, 255);
constexpr COLORREF GridGrey = RGB(168, 168, 168);
constexpr COLORREF FrameDark = RGB(27, 27, 27);

// Returns the centre of board cell (x, y) in client coordinates.
POINT CellCentre(int x, int y) {
    return {BoardLeft + 1 + x * Pitch + 15, BoardTop + 1 + y * Pitch + 15};
}

POINT PreviewCellCentre(int x, int y) {
    return {PreviewLeft + 1 + x * PreviewPitch + 11, PreviewTop + 1 + y * PreviewPitch + 11};
}

// Returns the centre pixel of a 24-bit cell picture stored as a bitmap file in this program's
// resources, the colour that the middle of a drawn cell must have.
COLORREF PictureCentre(WORD id) {
    HRSRC resource = FindResourceW(nullptr, MAKEINTRESOURCEW(id), L"BIN");
    if (resource == nullptr) {
        return CLR_INVALID;
    }
    const auto* bytes =
        static_cast<const std::uint8_t*>(LockResource(LoadResource(nullptr, resource)));
    BITMAPFILEHEADER file;
    BITMAPINFOHEADER info;
    std::memcpy(&file, bytes, sizeof file);
    std::memcpy(&info, bytes + sizeof file, sizeof info);
    const int stride = (info.biWidth * 3 + 3) / 4 * 4;
    const int x = info.biWidth / 2;
    const int row = info.biHeight - 1 - info.biHeight / 2;  // bottom-up rows
    const std::uint8_t* pixel = bytes + file.bfOffBits + row * stride + x * 3;
    return RGB(pixel[2], pixel[1], pixel[0]);
}

::testing::AssertionResult ColourNear(COLORREF actual, COLORREF expected, int tolerance) {
    const int dr = std::abs(GetRValue(actual) - GetRValue(expected));
    const int dg = std::abs(GetGValue(actual) - GetGValue(expected));
    const int db = std::abs(GetBValue(actual) - GetBValue(expected));
    if (dr <= tolerance && dg <= tolerance && db <= tolerance) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << std::hex << "colour 0x" << actual << ", expected 0x" << expected;
}

bool IsRed(COLORREF colour) {
    return GetRValue(colour) > 200 && GetGValue(colour) < 80 && GetBValue(colour) < 80;
}

bool IsDark(COLORREF colour) {
    return GetRValue(colour) < 100 && GetGValue(colour) < 100 && GetBValue(colour) < 100;
}

// A memory DC of the client's size standing in for the screen.
class Screen {
  public:
    Screen() : dc_(CreateCompatibleDC(nullptr)) {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = TestClientWidth;
        info.bmiHeader.biHeight = -TestClientHeight;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        previous_ = SelectObject(dc_, bitmap_);
    }
    ~Screen() {
        SelectObject(dc_, previous_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    Screen(const Screen&) = delete;
    Screen& operator=(const Screen&) = delete;

    operator HDC() const { return dc_; }
    void Fill(COLORREF colour) {
        const RECT all = {0, 0, TestClientWidth, TestClientHeight};
        HBRUSH brush = CreateSolidBrush(colour);
        FillRect(dc_, &all, brush);
        DeleteObject(brush);
    }

  private:
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ previous_;
};

class MainWindowPaintTest : public MainWindowTest {
  public:
    void PaintAll() {
        const RECT all = {0, 0, TestClientWidth, TestClientHeight};
        window.Paint(screen, &all);
    }
    COLORREF At(POINT point) const { return GetPixel(window.BackBuffer(), point.x, point.y); }
    COLORREF At(int x, int y) const { return GetPixel(window.BackBuffer(), x, y); }

    // Counts the pixels of the back buffer in `area` for which `test` holds.
    int Count(const RECT& area, bool (*test)(COLORREF)) const {
        int count = 0;
        for (int y = area.top; y < area.bottom; ++y) {
            for (int x = area.left; x < area.right; ++x) {
                count += test(At(x, y)) ? 1 : 0;
            }
        }
        return count;
    }

    // The band at the panel's bottom where the status line stands.
    static RECT StatusBand() { return {Panel.left, Panel.bottom - 24, Panel.right, Panel.bottom}; }

    Screen screen;
};

}  // namespace

TEST_F(MainWindowPaintTest, CellsShowEmptyLandedAndFallingByColour) {
    ASSERT_NO_FATAL_FAILURE(StartPlaying(TeeType));
    window.board[0][17] = 1;
    window.board[9][16] = 1;
    PaintAll();

    const COLORREF red = PictureCentre(AppContext::FallingBlockImageId);
    const COLORREF grey = PictureCentre(AppContext::LandedBlockImageId);
    ASSERT_NE(red, CLR_INVALID);
    ASSERT_NE(grey, CLR_INVALID);
    // The tee enters at columns 4 to 6 of row 0 with its stem below the middle.
    for (const Cell& cell : window.pieceCells) {
        EXPECT_TRUE(ColourNear(At(CellCentre(cell.x, cell.y)), red, 12))
            << "falling cell " << cell.x << ',' << cell.y;
    }
    EXPECT_TRUE(ColourNear(At(CellCentre(0, 17)), grey, 12));
    EXPECT_TRUE(ColourNear(At(CellCentre(9, 16)), grey, 12));
    for (const POINT empty : {CellCentre(4, 1), CellCentre(1, 17), CellCentre(9, 17)}) {
        EXPECT_EQ(At(empty), White);
    }
}

TEST_F(MainWindowPaintTest, GridAndFrameHaveTheirColours) {
    PaintAll();
    const int midRow = CellCentre(0, 5).y;
    const int midColumn = CellCentre(5, 0).x;
    for (int k = 1; k <= 9; ++k) {
        EXPECT_EQ(At(BoardLeft + k * Pitch, midRow), GridGrey) << "column line " << k;
    }
    for (int k = 1; k <= 17; ++k) {
        EXPECT_EQ(At(midColumn, BoardTop + k * Pitch), GridGrey) << "row line " << k;
    }
    EXPECT_EQ(At(BoardLeft, midRow), FrameDark);
    EXPECT_EQ(At(BoardRight - 1, midRow), FrameDark);
    EXPECT_EQ(At(midColumn, BoardTop), FrameDark);
    EXPECT_EQ(At(midColumn, BoardBottom - 1), FrameDark);
    EXPECT_EQ(At(BoardRight, midRow), White) << "nothing right of the frame";
    EXPECT_EQ(At(midColumn, BoardBottom), White) << "nothing below the frame";
}

TEST_F(MainWindowPaintTest, PreviewShowsGridFrameAndNextPiece) {
    window.nextType = BarType;
    window.nextOrientation = 2;  // upright in the frame's third column
    PaintAll();
    const int middle = PreviewCellCentre(0, 1).y;
    EXPECT_EQ(At(PreviewLeft, middle), FrameDark);
    EXPECT_EQ(At(PreviewLeft + 96, middle), FrameDark);
    EXPECT_EQ(At(PreviewLeft + 97, middle), White);
    for (int k = 1; k <= 3; ++k) {
        EXPECT_EQ(At(PreviewLeft + k * PreviewPitch, middle), GridGrey) << "line " << k;
    }
    const COLORREF red = PictureCentre(AppContext::FallingBlockImageId);
    for (int y = 0; y < 4; ++y) {
        EXPECT_TRUE(ColourNear(At(PreviewCellCentre(2, y)), red, 12)) << "row " << y;
        EXPECT_EQ(At(PreviewCellCentre(1, y)), White) << "row " << y;
    }
}

TEST_F(MainWindowPaintTest, StoppedGameLeavesBoardAndEmptiesPreview) {
    ASSERT_NO_FATAL_FAILURE(StartPlaying(TeeType));
    ASSERT_NE(window.nextType, 0);
    ClickButton();
    PaintAll();
    const COLORREF grey = PictureCentre(AppContext::LandedBlockImageId);
    EXPECT_TRUE(ColourNear(At(CellCentre(5, 1)), grey, 12)) << "the frozen tee's stem";
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            EXPECT_EQ(At(PreviewCellCentre(x, y)), White) << x << ',' << y;
        }
    }
}

TEST_F(MainWindowPaintTest, StatusLineIsEmptyBeforeFirstGame) {
    PaintAll();
    EXPECT_EQ(Count(StatusBand(), IsDark), 0);
}

TEST_F(MainWindowPaintTest, StatusLineIsRedOnlyWhilePaused) {
    ASSERT_NO_FATAL_FAILURE(StartPlaying(TeeType));
    PaintAll();
    EXPECT_GT(Count(StatusBand(), IsDark), 0);
    EXPECT_EQ(Count(StatusBand(), IsRed), 0);

    PressKey(VK_UP);
    PaintAll();
    EXPECT_GT(Count(StatusBand(), IsRed), 0);
    EXPECT_EQ(Count(StatusBand(), IsDark), 0);

    // A game stopped while paused keeps the flag, so its last status stays red.
    ClickButton();
    PaintAll();
    EXPECT_EQ(std::wstring(window.statusText), L"游戏结束");
    EXPECT_GT(Count(StatusBand(), IsRed), 0);

    // The next start clears the flag.
    ClickButton();
    PaintAll();
    EXPECT_EQ(Count(StatusBand(), IsRed), 0);
    EXPECT_GT(Count(StatusBand(), IsDark), 0);
}

TEST_F(MainWindowPaintTest, PanelTextsStandInTheirBands) {
    const RECT bands[] = {
        {Panel.left, Panel.top, Panel.right, Panel.top + 50},  // difficulty prompt
        {Panel.left, Panel.top + 133, Panel.right, Panel.top + 148},
        {Panel.left, Panel.top + 163, Panel.right, Panel.top + 178},
        {Panel.left, Panel.top + 193, Panel.right, Panel.top + 208},
        {Panel.left, Panel.top + 223, Panel.right, Panel.top + 238},
        {Panel.left, Panel.top + 253, Panel.right, Panel.top + 268},
        {Panel.left, Panel.top + 283, Panel.right, Panel.top + 298},
        {Panel.left, Panel.top + 323, Panel.right, Panel.top + 341},  // rows removed
        {Panel.left, Panel.top + 360, Panel.right, Panel.top + 378},  // score
        {Panel.left, Panel.top + 398, Panel.right, Panel.top + 416},  // next piece
    };
    PaintAll();
    for (const RECT& band : bands) {
        EXPECT_GT(Count(band, IsDark), 0) << "band at " << band.top - Panel.top;
    }
    // Between the bands there is nothing.
    EXPECT_EQ(Count({Panel.left, Panel.top + 300, Panel.right, Panel.top + 320}, IsDark), 0);
}

TEST_F(MainWindowPaintTest, OnlyThePaintRectangleReachesTheScreen) {
    constexpr COLORREF Sentinel = RGB(1, 2, 3);
    screen.Fill(Sentinel);
    const RECT rect = {100, 120, 400, 300};
    window.Paint(screen, &rect);
    for (const POINT inside : {POINT{100, 120}, POINT{399, 299}, POINT{250, 200}}) {
        EXPECT_EQ(GetPixel(screen, inside.x, inside.y), At(inside));
        EXPECT_NE(GetPixel(screen, inside.x, inside.y), Sentinel);
    }
    for (const POINT outside :
         {POINT{99, 200}, POINT{400, 200}, POINT{250, 119}, POINT{250, 300}}) {
        EXPECT_EQ(GetPixel(screen, outside.x, outside.y), Sentinel);
    }
}

TEST_F(MainWindowPaintTest, CellsOutsidePaintRectangleAreSkippedButGridIsDrawn) {
    ASSERT_NO_FATAL_FAILURE(StartPlaying(TeeType));
    window.board[0][17] = 1;
    const RECT all = {0, 0, TestClientWidth, TestClientHeight};
    FillRect(window.BackBuffer(), &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    // Only the top rows of the board.
    const RECT rect = {BoardLeft, BoardTop, BoardRight, BoardTop + 3 * Pitch};
    window.Paint(screen, &rect);

    const COLORREF red = PictureCentre(AppContext::FallingBlockImageId);
    EXPECT_TRUE(ColourNear(At(CellCentre(5, 1)), red, 12)) << "the piece inside is drawn";
    EXPECT_EQ(At(CellCentre(0, 17)), RGB(0, 0, 0)) << "the block outside is skipped";
    EXPECT_EQ(At(BoardLeft + Pitch, CellCentre(0, 15).y), GridGrey) << "the grid is drawn";
}
