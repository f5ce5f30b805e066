// Starts a game program, waits for its main window, checks the window's title against the
// version this build was made with, then closes the window as a player would and returns the
// program's exit code (6 when its run showed a fault, 7 when it showed a second window):
// tests/release/check_release.sh runs it on the unpacked release archive. With "key", for a game
// whose key handler has a bug (fixtures/KeyBugGame.cpp), it presses a key instead and returns 0
// when the program ended with its own status for a bug, BugExitCode, and showed no box.
//   release_start_and_close UNIX_PATH_OF_PROGRAM [key]
#include <cstdio>
#include <cstring>
#include <string>

#include <windows.h>

#include "GameProcess.h"
#include "Polling.h"
#include "ProgramEntry.h"

namespace {

constexpr DWORD WindowLimit = 30000;
// Catches a hang (a box waiting for a click holds the program for good), not a speed.
constexpr DWORD ExitLimit = 20000;

// The game's process and main window, and the class of another visible top-level window of the
// process once one has been seen (the box of abort on Windows).
struct WindowSearch {
    DWORD process = 0;
    HWND main = nullptr;
    wchar_t otherClass[256] = {};
};

BOOL CALLBACK NoteOtherWindow(HWND window, LPARAM search) {
    auto& found = *reinterpret_cast<WindowSearch*>(search);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == found.process && window != found.main && IsWindowVisible(window)) {
        GetClassNameW(window, found.otherClass, 256);
    }
    return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
    const bool key = argc == 3 && std::strcmp(argv[2], "key") == 0;
    if (argc != 2 && !key) {
        std::fprintf(stderr, "usage: release_start_and_close UNIX_PATH_OF_PROGRAM [key]\n");
        return 2;
    }
    GameProcess game(argv[1], false);
    if (!game.Started()) {
        std::fprintf(stderr, "could not start %s (error %lu)\n", argv[1], GetLastError());
        return 3;
    }
    const GameWindows windows = game.WaitForWindows(WindowLimit);
    if (windows.main == nullptr) {
        std::fprintf(stderr, "no game window within %lu ms; exit code %ld (-1: still running)\n",
                     WindowLimit, game.WaitForExit(0));
        return 4;
    }
    const std::wstring expected = GameTitle();
    const std::wstring title = WindowText(windows.main);
    if (title != expected) {
        std::fprintf(stderr, "window title \"%s\", expected \"%s\"\n", Utf8(title).c_str(),
                     Utf8(expected).c_str());
        return 5;
    }
    std::printf("window \"%s\" shown; %s\n", Utf8(title).c_str(),
                key ? "pressing a key" : "closing it");
    WindowSearch search;
    search.main = windows.main;
    GetWindowThreadProcessId(windows.main, &search.process);
    PostMessageW(windows.main, key ? WM_KEYDOWN : WM_CLOSE, key ? VK_LEFT : 0, 0);
    PollUntil(
        [&] {
            EnumWindows(NoteOtherWindow, reinterpret_cast<LPARAM>(&search));
            return !game.IsRunning();
        },
        ExitLimit);
    const long code = game.WaitForExit(0);
    std::printf("the game ended with exit code %ld (-1: still running after %lu ms)\n", code,
                ExitLimit);
    const std::string signs = game.FaultSigns();
    if (!signs.empty()) {
        std::fprintf(stderr, "the game showed a fault:\n%s", signs.c_str());
        return 6;
    }
    if (search.otherClass[0] != L'\0') {
        std::fprintf(stderr, "the game showed a second window, of class \"%s\"\n",
                     Utf8(search.otherClass).c_str());
        return 7;
    }
    if (key && code != BugExitCode) {
        std::fprintf(stderr, "expected the program's own exit code for a bug, %d\n", BugExitCode);
        return 8;
    }
    return key ? 0 : static_cast<int>(code);
}
