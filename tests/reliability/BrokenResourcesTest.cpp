// Builds of the game whose resources are broken: cell pictures cut short, cell pictures that are
// no pictures, no cell pictures at all, and no version record. Each starts, shows its window
// with the title it can make, plays, paints cells only where it has pictures for them, and
// closes with exit code 0. The cells are looked at on an X display.
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>
#include <windows.h>

#include "FaultWatch.h"
#include "GameDriver.h"
#include "GameProcess.h"
#include "GameScreen.h"
#include "Polling.h"

namespace {

// Limits that catch a hang: the machine may be busy with other tests.
constexpr DWORD StartLimit = 90000;
constexpr DWORD ChangeLimit = 20000;
constexpr DWORD ExitLimit = 60000;
constexpr int PiecesPlayed = 6;

struct BrokenBuild {
    const char* name;
    const char* program;
    bool hasTitle;
    bool hasPictures;
};

const BrokenBuild BrokenBuilds[] = {
    {"TruncatedPictures", KV_TRUNCATED_PICTURES_PROGRAM, true, false},
    {"NotPictures", KV_NOT_PICTURES_PROGRAM, true, false},
    {"NoPictures", KV_NO_PICTURES_PROGRAM, true, false},
    {"NoVersion", KV_NO_VERSION_PROGRAM, false, true},
};

class BrokenResourcesTest : public ::testing::TestWithParam<BrokenBuild> {};

}  // namespace

TEST_P(BrokenResourcesTest, StartsPlaysPaintsAndCloses) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr)
        << "needs an X display: run it through tools/test.sh";
    const BrokenBuild& build = GetParam();
    GameProcess game(build.program);
    const FaultWatch watch(game, build.program);
    ASSERT_TRUE(game.Started()) << "cannot start " << build.program;
    const GameWindows windows = game.WaitForWindows(StartLimit);
    ASSERT_NE(windows.main, nullptr) << "the window did not appear";
    EXPECT_EQ(WindowText(windows.main), build.hasTitle ? GameTitle() : L"");

    GameDriver driver(windows);
    driver.StartGame();
    for (int piece = 0; piece < PiecesPlayed; ++piece) {
        driver.PlayPiece({static_cast<UINT>(piece % 2 == 0 ? VK_LEFT : VK_RIGHT)});
    }
    ASSERT_TRUE(driver.Settle(ChangeLimit));
    EXPECT_TRUE(driver.InGame()) << "the game is not running";

    InvalidateRect(windows.main, nullptr, FALSE);
    ASSERT_TRUE(PollUntil([&] { return GetUpdateRect(windows.main, nullptr, FALSE) == FALSE; },
                          ChangeLimit));
    const Panel panel(windows.main);
    Board board = {};
    ASSERT_TRUE(PollUntil(
        [&] { return FindBoard(Surface::CaptureClient(windows.main), panel.area.left, board); },
        ChangeLimit))
        << "the board is not on the screen";

    const Surface shot = Surface::CaptureClient(windows.main);
    const int cellPixels = shot.Count(board.Inside(), IsCellColour);
    const int previewRed = shot.Count(panel.Preview(), IsRed);
    if (build.hasPictures) {
        EXPECT_GT(cellPixels, 0) << "no cell was drawn";
        EXPECT_GT(previewRed, 0) << "no next piece was drawn";
    } else {
        EXPECT_EQ(cellPixels, 0) << "cells were drawn without pictures";
        EXPECT_EQ(previewRed, 0) << "a next piece was drawn without pictures";
    }

    PostMessageW(windows.main, WM_CLOSE, 0, 0);
    EXPECT_EQ(game.WaitForExit(ExitLimit), 0);
}

INSTANTIATE_TEST_SUITE_P(Builds, BrokenResourcesTest, ::testing::ValuesIn(BrokenBuilds),
                         [](const ::testing::TestParamInfo<BrokenBuild>& info) {
                             return std::string(info.param.name);
                         });
