#include "GameScreen.h"

#include <algorithm>

namespace {

constexpr int PanelWidth = 250;
constexpr int PanelHeight = 570;
constexpr POINT ButtonInPanel = {30, 90};
constexpr RECT PreviewInPanel = {76, 431, 76 + 97, 431 + 97};
constexpr int StatusHeight = 24;

}  // namespace

bool IsRed(COLORREF c) {
    return GetRValue(c) > 150 && GetGValue(c) < 100 && GetBValue(c) < 100;
}

bool IsDark(COLORREF c) {
    return GetRValue(c) < 100 && GetGValue(c) < 100 && GetBValue(c) < 100;
}

bool IsCellColour(COLORREF c) {
    return c != White && c != GridColour && c != FrameColour;
}

bool FindBoard(const Surface& shot, int panelLeft, Board& board) {
    const int middle = shot.Height() / 2;
    int left = -1;
    int right = -1;
    for (int x = 0; x < panelLeft; ++x) {
        if (shot.At(x, middle) == FrameColour) {
            left = left < 0 ? x : left;
            right = x;
        }
    }
    if (left < 0 || right - left < 100) {
        return false;
    }
    int top = -1;
    int bottom = -1;
    for (int y = 0; y < shot.Height(); ++y) {
        if (shot.At(left + 3, y) == FrameColour) {
            top = top < 0 ? y : top;
            bottom = y;
        }
    }
    board = {{left, top, right, bottom}, (right - left) / 10};
    return top >= 0 && bottom - top > 100;
}

Panel::Panel(HWND main) : area() {
    RECT button = {};
    GetWindowRect(FindWindowExW(main, nullptr, L"Button", nullptr), &button);
    MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&button), 2);
    const LONG left = button.left - ButtonInPanel.x;
    const LONG top = button.top - ButtonInPanel.y;
    area = {left, top, left + PanelWidth, top + PanelHeight};
}

RECT Panel::Preview() const {
    RECT preview = PreviewInPanel;
    OffsetRect(&preview, area.left, area.top);
    return preview;
}

RECT Panel::StatusBand(int clientHeight) const {
    const LONG bottom = std::min<LONG>(area.bottom, clientHeight);
    return {area.left, bottom - StatusHeight, area.right, bottom};
}
