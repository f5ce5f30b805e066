// The main window's layout on a real window: the board, the panel and the controls stand where
// the layout of the client size puts them, and a size without width or height changes nothing.
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

bool Same(const RECT& actual, const LayoutRect& expected) {
    return actual.left == expected.left && actual.top == expected.top &&
           actual.right == expected.right && actual.bottom == expected.bottom;
}

}  // namespace

TEST_F(MainWindowTest, ControlsStandWhereTheLayoutOfTheSizePutsThem) {
    const SIZE sizes[] = {{634, 612}, {1000, 800}, {640, 500}};
    for (const SIZE& size : sizes) {
        SCOPED_TRACE(testing::Message() << size.cx << " x " << size.cy);
        SendSize(size.cx, size.cy);
        const SceneLayout expected(size.cx, size.cy);
        EXPECT_TRUE(Same(window.boardRect, expected.board));
        EXPECT_TRUE(Same(window.panelRect, expected.panel));
        EXPECT_TRUE(Same(ChildRect(window.startButton), expected.button));
        // The closed list is as high as its font makes it; the 200 pixels include the dropped-down
        // list.
        const RECT combo = ChildRect(window.comboBox);
        EXPECT_EQ(combo.left, expected.comboBox.left);
        EXPECT_EQ(combo.top, expected.comboBox.top);
        EXPECT_EQ(combo.right, expected.comboBox.right);
    }
}

TEST_F(MainWindowTest, ZeroSizeAndMinimisingKeepLayout) {
    const RECT board = window.boardRect;
    const RECT panel = window.panelRect;
    const RECT button = ChildRect(window.startButton);
    SendSize(0, 300);
    SendSize(300, 0);
    Send(WM_SIZE, SIZE_MINIMIZED, 0);
    EXPECT_TRUE(EqualRect(&board, &window.boardRect));
    EXPECT_TRUE(EqualRect(&panel, &window.panelRect));
    const RECT buttonAfter = ChildRect(window.startButton);
    EXPECT_TRUE(EqualRect(&button, &buttonAfter));
}
