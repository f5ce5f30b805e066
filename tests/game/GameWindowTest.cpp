// The main window as the game flow's front end: its controls, its list of levels, its timers, the
// keys and clicks it hands on, the areas it repaints and its close, driven by the messages the
// system would send.
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <windows.h>

#include "AppContext.h"
#include "MainWindowFixture.h"
#include "Polling.h"

namespace {

constexpr wchar_t StartCaption[] = L"开始游戏";
constexpr wchar_t StopCaption[] = L"停止游戏";

// A created window is idle with an empty status line. The list and the button show whether a game
// runs; when the flow switches them is GameFlowTest's to check.
TEST_F(MainWindowTest, CreatedWindowIsIdleAndItsControlsShowWhetherAGameRuns) {
    EXPECT_EQ(window.state, GameState::Idle);
    EXPECT_STREQ(window.statusText, L"");
    EXPECT_TRUE(window.timers.empty());
    EXPECT_EQ(ComboSelection(), 0);
    EXPECT_EQ(ButtonText(), StartCaption);
    EXPECT_TRUE(ComboEnabled());
    ClickButton();
    EXPECT_EQ(ButtonText(), StopCaption);
    EXPECT_FALSE(ComboEnabled());
    Tick(KvMainWnd::StartDelayTimer);
    ClickButton();
    EXPECT_EQ(ButtonText(), StartCaption);
    EXPECT_TRUE(ComboEnabled());
}

TEST_F(MainWindowTest, AStartTakesTheKeyboardFocusFromTheButton) {
    SetFocus(window.startButton);
    ClickButton();
    EXPECT_EQ(GetFocus(), hwnd);
}

TEST_F(MainWindowTest, StartDuringGameOverPauseStopsTheRealGameOverTimer) {
    ASSERT_NO_FATAL_FAILURE(LoseGame());
    ClickButton();
    // KillTimer succeeds only for a timer that is still set.
    EXPECT_FALSE(KillTimer(hwnd, KvMainWnd::GameOverTimer));
    EXPECT_TRUE(KillTimer(hwnd, KvMainWnd::StartDelayTimer));
}

// The level each item of the list gives, and the item shown selected after. No selection plays the
// easy level and selects it. The fall interval of each level is GameFlowTest's to check.
TEST_F(MainWindowTest, TheSelectedItemSetsTheLevelAndStaysSelected) {
    const struct {
        WPARAM selection;
        std::int32_t level;
        LRESULT selectionAfter;
    } levels[] = {{0, 1, 0}, {1, 2, 1}, {2, 3, 2}, {static_cast<WPARAM>(-1), 1, 0}};
    for (const auto& level : levels) {
        SCOPED_TRACE("item " + std::to_string(static_cast<int>(level.selection)));
        SelectComboItem(level.selection);
        ClickButton();
        Tick(KvMainWnd::StartDelayTimer);
        EXPECT_EQ(window.level, level.level);
        EXPECT_EQ(ComboSelection(), level.selectionAfter);
        ClickButton();  // the stop, after which the list can be chosen from again
    }
}

// A key reaches the game by its virtual-key code, a letter's as an arrow's, and a held key
// repeats: every WM_KEYDOWN that says the key was down before still acts. What each code does is
// GameFlowTest's to check.
TEST_F(MainWindowTest, WPausesAndResumesOnEveryAutoRepeat) {
    ASSERT_NO_FATAL_FAILURE(StartPlaying(TeeType));
    constexpr LPARAM FirstPress = 1;
    constexpr LPARAM AutoRepeat = 1 | (1 << 30);  // bit 30: the key was down before
    for (int press = 1; press <= 4; ++press) {
        Send(WM_KEYDOWN, 'W', press == 1 ? FirstPress : AutoRepeat);
        EXPECT_EQ(window.paused, press % 2 == 1) << "press " << press;
    }
}

TEST_F(MainWindowTest, CommandFromOtherSourcesIsNotTheButton) {
    Send(WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), reinterpret_cast<LPARAM>(window.comboBox));
    Send(WM_COMMAND, MAKEWPARAM(1, 0), 0);
    EXPECT_EQ(window.state, GameState::Idle);
}

// The area that each kind of repaint request covers: the whole client area, the board or the
// panel. Which change asks for which is GameFlowTest's to check.
TEST_F(MainWindowTest, RepaintRequestsCoverTheChangedArea) {
    const RECT client = {0, 0, TestClientWidth, TestClientHeight};
    struct Request {
        const char* name;
        std::function<void()> change;
        RECT area;
    };
    const Request requests[] = {
        {"start", [this] { ClickButton(); }, client},
        {"first piece", [this] { Tick(KvMainWnd::StartDelayTimer); }, client},
        {"move", [this] { PressKey(VK_DOWN); }, window.boardRect},
        {"pause", [this] { PressKey(VK_UP); }, window.panelRect},
    };
    for (const Request& request : requests) {
        SCOPED_TRACE(request.name);
        ValidateRect(hwnd, nullptr);
        request.change();
        RECT update = {};
        ASSERT_TRUE(GetUpdateRect(hwnd, &update, FALSE));
        EXPECT_TRUE(EqualRect(&update, &request.area))
            << update.left << ',' << update.top << ',' << update.right << ',' << update.bottom;
    }
}

// Returns true when the window's posted destroy request arrives and is dispatched.
bool DispatchDestroyRequest(HWND hwnd) {
    MSG message;
    if (!PeekMessageW(&message, hwnd, KvMainWnd::DestroyRequestMessage,
                      KvMainWnd::DestroyRequestMessage, PM_REMOVE)) {
        return false;
    }
    DispatchMessageW(&message);
    return true;
}

TEST_F(MainWindowTest, CloseDuringGameDestroysWindowThroughPostedRequest) {
    ASSERT_NO_FATAL_FAILURE(StartPlaying(TeeType));
    EXPECT_EQ(Send(WM_CLOSE, 0, 0), 0);
    EXPECT_TRUE(IsWindow(hwnd)) << "the window goes only when its request arrives";
    ASSERT_TRUE(DispatchDestroyRequest(hwnd));
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(window.GetHwnd(), nullptr);
    EXPECT_EQ(TakeQuitMessage(), 0);
    EXPECT_EQ(GetAppContext().moduleHandle, nullptr) << "the context is released";
}

// Returns the types of the first pieces a window chooses, from the random state a new process
// starts with, so that only the window's own seeding tells two runs apart.
std::vector<std::int32_t> FirstPiecesOfANewWindow() {
    std::srand(1);
    TestMainWnd window;
    std::vector<std::int32_t> types;
    for (int i = 0; i < 32; ++i) {
        window.ChooseNextPiece();
        types.push_back(window.nextType);
    }
    return types;
}

TEST(MainWindowPieces, GamesBegunAtDifferentTimesGetDifferentPieces) {
    const std::vector<std::int32_t> first = FirstPiecesOfANewWindow();
    const DWORD begun = GetTickCount();
    ASSERT_TRUE(PollUntil([&] { return GetTickCount() != begun; }, 20000));
    EXPECT_NE(FirstPiecesOfANewWindow(), first);
}

}  // namespace
