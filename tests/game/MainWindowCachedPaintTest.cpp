// The main window's paint with cell pictures gives the pixels of drawing every cell piece by
// piece, in the back buffer and on the screen, at every cell size and for every paint rectangle.
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <windows.h>

#include "AppContext.h"
#include "Surface.h"
#include "MainWindowFixture.h"

namespace {

// A client size, or with `wholeWindow` the size of the whole window.
struct SizeCase {
    const char* name;
    int width;
    int height;
    bool wholeWindow;
};

// Odd and even cell sizes, cells smaller than the pictures' borders, no cells at all, and the
// smallest window the player can drag the program's window to.
constexpr SizeCase Sizes[] = {
    {"program's client area, cells of 30", TestClientWidth, TestClientHeight, false},
    {"smallest window", 650, 650, true},
    {"cells of 31", 700, 617, false},
    {"cells of 25", 640, 509, false},
    {"cells of 14", 461, 311, false},
    {"cells of 13", 500, 293, false},
    {"cells of 7", 400, 185, false},
    {"cells of 1", 331, 77, false},
    {"cells of 0", 330, 70, false},
    {"cells of 37", 1000, 740, false},
};

class CachedPaintTest : public MainWindowTest {
  public:
    // A game with a falling tee, landed blocks in a pattern over the lower rows, an upright bar
    // in the preview and counters with several digits.
    void SetUpScene() {
        ASSERT_NO_FATAL_FAILURE(StartPlaying(TeeType));
        for (int x = 0; x < GameRules::WellWidth; ++x) {
            for (int y = 6; y < GameRules::WellHeight; ++y) {
                window.board[x][y] = (x * 7 + y * 3) % 5 != 0 ? 1 : 0;
            }
        }
        window.nextType = BarType;
        window.nextOrientation = 2;
        window.rowsRemoved = 12;
        window.score = 3450;
    }

    void Resize(const SizeCase& size) {
        if (size.wholeWindow) {
            SetWindowPos(hwnd, nullptr, 0, 0, size.width, size.height,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        } else {
            ASSERT_NO_FATAL_FAILURE(SetClientSize(size.width, size.height));
        }
    }

    // Paints `rect` both ways from the same noise in the back buffer and on the screen, and
    // compares the back buffers and the screens.
    void ExpectSamePaint(const RECT& rect, const char* what) {
        SCOPED_TRACE(std::string(what) + " (" + std::to_string(rect.left) + ',' +
                     std::to_string(rect.top) + ',' + std::to_string(rect.right) + ',' +
                     std::to_string(rect.bottom) + ')');
        RECT client = {};
        GetClientRect(hwnd, &client);
        Surface noise(client.right, client.bottom);
        Surface screen(client.right, client.bottom);
        Surface readBack(client.right, client.bottom);
        ASSERT_TRUE(noise.IsValid() && screen.IsValid() && readBack.IsValid());
        noise.FillNoise(static_cast<std::uint32_t>(rect.left * 31 + rect.top));

        std::vector<std::uint32_t> buffers[2];
        std::vector<std::uint32_t> screens[2];
        for (const bool pieceByPiece : {false, true}) {
            BitBlt(window.BackBuffer(), 0, 0, client.right, client.bottom, noise, 0, 0, SRCCOPY);
            BitBlt(screen, 0, 0, client.right, client.bottom, noise, 0, 0, SRCCOPY);
            window.DrawCellsPieceByPiece(pieceByPiece);
            window.Paint(screen, &rect);
            buffers[pieceByPiece] = readBack.CopyOf(window.BackBuffer());
            screens[pieceByPiece] = screen.Pixels();
        }
        window.DrawCellsPieceByPiece(false);
        EXPECT_TRUE(SamePixels(buffers[0], buffers[1], client.right)) << "back buffer";
        EXPECT_TRUE(SamePixels(screens[0], screens[1], client.right)) << "screen";
    }

    // Paints the whole client area, the board, the panel, and rectangles that cut board and
    // preview cells at odd places.
    void ExpectSamePaintForEveryRect() {
        RECT client = {};
        GetClientRect(hwnd, &client);
        const RECT board = window.boardRect;
        const LayoutRect preview = window.layout.preview;
        const int d = window.layout.CellSize();
        const LayoutRect cell = window.layout.CellSquare(3, 9);
        ExpectSamePaint(client, "client area");
        ExpectSamePaint(board, "board");
        ExpectSamePaint(window.panelRect, "panel");
        ExpectSamePaint({preview.left + 5, preview.top + 13, preview.left + 60, preview.top + 50},
                        "preview cut");
        ExpectSamePaint({board.left + d / 2 + 3, board.top + 2 * d + 5, board.left + 5 * d + 2,
                         board.bottom - d},
                        "board cut");
        ExpectSamePaint({cell.right, cell.bottom, cell.right + 1, cell.bottom + 1},
                        "touching a cell's corner");
    }
};

}  // namespace

// One window goes through all sizes, so that a picture kept from an earlier size would show.
TEST_F(CachedPaintTest, EqualsPieceByPiecePaintAtEverySizeAndPaintRectangle) {
    ASSERT_NO_FATAL_FAILURE(SetUpScene());
    for (const SizeCase& size : Sizes) {
        SCOPED_TRACE(size.name);
        ASSERT_NO_FATAL_FAILURE(Resize(size));
        ExpectSamePaintForEveryRect();
    }
}

// Without a falling or a previewed piece.
TEST_F(CachedPaintTest, EqualsPieceByPiecePaintAfterTheGame) {
    ASSERT_NO_FATAL_FAILURE(SetUpScene());
    ClickButton();
    ASSERT_EQ(window.state, GameState::Idle);
    ExpectSamePaintForEveryRect();
}

// The pictures follow the images: new borders after a paint are drawn with, not the old ones.
TEST_F(CachedPaintTest, EqualsPieceByPiecePaintAfterThePicturesChange) {
    ASSERT_NO_FATAL_FAILURE(SetUpScene());
    ExpectSamePaintForEveryRect();
    AppContext& context = GetAppContext();
    context.pieceImage.margins = {3, 3, 3, 3};
    context.blockImage.margins = {2, 9, 5, 0};
    ExpectSamePaintForEveryRect();
    const LONG margin = AppContext::CellImageMargin;
    context.pieceImage.margins = {margin, margin, margin, margin};
    context.blockImage.margins = {margin, margin, margin, margin};
    ExpectSamePaintForEveryRect();
}
