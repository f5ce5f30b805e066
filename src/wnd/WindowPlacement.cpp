#include "WindowPlacement.h"

void CenterWindow(HWND hwnd) {
    if (hwnd == nullptr) {
        return;
    }
    RECT window = {};
    GetWindowRect(hwnd, &window);
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;

    RECT area = {};
    if ((GetWindowLongW(hwnd, GWL_STYLE) & WS_CHILD) != 0) {
        GetClientRect(GetParent(hwnd), &area);
    } else {
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    }
    // Integer division rounds toward zero, also for a window larger than its area.
    const int x = ((area.right - area.left) - width) / 2;
    const int y = ((area.bottom - area.top) - height) / 2;
    MoveWindow(hwnd, x, y, width, height, TRUE);
}

void ResizeKeepingPosition(const KvWndBase& window, int width, int height) {
    HWND hwnd = window.GetHwnd();
    if (hwnd == nullptr) {
        return;
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
    MoveWindow(hwnd, position.x, position.y, width, height, TRUE);
}
