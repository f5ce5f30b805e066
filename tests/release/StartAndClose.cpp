// Starts a game program, waits for its main window, checks the window's title against the
// version this build was made with, closes the window as a player would and returns the
// program's exit code (6 when its run showed a fault): tests/release/check_release.sh runs it on
// the unpacked release archive.
//   release_start_and_close UNIX_PATH_OF_PROGRAM
#include <cstdio>
#include <string>

#include <windows.h>

#include "GameProcess.h"

namespace {

constexpr DWORD WindowLimit = 30000;
constexpr DWORD ExitLimit = 10000;

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: release_start_and_close UNIX_PATH_OF_PROGRAM\n");
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
    std::printf("window \"%s\" shown; closing it\n", Utf8(title).c_str());
    PostMessageW(windows.main, WM_CLOSE, 0, 0);
    const long code = game.WaitForExit(ExitLimit);
    std::printf("the game ended with exit code %ld\n", code);
    const std::string signs = game.FaultSigns();
    if (!signs.empty()) {
        std::fprintf(stderr, "the game showed a fault:\n%s", signs.c_str());
        return 6;
    }
    return static_cast<int>(code);
}
