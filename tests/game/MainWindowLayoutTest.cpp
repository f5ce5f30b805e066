// The main window's layout: board and panel rectangles and the controls' places for client sizes.
#include <ostream>
#include <string>

#include <gtest/gtest.h>
#include <windows.h>

#include "MainWindowFixture.h"

namespace {

// Returns a child window's rectangle in its parent's client coordinates.
RECT ChildRect(HWND child) {
    RECT rect = {};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

::testing::AssertionResult RectIs(const RECT& actual, const RECT& expected) {
    if (EqualRect(&actual, &expected)) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "(" << actual.left << ", " << actual.top << ", "
                                         << actual.right << ", " << actual.bottom << ")";
}

// A client size and the layout worked out by hand for it.
struct LayoutCase {
    const char* name;
    int width;
    int height;
    int cellSize;
    RECT board;
    RECT panel;
};

void PrintTo(const LayoutCase& layout, std::ostream* out) {
    *out << layout.name;
}

class LayoutTest : public MainWindowTest, public ::testing::WithParamInterface<LayoutCase> {};

}  // namespace

TEST_P(LayoutTest, SizeGivesBoardPanelAndControls) {
    const LayoutCase& layout = GetParam();
    SendSize(layout.width, layout.height);
    EXPECT_EQ(window.CellSize(), layout.cellSize);
    EXPECT_TRUE(RectIs(window.boardRect, layout.board));
    EXPECT_TRUE(RectIs(window.panelRect, layout.panel));
    const RECT& p = layout.panel;
    // The panel keeps its width and its controls their places relative to it and their sizes.
    EXPECT_EQ(window.panelRect.right - window.panelRect.left, 250);
    const RECT combo = ChildRect(window.comboBox);
    EXPECT_EQ(combo.left - p.left, 50);
    EXPECT_EQ(combo.top - p.top, 50);
    EXPECT_EQ(combo.right - combo.left, 200);
    EXPECT_TRUE(RectIs(ChildRect(window.startButton),
                       {p.left + 30, p.top + 90, p.left + 220, p.top + 113}));
}

INSTANTIATE_TEST_SUITE_P(
    ClientSizes, LayoutTest,
    ::testing::Values(
        // Width limits the cells; the panel is centred in the extra height.
        LayoutCase{"Program", 634, 612, 30, {26, 26, 337, 585}, {357, 21, 607, 591}},
        LayoutCase{"Wide", 1000, 800, 41, {154, 21, 575, 778}, {595, 115, 845, 685}},
        LayoutCase{"Tall", 700, 1000, 37, {24, 157, 405, 842}, {425, 215, 675, 785}},
        // At 570 pixels and less the panel spans the whole height.
        LayoutCase{"PanelHigh", 640, 570, 28, {39, 23, 330, 546}, {350, 0, 600, 570}},
        LayoutCase{"Low", 640, 500, 24, {59, 24, 310, 475}, {330, 0, 580, 500}},
        // One pixel taller: centred, with the odd pixel below.
        LayoutCase{"PanelHighPlusOne", 640, 571, 28, {39, 24, 330, 547}, {350, 0, 600, 570}}),
    [](const ::testing::TestParamInfo<LayoutCase>& info) { return std::string(info.param.name); });

TEST_F(MainWindowTest, ZeroSizeAndMinimisingKeepLayout) {
    const RECT board = window.boardRect;
    const RECT panel = window.panelRect;
    SendSize(0, 300);
    SendSize(300, 0);
    Send(WM_SIZE, SIZE_MINIMIZED, 0);
    EXPECT_TRUE(EqualRect(&board, &window.boardRect));
    EXPECT_TRUE(EqualRect(&panel, &window.panelRect));
}
