// The main window far below its minimum size, down to a client area of 1 × 1 pixels, where the
// cells would be narrower than nothing: it lays out, paints and plays at every size, and frees
// at the end every GDI object it made on the way.
#include <gtest/gtest.h>
#include <windows.h>

#include "CountingMainWnd.h"
#include "MainWindowFixture.h"
#include "ProcessObjects.h"

namespace {

// Widths and heights around the points where the layout changes: no cell at all, cells of
// 0 and 1 pixels, the panel's own height, and the program's usual size.
constexpr int Widths[] = {1, 2, 3, 10, 11, 150, 320, 321, 322, 330, 331, 332, 341, 634};
constexpr int Heights[] = {1, 2, 3, 58, 59, 60, 76, 77, 78, 300, 570, 571, 612};

class SmallWindowTest : public ::testing::Test {
  protected:
    // The first main window of the process builds what stays for the whole run (the lock of the
    // ids of fonts and pens among it): it is made once before anything is counted.
    static void SetUpTestSuite() {
        CountingMainWnd window;
        ASSERT_TRUE(CreateFrameless(window));
        DestroyWindow(window.GetHwnd());
        TakeQuitMessage();
    }

    void TearDown() override {
        TakeQuitMessage();
        // Everything the windows made went with them.
        ExpectSameTracked(ProcessObjects::Now(), before);
    }

    // Starts a game with a piece falling, another in the preview and a well full of landed
    // blocks but for the top rows, so that every kind of cell is painted.
    static void PrepareGame(CountingMainWnd& window) {
        HWND hwnd = window.GetHwnd();
        SendMessageW(hwnd, WM_COMMAND, MAKEWPARAM(0, BN_CLICKED),
                     reinterpret_cast<LPARAM>(window.startButton));
        SendMessageW(hwnd, WM_TIMER, KvMainWnd::StartDelayTimer, 0);
        ASSERT_EQ(window.state, GameState::Playing);
        for (int x = 0; x < GameRules::WellWidth; ++x) {
            for (int y = GameRules::WellHeight / 2; y < GameRules::WellHeight; ++y) {
                window.board[x][y] = (x + y) % 3 != 0 ? 1 : 0;
            }
        }
    }

    // Gives the window a client area of `width` × `height` through one of the two calls, plays a
    // little and paints the whole window at once.
    static void PlayAtSize(CountingMainWnd& window, int width, int height, bool byMoveWindow) {
        HWND hwnd = window.GetHwnd();
        if (byMoveWindow) {
            MoveWindow(hwnd, 0, 0, width, height, TRUE);
        } else {
            SetWindowPos(hwnd, nullptr, 0, 0, width, height,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        RECT client = {};
        GetClientRect(hwnd, &client);
        ASSERT_EQ(client.right, width);
        ASSERT_EQ(client.bottom, height);

        const bool playing = window.state == GameState::Playing;
        for (const UINT key : {VK_LEFT, VK_SPACE, VK_RIGHT, VK_DOWN}) {
            SendMessageW(hwnd, WM_KEYDOWN, key, 1);
        }
        SendMessageW(hwnd, WM_TIMER, KvMainWnd::FallTimer, 0);
        ASSERT_TRUE(!playing || window.state == GameState::Landed ||
                    window.state == GameState::GameOverPause)
            << "the dropped piece did not land";
        SendMessageW(hwnd, WM_TIMER, KvMainWnd::SpawnTimer, 0);
        if (window.state == GameState::GameOverPause) {
            SendMessageW(hwnd, WM_TIMER, KvMainWnd::GameOverTimer, 0);
            ASSERT_NO_FATAL_FAILURE(PrepareGame(window));
        }

        const long paints = window.paints;
        RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        EXPECT_GT(window.paints, paints);
        EXPECT_FALSE(GetUpdateRect(hwnd, nullptr, FALSE));
    }

    // A window without a frame has no minimum tracking size, so its client area takes any size;
    // the one the program runs with is bigger.
    static bool CreateFrameless(CountingMainWnd& window) {
        if (!window.Create(KvWnd::StandardClassStyle, WS_POPUP, 0, nullptr, nullptr)) {
            return false;
        }
        ShowWindow(window.GetHwnd(), SW_SHOWNOACTIVATE);
        return true;
    }

    const ProcessObjects before = ProcessObjects::Now();
};

}  // namespace

TEST_F(SmallWindowTest, PaintsAndPlaysAtEverySizeAfterTheUsualOne) {
    CountingMainWnd window;
    ASSERT_TRUE(CreateFrameless(window));
    ASSERT_NO_FATAL_FAILURE(PlayAtSize(window, 634, 612, false));
    ASSERT_NO_FATAL_FAILURE(PrepareGame(window));
    bool byMoveWindow = false;
    for (int width : Widths) {
        for (int height : Heights) {
            SCOPED_TRACE(testing::Message() << width << " x " << height);
            ASSERT_NO_FATAL_FAILURE(PlayAtSize(window, width, height, byMoveWindow));
            byMoveWindow = !byMoveWindow;
        }
    }
    DestroyWindow(window.GetHwnd());
}

// A window that was never larger has back buffers no larger than its client area.
TEST_F(SmallWindowTest, PaintsAndPlaysWhenItWasNeverLarger) {
    static constexpr SIZE Sizes[] = {{1, 1}, {1, 612}, {634, 1}, {7, 7}, {321, 59}, {331, 77}};
    for (const SIZE& size : Sizes) {
        SCOPED_TRACE(testing::Message() << size.cx << " x " << size.cy);
        CountingMainWnd window;
        ASSERT_TRUE(CreateFrameless(window));
        ASSERT_NO_FATAL_FAILURE(PlayAtSize(window, size.cx, size.cy, false));
        ASSERT_NO_FATAL_FAILURE(PrepareGame(window));
        ASSERT_NO_FATAL_FAILURE(PlayAtSize(window, size.cx, size.cy, true));
        DestroyWindow(window.GetHwnd());
    }
}

// A size too large for any back buffer leaves the window with the buffer it had; when the window
// is brought back to a size that this buffer does not cover, a larger one must be made then.
TEST_F(SmallWindowTest, PaintsItsWholeClientAreaAfterASizeTooLargeForABuffer) {
    CountingMainWnd window;
    ASSERT_TRUE(CreateFrameless(window));
    HWND hwnd = window.GetHwnd();
    ASSERT_NO_FATAL_FAILURE(PlayAtSize(window, 634, 612, false));
    // 30 000 × 30 000 pixels would need 3.6 GB for each buffer, more than a bitmap may have.
    ASSERT_NO_FATAL_FAILURE(PlayAtSize(window, 30000, 30000, true));
    ASSERT_NO_FATAL_FAILURE(PlayAtSize(window, 1000, 700, false));
    HDC dc = GetDC(hwnd);
    const COLORREF corner = GetPixel(dc, 990, 690);
    ReleaseDC(hwnd, dc);
    EXPECT_EQ(corner, RGB(255, 255, 255));
    DestroyWindow(hwnd);
}
