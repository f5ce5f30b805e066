#include "ProgramEntry.h"

#include <windows.h>

#include <exception>

#include "WindowPlacement.h"

namespace {

// The window's outer size at start, which is also the smallest the user may drag it to.
constexpr int WindowWidth = 650;
constexpr int WindowHeight = 650;

// Ends a run that has no window to show, or one that could not be sized. The destroyed window
// posted the quit message; it is taken back, as no loop of this run will read it.
int EndWithoutWindow(KvMainWnd& window) {
    if (window.GetHwnd() != nullptr) {
        DestroyWindow(window.GetHwnd());
    }
    MSG quit;
    PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    return NoWindowExitCode;
}

// The handler of std::terminate. The runtime's own handler calls abort, and the documentation of
// the C runtime's abort says that in a Windows GUI program it shows its message with MessageBox,
// in a box with an OK button, and ends the program when the user selects OK. The box runs a
// message loop of its own, which goes on dispatching the game's timer and paint messages to a
// window whose state is unknown: pieces keep falling behind the box, and the same bug can strike
// again inside it. Wine shows no box: abort ends the program at once there, with status 3.
// TerminateProcess ends the process at once and runs nothing more of it: ExitProcess would still
// run every DLL's detach code, and exit the program's static destructors as well.
[[noreturn]] void EndAtOnce() noexcept {
    TerminateProcess(GetCurrentProcess(), BugExitCode);
    // Reached only if the system refused to end the process.
    ExitProcess(BugExitCode);
}

}  // namespace

void EndAtOnceOnTerminate() {
    std::set_terminate(EndAtOnce);
}

// Without a window the loop below would wait for good for a quit message that nobody posts; a
// window left at its creation size of 0 × 0 could be neither seen nor played.
int RunGame(KvMainWnd& window) {
    if (!PrepareMainWindow(window)) {
        return EndWithoutWindow(window);
    }
    ShowWindow(window.GetHwnd(), SW_SHOWNORMAL);
    return RunMessageLoop() ? 0 : MessageLoopFailedExitCode;
}

// Windows shows a program's first window in the show state its launcher asks for, whatever the
// program asks (a shortcut set to start minimised or maximised, "start /min"), and restores a
// window shown so to the place it had before that show. Its place is therefore made good here,
// while it is hidden: on a work area lower than the window, centring alone would put its title
// bar above the screen, and under a taskbar at the top. Wine shows it as asked.
bool PrepareMainWindow(KvMainWnd& window) {
    window.Create(KvWnd::StandardClassStyle, WS_OVERLAPPEDWINDOW, WS_EX_APPWINDOW, nullptr,
                  nullptr);
    if (window.GetHwnd() == nullptr || !ResizeKeepingPosition(window, WindowWidth, WindowHeight)) {
        return false;
    }
    window.SetMinTrackSize(WindowWidth, WindowHeight);
    CenterWindow(window.GetHwnd());
    // Wherever centring or a failed call left it, the window's title bar must be within reach.
    KeepOnWorkArea(window.GetHwnd());
    return true;
}

bool RunMessageLoop(HWND window) {
    MSG message;
    BOOL result;
    while ((result = GetMessageW(&message, window, 0, 0)) != 0) {
        if (result == -1) {
            return false;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return true;
}
