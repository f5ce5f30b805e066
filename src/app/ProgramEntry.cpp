#include "ProgramEntry.h"

#include <windows.h>

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

}  // namespace

// Without a window the loop below would wait for good for a quit message that nobody posts; a
// window left at its creation size of 0 × 0 could be neither seen nor played.
int RunGame(KvMainWnd& window) {
    window.Create(KvWnd::StandardClassStyle, WS_OVERLAPPEDWINDOW, WS_EX_APPWINDOW, nullptr,
                  nullptr);
    if (window.GetHwnd() == nullptr || !ResizeKeepingPosition(window, WindowWidth, WindowHeight)) {
        return EndWithoutWindow(window);
    }
    window.SetMinTrackSize(WindowWidth, WindowHeight);
    CenterWindow(window.GetHwnd());
    ShowWindow(window.GetHwnd(), SW_SHOWNORMAL);
    // Wherever a failed call left it, the window's title bar must be within reach.
    KeepOnWorkArea(window.GetHwnd());
    return RunMessageLoop() ? 0 : MessageLoopFailedExitCode;
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
