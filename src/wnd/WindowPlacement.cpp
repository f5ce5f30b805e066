#include "WindowPlacement.h"

#include <algorithm>

// A rectangle that cannot be read leaves the window where it is: centring on a made-up size
// or area would put it off the screen.
void CenterWindow(HWND hwnd) {
    if (hwnd == nullptr) {
        return;
    }
    RECT window = {};
    if (!GetWindowRect(hwnd, &window)) {
        return;
    }
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;

    RECT area = {};
    const bool areaRead = (GetWindowLongW(hwnd, GWL_STYLE) & WS_CHILD) != 0
                              ? GetClientRect(GetParent(hwnd), &area) != FALSE
                              : SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0) != FALSE;
    if (!areaRead) {
        return;
    }
    // Integer division rounds toward zero, also for a window larger than its area.
    const int x = ((area.right - area.left) - width) / 2;
    const int y = ((area.bottom - area.top) - height) / 2;
    MoveWindow(hwnd, x, y, width, height, TRUE);
}

bool ResizeKeepingPosition(const KvWndBase& window, int width, int height) {
    HWND hwnd = window.GetHwnd();
    if (hwnd == nullptr) {
        return false;
    }
    POINT position = {};
    if (window.ParentHwnd() != nullptr) {
        ClientToScreen(hwnd, &position);
        ScreenToClient(window.ParentHwnd(), &position);
    } else {
        RECT rect = {};
        GetWindowRect(hwnd, &rect);
        position = {rect.left, rect.top};
    }
    return MoveWindow(hwnd, position.x, position.y, width, height, TRUE) != FALSE;
}

// A minimised window is parked far off the screen (-32000, -32000) and a maximised one reaches
// past the work area by its frame, where the system put them on purpose: moving either would
// bring a stray caption onto the desktop, or shift the window off its maximised place. Either
// may be so from the start, as Windows takes the first show state from the launcher (a shortcut
// set to start minimised, or "start /min") whatever the program asks; the program's entry
// therefore brings its window onto the work area before it shows it.
void KeepOnWorkArea(HWND hwnd) {
    RECT window = {};
    RECT area = {};
    if (hwnd == nullptr || IsIconic(hwnd) || IsZoomed(hwnd) || !GetWindowRect(hwnd, &window) ||
        !SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0)) {
        return;
    }
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    // The least move that brings the window inside; one too large for the area goes to its
    // top-left corner, so that the title bar stays within reach.
    const int x = std::max(area.left, std::min(window.left, area.right - width));
    const int y = std::max(area.top, std::min(window.top, area.bottom - height));
    if (x != window.left || y != window.top) {
        MoveWindow(hwnd, x, y, width, height, TRUE);
    }
}
