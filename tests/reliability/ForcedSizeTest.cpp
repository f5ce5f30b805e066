// The built game forced below its minimum size from another process, down to 1 × 1 pixels: the
// minimum holds against an ordinary resize, and once the window's frame is taken away it does
// not, and the game still plays, paints and answers at every size, and closes with exit code 0.
#include <gtest/gtest.h>
#include <windows.h>

#include "FaultWatch.h"
#include "GameProcess.h"
#include "Polling.h"

namespace {

constexpr int MinimumSize = 650;
constexpr DWORD StartLimit = 90000;
constexpr DWORD PaintLimit = 20000;
constexpr DWORD ExitLimit = 60000;
constexpr UINT AnswerLimit = 1000;

constexpr UINT_PTR StartDelayTimer = 3;
constexpr UINT_PTR FallTimer = 4;
constexpr UINT_PTR SpawnTimer = 5;

// Client sizes of the framed window below its minimum, around the points where its layout
// changes, and the smallest of all.
constexpr SIZE Sizes[] = {{649, 649}, {400, 300}, {332, 78}, {331, 77}, {321, 59}, {320, 58},
                          {100, 100}, {10, 10},   {2, 1},    {1, 2},    {1, 1}};

RECT WindowRectOf(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect;
}

bool Answers(HWND window) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, AnswerLimit, &result) != 0;
}

// Drops a piece and brings the next, which piles the well up; posted, as a player's keys are.
void PlayAPiece(HWND window) {
    PostMessageW(window, WM_KEYDOWN, VK_LEFT, 1);
    PostMessageW(window, WM_KEYDOWN, VK_SPACE, 1);
    PostMessageW(window, WM_KEYDOWN, VK_DOWN, 1);
    PostMessageW(window, WM_TIMER, FallTimer, 0);
    PostMessageW(window, WM_TIMER, SpawnTimer, 0);
}

// Repaints the whole window and waits until it has been painted.
bool Repaints(HWND window) {
    InvalidateRect(window, nullptr, FALSE);
    return PollUntil([&] { return GetUpdateRect(window, nullptr, FALSE) == FALSE; }, PaintLimit);
}

}  // namespace

TEST(ForcedSizeTest, GamePlaysAndPaintsBelowItsMinimumDownToOnePixel) {
    GameProcess game(KV_GAME_PROGRAM);
    const FaultWatch watch(game, "the game forced to small sizes");
    ASSERT_TRUE(game.Started()) << "cannot start the game";
    const GameWindows windows = game.WaitForWindows(StartLimit);
    ASSERT_NE(windows.main, nullptr) << "the game's window did not appear";
    HWND main = windows.main;

    PostMessageW(main, WM_COMMAND, MAKEWPARAM(0, BN_CLICKED),
                 reinterpret_cast<LPARAM>(windows.button));
    PostMessageW(main, WM_TIMER, StartDelayTimer, 0);
    for (int piece = 0; piece < 8; ++piece) {
        PlayAPiece(main);
    }

    // An ordinary resize stops at the minimum.
    SetWindowPos(main, nullptr, 0, 0, 300, 300, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT rect = WindowRectOf(main);
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
        PlayAPiece(main);
        ASSERT_TRUE(Repaints(main)) << "the window was not painted";
        ASSERT_TRUE(Answers(main)) << "no answer within " << AnswerLimit << " ms";
        ASSERT_TRUE(game.IsRunning());
    }

    // Framed again at its usual size, it goes on and closes as usual.
    SetWindowLongPtrW(main, GWL_STYLE, framed);
    SetWindowPos(main, nullptr, 0, 0, MinimumSize, MinimumSize,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    PlayAPiece(main);
    EXPECT_TRUE(Repaints(main));
    EXPECT_TRUE(Answers(main));
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(game.WaitForExit(ExitLimit), 0);
}
