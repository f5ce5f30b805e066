// Test helpers: a main window that closes itself, and a fixture that drives the main window with
// the messages the system would send and brings it into each game state.
#pragma once

#include <cstdint>
#include <string>

#include <gtest/gtest.h>
#include <windows.h>

#include "GameProcess.h"  // WindowText
#include "TestMainWnd.h"

// A main window that asks to be closed as soon as it exists and notes how it looked then.
class ClosingMainWnd : public TestMainWnd {
  public:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_CREATE) {
            PostMessageW(hwnd, WM_CLOSE, 0, 0);
        }
        if (message == WM_CLOSE) {
            GetWindowRect(hwnd, &rectAtClose);
            visibleAtClose = IsWindowVisible(hwnd) != FALSE;
            titleAtClose = WindowText(hwnd);
        }
        return TestMainWnd::HandleMessage(message, wParam, lParam);
    }

    RECT rectAtClose = {};
    bool visibleAtClose = false;
    std::wstring titleAtClose;
};

// Removes the quit message that a destroyed main window leaves in this thread's queue.
inline int TakeQuitMessage() {
    MSG message;
    if (PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        return static_cast<int>(message.wParam);
    }
    return -1;
}

// The helpers are public, so that tables of steps outside the fixture can use them.
class MainWindowTest : public ::testing::Test {
  public:
    void SetUp() override {
        ASSERT_TRUE(window.Create(KvWnd::StandardClassStyle, WS_OVERLAPPEDWINDOW, WS_EX_APPWINDOW,
                                  nullptr, nullptr));
        hwnd = window.GetHwnd();
        ASSERT_NO_FATAL_FAILURE(SetClientSize(TestClientWidth, TestClientHeight));
    }

    void TearDown() override {
        if (IsWindow(hwnd)) {
            DestroyWindow(hwnd);
        }
        TakeQuitMessage();
    }

    // Gives the real window the client size, so that the system sends its WM_SIZE and repaint
    // requests are clipped to the right area.
    void SetClientSize(int width, int height) {
        const RECT client = ResizeClientArea(hwnd, width, height);
        ASSERT_EQ(client.right, width);
        ASSERT_EQ(client.bottom, height);
    }

    LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam) {
        return SendMessageW(hwnd, message, wParam, lParam);
    }
    void ClickButton() {
        Send(WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), reinterpret_cast<LPARAM>(window.startButton));
    }
    void PressKey(UINT key) { Send(WM_KEYDOWN, key, 1); }
    void Tick(UINT_PTR timer) { Send(WM_TIMER, timer, 0); }
    void SendSize(int width, int height) {
        Send(WM_SIZE, SIZE_RESTORED, MAKELPARAM(width, height));
    }

    std::wstring ButtonText() const { return WindowText(window.startButton); }
    bool ComboEnabled() const { return IsWindowEnabled(window.comboBox) != FALSE; }
    LRESULT ComboSelection() const { return SendMessageW(window.comboBox, CB_GETCURSEL, 0, 0); }
    void SelectComboItem(WPARAM index) { SendMessageW(window.comboBox, CB_SETCURSEL, index, 0); }

    // Starts a game with the button and the start delay's tick. With a type, that piece is the
    // first to fall, in the given orientation.
    void StartPlaying(std::int32_t type = 0, std::int32_t orientation = 1) {
        ClickButton();
        if (type != 0) {
            window.nextType = type;
            window.nextOrientation = orientation;
        }
        Tick(KvMainWnd::StartDelayTimer);
        ASSERT_EQ(window.state, GameState::Playing);
    }

    // Drops the falling piece and lands it with a fall tick.
    void LandPiece() {
        PressKey(VK_DOWN);
        Tick(KvMainWnd::FallTimer);
        ASSERT_EQ(window.state, GameState::Landed);
    }

    // Lands a piece, then blocks the well's top so that the next piece cannot enter.
    void LoseGame() {
        ASSERT_NO_FATAL_FAILURE(StartPlaying());
        ASSERT_NO_FATAL_FAILURE(LandPiece());
        for (int x = 0; x < GameRules::WellWidth; ++x) {
            window.board[x][0] = 1;
            window.board[x][1] = 1;
        }
        Tick(KvMainWnd::SpawnTimer);
        ASSERT_EQ(window.state, GameState::GameOverPause);
    }

    TestMainWnd window;
    HWND hwnd = nullptr;
};
