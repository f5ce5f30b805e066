// The layout of the well, the panel, its controls and the preview at every client size, from a
// single pixel up.
#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include "SceneLayout.h"

// Where GoogleTest looks for it: beside the type.
static std::ostream& operator<<(std::ostream& out, const LayoutRect& rect) {
    return out << '(' << rect.left << ", " << rect.top << ", " << rect.right << ", " << rect.bottom
               << ')';
}

namespace {

::testing::AssertionResult RectIs(const LayoutRect& actual, const LayoutRect& expected) {
    if (actual.left == expected.left && actual.top == expected.top &&
        actual.right == expected.right && actual.bottom == expected.bottom) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << actual << ", expected " << expected;
}

// A client size and the cell size, board and panel worked out by hand for it: d is the smaller of
// (width − 321) / 10 and (height − 59) / 18, truncated toward zero.
struct LayoutCase {
    int width;
    int height;
    int cellSize;
    LayoutRect board;
    LayoutRect panel;
};

const LayoutCase Cases[] = {
    // Far below the smallest size with cells: the board's rectangle turns over.
    {1, 1, -32, {20, 279, -289, -278}, {-269, 0, -19, 1}},
    {2, 1, -31, {16, 270, -283, -269}, {-263, 0, -13, 1}},
    {100, 100, -22, {20, 238, -189, -139}, {-169, 0, 81, 100}},
    // Cells of no pixel, one pixel short of and at the smallest size that fits.
    {320, 58, 0, {20, 20, 31, 39}, {51, 0, 301, 58}},
    {321, 59, 0, {20, 20, 31, 39}, {51, 0, 301, 59}},
    // Cells of one pixel.
    {331, 77, 1, {20, 20, 41, 57}, {61, 0, 311, 77}},
    {400, 300, 7, {24, 77, 105, 222}, {125, 0, 375, 300}},
    // At 570 pixels and less the panel spans the whole height; above, it is centred, the odd
    // pixel below.
    {640, 500, 24, {59, 24, 310, 475}, {330, 0, 580, 500}},
    {640, 570, 28, {39, 23, 330, 546}, {350, 0, 600, 570}},
    {640, 571, 28, {39, 24, 330, 547}, {350, 0, 600, 570}},
    // The program's client area: width limits the cells.
    {634, 612, 30, {26, 26, 337, 585}, {357, 21, 607, 591}},
    {700, 1000, 37, {24, 157, 405, 842}, {425, 215, 675, 785}},
    {1000, 800, 41, {154, 21, 575, 778}, {595, 115, 845, 685}},
};

}  // namespace

TEST(SceneLayout, GivesTheCellSizeBoardAndPanelOfEveryClientSize) {
    for (const LayoutCase& c : Cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
        const SceneLayout layout(c.width, c.height);
        EXPECT_EQ(layout.CellSize(), c.cellSize);
        EXPECT_TRUE(RectIs(layout.board, c.board));
        EXPECT_TRUE(RectIs(layout.panel, c.panel));
        // The controls and the preview keep their places relative to the panel's corner.
        const LayoutRect& p = c.panel;
        EXPECT_TRUE(RectIs(layout.comboBox, {p.left + 50, p.top + 50, p.left + 250, p.top + 250}));
        EXPECT_TRUE(RectIs(layout.button, {p.left + 30, p.top + 90, p.left + 220, p.top + 113}));
        EXPECT_TRUE(RectIs(layout.preview, {p.left + 76, p.top + 431, p.left + 173, p.top + 528}));
    }
}

// The cells of the program's usual size: the first just inside the frame's corner, one grid line
// between two, the last touching the frame; the preview's of 23 pixels at a pitch of 24.
TEST(SceneLayout, PlacesBoardAndPreviewCellsOnTheirGrids) {
    const SceneLayout layout(634, 612);
    EXPECT_TRUE(RectIs(layout.CellSquare(0, 0), {27, 27, 57, 57}));
    EXPECT_TRUE(RectIs(layout.CellSquare(1, 0), {58, 27, 88, 57}));
    EXPECT_TRUE(RectIs(layout.CellSquare(0, 1), {27, 58, 57, 88}));
    EXPECT_TRUE(RectIs(layout.CellSquare(9, 17), {306, 554, 336, 584}));
    EXPECT_TRUE(RectIs(layout.PreviewCellSquare(0, 0), {434, 453, 457, 476}));
    EXPECT_TRUE(RectIs(layout.PreviewCellSquare(3, 2), {506, 501, 529, 524}));
}

// Wherever the cells have at least a pixel, the board, its margins and the panel fit in the client
// area, the last cell closes on the frame, and cells one pixel larger would not fit.
TEST(SceneLayout, AtEverySizeWithCellsTheLargestCellsFitBesideThePanel) {
    for (int width = 331; width <= 1600; width += 7) {
        for (int height = 77; height <= 1200; height += 11) {
            const SceneLayout layout(width, height);
            const int d = layout.CellSize();
            const LayoutRect& board = layout.board;
            const LayoutRect last = layout.CellSquare(9, 17);
            // The margins left and right of board and panel, and above and below the board,
            // differ by the odd pixel at most.
            const int left = board.left - 20;
            const int right = width - 20 - layout.panel.right;
            const int above = board.top - 20;
            const int below = height - 20 - board.bottom;
            const bool fits = d >= 1 && left >= 0 && right - left >= 0 && right - left <= 1 &&
                              above >= 0 && below - above >= 0 && below - above <= 1 &&
                              layout.panel.left == board.right + 20 && layout.panel.top >= 0 &&
                              layout.panel.bottom <= height && last.right == board.right - 1 &&
                              last.bottom == board.bottom - 1;
            const bool largest = 10 * (d + 1) + 321 > width || 18 * (d + 1) + 59 > height;
            ASSERT_TRUE(fits && largest) << width << " x " << height << ": cells of " << d
                                         << ", board " << board << ", panel " << layout.panel;
        }
    }
}
