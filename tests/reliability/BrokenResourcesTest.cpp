// Builds of the game whose resources are broken: cell pictures cut short, cell pictures that are
// no pictures, no cell pictures at all, and no version record. Each starts, shows its window
// with the title it can make, plays, paints cells only where it has pictures for them, and
// closes with exit code 0. The cells are looked at on an X display.
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>
#include <windows.h>

#include "FaultWatch.h"
#include "GameProcess.h"
#include "Polling.h"
#include "Screenshot.h"

namespace {

constexpr wchar_t GameTitle[] = L"下落方块 （1.0）:";
constexpr wchar_t StopCaption[] = L"停止游戏";
constexpr DWORD StartLimit = 90000;
constexpr DWORD ChangeLimit = 20000;
constexpr DWORD ExitLimit = 60000;
constexpr UINT AnswerLimit = 1000;

constexpr UINT_PTR StartDelayTimer = 3;
constexpr UINT_PTR FallTimer = 4;
constexpr UINT_PTR SpawnTimer = 5;
constexpr int PiecesPlayed = 6;

// The colours of the board without cells: background, grid lines and frame.
constexpr COLORREF White = RGB(255, 255, 255);
constexpr COLORREF GridColour = RGB(168, 168, 168);
constexpr COLORREF FrameColour = RGB(27, 27, 27);
// The panel's place relative to the button, and the preview box's relative to the panel.
constexpr int ButtonLeftInPanel = 30;
constexpr int ButtonTopInPanel = 90;
constexpr RECT PreviewInPanel = {76, 431, 76 + 97, 431 + 97};

struct BrokenBuild {
    const char* name;
    const char* program;
    const wchar_t* title;
    bool hasPictures;
};

const BrokenBuild BrokenBuilds[] = {
    {"TruncatedPictures", KV_TRUNCATED_PICTURES_PROGRAM, GameTitle, false},
    {"NotPictures", KV_NOT_PICTURES_PROGRAM, GameTitle, false},
    {"NoPictures", KV_NO_PICTURES_PROGRAM, GameTitle, false},
    {"NoVersion", KV_NO_VERSION_PROGRAM, L"", true},
};

bool IsCellColour(COLORREF c) {
    return c != White && c != GridColour && c != FrameColour;
}

bool IsRed(COLORREF c) {
    return GetRValue(c) > 150 && GetGValue(c) < 100 && GetBValue(c) < 100;
}

// Returns the inside of the board's frame, found from the frame's pixels left of `panelLeft`, or
// an empty rectangle when there is no frame.
RECT BoardInside(const Screenshot& shot, int panelLeft) {
    const int middle = shot.Height() / 2;
    int left = -1;
    int right = -1;
    for (int x = 0; x < panelLeft; ++x) {
        if (shot.At(x, middle) == FrameColour) {
            left = left < 0 ? x : left;
            right = x;
        }
    }
    int top = -1;
    int bottom = -1;
    for (int y = 0; left >= 0 && y < shot.Height(); ++y) {
        if (shot.At(left + 3, y) == FrameColour) {
            top = top < 0 ? y : top;
            bottom = y;
        }
    }
    if (left < 0 || top < 0 || right - left < 100 || bottom - top < 100) {
        return {0, 0, 0, 0};
    }
    return {left + 1, top + 1, right, bottom};
}

class BrokenResourcesTest : public ::testing::TestWithParam<BrokenBuild> {};

}  // namespace

TEST_P(BrokenResourcesTest, StartsPlaysPaintsAndCloses) {
    if (std::getenv("DISPLAY") == nullptr) {
        GTEST_SKIP() << "needs an X display";
    }
    const BrokenBuild& build = GetParam();
    GameProcess game(build.program);
    const FaultWatch watch(game, build.program);
    ASSERT_TRUE(game.Started()) << "cannot start " << build.program;
    const GameWindows windows = game.WaitForWindows(StartLimit);
    ASSERT_NE(windows.main, nullptr) << "the window did not appear";
    EXPECT_EQ(WindowText(windows.main), build.title);

    PostMessageW(windows.main, WM_COMMAND, MAKEWPARAM(0, BN_CLICKED),
                 reinterpret_cast<LPARAM>(windows.button));
    PostMessageW(windows.main, WM_TIMER, StartDelayTimer, 0);
    for (int piece = 0; piece < PiecesPlayed; ++piece) {
        PostMessageW(windows.main, WM_KEYDOWN, piece % 2 == 0 ? VK_LEFT : VK_RIGHT, 1);
        PostMessageW(windows.main, WM_KEYDOWN, VK_DOWN, 1);
        PostMessageW(windows.main, WM_TIMER, FallTimer, 0);
        PostMessageW(windows.main, WM_TIMER, SpawnTimer, 0);
    }
    ASSERT_TRUE(WaitForEmptyQueue(windows, 1, ChangeLimit));
    EXPECT_EQ(WindowText(windows.button), StopCaption) << "the game is not running";

    InvalidateRect(windows.main, nullptr, FALSE);
    ASSERT_TRUE(PollUntil([&] { return GetUpdateRect(windows.main, nullptr, FALSE) == FALSE; },
                          ChangeLimit));
    RECT button = {};
    GetWindowRect(windows.button, &button);
    MapWindowPoints(nullptr, windows.main, reinterpret_cast<POINT*>(&button), 2);
    const POINT panel = {button.left - ButtonLeftInPanel, button.top - ButtonTopInPanel};
    RECT board = {};
    ASSERT_TRUE(PollUntil(
        [&] {
            board = BoardInside(Screenshot(windows.main), panel.x);
            return !IsRectEmpty(&board);
        },
        ChangeLimit))
        << "the board is not on the screen";

    const Screenshot shot(windows.main);
    const int cellPixels = shot.Count(board, IsCellColour);
    RECT preview = PreviewInPanel;
    OffsetRect(&preview, panel.x, panel.y);
    const int previewRed = shot.Count(preview, IsRed);
    if (build.hasPictures) {
        EXPECT_GT(cellPixels, 0) << "no cell was drawn";
        EXPECT_GT(previewRed, 0) << "no next piece was drawn";
    } else {
        EXPECT_EQ(cellPixels, 0) << "cells were drawn without pictures";
        EXPECT_EQ(previewRed, 0) << "a next piece was drawn without pictures";
    }

    DWORD_PTR result = 0;
    EXPECT_NE(
        SendMessageTimeoutW(windows.main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, AnswerLimit, &result),
        0);
    PostMessageW(windows.main, WM_CLOSE, 0, 0);
    EXPECT_EQ(game.WaitForExit(ExitLimit), 0);
}

INSTANTIATE_TEST_SUITE_P(Builds, BrokenResourcesTest, ::testing::ValuesIn(BrokenBuilds),
                         [](const ::testing::TestParamInfo<BrokenBuild>& info) {
                             return std::string(info.param.name);
                         });
