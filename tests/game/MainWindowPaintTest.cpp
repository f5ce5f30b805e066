// The main window's paint, checked on the pixels of its back buffer and of the target DC.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include <gtest/gtest.h>
#include <windows.h>

#include "AppContext.h"
#include "FontCache.h"
#include "GameScreen.h"
#include "MainWindowFixture.h"

namespace {

// The layout of the program's client size, 634 × 612: cells of 30 pixels, pitch 31.
constexpr int BoardLeft = 26;
constexpr int BoardTop = 26;
constexpr int BoardRight = 337;
constexpr int BoardBottom = 585;
constexpr int Pitch = 31;
constexpr RECT PanelArea = {357, 21, 607, 591};
// The preview box, 97 pixels square, with cells of 23 pixels at a pitch of 24.
constexpr int PreviewLeft = 357 + 76;
constexpr int PreviewTop = 21 + 431;
constexpr int PreviewPitch = 24;

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

// Checks that `actual` is the centre colour of the cell picture `id`, give or take what scaling
// the picture to the cell's size may change.
::testing::AssertionResult ShowsPicture(COLORREF actual, WORD id) {
    const COLORREF expected = PictureCentre(id);
    if (expected == CLR_INVALID) {
        return ::testing::AssertionFailure() << "no picture " << id << " in the resources";
    }
    const int tolerance = 12;
    if (std::abs(GetRValue(actual) - GetRValue(expected)) <= tolerance &&
        std::abs(GetGValue(actual) - GetGValue(expected)) <= tolerance &&
        std::abs(GetBValue(actual) - GetBValue(expected)) <= tolerance) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << std::hex << "colour 0x" << actual << ", expected 0x" << expected;
}

bool NotWhite(COLORREF colour) {
    return colour != White;
}

constexpr WORD Falling = AppContext::FallingBlockImageId;
constexpr WORD Landed = AppContext::LandedBlockImageId;

class MainWindowPaintTest : public MainWindowTest {
  public:
    void PaintAll() {
        const RECT all = {0, 0, TestClientWidth, TestClientHeight};
        window.Paint(screen, &all);
    }
    COLORREF At(POINT point) const { return GetPixel(window.BackBuffer(), point.x, point.y); }
    COLORREF At(int x, int y) const { return GetPixel(window.BackBuffer(), x, y); }

    // Counts the pixels of the back buffer in `area` for which `test` holds.
    int Count(const RECT& area, bool (*test)(COLORREF)) {
        buffer.CopyOf(window.BackBuffer());
        return buffer.Count(area, test);
    }

    // The band at the panel's bottom where the status line stands.
    static RECT StatusBand() {
        return {PanelArea.left, PanelArea.bottom - 24, PanelArea.right, PanelArea.bottom};
    }

    // The screen that the paint copies to, and a copy of the back buffer to count pixels in.
    Surface screen{TestClientWidth, TestClientHeight};
    Surface buffer{TestClientWidth, TestClientHeight};
};

}  // namespace

TEST_F(MainWindowPaintTest, CellsShowEmptyLandedAndFallingByColour) {
    ASSERT_NO_FATAL_FAILURE(StartPlaying(TeeType));
    window.board[0][17] = 1;
    window.board[9][16] = 1;
    PaintAll();
    // The tee enters at columns 4 to 6 of row 0 with its stem below the middle.
    for (const Cell& cell : window.pieceCells) {
        EXPECT_TRUE(ShowsPicture(At(CellCentre(cell.x, cell.y)), Falling))
            << "falling cell " << cell.x << ',' << cell.y;
    }
    EXPECT_TRUE(ShowsPicture(At(CellCentre(0, 17)), Landed));
    EXPECT_TRUE(ShowsPicture(At(CellCentre(9, 16)), Landed));
    for (const POINT empty : {CellCentre(4, 1), CellCentre(1, 17), CellCentre(9, 17)}) {
        EXPECT_EQ(At(empty), White);
    }
}

TEST_F(MainWindowPaintTest, BoardAndPreviewShowTheirGridsFramesAndTheNextPiece) {
    window.nextType = BarType;
    window.nextOrientation = 2;  // upright in the preview frame's third column
    PaintAll();
    const int midRow = CellCentre(0, 5).y;
    const int midColumn = CellCentre(5, 0).x;
    for (int k = 1; k <= 9; ++k) {
        EXPECT_EQ(At(BoardLeft + k * Pitch, midRow), GridColour) << "column line " << k;
    }
    for (int k = 1; k <= 17; ++k) {
        EXPECT_EQ(At(midColumn, BoardTop + k * Pitch), GridColour) << "row line " << k;
    }
    EXPECT_EQ(At(BoardLeft, midRow), FrameColour);
    EXPECT_EQ(At(BoardRight - 1, midRow), FrameColour);
    EXPECT_EQ(At(midColumn, BoardTop), FrameColour);
    EXPECT_EQ(At(midColumn, BoardBottom - 1), FrameColour);
    EXPECT_EQ(At(BoardRight, midRow), White) << "nothing right of the frame";
    EXPECT_EQ(At(midColumn, BoardBottom), White) << "nothing below the frame";

    const int middle = PreviewCellCentre(0, 1).y;
    EXPECT_EQ(At(PreviewLeft, middle), FrameColour);
    EXPECT_EQ(At(PreviewLeft + 96, middle), FrameColour);
    EXPECT_EQ(At(PreviewLeft + 97, middle), White);
    for (int k = 1; k <= 3; ++k) {
        EXPECT_EQ(At(PreviewLeft + k * PreviewPitch, middle), GridColour) << "line " << k;
    }
    for (int y = 0; y < 4; ++y) {
        EXPECT_TRUE(ShowsPicture(At(PreviewCellCentre(2, y)), Falling)) << "row " << y;
        EXPECT_EQ(At(PreviewCellCentre(1, y)), White) << "row " << y;
    }
}

TEST_F(MainWindowPaintTest, StoppedGameLeavesBoardAndEmptiesPreview) {
    ASSERT_NO_FATAL_FAILURE(StartPlaying(TeeType));
    ASSERT_NE(window.nextType, 0);
    ClickButton();
    PaintAll();
    EXPECT_TRUE(ShowsPicture(At(CellCentre(5, 1)), Landed)) << "the frozen tee's stem";
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            EXPECT_EQ(At(PreviewCellCentre(x, y)), White) << x << ',' << y;
        }
    }
}

TEST_F(MainWindowPaintTest, StatusLineIsEmptyBeforeTheFirstGameAndRedOnlyWhilePaused) {
    PaintAll();
    EXPECT_EQ(Count(StatusBand(), IsDark), 0);

    ASSERT_NO_FATAL_FAILURE(StartPlaying(TeeType));
    PaintAll();
    EXPECT_GT(Count(StatusBand(), IsDark), 0);
    EXPECT_EQ(Count(StatusBand(), IsRed), 0);

    // Paused, resumed (dark again, not only not red) and paused once more.
    for (const bool paused : {true, false, true}) {
        PressKey(VK_UP);
        PaintAll();
        EXPECT_EQ(Count(StatusBand(), IsRed) > 0, paused);
        EXPECT_EQ(Count(StatusBand(), IsDark) > 0, !paused);
    }

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

// Each band of the panel shows its text as it reads in the band's font, the counters with the
// game's own figures: the band of the back buffer is the same, pixel for pixel, as the expected
// text drawn alone on white. Between the bands, down to the preview box, the panel is white.
TEST_F(MainWindowPaintTest, PanelShowsItsTextsAndTheGamesFiguresInTheirBands) {
    ASSERT_NO_FATAL_FAILURE(StartPlaying(TeeType));
    window.rowsRemoved = 4;
    window.score = 550;
    PaintAll();
    const AppContext& context = GetAppContext();
    const struct {
        const wchar_t* text;
        ObjectId font;
        int top;
        int bottom;
        UINT format;
    } bands[] = {
        {L"请选择游戏难度级别：", context.headingFont, 0, 50, DT_VCENTER},
        {L"左箭头键、A键：向左移动", context.bodyFont, 133, 148, 0},
        {L"右箭头键、D键：向右移动", context.bodyFont, 163, 178, 0},
        {L"上箭头键、W键：暂停 / 恢复", context.bodyFont, 193, 208, 0},
        {L"下箭头键、S键：一键落到底", context.bodyFont, 223, 238, 0},
        {L"空格键：旋转方块", context.bodyFont, 253, 268, 0},
        {L"Alt+F4：直接退出游戏", context.bodyFont, 283, 298, 0},
        {L"已消减层数：4", context.headingFont, 323, 341, 0},
        {L"当前成绩：550", context.headingFont, 360, 378, 0},
        {L"下一个方块：", context.headingFont, 398, 416, 0},
    };
    const int width = PanelArea.right - PanelArea.left;
    int gapTop = 0;
    for (const auto& band : bands) {
        const RECT gap = {PanelArea.left, PanelArea.top + gapTop, PanelArea.right,
                          PanelArea.top + band.top};
        EXPECT_EQ(Count(gap, NotWhite), 0) << "above " << Utf8(band.text);
        gapTop = band.bottom;
        const int height = band.bottom - band.top;
        Surface expected(width, height);
        expected.Fill(White);
        const HGDIOBJ previous = SelectObject(expected, GetFont(band.font));
        SetBkMode(expected, TRANSPARENT);
        RECT area = {0, 0, width, height};
        DrawTextW(expected, band.text, -1, &area, DT_SINGLELINE | band.format);
        SelectObject(expected, previous);
        Surface shown(width, height);
        BitBlt(shown, 0, 0, width, height, window.BackBuffer(), PanelArea.left,
               PanelArea.top + band.top, SRCCOPY);
        EXPECT_GT(expected.Count({0, 0, width, height}, IsDark), 0) << Utf8(band.text);
        EXPECT_TRUE(SamePixels(shown.Pixels(), expected.Pixels(), width)) << Utf8(band.text);
    }
    const RECT belowBands = {PanelArea.left, PanelArea.top + gapTop, PanelArea.right, PreviewTop};
    const RECT belowPreview = {PanelArea.left, PreviewTop + 97, PanelArea.right, StatusBand().top};
    EXPECT_EQ(Count(belowBands, NotWhite), 0);
    EXPECT_EQ(Count(belowPreview, NotWhite), 0);
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

    EXPECT_TRUE(ShowsPicture(At(CellCentre(5, 1)), Falling)) << "the piece inside is drawn";
    EXPECT_EQ(At(CellCentre(0, 17)), RGB(0, 0, 0)) << "the block outside is skipped";
    EXPECT_EQ(At(BoardLeft + Pitch, CellCentre(0, 15).y), GridColour) << "the grid is drawn";
}
