// The built game forced below its minimum size from another process, down to 1 × 1 pixels: the
// minimum holds against an ordinary resize, and once the window's frame is taken away it does
// not, and at every size the game takes its input, paints, and plays until its pieces fill the
// well; it closes with exit code 0.
#include <gtest/gtest.h>
#include <windows.h>

#include "FaultWatch.h"
#include "GameDriver.h"
#include "GameProcess.h"
#include "Polling.h"

namespace {

constexpr int MinimumSize = 650;
// Limits that catch a hang, never a speed: the machine may be busy with other tests.
constexpr DWORD StartLimit = 90000;
constexpr DWORD ChangeLimit = 20000;
constexpr DWORD ExitLimit = 60000;

// Client sizes of the framed window below its minimum, around the points where its layout
// changes, and the smallest of all.
constexpr SIZE Sizes[] = {{649, 649}, {400, 300}, {332, 78}, {331, 77}, {321, 59}, {320, 58},
                          {100, 100}, {10, 10},   {2, 1},    {1, 2},    {1, 1}};

// Repaints the whole window and waits until it has been painted.
bool Repaints(HWND window) {
    InvalidateRect(window, nullptr, FALSE);
    return PollUntil([&] { return GetUpdateRect(window, nullptr, FALSE) == FALSE; }, ChangeLimit);
}

}  // namespace

TEST(ForcedSizeTest, GamePlaysAndPaintsBelowItsMinimumDownToOnePixel) {
    GameProcess game(KV_GAME_PROGRAM);
    const FaultWatch watch(game, "the game forced to small sizes");
    ASSERT_TRUE(game.Started()) << "cannot start the game";
    const GameWindows windows = game.WaitForWindows(StartLimit);
    ASSERT_NE(windows.main, nullptr) << "the game's window did not appear";
    HWND main = windows.main;
    GameDriver driver(windows);
    // Plays pieces, pushed to the left and turned, until they fill the well and the game is
    // lost: every piece must land for that. A new game starts where none runs.
    const auto playToAFullWell = [&] {
        if (!driver.InGame()) {
            driver.StartGame();
            if (!driver.Settle(ChangeLimit) || !driver.InGame()) {
                return false;
            }
        }
        return PollUntil(
            [&] {
                driver.PlayPiece({VK_LEFT, VK_SPACE});
                return !driver.InGame();
            },
            ChangeLimit);
    };

    // An ordinary resize stops at the minimum.
    SetWindowPos(main, nullptr, 0, 0, 300, 300, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT rect = {};
    GetWindowRect(main, &rect);
    EXPECT_EQ(rect.right - rect.left, MinimumSize);
    EXPECT_EQ(rect.bottom - rect.top, MinimumSize);

    // Without a sizing frame the system no longer applies the minimum.
    const LONG_PTR framed = GetWindowLongPtrW(main, GWL_STYLE);
    SetWindowLongPtrW(main, GWL_STYLE, (framed & ~WS_OVERLAPPEDWINDOW) | WS_POPUP);
    bool byMoveWindow = false;
    for (const SIZE& size : Sizes) {
        SCOPED_TRACE(testing::Message() << size.cx << " x " << size.cy);
        if (byMoveWindow) {
            MoveWindow(main, 0, 0, size.cx, size.cy, TRUE);
        } else {
            SetWindowPos(main, nullptr, 0, 0, size.cx, size.cy,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
        }
        byMoveWindow = !byMoveWindow;
        RECT client = {};
        GetClientRect(main, &client);
        ASSERT_EQ(client.right, size.cx);
        ASSERT_EQ(client.bottom, size.cy);
        ASSERT_TRUE(playToAFullWell()) << "the pieces did not fill the well";
        ASSERT_TRUE(driver.Settle(ChangeLimit)) << "the game did not take its input";
        ASSERT_TRUE(Repaints(main)) << "the window was not painted";
    }

    // Framed again at its usual size, it goes on and closes as usual.
    SetWindowLongPtrW(main, GWL_STYLE, framed);
    SetWindowPos(main, nullptr, 0, 0, MinimumSize, MinimumSize,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    EXPECT_TRUE(playToAFullWell()) << "the pieces did not fill the well";
    EXPECT_TRUE(Repaints(main));
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(game.WaitForExit(ExitLimit), 0);
}
