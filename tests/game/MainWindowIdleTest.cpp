// A window without a running game does no work: no game timer lives, and once it has painted
// nothing waits to paint or tick again.
#include <gtest/gtest.h>
#include <windows.h>

#include "MainWindowFixture.h"

namespace {

// More messages than settling a window can take; a window that keeps asking for paints never
// settles, and the test ends instead of spinning.
constexpr int MessageLimit = 1000;

class IdleWindowTest : public MainWindowTest {
  public:
    // Paints the window and handles every message that is waiting, without waiting for more.
    // Returns the number handled, or MessageLimit when there was no end to them.
    int Settle() {
        UpdateWindow(hwnd);
        int handled = 0;
        MSG message;
        while (handled < MessageLimit && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
            ++handled;
        }
        return handled;
    }

    // Checks that after settling nothing is left to paint, no tick is waiting and none of the
    // game's timers 3 to 6 exists: KillTimer fails for a timer that does not.
    void ExpectNoWork() {
        ASSERT_LT(Settle(), MessageLimit);
        EXPECT_FALSE(GetUpdateRect(hwnd, nullptr, FALSE));
        MSG message;
        EXPECT_FALSE(PeekMessageW(&message, hwnd, WM_PAINT, WM_PAINT, PM_NOREMOVE));
        EXPECT_FALSE(PeekMessageW(&message, hwnd, WM_TIMER, WM_TIMER, PM_NOREMOVE));
        EXPECT_EQ(HIWORD(GetQueueStatus(QS_PAINT | QS_TIMER)), 0u);
        for (const UINT_PTR id : {KvMainWnd::StartDelayTimer, KvMainWnd::FallTimer,
                                  KvMainWnd::SpawnTimer, KvMainWnd::GameOverTimer}) {
            EXPECT_FALSE(KillTimer(hwnd, id)) << "timer " << id << " is alive";
        }
    }
};

}  // namespace

TEST_F(IdleWindowTest, NewWindowHasNoGameTimerAndNothingPending) {
    ExpectNoWork();
}

TEST_F(IdleWindowTest, StoppedOrLostGameLeavesNoGameTimerAndNothingPending) {
    ASSERT_NO_FATAL_FAILURE(StartPlaying(TeeType));
    ASSERT_NO_FATAL_FAILURE(LandPiece());
    ClickButton();
    ASSERT_EQ(window.state, GameState::Idle);
    ExpectNoWork();

    ASSERT_NO_FATAL_FAILURE(LoseGame());
    Tick(KvMainWnd::GameOverTimer);
    ASSERT_EQ(window.state, GameState::Idle);
    ExpectNoWork();
}

// The check itself: a running game keeps its fall timer, which the test must see.
TEST_F(IdleWindowTest, RunningGameKeepsItsFallTimer) {
    ASSERT_NO_FATAL_FAILURE(StartPlaying(TeeType));
    EXPECT_TRUE(KillTimer(hwnd, KvMainWnd::FallTimer));
}
