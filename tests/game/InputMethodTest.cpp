// The game's windows and the input method, under Wine's X11 driver, where every window of a
// thread has the thread's default input context unless the program takes it away, as on Windows.
#include <windows.h>

#include <imm.h>

#include <gtest/gtest.h>

#include "MainWindowFixture.h"

namespace {

// Returns whether the input method would take the window's keys.
bool HasInputContext(HWND window) {
    HIMC context = ImmGetContext(window);
    if (context == nullptr) {
        return false;
    }
    ImmReleaseContext(window, context);
    return true;
}

// Most players type with a Chinese input method that starts in Chinese mode. A window with an
// input context hands it the letter keys: the game would see VK_PROCESSKEY instead of A, D, S
// and W, and a candidate box would open over the well. A plain window of the same thread is
// the control: it has a context, so the game's windows have none because the game took it.
TEST_F(MainWindowTest, TheGamesWindowsHaveNoInputContextWhereAPlainWindowHasOne) {
    HWND plain = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr,
                                 nullptr, nullptr, nullptr);
    ASSERT_NE(plain, nullptr);
    EXPECT_TRUE(HasInputContext(plain));
    DestroyWindow(plain);

    EXPECT_FALSE(HasInputContext(hwnd));
    EXPECT_FALSE(HasInputContext(window.comboBox));
    EXPECT_FALSE(HasInputContext(window.startButton));
}

}  // namespace
