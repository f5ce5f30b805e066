// Each build of the game with broken resources starts, shows its window with the title it can
// make, plays, paints cells only where it has pictures for them, and closes with exit code 0. The
// cells are looked at on an X display.
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>
#include <windows.h>

#include "BrokenBuild.h"
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

    // Cells are drawn, and the next piece in red, exactly when the build has pictures for them.
    const Surface shot = Surface::CaptureClient(windows.main);
    const int cellPixels = shot.Count(board.Inside(), IsCellColour);
    const int previewRed = shot.Count(panel.Preview(), IsRed);
    EXPECT_EQ(cellPixels > 0, build.hasPictures) << cellPixels << " pixels of cells on the board";
    EXPECT_EQ(previewRed > 0, build.hasPictures) << previewRed << " red pixels in the preview";

    PostMessageW(windows.main, WM_CLOSE, 0, 0);
    EXPECT_EQ(game.WaitForExit(ExitLimit), 0);
}

INSTANTIATE_TEST_SUITE_P(Builds, BrokenResourcesTest, ::testing::ValuesIn(BrokenBuilds), BuildName);
